// The evolution rules, one by one, with the inputs given turn by turn.
#include "tests/grafcet/chart_fixture.h"

namespace {

// ------------------------------------------------------------- firing

TEST_F(ChartRun, InitialSituationIsTakenAtTheFirstTurn) {
  load("initial step 0\ninitial step 5\nstep 1\n0 -> 1 : dc\n5 -> 1 : 0\n0: MT\n");
  turn();
  EXPECT_EQ(active(), (steps{0, 5}));
  EXPECT_TRUE(output("MT"));
  EXPECT_FALSE(output("MTA")) << "an output driven by nothing is 0";
}

TEST_F(ChartRun, FireableTransitionsFireTogetherOnTheSameSituation) {
  // Fired one after the other, the second would see step 1 already gone.
  load("initial step 1\ninitial step 2\nstep 3\nstep 4\n1 -> 3 : dc\n2 -> 4 : X1\n");
  turn({"dc"});
  EXPECT_EQ(active(), (steps{3, 4}));
}

TEST_F(ChartRun, StepDeactivatedAndActivatedAtOnceStaysActive) {
  load("initial step 1\ninitial step 2\nstep 3\n1 -> 2 : rise(dc)\n2 -> 3 : rise(dc)\n"
       "3 -> 1 : 0\n2 -> 1 : 0\n2: MT\n2: TIMER10 := 1 on exit\n");
  turn();
  turn({"dc"});
  EXPECT_EQ(active(), (steps{2, 3}));
  EXPECT_TRUE(output("MT"));
  EXPECT_FALSE(output("TIMER10")) << "step 2 never left, its exit action must not run";
}

TEST_F(ChartRun, SynchronisationWaitsForEveryUpstreamStep) {
  load("initial step 1\ninitial step 2\nstep 3\nstep 4\nstep 5\n"
       "1 -> 3 : dc\n2 -> 4 : ac\n3, 4 -> 5 : 1\n5 -> 1, 2 : init\n");
  turn({"dc"});
  EXPECT_EQ(active(), (steps{2, 3}));
  turn();
  EXPECT_EQ(active(), (steps{2, 3})) << "step 4 still missing";
  turn({"ac"});
  EXPECT_EQ(active(), (steps{5}));
  turn({"init"});
  EXPECT_EQ(active(), (steps{1, 2})) << "parallel start activates both";
}

TEST_F(ChartRun, ChoiceTakesTheBranchWhoseReceptivityHolds) {
  const char* text = "initial step 0\nstep 1\nstep 2\n0 -> 1 : dc\n0 -> 2 : ac\n";
  load(text);
  turn({"ac"});
  EXPECT_EQ(active(), (steps{2}));
  load(text);
  turn({"dc"});
  EXPECT_EQ(active(), (steps{1}));
  load(text);
  turn();
  EXPECT_EQ(active(), (steps{0}));
  load(text);
  turn({"dc", "ac"});
  EXPECT_EQ(active(), (steps{1, 2})) << "both true: both fire, the chart's author must exclude them";
}

TEST_F(ChartRun, ReceptivityOperatorsBindNotThenAndThenOr) {
  const char* text = "initial step 0\nstep 1\n0 -> 1 : dc or ac and not te\n";
  load(text);
  turn({"ac", "te"});
  EXPECT_EQ(active(), (steps{0}));
  load(text);
  turn({"dc", "te"});
  EXPECT_EQ(active(), (steps{1}));
  load(text);
  turn({"ac"});
  EXPECT_EQ(active(), (steps{1}));
  load("initial step 0\nstep 1\n0 -> 1 : (dc or ac) and not (te or ts)\n");
  turn({"dc", "ts"});
  EXPECT_EQ(active(), (steps{0}));
}

// ------------------------------------------------------ stable search

TEST_F(ChartRun, StableSearchCrossesSeveralTransitionsInOneTurn) {
  load("initial step 0\nstep 1\nstep 2\nstep 3\n0 -> 1 : dc\n1 -> 2 : te\n2 -> 3 : not ts\n"
       "3 -> 0 : ts\n1: MT\n2: MTA if 1\n3: ASPI\n");
  const grafcet::evolution& e = turn({"dc", "te"});
  EXPECT_EQ(active(), (steps{3}));
  EXPECT_EQ(e.passes, 3);
  EXPECT_FALSE(e.unstable);
  EXPECT_FALSE(output("MT")) << "a step crossed in passing drives no level";
  EXPECT_FALSE(output("MTA"));
  EXPECT_TRUE(output("ASPI"));
}

TEST_F(ChartRun, UnstableChartIsReportedAndKeptInItsLastSituation) {
  load("initial step 0\nstep 1\nstep 2\n0 -> 1 : dc\n1 -> 2 : 1\n2 -> 1 : not dc or X2\n");
  const grafcet::evolution& e = turn({"dc"});
  EXPECT_TRUE(e.unstable);
  EXPECT_EQ(e.cycling_steps, (std::vector<int>{1, 2}));
  // Pass 1 enters step 1, then every pass swaps 1 and 2: pass 100 ends in 2.
  EXPECT_EQ(active(), (steps{2}));
}

// Steps 0 to length - 1 in a line, crossed one a pass once dc is on; the
// last one drives MT.
std::string chain(int length) {
  std::string text = "initial step 0\n0 -> 1 : dc\n";
  for (int n = 1; n < length; ++n) {
    text += "step " + std::to_string(n) + "\n";
    if (n + 1 < length) text += std::to_string(n) + " -> " + std::to_string(n + 1) + " : 1\n";
  }
  return text + std::to_string(length - 1) + ": MT\n";
}

TEST_F(ChartRun, ChartSettlingWithinMaxPassesIsStableAndOneMorePassIsNot) {
  static_assert(grafcet::engine::max_passes == 100, "the cases count passes");
  struct {
    int length, passes;
    bool unstable;
    int kept_in;  // the step active after the turn
  } cases[] = {{100, 99, false, 99}, {101, 100, false, 100}, {102, 100, true, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    load(chain(c.length));
    turn();
    const grafcet::evolution& e = turn({"dc"});
    EXPECT_EQ(e.passes, c.passes);
    EXPECT_EQ(e.unstable, c.unstable);
    EXPECT_EQ(active(), (steps{c.kept_in}));
    EXPECT_EQ(output("MT"), !c.unstable) << "the last step drives MT once the chart is stable there";
  }
}

TEST_F(ChartRun, OutputsOfTheLastStableSituationHoldWhileTheChartIsUnstable) {
  load("initial step 0\nstep 1\nstep 2\n0 -> 1 : dc\n1 -> 2 : 1\n2 -> 1 : dc\n0: MT\n2: ASPI\n"
       "1: TIMER10 := 1 on entry\n");
  turn();
  EXPECT_TRUE(output("MT"));
  for (int t = 0; t < 2; ++t) {
    EXPECT_TRUE(turn({"dc"}).unstable);
    EXPECT_TRUE(output("MT")) << "held from step 0";
    EXPECT_FALSE(output("ASPI"));
    EXPECT_FALSE(output("TIMER10")) << "a stored value set while going round is not shown yet";
  }
  // Pass 100 ended in step 2; without dc the chart rests there.
  EXPECT_FALSE(turn().unstable);
  EXPECT_EQ(active(), (steps{2}));
  EXPECT_FALSE(output("MT"));
  EXPECT_TRUE(output("ASPI"));
  EXPECT_TRUE(output("TIMER10")) << "stored while going round, shown once stable";
}

TEST_F(ChartRun, ChartUnstableFromTheFirstTurnDrivesNoOutput) {
  load("initial step 0\nstep 1\n0 -> 1 : 1\n1 -> 0 : 1\n0: MT\n1: MT\n0: ASPI := 1 on entry\n");
  EXPECT_TRUE(turn().unstable);
  EXPECT_FALSE(output("MT"));
  EXPECT_FALSE(output("ASPI"));
}

TEST_F(ChartRun, StableChartReportsNoCycle) {
  load("initial step 0\nstep 1\n0 -> 1 : dc\n1 -> 0 : ac\n");
  const grafcet::evolution& e = turn({"dc"});
  EXPECT_FALSE(e.unstable);
  EXPECT_TRUE(e.cycling_steps.empty());
  EXPECT_EQ(e.passes, 1);
}

// ------------------------------------------------------ edges and time

TEST_F(ChartRun, RisingEdgeHoldsForExactlyOneTurn) {
  load("initial step 0\nstep 1\n0 -> 1 : rise(dc)\n1 -> 0 : rise(dc)\n0: MT if rise(ac)\n");
  turn();
  turn({"dc"});
  EXPECT_EQ(active(), (steps{1})) << "the edge must not fire 1 -> 0 in the second pass";
  turn({"dc"});
  EXPECT_EQ(active(), (steps{1})) << "a held button is no new edge";
  turn();
  turn({"dc"});
  EXPECT_EQ(active(), (steps{0}));
  turn({"ac"});
  EXPECT_TRUE(output("MT"));
  turn({"ac"});
  EXPECT_FALSE(output("MT")) << "the condition's edge lasts one turn";
}

TEST_F(ChartRun, NoEdgeAtTheFirstTurnWhereNothingHasChanged) {
  load("initial step 0\nstep 1\nstep 2\n0 -> 1 : rise(dc)\n0 -> 2 : fall(ac)\n0: MT if rise(dc)\n");
  turn({"dc"});
  EXPECT_EQ(active(), (steps{0}));
  EXPECT_FALSE(output("MT"));
  turn({"dc"});
  turn();
  turn({"dc"});
  EXPECT_EQ(active(), (steps{1}));
}

TEST_F(ChartRun, FallingEdgeFollowsTheRelease) {
  load("initial step 0\nstep 1\n0 -> 1 : fall(dc)\n");
  turn();
  turn({"dc"});
  turn({"dc"});
  EXPECT_EQ(active(), (steps{0}));
  turn();
  EXPECT_EQ(active(), (steps{1}));
}

TEST_F(ChartRun, EdgeOfAStepVariableSeesItsActivationAtTheNextTurn) {
  load("initial step 0\nstep 1\ninitial step 5\nstep 6\n0 -> 1 : dc\n1 -> 0 : ac\n5 -> 6 : rise(X1)\n"
       "6 -> 5 : 1\n6: MTA := 1 on entry\n");
  turn();
  turn({"dc"});
  EXPECT_EQ(active(), (steps{1, 5}));
  EXPECT_FALSE(output("MTA")) << "step 1 became active during this turn";
  turn();
  EXPECT_TRUE(output("MTA")) << "the edge of X1 is seen at the next turn";
  EXPECT_EQ(active(), (steps{1, 5})) << "6 was crossed in passing";
}

TEST_F(ChartRun, TimerCountsFromTheStepsActivation) {
  load("initial step 0\nstep 1\nstep 2\n0 -> 1 : dc\n1 -> 2 : t(X1, 2s)\n2 -> 0 : ac\n"
       "0: MT if t(X0, 500ms)\n");
  turn({}, 100);
  EXPECT_FALSE(output("MT"));
  turn({}, 599);
  EXPECT_FALSE(output("MT"));
  turn({}, 600);
  EXPECT_TRUE(output("MT"));
  turn({"dc"}, 1000);
  turn({}, 2999);
  EXPECT_EQ(active(), (steps{1}));
  turn({}, 3000);
  EXPECT_EQ(active(), (steps{2}));
  turn({"ac"}, 3005);
  turn({"dc"}, 3010);
  turn({}, 5009);
  EXPECT_EQ(active(), (steps{1})) << "re-entering step 1 starts its time again";
}

TEST_F(ChartRun, DecimalSecondsAreMilliseconds) {
  load("initial step 0\nstep 1\n0 -> 1 : t(X0, 1.5s)\n");
  turn({}, 0);
  turn({}, 1499);
  EXPECT_EQ(active(), (steps{0}));
  turn({}, 1500);
  EXPECT_EQ(active(), (steps{1}));
}

// ------------------------------------------------------------ actions

TEST_F(ChartRun, StoredActionsRunOnEntryAndExit) {
  load("initial step 0\nstep 1\nstep 2\n0 -> 1 : dc\n1 -> 2 : ac\n2 -> 0 : init\n"
       "1: TIMER10 := 1 on entry\n2: TIMER10 := 0 on exit\n");
  turn();
  EXPECT_FALSE(output("TIMER10"));
  turn({"dc"});
  EXPECT_TRUE(output("TIMER10"));
  turn({"ac"});
  EXPECT_TRUE(output("TIMER10")) << "a stored value outlives its step";
  turn({"init"});
  EXPECT_FALSE(output("TIMER10"));
  EXPECT_EQ(active(), (steps{0}));
}

TEST_F(ChartRun, StoredActionOfAStepCrossedInPassingStillRuns) {
  load("initial step 0\nstep 1\nstep 2\n0 -> 1 : dc\n1 -> 2 : 1\n1: MT := 1 on entry\n1: MTA := 1 on exit\n");
  turn({"dc"});
  EXPECT_EQ(active(), (steps{2}));
  EXPECT_TRUE(output("MT"));
  EXPECT_TRUE(output("MTA"));
}

TEST_F(ChartRun, StoredOneAndZeroOfOneMomentLeaveZeroWhateverTheOrderWritten) {
  struct {
    const char* what;
    std::string chart;
  } cases[] = {
      {"parallel start", "initial step 0\nstep 1\nstep 2\n0 -> 1, 2 : dc\n1: MT := 1 on entry\n2: MT := 0 on entry\n"},
      {"parallel start, written the other way",
       "initial step 0\nstep 1\nstep 2\n0 -> 1, 2 : dc\n2: MT := 0 on entry\n1: MT := 1 on entry\n"},
      {"one step", "initial step 0\nstep 1\n0 -> 1 : dc\n1: MT := 1 on entry\n1: MT := 0 on entry\n"},
      {"synchronisation", "initial step 0\ninitial step 1\nstep 2\n0, 1 -> 2 : dc\n1: MT := 0 on exit\n"
                          "0: MT := 1 on exit\n"},
      {"two grafcets", "grafcet a\ninitial step 0\nstep 1\n0 -> 1 : dc\n1: MT := 1 on entry\n"
                       "grafcet b\ninitial step 5\nstep 6\n5 -> 6 : dc\n6: MT := 0 on entry\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    load(c.chart);
    EXPECT_TRUE(turn().stored_conflicts.empty());
    const grafcet::evolution& e = turn({"dc"});
    EXPECT_FALSE(output("MT"));
    ASSERT_EQ(e.stored_conflicts.size(), 1u);
    const grafcet::chart& m = parsed.model;
    EXPECT_EQ(m.actions[e.stored_conflicts[0].set].value, 1);
    EXPECT_EQ(m.actions[e.stored_conflicts[0].reset].value, 0);
  }
}

TEST_F(ChartRun, EntryActionsRunAfterExitActionsOfTheSameClearing) {
  for (int entry : {0, 1}) {
    SCOPED_TRACE(entry);
    load("initial step 0\nstep 1\n0 -> 1 : dc\n1: MT := " + std::to_string(entry) + " on entry\n0: MT := " +
         std::to_string(1 - entry) + " on exit\n");
    turn();
    const grafcet::evolution& e = turn({"dc"});
    EXPECT_EQ(output("MT"), entry == 1);
    EXPECT_TRUE(e.stored_conflicts.empty()) << "one after the other, they do not conflict";
  }
}

TEST_F(ChartRun, InitialStepsRunTheirEntryActions) {
  load("initial step 0\nstep 1\n0 -> 1 : dc\n0: BZ1 := 1 on entry\n");
  turn();
  EXPECT_TRUE(output("BZ1"));
}

// ------------------------------------------------------------ forcing

const char* safety_chart =
    "grafcet safety\n"
    "initial step 0\nstep 1\n0 -> 1 : atu\n1 -> 0 : init\n1: force line {FORCED}\n"
    "grafcet line\n"
    "initial step 10\nstep 11\n10 -> 11 : dc\n11 -> 10 : ac\n11: MT\n";

std::string safety_forcing(const std::string& situation) {
  std::string text = safety_chart;
  text.replace(text.find("FORCED"), 6, situation);
  return text;
}

TEST_F(ChartRun, ForcingHoldsAGrafcetStillUntilReleased) {
  load(safety_forcing("10"));
  turn({"dc"});
  EXPECT_EQ(active(), (steps{0, 11}));
  EXPECT_TRUE(output("MT"));
  turn({"atu"});
  EXPECT_EQ(active(), (steps{1, 10}));
  EXPECT_FALSE(output("MT"));
  turn({"dc"});
  EXPECT_EQ(active(), (steps{1, 10})) << "a forced grafcet does not evolve";
  turn({"init"});
  EXPECT_EQ(active(), (steps{0, 10}));
  turn({"dc"});
  EXPECT_EQ(active(), (steps{0, 11})) << "released, it evolves again";
}

TEST_F(ChartRun, ForcingToTheEmptySituationClearsEveryStep) {
  load(safety_forcing(""));
  turn({"dc"});
  turn({"atu"});
  EXPECT_EQ(active(), (steps{1}));
  turn({"init"});
  turn({"dc"});
  EXPECT_EQ(active(), (steps{0})) << "an empty grafcet stays empty without another forcing";
}

TEST_F(ChartRun, ForcingRunsTheExitActionsOfTheStepsItClears) {
  std::string text = safety_forcing("");
  text += "11: MTA := 1 on exit\n";
  text.replace(text.find("11: MT\n"), 7, "");
  load(text);
  turn({"dc"});
  EXPECT_FALSE(output("MTA"));
  turn({"atu"});
  EXPECT_TRUE(output("MTA"));
}

TEST_F(ChartRun, ForcingTakesEffectInThePassAfterTheForcingStepIsEnteredAndEndsOnePassAfterItIsLeft) {
  std::string text = safety_forcing("10");
  text += "11: MTA := 1 on entry\n11: ASPI := 1 on exit\n";
  load(text);
  turn();
  // Pass 1: step 1 is entered, and line, not forced yet, goes to 11 in the
  // same clearing. Pass 2: the order holds line in {10}.
  const grafcet::evolution& forced = turn({"atu", "dc"});
  EXPECT_EQ(forced.passes, 2);
  EXPECT_EQ(active(), (steps{1, 10}));
  EXPECT_TRUE(output("MTA")) << "step 11 was entered in pass 1: its entry action ran";
  EXPECT_TRUE(output("ASPI")) << "and left in pass 2";
  EXPECT_FALSE(output("MT")) << "crossed in passing, it drives no level";
  // Pass 1: step 1 is left, line is still held. Pass 2: line is free.
  const grafcet::evolution& released = turn({"init", "dc"});
  EXPECT_EQ(released.passes, 2);
  EXPECT_EQ(active(), (steps{0, 11}));
}

const char* two_orders_on_line =
    "grafcet safety\ninitial step 0\nstep 1\n0 -> 1 : atu\n1 -> 0 : init\n1: force line {}\n"
    "grafcet modes\ninitial step 5\nstep 6\n5 -> 6 : ac\n6 -> 5 : init\n6: force line {SECOND}\n"
    "grafcet line\ninitial step 10\nstep 11\n10 -> 11 : dc\n11 -> 10 : ac\n";

TEST_F(ChartRun, TwoDifferentForcingOrdersOnOneGrafcetAreReportedAndTheLastWrittenApplies) {
  std::string text = two_orders_on_line;
  load(text.replace(text.find("SECOND"), 6, "11"));
  EXPECT_TRUE(turn().forcing_conflicts.empty());
  EXPECT_TRUE(turn({"atu"}).forcing_conflicts.empty()) << "one order alone";
  const grafcet::evolution& e = turn({"ac"});
  EXPECT_EQ(active(), (steps{1, 6, 11})) << "step 6's order, written after step 1's";
  ASSERT_EQ(e.forcing_conflicts.size(), 1u) << "once, not once a pass";
  const grafcet::chart& c = parsed.model;
  EXPECT_EQ(c.steps[c.actions[e.forcing_conflicts[0].overridden].step].number, 1);
  EXPECT_EQ(c.steps[c.actions[e.forcing_conflicts[0].applied].step].number, 6);
  EXPECT_EQ(turn().forcing_conflicts.size(), 1u) << "again at the next turn: the engine keeps no history";
}

TEST_F(ChartRun, TwoForcingOrdersIntoTheSameSituationAreNoConflict) {
  std::string text = two_orders_on_line;
  load(text.replace(text.find("SECOND"), 6, ""));
  turn();
  turn({"atu"});
  EXPECT_TRUE(turn({"ac"}).forcing_conflicts.empty());
  EXPECT_EQ(active(), (steps{1, 6}));
}

}  // namespace
