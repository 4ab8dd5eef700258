// Forcing and faults as functions of (signal, value, time).
#include <gtest/gtest.h>

#include "monitor/overrides.h"
#include "monitor/turn_meter.h"

TEST(SignalRow, InputsThenOutputsInTableOrderAndCaseMatters) {
  EXPECT_EQ(signal_row("b1s"), 0);
  EXPECT_EQ(signal_row("colle"), 22);
  EXPECT_EQ(signal_row("DEPOSE"), 23);
  EXPECT_EQ(signal_row("MT"), 25);
  EXPECT_EQ(signal_row("TIMER10"), 36);
  EXPECT_EQ(signal_row("mt"), -1);
  EXPECT_EQ(signal_row("P2OK"), -1);
  EXPECT_EQ(signal_row(""), -1);
  EXPECT_EQ(signal_row("p2ok "), -1);
}

TEST(Forcing, HoldsTheValueAtEveryTimeUntilReleased) {
  signal_overrides o;
  const int p2ok = signal_row("p2ok");
  o.force(p2ok, 0);
  EXPECT_EQ(o.apply(p2ok, 1, 0.0), 0);
  EXPECT_EQ(o.apply(p2ok, 1, 1e6), 0);
  EXPECT_TRUE(o.forced(p2ok));
  EXPECT_EQ(o.forced_value(p2ok), 0);
  EXPECT_TRUE(o.held(p2ok, 3.0));
  o.release(p2ok);
  EXPECT_EQ(o.apply(p2ok, 1, 2.0), 1);
  EXPECT_FALSE(o.forced(p2ok));
  EXPECT_EQ(o.forced_value(p2ok), -1);
  EXPECT_FALSE(o.held(p2ok, 2.0));
}

TEST(Forcing, TouchesOnlyItsOwnSignalAndTheLastForcingCounts) {
  signal_overrides o;
  const int mt = signal_row("MT"), mta = signal_row("MTA");
  o.force(mt, 1);
  o.force(mt, 0);
  EXPECT_EQ(o.apply(mt, 1, 0), 0);
  EXPECT_EQ(o.apply(mta, 1, 0), 1);
  EXPECT_EQ(o.apply(mta, 0, 0), 0);
  EXPECT_FALSE(o.held(mta, 0));
}

TEST(Faults, ActiveFromTheirStartIncludedToTheirEndExcluded) {
  signal_overrides o;
  const int vh = signal_row("vh");
  o.add_fault({vh, 0, 5.0, 7.5});
  EXPECT_EQ(o.apply(vh, 1, 4.999), 1);
  EXPECT_FALSE(o.held(vh, 4.999));
  EXPECT_EQ(o.apply(vh, 1, 5.0), 0);
  EXPECT_TRUE(o.held(vh, 5.0));
  EXPECT_EQ(o.apply(vh, 1, 7.499), 0);
  EXPECT_EQ(o.apply(vh, 1, 7.5), 1);
  EXPECT_FALSE(o.held(vh, 7.5));
}

TEST(Faults, WithoutAnEndLastForEverAndAreNotShownAsForced) {
  signal_overrides o;
  const int vh = signal_row("vh");
  o.add_fault({vh, 0, 5.0});
  EXPECT_EQ(o.apply(vh, 1, 1e9), 0);
  EXPECT_FALSE(o.forced(vh));
  EXPECT_TRUE(o.held(vh, 1e9));
}

TEST(Faults, TheLastGivenWinsWhileBothAreActive) {
  signal_overrides o;
  const int pp = signal_row("pp");
  o.add_fault({pp, 1, 0.0, 10.0});
  o.add_fault({pp, 0, 2.0, 3.0});
  EXPECT_EQ(o.apply(pp, 0, 1.0), 1);
  EXPECT_EQ(o.apply(pp, 1, 2.5), 0);
  EXPECT_EQ(o.apply(pp, 0, 3.0), 1);
}

TEST(Faults, ForcingWinsOverAFaultAndReleasingBringsTheFaultBack) {
  signal_overrides o;
  const int te = signal_row("te");
  o.add_fault({te, 0, 0.0});
  o.force(te, 1);
  EXPECT_EQ(o.apply(te, 0, 1.0), 1);
  o.release(te);
  EXPECT_EQ(o.apply(te, 1, 1.0), 0);
}

TEST(Overrides, ApplyAllMapsAWholeDirectionFromItsFirstRow) {
  signal_overrides o;
  o.force(signal_row("BZ1"), 1);
  o.add_fault({signal_row("DEPOSE"), 1, 0.0, 1.0});
  std::array<int, output_signal_count> outputs{};
  auto seen = o.apply_all(outputs, input_signal_count, 0.5);
  for (int i = 0; i < output_signal_count; ++i) {
    SCOPED_TRACE(table_signaux[input_signal_count + i]);
    EXPECT_EQ(seen[i], i == out::BZ1 || i == out::DEPOSE ? 1 : 0);
  }
  seen = o.apply_all(outputs, input_signal_count, 1.0);
  EXPECT_EQ(seen[out::DEPOSE], 0);
  EXPECT_EQ(seen[out::BZ1], 1);
}

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
