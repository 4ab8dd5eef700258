#include "runner/run_main.h"

#include "process/controller_process.h"
#include "runner/explore.h"
#include "runner/explorer.h"
#include "runner/options.h"
#include "runner/run_loop.h"
#include "runner/run_report.h"
#include "runner/scenario.h"
#include "runner/verdict.h"
#include "trace/output_files.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace {

// Neither pass nor fail: a usage or scenario mistake, or a run that could
// not be made or recorded.
constexpr int usage_status = 2;
// What test runners answer when they found nothing to run.
constexpr int nothing_checked_status = 5;

void refuse_shared_outputs(const run_options& o) {
  const std::string shared = shared_output({{"--trace", o.trace_file},
                                            {"--csv", o.csv_file},
                                            {"--junit", o.junit_file},
                                            {"--screenshot", o.screenshot_file},
                                            {"--messages", o.messages_file},
                                            {"--report", o.report_file},
                                            {"--json", o.json_file},
                                            {"--minimal", o.minimal_file}});
  if (!shared.empty()) throw usage_error(shared);
}

// A file asked for on the command line, opened before the run so that a
// wrong path is known at once rather than after a long run.
bool open_output(std::ofstream& file, const std::string& path) {
  if (path.empty()) return true;
  file.open(path);
  if (file) return true;
  std::cerr << "corvan-run: cannot write " << path << '\n';
  return false;
}

// A file written at the end (a picture, a report): its path is tried now.
bool writable_at_end(const std::string& path) {
  if (path.empty()) return true;
  std::ofstream trial(path);
  if (trial) return true;
  std::cerr << "corvan-run: cannot write " << path << '\n';
  return false;
}

// The report page and the JSON file of the run; false when one could not
// be written.
bool write_reports(const scenario& script, const run_outcome& outcome, const run_options& options,
                   const std::string& controller, const std::string& date) {
  if (options.report_file.empty() && options.json_file.empty()) return true;
  const std::string error =
      write_report_files(build_run_report(script, outcome, options, controller, date), options);
  if (error.empty()) return true;
  std::cerr << "corvan-run: " << error << '\n';
  return false;
}

int exit_status(const run_outcome& outcome) {
  switch (outcome.problem.kind) {
    case run_problem::error: return usage_status;
    case run_problem::interrupted: return 128 + outcome.interrupting_signal;
    default: return run_passed(outcome.results, outcome.problem) ? 0 : 1;
  }
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
    if (options.explore)
      explored_length(script);
    else
      run_end(script, options);
    refuse_shared_outputs(options);
  } catch (const scenario_error& e) {
    std::cerr << e.what() << '\n';
    return usage_status;
  } catch (const usage_error& e) {
    std::cerr << "corvan-run: " << e.what() << '\n' << run_option_table().help();
    return usage_status;
  }
  if (script.expectations.empty() && !options.no_checks) {
    std::cout << "NOTHING CHECKED: the scenario has no statement to check"
                 " (--no-checks runs it for its traces alone)\n";
    return nothing_checked_status;
  }

  std::ofstream messages_file, junit_file;
  if (!open_output(messages_file, options.messages_file) ||
      !open_output(junit_file, options.junit_file) ||
      !writable_at_end(options.screenshot_file) || !writable_at_end(options.report_file) ||
      !writable_at_end(options.json_file))
    return usage_status;
  // The simulator's messages, apart from ours and the controller's.
  std::ostream messages(options.messages_file.empty() ? std::cerr.rdbuf() : messages_file.rdbuf());

  const std::string command = controller_command(argc, argv, options.command_start);
  // The command line as the reports name the controller.
  const std::string controller = command.substr(0, command.size() - 1);
  interrupt_runs_on_signals();
  if (options.explore) return explore(script, options, command);
  const std::string date = report_date();
  run_outcome outcome;
  try {
    outcome = execute_run(script, options, command, messages);
  } catch (const std::runtime_error& e) {
    // Nothing ran: no verdict, but a CI server and a class summary still
    // get their reports.
    std::cerr << "corvan-run: " << e.what() << '\n';
    if (junit_file.is_open())
      write_junit(junit_file, controller, options.scenario_file, {}, {run_problem::error, e.what()}, 0, "");
    outcome.problem = {run_problem::error, e.what()};
    outcome.last_turn = -1;
    write_reports(script, outcome, options, controller, date);
    return usage_status;
  }

  std::ostringstream verdict;
  print_verdict(verdict, outcome.results, outcome.problem);
  if (options.lockstep)
    print_late_answers(verdict, outcome.late_answers, options.answer_timeout_ms);
  if (outcome.problem.kind == run_problem::error)
    std::cerr << "corvan-run: " << outcome.problem.text << '\n';
  std::cout << verdict.str() << std::flush;

  int status = exit_status(outcome);
  if (junit_file.is_open()) {
    write_junit(junit_file, controller, options.scenario_file, outcome.results, outcome.problem,
                outcome.timing.wall_seconds, verdict.str());
    junit_file.close();
    if (!junit_file) {
      std::cerr << "corvan-run: cannot write " << options.junit_file << '\n';
      status = usage_status;
    }
  }
  if (!write_reports(script, outcome, options, controller, date)) status = usage_status;
  if (!outcome.screenshot_error.empty()) {
    std::cerr << "corvan-run: screenshot: " << outcome.screenshot_error << '\n';
    status = usage_status;
  }
  return status;
}
