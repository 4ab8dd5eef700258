// The 10-second timer behind TIMER10 / timer10t: on once the wall clock has
// passed the deadline, which each turn with TIMER10 on pushes 10 s ahead.
#pragma once

#include <functional>

// Where the turn reads the current second: the wall clock in the simulator,
// any other source (a test's, a virtual one) through the same seam.
using seconds_clock = std::function<long()>;

class ten_second_timer {
 public:
  // now: wall-clock second at loop entry.
  explicit ten_second_timer(long now) : deadline(now) {}

  // One turn: renew is TIMER10 as read in the previous turn. Returns timer10t.
  int update(long now, bool renew) {
    if (renew) deadline = now + 10;
    return now > deadline ? 1 : 0;
  }

 private:
  long deadline;  // seconds
};
