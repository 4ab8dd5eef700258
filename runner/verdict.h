// The verdict on a scenario's statements: the lines printed at the end and
// the JUnit file for CI servers. Pure.
#pragma once

#include "runner/scenario.h"

#include <ostream>
#include <string>
#include <utility>
#include <vector>

// A line the simulator printed, with the turn it was printed in.
struct logged_message {
  int turn;
  std::string text;
};

// Open: a `within` triggered too close to the run's end for its time to
// pass; neither pass nor fail.
enum class check_status { passed, failed, open };

// Where a statement broke: the first failing turn, the signals its condition
// reads with their values there; for a `within`, its trigger and deadline.
struct counter_example {
  int turn = -1;
  micros time = 0;
  std::vector<std::pair<int, int32_t>> values;  // row of the signal table, value
  int trigger_turn = -1;
  micros trigger_time = 0;
  micros deadline = 0;
};

struct check_result {
  const expectation* expected = nullptr;
  check_status status = check_status::passed;
  std::string observed;  // for a failure or an open statement: what was seen, and when
  counter_example example;
};

// A run that went wrong as a whole. A failure is a verdict on the
// controller (it ended during the run); an error or an interruption is not
// (the run could not be made or recorded, or was cut short).
struct run_problem {
  enum kind_t { none, failure, error, interrupted } kind = none;
  std::string text;
};

struct verdict_counts {
  int passed = 0;
  int failed = 0;
  int open = 0;
};

verdict_counts count_results(const std::vector<check_result>& results);
// No statement failed and the run itself went right.
bool run_passed(const std::vector<check_result>& results, const run_problem& problem);
// PASSED, FAILED, INTERRUPTED, or ERROR for a run that could not be made.
const char* verdict_word(const std::vector<check_result>& results, const run_problem& problem);

// One PASS, FAIL or OPEN line per statement, the run's own problem if any,
// then the summary line.
void print_verdict(std::ostream& out, const std::vector<check_result>& results,
                   const run_problem& problem = {});
// Only meaningful in lock-step, where the runner waits for answers.
void print_late_answers(std::ostream& out, int late_answers, int answer_timeout_ms);

// JUnit XML: one test case per statement (an open one is skipped with its
// reason), and one for the run itself when it went wrong. The suite is named
// after the controller, so that the reports of many controllers checked with
// one scenario stay apart; the cases' class is the scenario file.
void write_junit(std::ostream& out, const std::string& controller, const std::string& scenario_file,
                 const std::vector<check_result>& results, const run_problem& problem,
                 double wall_seconds, const std::string& system_out);

// Text made safe for an XML attribute or element, and valid UTF-8.
std::string xml_escaped(const std::string& text);
// "turn 12 (0.06 s)"
std::string turn_and_time(int turn, micros time);
