// Runs a chart turn by turn: from the inputs of a turn and the time, the
// transitions fire until the situation is stable, then the outputs follow
// from the stable situation. A chart that does not settle is kept where the
// last pass left it, and its outputs stay those of the last stable
// situation until it settles again.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "conditions/evaluator.h"
#include "grafcet/chart.h"
#include "iolink/signals.h"

namespace grafcet {

using input_values = std::array<bool, input_signal_count>;
using output_values = std::array<bool, output_signal_count>;

// Two forcing orders on one grafcet in force at once, into different
// situations (action indices); the one written last applies.
struct forcing_conflict {
  int overridden;
  int applied;
  bool operator==(const forcing_conflict& o) const { return overridden == o.overridden && applied == o.applied; }
};

// Two stored actions of one moment of a clearing (both on entry, or both on
// exit) writing 1 and 0 to one output (action indices); 0 applies.
struct stored_conflict {
  int set;
  int reset;
  bool operator==(const stored_conflict& o) const { return set == o.set && reset == o.reset; }
};

// What one turn did.
struct evolution {
  int passes = 0;                 // passes that changed the situation
  bool unstable = false;          // max_passes changed it and the next would too
  std::vector<int> cycling_steps; // step numbers that kept changing (unstable only)
  std::vector<forcing_conflict> forcing_conflicts;  // each once, in any pass of the turn
  std::vector<stored_conflict> stored_conflicts;    // each once, in any pass of the turn
};

class engine : private conditions::leaf_values {
 public:
  // A chart that still changes after this many passes that changed it is
  // unstable; one that settles in exactly this many is not.
  static constexpr int max_passes = 100;

  // The chart must outlive the engine. The initial situation is taken at
  // the first turn.
  explicit engine(const chart& model);

  // One turn; now_ms is the time of the turn, in milliseconds on any clock
  // that does not go back.
  const evolution& evolve(const input_values& inputs, int64_t now_ms);

  bool active(int step) const { return situation_[step] != 0; }
  const std::vector<char>& situation() const { return situation_; }
  // Transitions that fired during the last turn, by index, once each.
  const std::vector<int>& fired() const { return fired_; }
  // Those of the last stable situation; all 0 before the chart was ever stable.
  const output_values& outputs() const { return outputs_; }

 private:
  // The leaves of the chart's conditions: inputs, steps and their timers.
  bool signal(int row) const override { return (*inputs)[row]; }
  bool step_active(int step) const override { return situation_[step] != 0; }
  bool timer_done(int step, int64_t duration_ms) const override {
    return situation_[step] && now - active_since[step] >= duration_ms;
  }
  bool value(const conditions::condition& c);
  void find_forcing();
  void note(const forcing_conflict& c);
  void note(const stored_conflict& c);
  void fire_enabled();
  void apply_forcing();
  void record_fired();
  void commit(int pass);
  void run_stored(action::kind_t moment);
  void note_unstable();
  void compute_outputs();

  const chart& model;
  std::vector<char> situation_, next;
  std::vector<int64_t> active_since;  // ms, for t(Xn, D)
  std::vector<int> forced_by;         // by grafcet: forcing action, -1 when free
  conditions::evaluator conditions;
  std::vector<char> transition_fired;  // in the current pass
  std::vector<char> fired_this_turn;
  std::vector<char> cycling;
  std::vector<int> fired_;
  std::array<int, output_signal_count> stored{};
  output_values outputs_{};
  evolution last;
  const input_values* inputs = nullptr;
  int64_t now = 0;
  bool first_pass = false;
  bool started = false;
};

}  // namespace grafcet
