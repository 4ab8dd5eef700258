// Counting the simulator's turns as the monitor copies them.
#include <gtest/gtest.h>

#include "monitor/turn_meter.h"

TEST(TurnMeter, CountsMissedTurnsOnlyAfterTheFirstSeen) {
  turn_meter m;
  m.count(40, 0);  // the monitor started late: not a miss
  m.count(41, 5000);
  m.count(44, 10000);  // 42 and 43 missed
  m.count(45, 15000);
  EXPECT_EQ(m.turns_seen(), 4u);
  EXPECT_EQ(m.turns_missed(), 2u);
}

TEST(TurnMeter, TheWrapFromTheLargestCounterToOneIsOneStep) {
  EXPECT_EQ(turn_meter::step(INT32_MAX, 1), 1);
  EXPECT_EQ(turn_meter::step(INT32_MAX - 1, 2), 3);
  EXPECT_EQ(turn_meter::step(7, 7), 0);
  turn_meter m;
  m.count(INT32_MAX - 1, 0);
  m.count(INT32_MAX, 1);
  m.count(1, 2);
  EXPECT_EQ(m.turns_missed(), 0u);
}

TEST(TurnMeter, RateIsTheTurnsOfTheLastWholeSecond) {
  turn_meter m;
  EXPECT_EQ(m.per_second(), 0);
  // 200 turns every 5 ms over one second, then 100 turns of 10 ms.
  int32_t turn = 1;
  uint64_t t = 0;
  m.count(turn, t);
  for (int k = 0; k < 200; ++k) m.count(++turn, t += 5000);
  EXPECT_EQ(m.per_second(), 200);
  for (int k = 0; k < 100; ++k) m.count(++turn, t += 10000);
  EXPECT_EQ(m.per_second(), 100);
}
