#include "grafcet/engine.h"

namespace grafcet {

engine::engine(const chart& m)
    : model(m),
      situation_(m.steps.size()),
      next(m.steps.size()),
      active_since(m.steps.size()),
      forced_by(m.grafcets.size(), -1),
      conditions(m.conditions),
      transition_fired(m.transitions.size()),
      cycling(m.steps.size()) {}

// Edges are seen in the first pass of a turn only: the search for a stable
// situation goes on with the same inputs, which no longer change.
bool engine::value(const conditions::condition& c) { return conditions.value(c, *this, first_pass); }

// Forcing orders come from the situation at the start of a pass.
void engine::find_forcing() {
  std::fill(forced_by.begin(), forced_by.end(), -1);
  for (size_t a = 0; a < model.actions.size(); ++a) {
    const action& act = model.actions[a];
    if (act.kind == action::forcing && situation_[act.step]) forced_by[act.forced_grafcet] = static_cast<int>(a);
  }
}

// Every fireable transition fires at once: first all upstream steps are
// cleared, then all downstream steps set, so a step both left and entered
// stays active.
bool engine::fire_enabled() {
  next = situation_;
  bool any = false;
  for (size_t t = 0; t < model.transitions.size(); ++t) {
    const transition& tr = model.transitions[t];
    bool enabled = forced_by[tr.grafcet] < 0;
    for (int s : tr.upstream) enabled = enabled && situation_[s];
    transition_fired[t] = enabled && value(tr.receptivity);
    any = any || transition_fired[t];
  }
  if (!any) return false;
  for (size_t t = 0; t < model.transitions.size(); ++t)
    if (transition_fired[t])
      for (int s : model.transitions[t].upstream) next[s] = 0;
  for (size_t t = 0; t < model.transitions.size(); ++t) {
    if (!transition_fired[t]) continue;
    for (int s : model.transitions[t].downstream) next[s] = 1;
    bool seen = false;
    for (int f : fired_) seen = seen || f == static_cast<int>(t);
    if (!seen) fired_.push_back(static_cast<int>(t));
  }
  return true;
}

// A forced grafcet takes exactly the forced situation, over any evolution.
bool engine::apply_forcing() {
  bool any = false;
  for (size_t g = 0; g < forced_by.size(); ++g) {
    if (forced_by[g] < 0) continue;
    any = true;
    const action& order = model.actions[forced_by[g]];
    for (int s : model.grafcets[g].steps) next[s] = 0;
    for (int s : order.forced_steps) next[s] = 1;
  }
  return any;
}

// Takes the next situation, runs the stored actions of the steps left and
// entered; false when nothing changed.
bool engine::commit(int pass) {
  bool changed = false;
  for (const action& a : model.actions) {
    if (a.kind == action::stored_on_exit && situation_[a.step] && !next[a.step]) stored[a.output] = a.value;
  }
  for (const action& a : model.actions) {
    if (a.kind == action::stored_on_entry && !situation_[a.step] && next[a.step]) stored[a.output] = a.value;
  }
  for (size_t s = 0; s < situation_.size(); ++s) {
    if (situation_[s] == next[s]) continue;
    changed = true;
    if (next[s]) active_since[s] = now;
    if (pass > max_passes / 2) cycling[s] = 1;
  }
  situation_.swap(next);
  return changed;
}

const evolution& engine::evolve(const input_values& in, int64_t now_ms) {
  inputs = &in;
  now = now_ms;
  last = evolution{};
  fired_.clear();
  if (!started) {
    started = true;
    std::fill(next.begin(), next.end(), 0);
    for (size_t s = 0; s < model.steps.size(); ++s) next[s] = model.steps[s].initial;
    commit(0);
  }
  conditions.start_turn(*this);
  first_pass = true;
  std::fill(cycling.begin(), cycling.end(), 0);
  int pass = 1;
  for (; pass <= max_passes; ++pass) {
    find_forcing();
    bool fired = fire_enabled();
    bool forcing = apply_forcing();
    first_pass = false;
    if (!(fired || forcing) || !commit(pass)) break;
    ++last.passes;
  }
  if (pass > max_passes) {
    last.unstable = true;
    for (size_t s = 0; s < cycling.size(); ++s)
      if (cycling[s]) last.cycling_steps.push_back(model.steps[s].number);
  }
  compute_outputs();
  return last;
}

// Levels from the active steps, stored values from their memory; an output
// driven by nothing is 0. Edges in conditions hold for the whole turn.
void engine::compute_outputs() {
  first_pass = true;
  outputs_.fill(false);
  for (int o = 0; o < output_signal_count; ++o) outputs_[o] = stored[o] != 0;
  for (const action& a : model.actions) {
    if (!situation_[a.step]) continue;
    if (a.kind == action::continuous || (a.kind == action::conditional && value(a.condition)))
      outputs_[a.output] = true;
  }
  first_pass = false;
}

}  // namespace grafcet
