// Exploration without a line: the random actions drawn from a seed, and the
// shrinking of a failing list against a failure decided by the test.
#include <gtest/gtest.h>

#include "runner/explore.h"
#include "runner/options.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace {

scenario parse(const std::string& text) {
  std::istringstream in(text);
  return parse_scenario(in, "x.scn");
}

const char* const operator_scenario =
    "at 0.5 press INIT for 0.5\n"
    "at 3 press DC for 0.5\n"
    "explore from 4\n"
    "explore click piece every 2..5\n"
    "explore press ATU for 0.1..0.5 every 7..9\n"
    "explore fault vh = 1 for 0.02..0.04 every 10..11\n"
    "explore toggle PV every 6..8\n"
    "explore for 40\n"
    "never SORT and RENT\n";

TEST(ExploredActions, TheSameSeedAndRunGiveTheSameActionsOtherRunsOthers) {
  const scenario s = parse(operator_scenario);
  const auto first = explored_actions(s, 42, 3);
  std::vector<std::string> a, b, other;
  for (const action& x : first) a.push_back(format_action(x));
  for (const action& x : explored_actions(s, 42, 3)) b.push_back(format_action(x));
  for (const action& x : explored_actions(s, 42, 4)) other.push_back(format_action(x));
  EXPECT_EQ(a, b);
  EXPECT_NE(a, other);
  std::vector<std::string> seeded;
  for (const action& x : explored_actions(s, 43, 3)) seeded.push_back(format_action(x));
  EXPECT_NE(a, seeded);
}

TEST(ExploredActions, KeepTheScenariosOwnAndDrawWithinEachRuleOnWholeTurns) {
  const scenario s = parse(operator_scenario);
  for (int run = 0; run < 20; ++run) {
    const auto actions = explored_actions(s, 7, run);
    ASSERT_GE(actions.size(), 2u);
    EXPECT_EQ(format_action(actions[0]), "at 0.5 press INIT for 0.5");
    EXPECT_EQ(format_action(actions[1]), "at 3 press DC for 0.5");
    EXPECT_TRUE(std::is_sorted(actions.begin(), actions.end(),
                               [](const action& x, const action& y) { return x.at < y.at; }));
    std::map<int, micros> last;  // by scenario line: the time drawn before
    std::map<int, int> count;
    for (size_t i = 2; i < actions.size(); ++i) {
      const action& a = actions[i];
      SCOPED_TRACE(format_action(a));
      EXPECT_EQ(a.at % 5000, 0);
      EXPECT_LT(a.at, 40000000);
      const micros gap = a.at - (last.count(a.line) ? last[a.line] : 4000000);
      last[a.line] = a.at;
      ++count[a.line];
      switch (a.line) {
        case 4:
          EXPECT_EQ(a.kind, action::click);
          EXPECT_GE(gap, 2000000);
          EXPECT_LE(gap, 5000000);
          break;
        case 5:
          EXPECT_EQ(a.button, panel_button::atu);
          EXPECT_GE(a.duration, 100000);
          EXPECT_LE(a.duration, 500000);
          EXPECT_GE(gap, 7000000);
          EXPECT_LE(gap, 9000000);
          break;
        case 6:
          EXPECT_EQ(a.kind, action::fault);
          EXPECT_EQ(format_action(a).substr(format_action(a).find("fault")), "fault vh = 1 for " +
                                                                                   format_seconds(a.duration));
          EXPECT_GE(a.duration, 20000);
          EXPECT_LE(a.duration, 40000);
          break;
        case 7: EXPECT_EQ(a.kind, action::toggle); break;
        default: ADD_FAILURE() << "drawn from line " << a.line;
      }
    }
    // 36 s of clicks every 2 to 5 s, of ATU every 7 to 9 s.
    EXPECT_GE(count[4], 7);
    EXPECT_LE(count[4], 18);
    EXPECT_GE(count[5], 4);
    EXPECT_LE(count[5], 5);
  }
}

TEST(ExploredActions, TheLengthIsExploreForElseTheEnd) {
  EXPECT_EQ(explored_length(parse("end 30\nexplore for 12\n")), 12000000);
  EXPECT_EQ(explored_length(parse("end 30\n")), 30000000);
  EXPECT_THROW(explored_length(parse("never MT\n")), usage_error);
}

// A failure decided by the test: the statement fails when a DC is followed
// by an ATU within 0.3 s, in the turn of that ATU.
trial judged(const std::vector<action>& actions, int statement = 0) {
  trial t;
  for (const action& dc : actions) {
    if (dc.kind != action::press || dc.button != panel_button::dc) continue;
    for (const action& atu : actions)
      if (atu.kind == action::press && atu.button == panel_button::atu && atu.at >= dc.at &&
          atu.at - dc.at <= 300000) {
        t.same_failure = true;
        t.how = {statement, int(atu.at / 5000), atu.at};
        return t;
      }
  }
  return t;
}

TEST(Shrinking, LeavesOnlyWhatTheFailureNeedsAsLateAndShortAsItCan) {
  const scenario s = parse(operator_scenario);
  std::vector<action> failing = explored_actions(s, 1, 0);
  action dc{action::press, panel_button::dc, 20000000, 400000};
  action atu{action::press, panel_button::atu, 20200000, 300000};
  failing.push_back(dc);
  failing.push_back(atu);
  std::stable_sort(failing.begin(), failing.end(),
                   [](const action& x, const action& y) { return x.at < y.at; });
  failure how = judged(failing).how;
  int trials = 0;
  const trial_batch try_all = [&](const std::vector<std::vector<action>>& candidates, const failure&) {
    std::vector<trial> results;
    for (const auto& c : candidates) results.push_back(judged(c));
    trials += int(candidates.size());
    return results;
  };
  const std::vector<action> shrunk = shrink_actions(failing, how, try_all);
  ASSERT_EQ(shrunk.size(), 2u);
  EXPECT_EQ(format_action(shrunk[0]).substr(0, 3), "at ");
  EXPECT_EQ(shrunk[0].button, panel_button::dc);
  EXPECT_EQ(shrunk[1].button, panel_button::atu);
  // Moved as late as it still fails: onto the ATU; both a turn long.
  EXPECT_EQ(shrunk[0].at, shrunk[1].at);
  EXPECT_EQ(shrunk[0].duration, 5000);
  EXPECT_EQ(shrunk[1].duration, 5000);
  EXPECT_LT(trials, 400);
  // 1-minimal: no action can go, and the shrinking is the same when run again.
  for (size_t i = 0; i < shrunk.size(); ++i) {
    std::vector<action> fewer = shrunk;
    fewer.erase(fewer.begin() + long(i));
    EXPECT_FALSE(judged(fewer).same_failure);
  }
  std::vector<std::string> again, once;
  for (const action& a : shrink_actions(failing, how, try_all)) again.push_back(format_action(a));
  for (const action& a : shrunk) once.push_back(format_action(a));
  EXPECT_EQ(again, once);
}

TEST(Shrinking, AFaultWithoutAnEndEndsWithTheFailure) {
  action stuck{action::fault, panel_button::init, 1000000, forever};
  stuck.signal = 11;  // vh
  stuck.value = 1;
  std::vector<action> failing = {stuck};
  // Fails as long as the fault lasts at least to 2 s.
  auto judge = [](const std::vector<action>& actions) {
    trial t;
    for (const action& a : actions)
      if (a.kind == action::fault && (a.duration == forever || a.at + a.duration > 2000000)) {
        t.same_failure = true;
        t.how = {0, 400, 2000000};
      }
    return t;
  };
  const trial_batch try_all = [&](const std::vector<std::vector<action>>& candidates, const failure&) {
    std::vector<trial> results;
    for (const auto& c : candidates) results.push_back(judge(c));
    return results;
  };
  const auto shrunk = shrink_actions(failing, judge(failing).how, try_all);
  ASSERT_EQ(shrunk.size(), 1u);
  EXPECT_EQ(shrunk[0].duration, 1005000);
}

TEST(MinimalScenario, HoldsTheActionsTheFailedStatementAndAnEndShortlyAfter) {
  const scenario s = parse("expect \"X\" count 1 by 20\nnever SORT and RENT  # the jacks\nend 60\n");
  const std::vector<action> actions = {{action::press, panel_button::dc, 3000000, 5000},
                                       {action::click, panel_button::piece, 3500000}};
  EXPECT_EQ(minimal_scenario_text(s, actions, {1, 800, 4000000}, "from run 3"),
            "# from run 3\nat 3 press DC for 0.005\nat 3.5 click piece\nnever SORT and RENT\nend 5\n");
  // A count judged at 20 s needs the run to reach it.
  EXPECT_EQ(minimal_end(s, {0, 800, 4000000}), 20000000);
  // The run itself failed (its controller ended): every statement stays.
  const std::string itself = minimal_scenario_text(s, actions, {-1, 800, 4000000}, "x");
  EXPECT_NE(itself.find("expect \"X\" count 1 by 20\nnever SORT and RENT\nend 20\n"), std::string::npos)
      << itself;
  // What is written reads back as a scenario.
  EXPECT_EQ(parse(minimal_scenario_text(s, actions, {1, 800, 4000000}, "x")).actions.size(), 2u);
}

TEST(FirstFailure, IsTheEarliestFailingTurnThenTheFirstStatement) {
  const scenario s = parse("never MT\nnever DESV\nexpect MTA = 1 at 2\n");
  std::vector<check_result> results(3);
  for (size_t i = 0; i < 3; ++i) results[i].expected = &s.expectations[i];
  results[1].status = results[2].status = check_status::failed;
  results[1].example.turn = 400;
  results[1].example.time = 2000000;
  results[2].example.turn = 400;
  results[2].example.time = 2000000;
  failure f;
  ASSERT_TRUE(first_failure(results, {}, 1000, 5000000, &s.expectations[0], f));
  EXPECT_EQ(f.statement, 1);
  EXPECT_EQ(f.turn, 400);
  results[1].status = results[2].status = check_status::passed;
  EXPECT_FALSE(first_failure(results, {}, 1000, 5000000, &s.expectations[0], f));
  // A controller that ended is the run's own failure.
  ASSERT_TRUE(first_failure(results, {run_problem::failure, "ended"}, 700, 3500000,
                            &s.expectations[0], f));
  EXPECT_EQ(f.statement, -1);
  EXPECT_EQ(f.turn, 700);
}

TEST(ExploreStatements, ReadRangesAndRefuseWhatCannotBeDrawn) {
  const scenario s = parse(operator_scenario);
  ASSERT_EQ(s.explore.rules.size(), 4u);
  EXPECT_EQ(s.explore.from, 4000000);
  EXPECT_EQ(*s.explore.length, 40000000);
  EXPECT_EQ(s.explore.rules[1].hold.low, 100000);
  EXPECT_EQ(s.explore.rules[1].every.high, 9000000);
  auto mistake = [](const std::string& text) {
    try {
      parse(text);
    } catch (const scenario_error& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(mistake("explore click piece every 0..2\n"),
            "x.scn:1:27: an interval is longer than 0 s: the action would repeat in one turn");
  EXPECT_EQ(mistake("explore press DC for 2..1 every 1..2\n"),
            "x.scn:1:22: an empty range: duration 2..1");
  EXPECT_EQ(mistake("explore click DC every 1..2\n"), "x.scn:1:15: DC is not clicked: at T press DC for D");
  EXPECT_EQ(mistake("explore press ATU every 1..2\n"), "x.scn:1:19: expected 'for', found 'every'");
  EXPECT_EQ(mistake("explore wiggle DC\n"),
            "x.scn:1:9: unknown exploration 'wiggle' (click, press, toggle, fault, from or for)");
  EXPECT_EQ(mistake("explore fault vh = 3 for 1..2 every 3..4\n"),
            "x.scn:1:20: a signal's value is 0 or 1, not '3'");
  EXPECT_EQ(mistake("explore click piece every 1-2\n"), "x.scn:1:27: bad interval '1-2' (seconds, e.g. 2.5)");
}

}  // namespace
