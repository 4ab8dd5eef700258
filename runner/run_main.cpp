#include "runner/run_main.h"

#include "process/controller_process.h"
#include "runner/options.h"
#include "runner/run_loop.h"
#include "runner/scenario.h"
#include "runner/verdict.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace {

// Neither pass nor fail: a usage or scenario mistake, or a run that could
// not be made or recorded.
constexpr int usage_status = 2;

// A file asked for on the command line, opened before the run so that a
// wrong path is known at once rather than after a long run.
bool open_output(std::ofstream& file, const std::string& path) {
  if (path.empty()) return true;
  file.open(path);
  if (file) return true;
  std::cerr << "corvan-run: cannot write " << path << '\n';
  return false;
}

}  // namespace

int corvan_run_main(int argc, char** argv) {
  run_options options;
  scenario script;
  try {
    options = parse_options(argc, argv);
    if (options.asked != cli::request::none) {
      std::cout << run_option_table().answer(options.asked);
      return 0;
    }
    if (!options.scenario_file.empty()) script = read_scenario_file(options.scenario_file);
    run_end(script, options);
  } catch (const scenario_error& e) {
    std::cerr << e.what() << '\n';
    return usage_status;
  } catch (const usage_error& e) {
    std::cerr << "corvan-run: " << e.what() << '\n' << run_option_table().help();
    return usage_status;
  }

  std::ofstream messages_file, junit_file;
  if (!open_output(messages_file, options.messages_file) ||
      !open_output(junit_file, options.junit_file))
    return usage_status;
  // The simulator's messages, apart from ours and the controller's.
  std::ostream messages(options.messages_file.empty() ? std::cerr.rdbuf() : messages_file.rdbuf());

  const std::string command = controller_command(argc, argv, options.command_start);
  run_outcome outcome;
  try {
    outcome = execute_run(script, options, command, messages);
  } catch (const std::runtime_error& e) {
    std::cerr << "corvan-run: " << e.what() << '\n';
    // An empty report would read as an invalid file to a CI server.
    if (junit_file.is_open()) std::remove(options.junit_file.c_str());
    return usage_status;
  }

  std::vector<check_result> results = judge(script, outcome.record);
  std::ostringstream verdict;
  print_verdict(verdict, results);
  if (options.lockstep)
    print_late_answers(verdict, outcome.record.late_answers, options.answer_timeout_ms);
  std::cout << verdict.str() << std::flush;

  int status = all_passed(results) ? 0 : 1;
  if (junit_file.is_open()) {
    write_junit(junit_file, command.substr(0, command.size() - 1), options.scenario_file, results,
                outcome.timing.wall_seconds, verdict.str());
    junit_file.close();
    if (!junit_file) {
      std::cerr << "corvan-run: cannot write " << options.junit_file << '\n';
      status = usage_status;
    }
  }
  if (!outcome.screenshot_error.empty()) {
    std::cerr << "corvan-run: screenshot: " << outcome.screenshot_error << '\n';
    status = usage_status;
  }
  return status;
}
