// Counts the simulator's turns as the monitor copies them: the turns it
// missed (the counter jumping by more than one) and the turns per second.
#pragma once

#include <cstdint>

class turn_meter {
 public:
  // One copied turn, with the simulator's counter and the time it was seen.
  void count(int32_t turn, uint64_t now_us);

  uint64_t turns_seen() const { return seen; }
  uint64_t turns_missed() const { return missed; }
  // Turns counted over the last whole second; 0 during the first one.
  int per_second() const { return last_rate; }

  // Turns from previous to current; the counter wraps from INT32_MAX to 1.
  static int64_t step(int32_t previous, int32_t current);

 private:
  uint64_t seen = 0;
  uint64_t missed = 0;
  int32_t last_turn = 0;
  uint64_t window_start_us = 0;
  int window_turns = 0;
  int last_rate = 0;
};
