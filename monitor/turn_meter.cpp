#include "monitor/turn_meter.h"

#include <cstdint>

int64_t turn_meter::step(int32_t previous, int32_t current) {
  if (current >= previous) return int64_t(current) - previous;
  return int64_t(INT32_MAX) - previous + current;
}

void turn_meter::count(int32_t turn, uint64_t now_us) {
  // Turns published before the monitor's first look are not its misses.
  if (seen > 0) {
    const int64_t jump = step(last_turn, turn);
    if (jump > 1) missed += uint64_t(jump - 1);
    window_turns += int(jump);
  } else {
    window_start_us = now_us;
  }
  ++seen;
  last_turn = turn;
  if (now_us - window_start_us >= 1000000) {
    last_rate = window_turns;
    window_turns = 0;
    window_start_us = now_us;
  }
}
