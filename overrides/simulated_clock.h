// Simulated time in a lock-step run, from the simulator's turn counter: 5 ms
// a turn, the counter's 1 at time 0, as the runner counts it. Whoever joins
// the run late still lands on the runner's times.
#pragma once

#include <cstdint>

class simulated_clock {
 public:
  static constexpr int64_t turn_us = 5000;

  // Microseconds at this turn; turns are given in order. After its largest
  // value the counter goes on at 1, and time goes on too.
  int64_t at_turn(int32_t turn);

 private:
  bool started = false;
  int32_t last_turn = 0;
  int64_t index = 0;  // turns since the counter's 1
};
