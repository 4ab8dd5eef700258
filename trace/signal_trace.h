// The trace of a run of the line: inputs as the controller sees them and
// outputs as the simulator sees them (both after forcing and faults), and a
// scope "forced" with one 1-bit variable per signal, 1 while that signal is
// forced or under a fault (named "forced.<signal>" in the CSV).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "iolink/signals.h"
#include "trace/trace_writer.h"

class signal_trace {
 public:
  static constexpr int rows = input_signal_count + output_signal_count;
  using input_values = std::array<int, input_signal_count>;
  using output_values = std::array<int, output_signal_count>;

  explicit signal_trace(trace_writer& writer);

  void record(uint64_t time_us, uint32_t turn, const input_values& inputs,
              const output_values& outputs, const std::array<bool, rows>& held);
  // The first write that failed, "" while none did.
  const std::string& error() const { return writer.error(); }

 private:
  trace_writer& writer;
  std::array<int, rows> value_ids{};
  std::array<int, rows> held_ids{};
};
