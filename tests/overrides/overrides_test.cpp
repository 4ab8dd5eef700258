// Forcing and faults as functions of (signal, value, time in microseconds).
#include <gtest/gtest.h>

#include "overrides/overrides.h"

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
  EXPECT_EQ(o.apply(p2ok, 1, 0), 0);
  EXPECT_EQ(o.apply(p2ok, 1, 1000000000000), 0);
  EXPECT_TRUE(o.forced(p2ok));
  EXPECT_EQ(o.forced_value(p2ok), 0);
  EXPECT_TRUE(o.held(p2ok, 3000000));
  o.release(p2ok);
  EXPECT_EQ(o.apply(p2ok, 1, 2000000), 1);
  EXPECT_FALSE(o.forced(p2ok));
  EXPECT_EQ(o.forced_value(p2ok), -1);
  EXPECT_FALSE(o.held(p2ok, 2000000));
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
  o.add_fault({vh, 0, 5000000, 7500000});
  EXPECT_EQ(o.apply(vh, 1, 4999999), 1);
  EXPECT_FALSE(o.held(vh, 4999999));
  EXPECT_EQ(o.apply(vh, 1, 5000000), 0);
  EXPECT_TRUE(o.held(vh, 5000000));
  EXPECT_EQ(o.apply(vh, 1, 7499999), 0);
  EXPECT_EQ(o.apply(vh, 1, 7500000), 1);
  EXPECT_FALSE(o.held(vh, 7500000));
}

TEST(Faults, WithoutAnEndLastForEverAndAreNotShownAsForced) {
  signal_overrides o;
  const int vh = signal_row("vh");
  o.add_fault({vh, 0, 5000000});
  EXPECT_EQ(o.apply(vh, 1, 1000000000000000), 0);
  EXPECT_FALSE(o.forced(vh));
  EXPECT_TRUE(o.held(vh, 1000000000000000));
}

TEST(Faults, TheLastGivenWinsWhileBothAreActive) {
  signal_overrides o;
  const int pp = signal_row("pp");
  o.add_fault({pp, 1, 0, 10000000});
  o.add_fault({pp, 0, 2000000, 3000000});
  EXPECT_EQ(o.apply(pp, 0, 1000000), 1);
  EXPECT_EQ(o.apply(pp, 1, 2500000), 0);
  EXPECT_EQ(o.apply(pp, 0, 3000000), 1);
}

TEST(Faults, ForcingWinsOverAFaultAndReleasingBringsTheFaultBack) {
  signal_overrides o;
  const int te = signal_row("te");
  o.add_fault({te, 0, 0});
  o.force(te, 1);
  EXPECT_EQ(o.apply(te, 0, 1000000), 1);
  o.release(te);
  EXPECT_EQ(o.apply(te, 1, 1000000), 0);
}

TEST(Overrides, ApplyAllMapsAWholeDirectionFromItsFirstRow) {
  signal_overrides o;
  o.force(signal_row("BZ1"), 1);
  o.add_fault({signal_row("DEPOSE"), 1, 0, 1000000});
  std::array<int, output_signal_count> outputs{};
  auto seen = o.apply_all(outputs, input_signal_count, 500000);
  for (int i = 0; i < output_signal_count; ++i) {
    SCOPED_TRACE(table_signaux[input_signal_count + i]);
    EXPECT_EQ(seen[i], i == out::BZ1 || i == out::DEPOSE ? 1 : 0);
  }
  seen = o.apply_all(outputs, input_signal_count, 1000000);
  EXPECT_EQ(seen[out::DEPOSE], 0);
  EXPECT_EQ(seen[out::BZ1], 1);
}

