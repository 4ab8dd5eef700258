#include "monitor/proxy.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <iostream>
#include <utility>

monitor_proxy::monitor_proxy(IOsharemem_client& outer, inner_side& inner,
                             const signal_overrides& overrides, signal_trace* trace)
    : outer(outer),
      inner(inner),
      trace(trace),
      start(std::chrono::steady_clock::now()),
      overrides(overrides) {
  for (int row = 0; row < signal_count; ++row)
    state.forced_values[row] = overrides.forced_value(row);
}

double monitor_proxy::seconds() const { return microseconds() * 1e-6; }

uint64_t monitor_proxy::microseconds() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

void monitor_proxy::run(const std::atomic<bool>& stop) {
  // A busy machine can keep a thread of normal priority off the processor
  // for longer than a turn; where allowed (root, CAP_SYS_NICE) the exchange
  // asks for a higher one. Otherwise it runs as it is.
  setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), exchange_nice);
  auto last_look = std::chrono::steady_clock::now();
  while (!stop) {
    const auto before = std::chrono::steady_clock::now();
    const bool new_turn = outer.wait_for_turn(slice_us);
    const auto now = std::chrono::steady_clock::now();
    // A wait cut short without a turn means the exchange has ended.
    const bool cut_short = !new_turn && now - before < std::chrono::microseconds(slice_us);
    if (new_turn || cut_short || now - last_look >= quiet_limit) {
      last_look = now;
      const int r = outer.receive();
      if (r < 0) break;
      if (r > 0) {
        serve_turn();
        continue;
      }
    }
    forward_outputs();
  }
}

input_values monitor_proxy::read_inputs() {
  input_values values{};
  for (int i = 0; i < input_signal_count; ++i) values[i] = outer.input_is_set(table_signaux[i]);
  return values;
}

// One simulator turn: it has just read the outputs written so far, which the
// trace records with this turn's inputs.
void monitor_proxy::serve_turn() {
  const uint64_t now_us = microseconds();
  const double t_s = now_us * 1e-6;
  const input_values real = read_inputs();
  input_values seen;
  std::array<bool, signal_count> held{};
  int per_second;
  {
    std::lock_guard<std::mutex> hold(state_lock);
    meter.count(outer.turn(), now_us);
    seen = overrides.apply_all(real, 0, t_s);
    for (int row = 0; row < signal_count; ++row) held[row] = overrides.held(row, t_s);
    state.inputs_seen = seen;
    state.turn = outer.turn();
    state.per_second = per_second = meter.per_second();
    state.missed = meter.turns_missed();
  }
  if (trace) trace->record(now_us, uint32_t(outer.turn()), seen, written, held);
  inner.publish(seen, uint32_t(outer.turn()), per_second);
  turn_unanswered = true;
  forward_outputs();
}

// Outputs go out as soon as they are written; a cycle finished inside is
// counted outside once its outputs are out. An ended controller answers
// every turn with zeros.
void monitor_proxy::forward_outputs() {
  const bool ended = inner.ended();
  if (ended && !told_inner_ended) {
    told_inner_ended = true;
    std::cerr << "corvan-monitor: the controller has ended; the outputs stay at 0 "
                 "unless forced"
              << std::endl;
  }
  const bool answered = ended ? std::exchange(turn_unanswered, false) : inner.take_answer();
  const output_values asked = ended ? output_values{} : inner.outputs();
  output_values sent;
  {
    std::lock_guard<std::mutex> hold(state_lock);
    sent = overrides.apply_all(asked, input_signal_count, seconds());
    state.outputs_asked = asked;
    state.outputs_sent = sent;
    state.inner_ended = ended;
  }
  for (int i = 0; i < output_signal_count; ++i) {
    if (written_once && sent[i] == written[i]) continue;
    outer.setreset_output(table_signaux[input_signal_count + i], sent[i]);
  }
  written = sent;
  written_once = true;
  if (answered) outer.outputs_refresh();
}

monitor_snapshot monitor_proxy::snapshot() const {
  std::lock_guard<std::mutex> hold(state_lock);
  return state;
}

void monitor_proxy::force(int row, int value) {
  std::lock_guard<std::mutex> hold(state_lock);
  if (value < 0)
    overrides.release(row);
  else
    overrides.force(row, value);
  state.forced_values[row] = overrides.forced_value(row);
}

uint64_t monitor_proxy::turns_seen() const {
  std::lock_guard<std::mutex> hold(state_lock);
  return meter.turns_seen();
}

uint64_t monitor_proxy::turns_missed() const {
  std::lock_guard<std::mutex> hold(state_lock);
  return meter.turns_missed();
}
