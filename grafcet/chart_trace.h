// The wave trace of a chart run: the step variables X<n>, one scope per
// partial grafcet, and every input and output of the exchange.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "grafcet/engine.h"
#include "trace/trace_writer.h"

namespace grafcet {

class chart_trace {
 public:
  // Throws std::runtime_error naming the file when it cannot be written.
  chart_trace(const chart& model, const std::string& vcd_path);

  void record(const engine& machine, const input_values& inputs, int64_t now_ms, int32_t turn);
  void flush() { writer.flush(); }
  // The first write that failed, "" while none did.
  const std::string& error() const { return writer.error(); }

 private:
  trace_writer writer;
  std::vector<int> step_variables;    // by step index
  std::vector<int> input_variables;   // by input index
  std::vector<int> output_variables;  // by output index
};

}  // namespace grafcet
