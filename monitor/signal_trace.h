// The run's trace: inputs as the controller sees them and outputs as the
// simulator sees them (both after forcing and faults), and a scope "forced"
// with one 1-bit variable per signal, 1 while that signal is forced or under
// a fault (named "forced.<signal>" in the CSV).
#pragma once

#include <array>
#include <cstdint>

#include "monitor/inner_side.h"
#include "monitor/overrides.h"
#include "trace/trace_writer.h"

class signal_trace {
 public:
  explicit signal_trace(trace_writer& writer);

  void record(uint64_t time_us, uint32_t turn, const input_values& inputs,
              const output_values& outputs, const std::array<bool, signal_count>& held);

 private:
  trace_writer& writer;
  std::array<int, signal_count> value_ids{};
  std::array<int, signal_count> held_ids{};
};
