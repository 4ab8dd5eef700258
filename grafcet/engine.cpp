#include "grafcet/engine.h"

#include <algorithm>

namespace grafcet {

engine::engine(const chart& m)
    : model(m),
      situation_(m.steps.size()),
      next(m.steps.size()),
      active_since(m.steps.size()),
      forced_by(m.grafcets.size(), -1),
      conditions(m.conditions),
      transition_fired(m.transitions.size()),
      fired_this_turn(m.transitions.size()),
      cycling(m.steps.size()) {}

namespace {

bool same_steps(std::vector<int> a, std::vector<int> b) {
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

template <typename conflict>
void add_once(std::vector<conflict>& list, const conflict& c) {
  if (std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
}

}  // namespace

// Edges are seen in the first pass of a turn only: the search for a stable
// situation goes on with the same inputs, which no longer change.
bool engine::value(const conditions::condition& c) { return conditions.value(c, *this, first_pass); }

// Forcing orders come from the situation at the start of a pass: an order
// holds its grafcet from the pass after the one that enters its step, so the
// grafcet may still fire in that very clearing, and it is free again from
// the pass after the one that leaves the step. Of two orders on one grafcet
// the one written last applies; into different situations, they conflict.
void engine::find_forcing() {
  std::fill(forced_by.begin(), forced_by.end(), -1);
  for (size_t a = 0; a < model.actions.size(); ++a) {
    const action& act = model.actions[a];
    if (act.kind != action::forcing || !situation_[act.step]) continue;
    int& order = forced_by[act.forced_grafcet];
    if (order >= 0 && !same_steps(model.actions[order].forced_steps, act.forced_steps))
      note(forcing_conflict{order, static_cast<int>(a)});
    order = static_cast<int>(a);
  }
}

void engine::note(const forcing_conflict& c) { add_once(last.forcing_conflicts, c); }
void engine::note(const stored_conflict& c) { add_once(last.stored_conflicts, c); }

// Every fireable transition fires at once: first all upstream steps are
// cleared, then all downstream steps set, so a step both left and entered
// stays active.
void engine::fire_enabled() {
  next = situation_;
  bool any = false;
  for (size_t t = 0; t < model.transitions.size(); ++t) {
    const transition& tr = model.transitions[t];
    bool enabled = forced_by[tr.grafcet] < 0;
    for (int s : tr.upstream) enabled = enabled && situation_[s];
    transition_fired[t] = enabled && value(tr.receptivity);
    any = any || transition_fired[t];
  }
  if (!any) return;
  for (size_t t = 0; t < model.transitions.size(); ++t)
    if (transition_fired[t])
      for (int s : model.transitions[t].upstream) next[s] = 0;
  for (size_t t = 0; t < model.transitions.size(); ++t)
    if (transition_fired[t])
      for (int s : model.transitions[t].downstream) next[s] = 1;
}

// A forced grafcet takes exactly the forced situation, over any evolution.
void engine::apply_forcing() {
  for (size_t g = 0; g < forced_by.size(); ++g) {
    if (forced_by[g] < 0) continue;
    const action& order = model.actions[forced_by[g]];
    for (int s : model.grafcets[g].steps) next[s] = 0;
    for (int s : order.forced_steps) next[s] = 1;
  }
}

void engine::record_fired() {
  for (size_t t = 0; t < model.transitions.size(); ++t) {
    if (!transition_fired[t] || fired_this_turn[t]) continue;
    fired_this_turn[t] = 1;
    fired_.push_back(static_cast<int>(t));
  }
}

// Takes the next situation, runs the stored actions of the steps left and
// entered.
void engine::commit(int pass) {
  run_stored(action::stored_on_exit);
  run_stored(action::stored_on_entry);
  for (size_t s = 0; s < situation_.size(); ++s) {
    if (situation_[s] == next[s]) continue;
    if (next[s]) active_since[s] = now;
    if (pass > max_passes / 2) cycling[s] = 1;
  }
  situation_.swap(next);
}

// A clearing leaves steps, then enters steps: the actions on exit run
// before those on entry, so an entry overrides an exit. Within one of the
// two moments nothing orders the actions, and 1 and 0 written to one output
// conflict: 0 applies, whatever the order they are written in.
void engine::run_stored(action::kind_t moment) {
  std::array<int, output_signal_count> writer;
  writer.fill(-1);
  const bool entering = moment == action::stored_on_entry;
  for (size_t a = 0; a < model.actions.size(); ++a) {
    const action& act = model.actions[a];
    if (act.kind != moment) continue;
    const bool was = situation_[act.step], will = next[act.step];
    if (entering ? (was || !will) : (!was || will)) continue;
    int& before = writer[act.output];
    int here = static_cast<int>(a);
    if (before >= 0 && model.actions[before].value != act.value)
      note(act.value ? stored_conflict{here, before} : stored_conflict{before, here});
    if (before >= 0 && act.value != 0) continue;
    before = here;
    stored[act.output] = act.value;
  }
}

// Pass after pass until one would change nothing. The pass after
// max_passes changing ones is computed only to tell a chart that settles
// there from one that goes on; an unstable chart keeps the situation of its
// last pass, and its outputs are not recomputed.
const evolution& engine::evolve(const input_values& in, int64_t now_ms) {
  inputs = &in;
  now = now_ms;
  last = evolution{};
  fired_.clear();
  std::fill(fired_this_turn.begin(), fired_this_turn.end(), 0);
  if (!started) {
    started = true;
    std::fill(next.begin(), next.end(), 0);
    for (size_t s = 0; s < model.steps.size(); ++s) next[s] = model.steps[s].initial;
    commit(0);
  }
  conditions.start_turn(*this);
  first_pass = true;
  std::fill(cycling.begin(), cycling.end(), 0);
  for (int pass = 1;; ++pass) {
    find_forcing();
    fire_enabled();
    apply_forcing();
    first_pass = false;
    bool stable = next == situation_;
    if (!stable && pass > max_passes) {
      note_unstable();
      return last;
    }
    record_fired();
    if (stable) break;
    commit(pass);
    ++last.passes;
  }
  compute_outputs();
  return last;
}

void engine::note_unstable() {
  last.unstable = true;
  for (size_t s = 0; s < cycling.size(); ++s)
    if (cycling[s]) last.cycling_steps.push_back(model.steps[s].number);
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
