#include "grafcet/snapshot.h"

namespace grafcet {

snapshot_box::snapshot_box(const chart& model) {
  latest.situation.resize(model.steps.size());
  latest.fired_at.resize(model.transitions.size());
}

void snapshot_box::publish(const engine& machine, int32_t turn, clock_point now) {
  std::lock_guard<std::mutex> hold(guard);
  latest.situation = machine.situation();
  for (int t : machine.fired()) latest.fired_at[t] = now;
  latest.turn = turn;
}

void snapshot_box::end() {
  std::lock_guard<std::mutex> hold(guard);
  latest.ended = true;
}

chart_snapshot snapshot_box::copy() const {
  std::lock_guard<std::mutex> hold(guard);
  return latest;
}

}  // namespace grafcet
