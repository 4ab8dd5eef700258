#include "trace/signal_trace.h"

#include <string>

signal_trace::signal_trace(trace_writer& writer) : writer(writer) {
  for (int row = 0; row < rows; ++row)
    value_ids[row] = writer.add_variable(row < input_signal_count ? "inputs" : "outputs",
                                         table_signaux[row]);
  for (int row = 0; row < rows; ++row)
    held_ids[row] = writer.add_variable("forced", table_signaux[row], 1,
                                        std::string("forced.") + table_signaux[row]);
}

void signal_trace::record(uint64_t time_us, uint32_t turn, const input_values& inputs,
                          const output_values& outputs,
                          const std::array<bool, rows>& held) {
  for (int i = 0; i < input_signal_count; ++i) writer.set(value_ids[i], inputs[i] == 1);
  for (int i = 0; i < output_signal_count; ++i)
    writer.set(value_ids[input_signal_count + i], outputs[i] == 1);
  for (int row = 0; row < rows; ++row) writer.set(held_ids[row], held[row]);
  writer.sample(time_us, turn);
}
