// The chart as the line's controller: every received turn, the inputs go
// into the engine, and all the outputs come back out, refreshed once.
#pragma once

#include <chrono>
#include <cstdint>

#include "grafcet/engine.h"
#include "grafcet/run_report.h"

class IOsharemem_client;

namespace grafcet {

class chart_trace;
class snapshot_box;

// Time for t(Xn, D): in a lock-step run the turn counter times 5 ms, so
// that a run gives the same result whatever the machine's speed; the
// steady clock otherwise.
class chart_clock {
 public:
  static constexpr int64_t turn_ms = 5;
  explicit chart_clock(bool lockstep);
  // True when CORVAN_LOCKSTEP=1 is in the environment.
  static bool lockstep_from_environment();
  // Called once per received turn with the simulator's turn counter.
  int64_t now_ms(int32_t turn);

 private:
  bool lockstep;
  std::chrono::steady_clock::time_point start;
  int32_t last_turn = 0;
  int64_t turns = 0;  // counted on past the counter's wrap
};

input_values read_inputs(IOsharemem_client& link);
void write_outputs(IOsharemem_client& link, const output_values& outputs);

class chart_controller {
 public:
  // trace and view may be null.
  chart_controller(const chart& model, chart_clock clock, chart_trace* trace, snapshot_box* view);

  // Until the simulator ends the exchange.
  void run(IOsharemem_client& link);

 private:
  void turn(IOsharemem_client& link);

  engine machine;
  chart_clock clock;
  chart_trace* trace;
  snapshot_box* view;
  run_report reports;
};

}  // namespace grafcet
