// A run's report as data: the run, its statements and their
// counter-examples, its timing diagram and the window's pictures. The JSON
// file, the HTML page and the class summary are views of it. Pure: it knows
// signals by name, not the scenario language.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace report {

// Times are whole microseconds since the start of the run; a turn is 5 ms
// of simulated time.
using micros = int64_t;
constexpr micros turn_length = 5000;

// A signal's value from this turn on.
struct change {
  int turn = 0;
  int32_t value = 0;
  bool operator==(const change& o) const { return turn == o.turn && value == o.value; }
};

// One lane of the diagram: a signal as the list of its changes, the first at
// turn 0; and the turns its value was held by a fault, as changes of 0/1.
struct signal_lane {
  std::string name;
  std::vector<change> changes;
  std::vector<change> forced;
};

struct message_mark {
  int turn = 0;
  std::string text;
};

// A span of turns of the run, both ends included, with what the scenario
// wrote there: a fault ("fault MT = 0 for 0.5") or an operator's action.
struct marked_span {
  int from_turn = 0;
  int to_turn = 0;
  std::string text;
  std::string label;   // short, on the diagram: "INIT", "MT = 0"
  std::string signal;  // a fault's signal; "" for an action
  int line = 0;        // in the scenario; 0 for an action drawn by --explore
};

struct timeline {
  int turns = 0;  // turns 0 to turns - 1 were made
  std::vector<signal_lane> lanes;
  std::vector<message_mark> messages;
  std::vector<marked_span> faults;
  std::vector<marked_span> actions;
};

enum class status { passed, failed, open };

struct statement {
  int line = 0;
  std::string text;
  status result = status::passed;
  std::string observed;  // for a failed or open statement
  // The counter-example: the failing turn (-1: none, or found only at the
  // end), the signals the statement reads with their values there; for a
  // `within`, its trigger and deadline (-1: no trigger).
  int turn = -1;
  micros time = 0;
  std::vector<std::pair<std::string, int32_t>> values;
  int trigger_turn = -1;
  micros trigger_time = 0;
  micros deadline = 0;
};

struct picture {
  std::string caption;
  int turn = 0;
  std::string png;  // the file's bytes
};

struct counts {
  int passed = 0;
  int failed = 0;
  int open = 0;
};

struct run_report;

// --explore: how the failure was found, and the shrunk scenario's own run.
struct exploration {
  uint64_t seed = 0;
  int runs = 0;       // asked for
  int runs_made = 0;  // up to the first failure
  std::string minimal_file;
  std::string minimal_text;  // "" when no run failed
  std::string confirmation;  // what running the minimal scenario alone showed
  std::vector<run_report> minimal_run;  // its report, when it was made
};

struct run_report {
  std::string controller;  // the command line
  std::string scenario_file;
  std::string date;     // when the run started, ISO 8601
  std::string verdict;  // PASSED, FAILED, INTERRUPTED or ERROR
  std::string problem;  // the run's own failure or error, "" when none
  bool lockstep = false;
  int turns = 0;
  micros simulated = 0;  // the last turn's time
  double wall_seconds = 0;
  int late_answers = 0;
  std::vector<statement> statements;
  timeline diagram;
  std::vector<picture> pictures;
  std::vector<std::pair<std::string, std::string>> files;  // what (report, json, trace...), path
  std::vector<exploration> explored;  // one for --explore
};

counts count_statements(const std::vector<statement>& statements);
const char* status_word(status s);  // "pass", "fail", "open"
// "2.5", "60", "0.005": seconds as a scenario writes them.
std::string seconds_text(micros t);

}  // namespace report
