// The time the chart's timers count: the simulator's turns in lock-step.
#include <gtest/gtest.h>

#include <climits>

#include "grafcet/chart_controller.h"

namespace {

TEST(LockstepClock, FiveMillisecondsATurnFromTheCounter) {
  grafcet::chart_clock clock(true);
  EXPECT_EQ(clock.now_ms(1), 5);
  EXPECT_EQ(clock.now_ms(2), 10);
  EXPECT_EQ(clock.now_ms(2), 10) << "the same turn is the same time";
  EXPECT_EQ(clock.now_ms(202), 1010) << "turns missed still count";
}

TEST(LockstepClock, GoesOnWhenTheCounterStartsAgainAtOne) {
  grafcet::chart_clock clock(true);
  int64_t before = clock.now_ms(INT_MAX - 1);
  EXPECT_EQ(clock.now_ms(INT_MAX) - before, 5);
  EXPECT_EQ(clock.now_ms(1) - before, 10);
  EXPECT_EQ(clock.now_ms(3) - before, 20);
}

TEST(WallClock, CountsFromTheStartWhateverTheTurn) {
  grafcet::chart_clock clock(false);
  int64_t first = clock.now_ms(1000);
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 1000) << "not the turn counter";
}

}  // namespace
