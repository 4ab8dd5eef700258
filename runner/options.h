// corvan-run's command line:
//   corvan-run [options] -- ./my_controller its arguments
#pragma once

#include "cli/option_table.h"
#include "runner/scenario.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct run_options {
  std::string scenario_file;
  bool lockstep = false;
  std::string trace_file;  // VCD
  std::string csv_file;
  std::string junit_file;
  std::string screenshot_file;  // PNG
  std::string messages_file;    // the simulator's messages; stderr when empty
  std::string report_file;      // the page: verdict, timing diagram, pictures
  std::string json_file;        // the verdict as JSON
  std::vector<std::string> report_signals;  // lanes besides those the scenario names
  std::optional<micros> duration;
  int answer_timeout_ms = 1000;
  bool no_checks = false;  // a run for its traces alone: no statement is needed
  // --explore: random operator's actions, many lock-step runs.
  bool explore = false;
  int runs = 100;
  std::optional<uint64_t> seed;  // from the clock when not given
  int jobs = 0;                  // 0: one per core
  std::string minimal_file;      // the shrunk scenario; FILE.fail.scn by default
  // The controller's standard error passed on to ours (explored runs keep
  // only its last lines).
  bool show_controller_stderr = true;
  cli::request asked = cli::request::none;  // --help or --version
  int command_start = 0;  // index in argv of the controller's program
};

// Thrown for a usage mistake; what() says which.
class usage_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

run_options parse_options(int argc, char** argv);
// The options the parser knows, from which --help is printed.
const cli::option_table<run_options>& run_option_table();
