#include "grafcet/chart_controller.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>

#include "grafcet/chart_trace.h"
#include "grafcet/snapshot.h"
#include "iolink/IOsharemem_client.h"

namespace grafcet {

chart_clock::chart_clock(bool l) : lockstep(l), start(std::chrono::steady_clock::now()) {}

bool chart_clock::lockstep_from_environment() {
  const char* value = std::getenv("CORVAN_LOCKSTEP");
  return value && std::strcmp(value, "1") == 0;
}

int64_t chart_clock::now_ms(int32_t turn) {
  if (lockstep) {
    // After its largest value the counter goes on at 1; time must not go back.
    turns += turn >= last_turn ? turn - last_turn : (std::numeric_limits<int32_t>::max() - last_turn) + turn;
    last_turn = turn;
    return turns * turn_ms;
  }
  auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

input_values read_inputs(IOsharemem_client& link) {
  input_values inputs{};
  for (int i = 0; i < input_signal_count; ++i) inputs[i] = link.input_is_set(table_signaux[i]) == 1;
  return inputs;
}

void write_outputs(IOsharemem_client& link, const output_values& outputs) {
  for (int o = 0; o < output_signal_count; ++o)
    link.setreset_output(table_signaux[input_signal_count + o], outputs[o] ? 1 : 0);
}

chart_controller::chart_controller(const chart& m, chart_clock c, chart_trace* t, snapshot_box* v)
    : machine(m), clock(c), trace(t), view(v), reports(m) {}

// A trace that can no longer be written ends the run: it is kept for
// its record.
void chart_controller::run(IOsharemem_client& link) {
  for (int r; (r = link.receive()) >= 0;) {
    if (r == 1) turn(link);
    if (trace && !trace->error().empty()) break;
  }
  if (view) view->end();
}

void chart_controller::turn(IOsharemem_client& link) {
  input_values inputs = read_inputs(link);
  int64_t now = clock.now_ms(link.turn());
  for (const std::string& line : reports.after(machine.evolve(inputs, now)))
    std::cerr << "corvan-grafcet: " << line << std::endl;
  write_outputs(link, machine.outputs());
  link.outputs_refresh();
  if (trace) trace->record(machine, inputs, now, link.turn());
  if (view) view->publish(machine, link.turn(), std::chrono::steady_clock::now());
}

}  // namespace grafcet
