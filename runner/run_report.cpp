#include "runner/run_report.h"

#include "iolink/signals.h"
#include "overrides/overrides.h"
#include "report/html.h"
#include "report/json.h"
#include "runner/utf8.h"

#include <algorithm>
#include <ctime>
#include <set>

namespace {

// The first turn at or after the time.
int turn_at(micros t) { return int((t + turn_length - 1) / turn_length); }

void add_condition(const scenario& s, const conditions::condition& c, std::set<int>& rows) {
  if (c.root < 0) return;
  for (int row : conditions::signals_read(s.conditions, c)) rows.insert(row);
}

report::status status_of(check_status s) {
  switch (s) {
    case check_status::passed: return report::status::passed;
    case check_status::failed: return report::status::failed;
    case check_status::open: return report::status::open;
  }
  return report::status::failed;
}

// Faults shaded over their signal; the operator's actions on their lane.
// Both end within the run.
void add_actions(const scenario& s, int last_turn, report::timeline& t) {
  for (const action& a : s.actions) {
    report::marked_span span;
    span.from_turn = turn_at(a.at);
    if (span.from_turn > last_turn) continue;
    const bool lasts = a.kind == action::press || a.kind == action::fault;
    span.to_turn = !lasts ? span.from_turn
                   : a.duration == forever ? last_turn
                                           : std::min(last_turn, std::max(span.from_turn, turn_at(a.at + a.duration) - 1));
    span.text = format_action(a);
    span.line = a.line;
    if (a.kind == action::fault) {
      span.signal = table_signaux[a.signal];
      span.label = span.signal + " = " + std::to_string(a.value);
      t.faults.push_back(span);
    } else {
      span.label = button_label(a.button);
      t.actions.push_back(span);
    }
  }
}

report::timeline timeline_of(const scenario& s, const run_outcome& o, const run_options& options) {
  report::timeline t;
  t.turns = o.last_turn + 1;
  for (int row : report_lanes(s, options.report_signals))
    if (size_t(row) < o.signals.size()) t.lanes.push_back(o.signals[size_t(row)]);
  t.messages.reserve(o.messages.size());
  for (const logged_message& m : o.messages) t.messages.push_back({m.turn, valid_utf8(m.text)});
  add_actions(s, o.last_turn, t);
  return t;
}

}  // namespace

std::vector<int> report_lanes(const scenario& s, const std::vector<std::string>& extra) {
  std::set<int> rows;
  for (const expectation& e : s.expectations) {
    if (e.kind == expectation::signal_value) rows.insert(e.signal);
    add_condition(s, e.cond, rows);
    add_condition(s, e.target.cond, rows);
    add_condition(s, e.trigger.cond, rows);
  }
  for (const action& a : s.actions)
    if (a.kind == action::fault) rows.insert(a.signal);
  for (const std::string& name : extra)
    if (signal_row(name) >= 0) rows.insert(signal_row(name));
  return std::vector<int>(rows.begin(), rows.end());
}

report::statement report_statement(const check_result& c) {
  report::statement s;
  s.line = c.expected->line;
  s.text = valid_utf8(c.expected->text);
  s.result = status_of(c.status);
  if (c.status == check_status::passed) return s;
  s.observed = valid_utf8(c.observed);
  const counter_example& x = c.example;
  s.turn = x.turn;
  s.time = x.time;
  for (const auto& [row, value] : x.values) s.values.emplace_back(table_signaux[row], value);
  s.trigger_turn = x.trigger_turn;
  s.trigger_time = x.trigger_time;
  s.deadline = x.deadline;
  return s;
}

report::run_report build_run_report(const scenario& s, const run_outcome& o, const run_options& options,
                                    const std::string& controller, const std::string& date) {
  report::run_report r;
  r.controller = valid_utf8(controller);
  r.scenario_file = options.scenario_file;
  r.date = date;
  r.verdict = verdict_word(o.results, o.problem);
  r.problem = valid_utf8(o.problem.text);
  r.lockstep = options.lockstep;
  r.turns = o.last_turn + 1;
  r.simulated = o.last_time;
  r.wall_seconds = o.timing.whole_seconds;
  r.late_answers = o.late_answers;
  for (const check_result& c : o.results) r.statements.push_back(report_statement(c));
  r.diagram = timeline_of(s, o, options);
  r.pictures = o.pictures;
  r.files = report_files(options);
  return r;
}

std::vector<std::pair<std::string, std::string>> report_files(const run_options& o) {
  const std::vector<std::pair<std::string, std::string>> all = {
      {"report", o.report_file}, {"json", o.json_file},         {"junit", o.junit_file},
      {"trace", o.trace_file},   {"csv", o.csv_file},           {"screenshot", o.screenshot_file},
      {"messages", o.messages_file}};
  std::vector<std::pair<std::string, std::string>> given;
  for (const auto& f : all)
    if (!f.second.empty()) given.push_back(f);
  return given;
}

std::string report_date() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  return text;
}

std::string write_report_files(const report::run_report& r, const run_options& options) {
  std::string error;
  if (!options.report_file.empty()) error = report::write_html_file(options.report_file, r);
  if (!options.json_file.empty() && error.empty()) error = report::write_json_file(options.json_file, r, false);
  return error;
}
