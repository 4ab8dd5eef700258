#include "overrides/simulated_clock.h"

#include <limits>

int64_t simulated_clock::at_turn(int32_t turn) {
  if (!started) {
    index = turn - 1;
  } else if (turn >= last_turn) {
    index += turn - last_turn;
  } else {
    index += (std::numeric_limits<int32_t>::max() - last_turn) + turn;
  }
  started = true;
  last_turn = turn;
  return index * turn_us;
}
