// The monitor's exchange: every simulator turn's inputs go inward through
// forcing and faults, and what the inner side asks for goes outward through
// them, as soon as it is asked for and at least once a turn. The window
// only reads snapshots and changes the forcing, both under a short lock.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

#include "iolink/IOsharemem_client.h"
#include "monitor/inner_side.h"
#include "overrides/overrides.h"
#include "overrides/simulated_clock.h"
#include "trace/signal_trace.h"
#include "monitor/turn_meter.h"

struct monitor_snapshot {
  input_values inputs_seen{};     // as the controller sees them
  output_values outputs_sent{};   // as the simulator sees them
  std::array<int, signal_count> forced_values{};  // -1 when free
  int32_t turn = 0;
  int per_second = 0;
  uint64_t missed = 0;
  bool inner_ended = false;
};

class monitor_proxy {
 public:
  // trace may be null. The clock of faults and traces starts here, or in a
  // lock-step run is the simulator's turn counter (5 ms a turn).
  monitor_proxy(IOsharemem_client& outer, inner_side& inner, const signal_overrides& overrides,
                signal_trace* trace);

  // Serves turns until the simulator ends the exchange or stop is set:
  // inward in the calling thread, outward in a thread of its own that
  // waits for the inner side's answers.
  void run(const std::atomic<bool>& stop);

  monitor_snapshot snapshot() const;
  // -1 releases. A forced or released output goes out at once, so that the
  // simulator takes it, and the trace records it, in the turn its forcing
  // is recorded.
  void force(int row, int value);
  uint64_t turns_seen() const;
  uint64_t turns_missed() const;

  // The niceness both directions ask for (where allowed).
  static constexpr int exchange_nice = -10;

 private:
  // The outward direction looks at the inner side's outputs at least this
  // often, for outputs written without a refresh.
  static constexpr int slice_us = 1000;
  // A wait for a turn longer than this means a paused or ended simulator.
  static constexpr int quiet_us = 200000;

  // The simulator's turns, inward, until the exchange ends or stop is set.
  void carry_inward(const std::atomic<bool>& stop);
  void serve_turn();
  void forward_outputs();
  // Called with both locks held: what the simulator is to see of the
  // outputs asked, after forcing and faults, also kept in the snapshot.
  output_values settle_outputs();
  // Called with outward_lock held.
  void write_outward(const output_values& sent);
  input_values read_inputs();
  // The time of faults and traces: of this turn (inward), of the latest
  // turn served (outward).
  int64_t turn_time_us();
  int64_t outward_time_us() const;
  uint64_t microseconds() const;

  IOsharemem_client& outer;
  inner_side& inner;
  signal_trace* trace;
  const std::chrono::steady_clock::time_point start;

  // Guards what goes outward (asked, written), taken before state_lock by
  // the outward thread and by a forcing.
  std::mutex outward_lock;
  mutable std::mutex state_lock;  // guards overrides and state
  signal_overrides overrides;
  monitor_snapshot state;
  turn_meter meter;
  simulated_clock lockstep_clock;
  std::atomic<int64_t> last_turn_time_us{0};
  bool told_inner_ended = false;
  std::atomic<bool> turn_unanswered{false};  // published inward, not yet counted outward
  output_values asked{};  // by the inner side, last time it was looked at
  output_values written{};
  bool written_once = false;
};
