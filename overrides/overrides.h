// Forcing and faults: what the controller and the simulator see of a signal,
// as a function of the signal, its real value and the time since the start
// of the run (simulated time in a lock-step run). Signals are rows of the
// signal table: 0-22 the inputs, 23-36 the outputs.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "iolink/signals.h"

constexpr int signal_count = input_signal_count + output_signal_count;

// The row of the signal table holding that name (case matters), -1 when none.
int signal_row(const std::string& name);

// A signal stuck at a value from from_us (included) to until_us (excluded),
// in microseconds since the start.
struct signal_fault {
  int row = 0;
  int value = 0;
  int64_t from_us = 0;
  int64_t until_us = std::numeric_limits<int64_t>::max();
};

class signal_overrides {
 public:
  signal_overrides() { forced_values.fill(free_value); }

  // Forcing is shown to the user and lasts until released.
  void force(int row, int value);
  void release(int row);
  void add_fault(const signal_fault& fault);

  // The value the other side sees at t_us. Forcing wins over a fault, as
  // forcing a PLC input wins over a broken sensor; among faults active at
  // once, the last one given wins.
  int apply(int row, int value, int64_t t_us) const;
  // Forced by the user (faults stay hidden).
  bool forced(int row) const;
  // -1 when the row is not forced.
  int forced_value(int row) const;
  // Forced or under an active fault: the value is not the real one.
  bool held(int row, int64_t t_us) const;

  template <std::size_t N>
  std::array<int, N> apply_all(const std::array<int, N>& values, int first_row, int64_t t_us) const {
    std::array<int, N> seen{};
    for (std::size_t i = 0; i < N; ++i) seen[i] = apply(first_row + int(i), values[i], t_us);
    return seen;
  }

 private:
  static constexpr int free_value = -1;
  // The active fault on the row at t_us, null when none.
  const signal_fault* active_fault(int row, int64_t t_us) const;

  std::array<int, signal_count> forced_values;
  std::vector<signal_fault> faults;
};
