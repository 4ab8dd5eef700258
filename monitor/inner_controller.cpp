#include "monitor/inner_controller.h"

#include <utility>

inner_controller::inner_controller(const std::string& command)
    : server(input_names, output_names), care("corvan-monitor", command, server.memory_ident()) {}

void inner_controller::publish(const input_values& inputs, uint32_t, int) {
  for (int i = 0; i < input_signal_count; ++i) server.setreset_input(i, inputs[i]);
  server.inputs_go();
}

// Called from the outward direction only, as is everything that looks at
// the controller's process.
bool inner_controller::ended() {
  care.poll();
  return !care.controller_running();
}

void inner_controller::wait_answer(int timeout_us) {
  server.wait_for_outputs(refreshes_seen, timeout_us);
}

output_values inner_controller::outputs() {
  output_values values{};
  for (int i = 0; i < output_signal_count; ++i) values[i] = server.output_value(i);
  return values;
}

bool inner_controller::take_answer() {
  const int32_t refreshes = server.get_outputs_clock();
  return refreshes != std::exchange(refreshes_seen, refreshes);
}

void inner_controller::finish() {
  server.sharing_terminate();
  care.finish();
}
