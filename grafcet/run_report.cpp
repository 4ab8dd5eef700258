#include "grafcet/run_report.h"

#include "iolink/signals.h"

namespace grafcet {

run_report::run_report(const chart& m) : model(m) {}

std::vector<std::string> run_report::after(const evolution& e) {
  std::vector<std::string> lines;
  unstable(e, lines);
  for (const forcing_conflict& c : e.forcing_conflicts) forcing(c, lines);
  for (const stored_conflict& c : e.stored_conflicts) stored(c, lines);
  return lines;
}

// An unstable chart is reported at the first turn it goes round; while it
// stays so its outputs are held, so the turn it settles is reported too, and
// a later episode is reported again.
void run_report::unstable(const evolution& e, std::vector<std::string>& lines) {
  if (e.unstable && unstable_turns == 0) {
    std::string line = "unstable chart after " + std::to_string(engine::max_passes) + " passes, steps going round:";
    for (int n : e.cycling_steps) line += " " + std::to_string(n);
    lines.push_back(line);
  }
  if (!e.unstable && unstable_turns > 0)
    lines.push_back("chart stable again after " + std::to_string(unstable_turns) + " unstable turn" +
                    (unstable_turns > 1 ? "s" : "") + ", outputs follow it again");
  unstable_turns = e.unstable ? unstable_turns + 1 : 0;
}

std::string run_report::step_name(int action) const {
  return "step " + std::to_string(model.steps[model.actions[action].step].number);
}

// As written in the order: {11, 10}.
std::string run_report::forced_situation(int action) const {
  std::string text;
  for (int s : model.actions[action].forced_steps)
    text += (text.empty() ? "" : ", ") + std::to_string(model.steps[s].number);
  return "{" + text + "}";
}

// A conflict is a mistake in the chart: once per pair of orders is enough.
void run_report::forcing(const forcing_conflict& c, std::vector<std::string>& lines) {
  if (!forcing_told.insert({c.overridden, c.applied}).second) return;
  const action& order = model.actions[c.applied];
  lines.push_back("grafcet '" + model.grafcets[order.forced_grafcet].name + "' is forced by " +
                  step_name(c.overridden) + " " + forced_situation(c.overridden) + " and " + step_name(c.applied) +
                  " " + forced_situation(c.applied) + " at once: the order written last, " + step_name(c.applied) +
                  "'s, applies");
}

void run_report::stored(const stored_conflict& c, std::vector<std::string>& lines) {
  if (!stored_told.insert({c.set, c.reset}).second) return;
  const action& set = model.actions[c.set];
  lines.push_back(std::string(table_signaux[input_signal_count + set.output]) + " is set to 1 by " + step_name(c.set) +
                  " and to 0 by " + step_name(c.reset) +
                  (set.kind == action::stored_on_entry ? " on entry" : " on exit") + " in one clearing: 0 applies");
}

}  // namespace grafcet
