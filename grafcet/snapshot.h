// What the window draws, handed over from the exchange's thread: a copy of
// the situation taken at the end of a turn, so that drawing never holds the
// turn up.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "grafcet/engine.h"

namespace grafcet {

using clock_point = std::chrono::steady_clock::time_point;

struct chart_snapshot {
  std::vector<char> situation;      // by step index
  std::vector<clock_point> fired_at;  // by transition index: last firing
  int32_t turn = 0;
  bool ended = false;               // the exchange is over
};

class snapshot_box {
 public:
  explicit snapshot_box(const chart& model);
  // Called by the exchange at the end of each turn.
  void publish(const engine& machine, int32_t turn, clock_point now);
  void end();
  chart_snapshot copy() const;

 private:
  mutable std::mutex guard;
  chart_snapshot latest;
};

}  // namespace grafcet
