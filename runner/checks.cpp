#include "runner/checks.h"

#include <algorithm>

namespace {

std::string value_list(const std::vector<std::pair<int, int32_t>>& values) {
  std::string text;
  for (const auto& [row, value] : values)
    text += std::string(text.empty() ? "" : " ") + table_signaux[row] + "=" + std::to_string(value);
  return text;
}

std::string not_reached(int turn, micros time) {
  return "not reached: the run ended at " + turn_and_time(turn, time);
}

}  // namespace

property_checker::property_checker(const scenario& s)
    : script(s), evaluator(s.conditions), states(s.expectations.size()) {
  for (size_t i = 0; i < states.size(); ++i) states[i].result.expected = &s.expectations[i];
}

void property_checker::observe(const turn_view& t) {
  current = &t;
  // Edges follow their operands in every turn, asked or not.
  evaluator.start_turn(*this);
  for (size_t i = 0; i < states.size(); ++i) observe_one(script.expectations[i], states[i]);
  first_turn = false;
  last_turn = t.turn;
  last_time = t.time;
  current = nullptr;
}

void property_checker::observe_one(const expectation& e, progress& p) {
  switch (e.kind) {
    case expectation::message_count: observe_count(e, p); break;
    case expectation::message_never: observe_never(e, p); break;
    case expectation::signal_value:
      if (p.reached || current->time < e.at) break;
      p.reached = true;
      p.result.example.turn = current->turn;
      p.result.example.time = current->time;
      p.result.example.values = {{e.signal, current->signals[e.signal]}};
      if (current->signals[e.signal] != e.value)
        fail(p, "observed " + std::to_string(current->signals[e.signal]) + " in " +
                    turn_and_time(current->turn, current->time));
      break;
    case expectation::always: observe_always(e, p); break;
    case expectation::within: observe_within(e, p); break;
    case expectation::outcome: observe_outcome(e, p); break;
  }
}

// Messages up to and including the first turn at or after the time count.
void property_checker::observe_count(const expectation& e, progress& p) {
  if (p.reached) return;
  for (const std::string& m : *current->messages)
    if (m == e.message && ++p.count == e.count + 1) p.extra_turn = current->turn;
  if (current->time < e.at) return;
  p.reached = true;
  p.result.example.turn = current->turn;
  p.result.example.time = current->time;
  if (p.count == e.count) return;
  std::string observed = "observed " + std::to_string(p.count) + " by " +
                         turn_and_time(current->turn, current->time);
  if (p.extra_turn >= 0) observed += ", one too many in turn " + std::to_string(p.extra_turn);
  fail(p, observed);
}

void property_checker::observe_never(const expectation& e, progress& p) {
  for (const std::string& m : *current->messages) {
    if (m != e.message) continue;
    if (p.count++ == 0) {
      p.result.example.turn = current->turn;
      p.result.example.time = current->time;
      fail(p, "");
    }
  }
}

void property_checker::observe_always(const expectation& e, progress& p) {
  const bool holds = evaluator.value(e.cond, *this) != e.negated;
  if (current->time < e.from || current->time > e.to) return;
  p.reached = true;
  if (holds || p.result.status == check_status::failed) return;
  p.result.example.turn = current->turn;
  p.result.example.time = current->time;
  p.result.example.values = values_read(e.cond);
  fail(p, std::string(e.negated ? "true" : "false") + " in " +
              turn_and_time(current->turn, current->time) + ": " +
              value_list(p.result.example.values));
}

// A trigger waits for its target until its deadline, both ends included; a
// target met clears every trigger waiting, so only the oldest one matters.
void property_checker::observe_within(const expectation& e, progress& p) {
  const bool trigger_now = happened(e.trigger, p.trigger_before);
  const bool target_met = e.target.is_message() ? printed(e.target.message)
                                                : evaluator.value(e.target.cond, *this);
  if (p.result.status == check_status::failed) return;
  counter_example& x = p.result.example;
  if (p.pending && current->time > x.deadline) {
    x.turn = current->turn;
    x.time = current->time;
    fail(p, "triggered in " + turn_and_time(x.trigger_turn, x.trigger_time) +
                ", not met by its deadline (" + format_seconds(x.deadline) + " s)");
    return;
  }
  if (trigger_now && !p.pending) {
    p.pending = true;
    x.trigger_turn = current->turn;
    x.trigger_time = current->time;
    x.deadline = current->time + e.deadline_after;
  }
  if (target_met) p.pending = false;
}

// A condition happens when it becomes true (never at the first turn, where
// nothing has changed); a message, in the turn it is printed.
bool property_checker::happened(const happening& h, bool& before) {
  if (h.is_message()) return printed(h.message);
  const bool now = evaluator.value(h.cond, *this);
  const bool rose = now && !before && !first_turn;
  before = now;
  return rose;
}

bool property_checker::printed(const std::string& message) const {
  const auto& m = *current->messages;
  return std::find(m.begin(), m.end(), message) != m.end();
}

void property_checker::observe_outcome(const expectation& e, progress& p) {
  if (current->time < e.from || current->time > e.to) return;
  p.reached = true;
  if (p.result.status == check_status::failed) return;
  for (const line_event& event : *current->events) {
    const bool broken = (event.kind == line_event::workpiece_left && (e.outcomes & outcome_glued) &&
                         !(event.bead && event.lid)) ||
                        (event.kind == line_event::lid_let_go && (e.outcomes & outcome_lids) &&
                         !event.glued) ||
                        (event.kind == line_event::jacks_both_ways && (e.outcomes & outcome_jacks));
    if (!broken) continue;
    p.result.example.turn = current->turn;
    p.result.example.time = current->time;
    fail(p, describe(event) + " in " + turn_and_time(current->turn, current->time));
    return;
  }
}

std::string property_checker::describe(const line_event& event) const {
  switch (event.kind) {
    case line_event::workpiece_left:
      if (!event.bead) return "a workpiece left the line without its glue bead";
      return "a workpiece left the line without its lid";
    case line_event::lid_let_go:
      return "a lid was let go at x " + std::to_string(event.x) + ", y " + std::to_string(event.y) +
             ", not onto a workpiece with a bead";
    case line_event::jacks_both_ways:
      return std::string(table_signaux[input_signal_count + event.output_one]) + " and " +
             table_signaux[input_signal_count + event.output_other] + " on together";
  }
  return "";
}

void property_checker::fail(progress& p, const std::string& observed) {
  p.result.status = check_status::failed;
  p.result.observed = observed;
  ++failures;
}

std::vector<std::pair<int, int32_t>> property_checker::values_read(
    const conditions::condition& c) const {
  std::vector<std::pair<int, int32_t>> values;
  for (int row : conditions::signals_read(script.conditions, c))
    values.emplace_back(row, current->signals[row]);
  return values;
}

std::vector<check_result> property_checker::results() const {
  std::vector<check_result> results;
  for (const progress& p : states) {
    check_result r = p.result;
    const expectation& e = *r.expected;
    if (e.kind == expectation::message_never && p.count > 0) {
      r.observed = (p.count == 1 ? std::string("observed once")
                                 : "observed " + std::to_string(p.count) + " times") +
                   ", first in turn " + std::to_string(r.example.turn);
    } else if (e.kind == expectation::within) {
      if (r.status == check_status::passed && p.pending) judge_waiting_trigger(r);
    } else if (e.kind != expectation::message_never && !p.reached) {
      r.status = check_status::failed;
      r.observed = not_reached(last_turn, last_time);
    }
    results.push_back(r);
  }
  return results;
}

// The run ended while a trigger waited: failed if its deadline was seen
// (the target was not met there), open otherwise.
void property_checker::judge_waiting_trigger(check_result& r) const {
  const counter_example& x = r.example;
  const std::string triggered = "triggered in " + turn_and_time(x.trigger_turn, x.trigger_time);
  const std::string deadline = "(" + format_seconds(x.deadline) + " s)";
  if (last_time >= x.deadline) {
    r.status = check_status::failed;
    r.observed = triggered + ", not met by its deadline " + deadline;
  } else {
    r.status = check_status::open;
    r.observed = triggered + "; the run ended at " + turn_and_time(last_turn, last_time) +
                 ", before the deadline " + deadline;
  }
}
