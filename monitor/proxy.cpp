#include "monitor/proxy.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <iostream>
#include <thread>
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

int64_t monitor_proxy::turn_time_us() {
  const int64_t t =
      outer.in_lockstep() ? lockstep_clock.at_turn(outer.turn()) : int64_t(microseconds());
  last_turn_time_us = t;
  return t;
}

int64_t monitor_proxy::outward_time_us() const {
  return outer.in_lockstep() ? last_turn_time_us.load() : int64_t(microseconds());
}

uint64_t monitor_proxy::microseconds() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

// A busy machine can keep a thread of normal priority off the processor for
// longer than a turn. Where allowed (root, CAP_SYS_NICE) both directions ask
// for the lowest real-time priority, else for a higher niceness; otherwise
// they run as they are. Neither ever spins: each turn costs microseconds.
static void ask_for_priority() {
  sched_param lowest_real_time{};
  lowest_real_time.sched_priority = sched_get_priority_min(SCHED_FIFO);
  if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &lowest_real_time) == 0) return;
  setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), monitor_proxy::exchange_nice);
}

void monitor_proxy::run(const std::atomic<bool>& stop) {
  std::atomic<bool> inward_done{false};
  std::thread outward([&] {
    ask_for_priority();
    while (!stop && !inward_done) {
      inner.wait_answer(slice_us);
      forward_outputs();
    }
  });
  ask_for_priority();
  carry_inward(stop);
  inward_done = true;
  outward.join();
}

// A trace that can no longer be written ends the exchange: a run is
// watched for its record.
void monitor_proxy::carry_inward(const std::atomic<bool>& stop) {
  while (!stop && !(trace && !trace->error().empty())) {
    // Back at once with a new turn or the end; after quiet_us the
    // simulator is paused (or gone, which receive() finds out).
    outer.wait_for_turn(quiet_us);
    const int r = outer.receive();
    if (r < 0) return;
    if (r > 0) serve_turn();
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
  const int64_t now_us = turn_time_us();
  const input_values real = read_inputs();
  input_values seen;
  output_values sent;
  std::array<bool, signal_count> held{};
  int per_second;
  {
    std::lock_guard<std::mutex> hold(state_lock);
    meter.count(outer.turn(), microseconds());
    seen = overrides.apply_all(real, 0, now_us);
    for (int row = 0; row < signal_count; ++row) held[row] = overrides.held(row, now_us);
    state.inputs_seen = seen;
    state.turn = outer.turn();
    state.per_second = per_second = meter.per_second();
    state.missed = meter.turns_missed();
    sent = state.outputs_sent;
  }
  if (trace) trace->record(uint64_t(now_us), uint32_t(outer.turn()), seen, sent, held);
  inner.publish(seen, uint32_t(outer.turn()), per_second);
  turn_unanswered = true;
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
  std::lock_guard<std::mutex> outward(outward_lock);
  const bool answered = ended ? turn_unanswered.exchange(false) : inner.take_answer();
  asked = ended ? output_values{} : inner.outputs();
  output_values sent;
  {
    std::lock_guard<std::mutex> hold(state_lock);
    state.inner_ended = ended;
    sent = settle_outputs();
  }
  write_outward(sent);
  if (answered) outer.outputs_refresh();
}

output_values monitor_proxy::settle_outputs() {
  state.outputs_sent = overrides.apply_all(asked, input_signal_count, outward_time_us());
  return state.outputs_sent;
}

void monitor_proxy::write_outward(const output_values& sent) {
  for (int i = 0; i < output_signal_count; ++i) {
    if (written_once && sent[i] == written[i]) continue;
    outer.setreset_output(table_signaux[input_signal_count + i], sent[i]);
  }
  written = sent;
  written_once = true;
}

monitor_snapshot monitor_proxy::snapshot() const {
  std::lock_guard<std::mutex> hold(state_lock);
  return state;
}

// The forcing and the outputs it changes are one step for the inward
// direction, which records both at each turn.
void monitor_proxy::force(int row, int value) {
  std::lock_guard<std::mutex> outward(outward_lock);
  output_values sent;
  {
    std::lock_guard<std::mutex> hold(state_lock);
    if (value < 0)
      overrides.release(row);
    else
      overrides.force(row, value);
    state.forced_values[row] = overrides.forced_value(row);
    sent = settle_outputs();
  }
  write_outward(sent);
}

uint64_t monitor_proxy::turns_seen() const {
  std::lock_guard<std::mutex> hold(state_lock);
  return meter.turns_seen();
}

uint64_t monitor_proxy::turns_missed() const {
  std::lock_guard<std::mutex> hold(state_lock);
  return meter.turns_missed();
}
