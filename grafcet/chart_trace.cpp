#include "grafcet/chart_trace.h"

namespace grafcet {

chart_trace::chart_trace(const chart& model, const std::string& vcd_path) : writer(vcd_path, "") {
  step_variables.resize(model.steps.size());
  for (const partial_grafcet& g : model.grafcets)
    for (int s : g.steps) step_variables[s] = writer.add_variable(g.name, "X" + std::to_string(model.steps[s].number));
  for (int i = 0; i < input_signal_count; ++i) input_variables.push_back(writer.add_variable("inputs", table_signaux[i]));
  for (int o = 0; o < output_signal_count; ++o)
    output_variables.push_back(writer.add_variable("outputs", table_signaux[input_signal_count + o]));
}

void chart_trace::record(const engine& machine, const input_values& inputs, int64_t now_ms, int32_t turn) {
  for (size_t s = 0; s < step_variables.size(); ++s) writer.set(step_variables[s], machine.active(static_cast<int>(s)));
  for (int i = 0; i < input_signal_count; ++i) writer.set(input_variables[i], inputs[i]);
  for (int o = 0; o < output_signal_count; ++o) writer.set(output_variables[o], machine.outputs()[o]);
  writer.sample(static_cast<uint64_t>(now_ms) * 1000, static_cast<uint32_t>(turn));
}

}  // namespace grafcet
