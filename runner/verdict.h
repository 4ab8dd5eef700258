// What a run showed, and the verdict on a scenario's expectations: the
// lines printed at the end and the JUnit file for CI servers. Pure.
#pragma once

#include "runner/scenario.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// A line the simulator printed, with the turn it was printed in.
struct logged_message {
  int turn;
  std::string text;
};

// The turn in which an expectation's time was reached, and the signal's
// value in that turn (signal expectations only).
struct reached_turn {
  int turn;
  micros time;
  int32_t value = 0;
};

struct run_record {
  std::vector<logged_message> messages;
  // One entry per expectation, in the scenario's order; empty when the run
  // ended before the expectation's time.
  std::vector<std::optional<reached_turn>> reached;
  int last_turn = 0;
  micros last_time = 0;
  int late_answers = 0;
};

struct check_result {
  const expectation* expected;
  bool passed;
  std::string observed;  // for a failure: what was seen instead, and when
};

std::vector<check_result> judge(const scenario& s, const run_record& record);
bool all_passed(const std::vector<check_result>& results);

// One PASS/FAIL line per expectation, then the summary line.
void print_verdict(std::ostream& out, const std::vector<check_result>& results);
// Only meaningful in lock-step, where the runner waits for answers.
void print_late_answers(std::ostream& out, int late_answers, int answer_timeout_ms);

// JUnit XML: one test case per expectation. The suite is named after the
// controller, so that the reports of many controllers checked with one
// scenario stay apart; the cases' class is the scenario file.
void write_junit(std::ostream& out, const std::string& controller, const std::string& scenario_file,
                 const std::vector<check_result>& results, double wall_seconds,
                 const std::string& system_out);

// Text made safe for an XML attribute or element.
std::string xml_escaped(const std::string& text);
