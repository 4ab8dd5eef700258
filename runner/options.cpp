#include "runner/options.h"

#include "overrides/overrides.h"

#include <algorithm>
#include <cstring>

const char* const usage_text =
    "usage: corvan-run [options] -- ./my_controller its arguments\n"
    "  --scenario FILE        the operator's actions and the expectations\n"
    "  --lockstep             virtual time: 5 ms a turn, each turn waits for the answer\n"
    "  --answer-timeout MS    lock-step wait for the controller's answer (1000)\n"
    "  --duration S           run length when the scenario has no 'end'\n"
    "  --trace FILE.vcd       inputs and outputs at every turn, as a VCD\n"
    "  --csv FILE.csv         the same as CSV\n"
    "  --junit FILE.xml       one test case per expectation\n"
    "  --screenshot FILE.png  the window at the end of the run\n"
    "  --messages FILE        the simulator's messages (standard error otherwise)\n"
    "  --report FILE.html     a page: verdict, timing diagram, the window at the failure\n"
    "  --report-signals A,B   lanes of the diagram besides the signals the scenario names\n"
    "  --json FILE            the verdict as JSON, for corvan-report and other tools\n"
    "  --no-checks            run a scenario without statements, for its traces\n"
    "  --explore              many lock-step runs with the operator's random actions\n"
    "  --runs N               explored runs (100)\n"
    "  --seed S               the seed of the random actions (from the clock, printed)\n"
    "  --jobs J               explored runs made side by side (one per core)\n"
    "  --minimal FILE         where the shrunk failing scenario goes (SCENARIO.fail.scn)\n";

namespace {

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
      if (a == "--help" || a == "-h") {
        o.help = true;
        return o;
      }
      if (a == "--lockstep")
        o.lockstep = true;
      else if (a == "--no-checks")
        o.no_checks = true;
      else if (a == "--explore")
        o.explore = true;
      else if (a == "--runs")
        o.runs = count(a, 1);
      else if (a == "--jobs")
        o.jobs = count(a, 1);
      else if (a == "--seed")
        o.seed = seed(a);
      else if (a == "--minimal")
        o.minimal_file = value(a);
      else if (a == "--scenario")
        o.scenario_file = value(a);
      else if (a == "--trace")
        o.trace_file = value(a);
      else if (a == "--csv")
        o.csv_file = value(a);
      else if (a == "--junit")
        o.junit_file = value(a);
      else if (a == "--screenshot")
        o.screenshot_file = value(a);
      else if (a == "--messages")
        o.messages_file = value(a);
      else if (a == "--report")
        o.report_file = value(a);
      else if (a == "--json")
        o.json_file = value(a);
      else if (a == "--report-signals")
        o.report_signals = signal_names(a);
      else if (a == "--duration")
        o.duration = seconds(a);
      else if (a == "--answer-timeout")
        o.answer_timeout_ms = milliseconds(a);
      else
        throw usage_error("unknown option " + a);
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

  micros seconds(const std::string& option) {
    std::string text = value(option);
    micros t;
    if (!parse_seconds(text, t))
      throw usage_error(option + ": bad number of seconds '" + text + "'");
    return t;
  }

  // A whole number from `least` to a million.
  int count(const std::string& option, int least) {
    std::string text = value(option);
    if (text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(text) < least)
      throw usage_error(option + ": bad number '" + text + "'");
    return std::stoi(text);
  }

  uint64_t seed(const std::string& option) {
    std::string text = value(option);
    if (text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
      throw usage_error(option + ": bad seed '" + text + "' (a whole number)");
    return std::stoull(text);
  }

  // Names of the signal table, separated by commas.
  std::vector<std::string> signal_names(const std::string& option) {
    const std::string text = value(option);
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

  int milliseconds(const std::string& option) {
    std::string text = value(option);
    if (text.empty() || text.size() > 7 ||
        text.find_first_not_of("0123456789") != std::string::npos || std::stoi(text) == 0)
      throw usage_error(option + ": bad number of milliseconds '" + text + "'");
    return std::stoi(text);
  }

  int argc;
  char** argv;
  int i = 1;
};

}  // namespace

run_options parse_options(int argc, char** argv) { return option_reader(argc, argv).read(); }
