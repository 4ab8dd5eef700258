// The scenario's statements checked turn by turn, on what each turn showed:
// the signals, the simulator's messages and the line's own outcomes. Pure:
// a test feeds it turns by hand.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "conditions/evaluator.h"
#include "iolink/signals.h"
#include "runner/scenario.h"
#include "runner/verdict.h"

// An outcome of the line in a turn, as the line reported it.
struct line_event {
  enum kind_t { workpiece_left, lid_let_go, jacks_both_ways } kind;
  bool bead = false;  // workpiece_left
  bool lid = false;   // workpiece_left
  int x = 0;          // lid_let_go: where the lid is let go
  int y = 0;
  bool glued = false;     // lid_let_go: onto a workpiece with a bead
  int output_one = -1;    // jacks_both_ways: output indices
  int output_other = -1;
};

using signal_values = std::array<int32_t, input_signal_count + output_signal_count>;

// One turn as the statements see it: the inputs as published (after
// faults), the outputs as the line obeyed them (after faults).
struct turn_view {
  int turn = 0;
  micros time = 0;
  signal_values signals{};
  const std::vector<std::string>* messages = nullptr;  // printed in this turn
  const std::vector<line_event>* events = nullptr;     // the line's outcomes in this turn
};

class property_checker : private conditions::leaf_values {
 public:
  // The scenario must outlive the checker.
  explicit property_checker(const scenario& s);

  void observe(const turn_view& t);
  // The verdict on every statement, the run having ended with the last
  // turn observed.
  std::vector<check_result> results() const;
  // True once a statement has failed (the runner takes its picture then).
  bool any_failed() const { return failures > 0; }

 private:
  struct progress {
    bool reached = false;     // a turn at or after the statement's time, or in its span
    int count = 0;            // messages counted
    int extra_turn = -1;      // message_count: the first message too many
    bool trigger_before = false;  // within: the trigger's value in the turn before
    bool pending = false;         // within: a trigger waits for its target
    check_result result;
  };

  bool signal(int row) const override { return current->signals[row] == 1; }
  void observe_one(const expectation& e, progress& p);
  void observe_count(const expectation& e, progress& p);
  void observe_never(const expectation& e, progress& p);
  void observe_always(const expectation& e, progress& p);
  void observe_within(const expectation& e, progress& p);
  void observe_outcome(const expectation& e, progress& p);
  bool happened(const happening& h, bool& before);
  void judge_waiting_trigger(check_result& r) const;
  bool printed(const std::string& message) const;
  void fail(progress& p, const std::string& observed);
  std::vector<std::pair<int, int32_t>> values_read(const conditions::condition& c) const;
  std::string describe(const line_event& event) const;

  const scenario& script;
  conditions::evaluator evaluator;
  std::vector<progress> states;
  const turn_view* current = nullptr;
  bool first_turn = true;
  int last_turn = 0;
  micros last_time = 0;
  int failures = 0;
};
