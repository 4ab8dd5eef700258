#include "runner/options.h"

#include "overrides/overrides.h"

#include <algorithm>
#include <cstring>

namespace {

micros seconds(const std::string& option, const std::string& text) {
  micros t;
  if (!parse_seconds(text, t)) throw usage_error(option + ": bad number of seconds '" + text + "'");
  return t;
}

// A whole number from `least` to a million.
int count(const std::string& option, const std::string& text, int least) {
  if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos ||
      std::stoi(text) < least)
    throw usage_error(option + ": bad number '" + text + "'");
  return std::stoi(text);
}

uint64_t seed(const std::string& option, const std::string& text) {
  if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
    throw usage_error(option + ": bad seed '" + text + "' (a whole number)");
  return std::stoull(text);
}

// Names of the signal table, separated by commas.
std::vector<std::string> signal_names(const std::string& option, const std::string& text) {
  std::vector<std::string> names;
  for (size_t from = 0; from <= text.size();) {
    const size_t comma = std::min(text.find(',', from), text.size());
    const std::string name = text.substr(from, comma - from);
    if (signal_row(name) < 0) throw usage_error(option + ": unknown signal '" + name + "'");
    names.push_back(name);
    from = comma + 1;
  }
  return names;
}

int milliseconds(const std::string& option, const std::string& text) {
  if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos ||
      std::stoi(text) == 0)
    throw usage_error(option + ": bad number of milliseconds '" + text + "'");
  return std::stoi(text);
}

class option_reader {
 public:
  option_reader(int argc, char** argv) : argc(argc), argv(argv) {}

  run_options read() {
    run_options o;
    for (i = 1; i < argc; ++i) {
      std::string a = argv[i];
      if (a == "--") {
        o.command_start = i + 1;
        break;
      }
      if (a.compare(0, 1, "-") != 0) {  // the controller, without "--"
        o.command_start = i;
        break;
      }
      const auto* row = run_option_table().find(a);
      if (!row) throw usage_error("unknown option " + a);
      row->apply(o, cli::takes_value(row->text) ? value(a) : "");
      if (o.asked != cli::request::none) return o;
    }
    if (o.command_start == 0 || o.command_start >= argc) throw usage_error("no controller to run");
    if (o.duration && *o.duration == 0) throw usage_error("--duration must be more than 0");
    if (o.explore && o.scenario_file.empty()) throw usage_error("--explore needs --scenario");
    if (o.explore) o.lockstep = true;
    return o;
  }

 private:
  std::string value(const std::string& option) {
    if (i + 1 >= argc || std::strlen(argv[i + 1]) == 0)
      throw usage_error(option + " needs a value");
    return argv[++i];
  }

  int argc;
  char** argv;
  int i = 1;
};

}  // namespace

const cli::option_table<run_options>& run_option_table() {
  using v = const std::string&;
  static const cli::option_table<run_options> table{
      {"corvan-run",
       {"[OPTION]... [--] CONTROLLER [ARGUMENT]..."},
       "Check a controller against a scenario on the simulated gluing line."},
      {
          {{"--scenario", "FILE", "the operator's actions and the expectations"},
           [](run_options& o, v value) { o.scenario_file = value; }},
          {{"--lockstep", "", "virtual time: 5 ms a turn, each turn waits for the answer"},
           [](run_options& o, v) { o.lockstep = true; }},
          {{"--answer-timeout", "MS", "lock-step wait for the controller's answer (1000)"},
           [](run_options& o, v value) { o.answer_timeout_ms = milliseconds("--answer-timeout", value); }},
          {{"--duration", "S", "run length when the scenario has no 'end'"},
           [](run_options& o, v value) { o.duration = seconds("--duration", value); }},
          {{"--trace", "FILE.vcd", "inputs and outputs at every turn, as a VCD"},
           [](run_options& o, v value) { o.trace_file = value; }},
          {{"--csv", "FILE.csv", "the same as CSV"},
           [](run_options& o, v value) { o.csv_file = value; }},
          {{"--junit", "FILE.xml", "one test case per expectation"},
           [](run_options& o, v value) { o.junit_file = value; }},
          {{"--screenshot", "FILE.png", "the window at the end of the run"},
           [](run_options& o, v value) { o.screenshot_file = value; }},
          {{"--messages", "FILE", "the simulator's messages (standard error otherwise)"},
           [](run_options& o, v value) { o.messages_file = value; }},
          {{"--report", "FILE.html", "a page: verdict, timing diagram, the window at the failure"},
           [](run_options& o, v value) { o.report_file = value; }},
          {{"--report-signals", "A,B", "lanes of the diagram besides the signals the scenario names"},
           [](run_options& o, v value) { o.report_signals = signal_names("--report-signals", value); }},
          {{"--json", "FILE", "the verdict as JSON, for corvan-report and other tools"},
           [](run_options& o, v value) { o.json_file = value; }},
          {{"--no-checks", "", "run a scenario without statements, for its traces"},
           [](run_options& o, v) { o.no_checks = true; }},
          {{"--explore", "", "many lock-step runs with the operator's random actions"},
           [](run_options& o, v) { o.explore = true; }},
          {{"--runs", "N", "explored runs (100)"},
           [](run_options& o, v value) { o.runs = count("--runs", value, 1); }},
          {{"--seed", "S", "the seed of the random actions (from the clock, printed)"},
           [](run_options& o, v value) { o.seed = seed("--seed", value); }},
          {{"--jobs", "J", "explored runs made side by side (one per core)"},
           [](run_options& o, v value) { o.jobs = count("--jobs", value, 1); }},
          {{"--minimal", "FILE", "where the shrunk failing scenario goes (SCENARIO.fail.scn)"},
           [](run_options& o, v value) { o.minimal_file = value; }},
          {{"--help", "", "show this help and exit", "-h"},
           [](run_options& o, v) { o.asked = cli::request::help; }},
          {cli::version_option(), [](run_options& o, v) { o.asked = cli::request::version; }},
      }};
  return table;
}

run_options parse_options(int argc, char** argv) { return option_reader(argc, argv).read(); }
