// The scenario language: what each statement becomes, and the mistakes that
// stop a run before it starts.
#include <gtest/gtest.h>

#include "iolink/signals.h"
#include "runner/scenario.h"

#include <sstream>
#include <utility>
#include <vector>

namespace {

scenario parse(const std::string& text) {
  std::istringstream in(text);
  return parse_scenario(in, "s.scn");
}

// The "FILE:LINE: reason" of the mistake, or "" when the text parses.
std::string mistake(const std::string& text) {
  try {
    parse(text);
  } catch (const scenario_error& e) {
    return e.what();
  }
  return "";
}

TEST(ScenarioStatements, PressHoldsAButtonFromItsTimeForItsDuration) {
  scenario s = parse("at 1.5 press INIT for 0.25\nat 2 press interv. for 1\n");
  ASSERT_EQ(s.actions.size(), 2u);
  EXPECT_EQ(s.actions[0].kind, action::press);
  EXPECT_EQ(s.actions[0].button, panel_button::init);
  EXPECT_EQ(s.actions[0].at, 1500000);
  EXPECT_EQ(s.actions[0].duration, 250000);
  EXPECT_EQ(s.actions[0].line, 1);
  EXPECT_EQ(s.actions[1].button, panel_button::intervention);
  EXPECT_EQ(s.actions[1].line, 2);
}

TEST(ScenarioStatements, ClicksAndTheToggleNameTheirButtonsAsTheWindowShowsThem) {
  scenario s =
      parse("at 0 click piece\nat 0 click couvercle\nat 0 click REDESSINER\nat 3 toggle PV\n");
  ASSERT_EQ(s.actions.size(), 4u);
  EXPECT_EQ(s.actions[0].button, panel_button::piece);
  EXPECT_EQ(s.actions[1].button, panel_button::lid);
  EXPECT_EQ(s.actions[2].button, panel_button::redraw);
  EXPECT_EQ(s.actions[3].kind, action::toggle);
  EXPECT_EQ(s.actions[3].button, panel_button::pv);
  EXPECT_STREQ(button_label(panel_button::intervention), "interv.");
}

TEST(ScenarioStatements, MessageExpectationsKeepTheWholeLineWithItsBlanks) {
  scenario s = parse("expect \" DESTRUCTION\" count 3 by 40\nexpect never \"ENCOLLAGE !\"\n");
  ASSERT_EQ(s.expectations.size(), 2u);
  const expectation& count = s.expectations[0];
  EXPECT_EQ(count.kind, expectation::message_count);
  EXPECT_EQ(count.message, " DESTRUCTION");
  EXPECT_EQ(count.count, 3);
  EXPECT_EQ(count.at, 40000000);
  EXPECT_EQ(count.text, "expect \" DESTRUCTION\" count 3 by 40");
  EXPECT_EQ(s.expectations[1].kind, expectation::message_never);
  EXPECT_EQ(s.expectations[1].message, "ENCOLLAGE !");
}

TEST(ScenarioStatements, SignalExpectationsFindInputsAndOutputsInTheTable) {
  scenario s = parse("expect p1ok = 1 at 2\nexpect TIMER10 = 0 at 2.005\n");
  ASSERT_EQ(s.expectations.size(), 2u);
  EXPECT_EQ(s.expectations[0].signal, static_cast<int>(in::p1ok));
  EXPECT_EQ(s.expectations[0].value, 1);
  EXPECT_EQ(s.expectations[1].signal, input_signal_count + out::TIMER10);
  EXPECT_EQ(s.expectations[1].at, 2005000);
}

TEST(ScenarioStatements, CommentsAndBlankLinesAreSkippedButAHashInAMessageIsKept) {
  scenario s = parse("# a run\n\n   \nend 60  # one minute\nexpect never \"#3 # x\" # no\n");
  ASSERT_TRUE(s.end);
  EXPECT_EQ(*s.end, 60000000);
  ASSERT_EQ(s.expectations.size(), 1u);
  EXPECT_EQ(s.expectations[0].message, "#3 # x");
  EXPECT_EQ(s.expectations[0].line, 5);
}

TEST(ScenarioStatements, ActionsAtTheSameTimeKeepTheirOrder) {
  scenario s = parse("at 1 click piece\nat 1 click couvercle\n");
  ASSERT_EQ(s.actions.size(), 2u);
  EXPECT_EQ(s.actions[0].button, panel_button::piece);
  EXPECT_EQ(s.actions[1].button, panel_button::lid);
}

TEST(ScenarioStatements, PropertiesHoldAConditionOverASpanBothEndsIncluded) {
  scenario s = parse("always not (SORT and RENT)\nnever DESV and not vh from 2 to 30.5\n"
                     "always dc from 1\n");
  ASSERT_EQ(s.expectations.size(), 3u);
  const expectation& always = s.expectations[0];
  EXPECT_EQ(always.kind, expectation::always);
  EXPECT_FALSE(always.negated);
  EXPECT_EQ(always.from, 0);
  EXPECT_EQ(always.to, forever);
  EXPECT_EQ(conditions::signals_read(s.conditions, always.cond),
            (std::vector<int>{input_signal_count + out::RENT, input_signal_count + out::SORT}));
  EXPECT_TRUE(s.expectations[1].negated);
  EXPECT_EQ(s.expectations[1].from, 2000000);
  EXPECT_EQ(s.expectations[1].to, 30500000);
  EXPECT_EQ(s.expectations[2].from, 1000000);
  EXPECT_EQ(s.expectations[2].to, forever);
}

TEST(ScenarioStatements, WithinTakesConditionsOrMessagesOnEitherSide) {
  scenario s = parse("expect \" DESTRUCTION\" within 40 after \"TRANSFERT\"\n"
                     "expect not (MT or MTA) within 0.01 after rise(atu)\n");
  ASSERT_EQ(s.expectations.size(), 2u);
  const expectation& progress = s.expectations[0];
  EXPECT_EQ(progress.kind, expectation::within);
  EXPECT_TRUE(progress.target.is_message());
  EXPECT_EQ(progress.target.message, " DESTRUCTION");
  EXPECT_EQ(progress.trigger.message, "TRANSFERT");
  EXPECT_EQ(progress.deadline_after, 40000000);
  const expectation& stop = s.expectations[1];
  EXPECT_FALSE(stop.target.is_message());
  EXPECT_FALSE(stop.trigger.is_message());
  EXPECT_EQ(stop.deadline_after, 10000);
}

TEST(ScenarioStatements, FaultsAreActionsWithOrWithoutAnEnd) {
  scenario s = parse("at 5 fault vh = 0 for 2.5\nat 6 fault MT = 1\n");
  ASSERT_EQ(s.actions.size(), 2u);
  EXPECT_EQ(s.actions[0].kind, action::fault);
  EXPECT_EQ(s.actions[0].signal, static_cast<int>(in::vh));
  EXPECT_EQ(s.actions[0].value, 0);
  EXPECT_EQ(s.actions[0].duration, 2500000);
  EXPECT_EQ(s.actions[1].signal, input_signal_count + out::MT);
  EXPECT_EQ(s.actions[1].duration, forever);
  EXPECT_EQ(format_action(s.actions[0]), "at 5 fault vh = 0 for 2.5");
  EXPECT_EQ(format_action(s.actions[1]), "at 6 fault MT = 1");
}

TEST(ScenarioStatements, ChecksNameTheLinesOutcomes) {
  scenario s = parse("check glued\ncheck lids from 1 to 2\ncheck jacks\ncheck all\n");
  ASSERT_EQ(s.expectations.size(), 4u);
  EXPECT_EQ(s.expectations[0].outcomes, unsigned(outcome_glued));
  EXPECT_EQ(s.expectations[1].outcomes, unsigned(outcome_lids));
  EXPECT_EQ(s.expectations[1].to, 2000000);
  EXPECT_EQ(s.expectations[2].outcomes, unsigned(outcome_jacks));
  EXPECT_EQ(s.expectations[3].outcomes, unsigned(outcome_all));
}

TEST(ScenarioStatements, ACommentIsNeverPartOfAStatementsText) {
  scenario s = parse("never SORT and RENT  # the pusher's two ways\nexpect MT = 1 at 2 #x\n");
  EXPECT_EQ(s.expectations[0].text, "never SORT and RENT");
  EXPECT_EQ(s.expectations[1].text, "expect MT = 1 at 2");
}

TEST(ScenarioStatements, AByteOrderMarkAtTheStartIsSkipped) {
  scenario s = parse("\xEF\xBB\xBF" "end 5\n");
  ASSERT_TRUE(s.end);
  EXPECT_EQ(*s.end, 5000000);
}

TEST(ScenarioStatements, ActionsWriteBackAsTheyAreRead) {
  for (const char* line : {"at 0.5 press INIT for 0.5", "at 3 click piece", "at 12.25 toggle PV",
                           "at 1 fault p3ok = 1 for 0.005"}) {
    scenario s = parse(std::string(line) + "\n");
    ASSERT_EQ(s.actions.size(), 1u);
    EXPECT_EQ(format_action(s.actions[0]), line);
  }
}

TEST(ScenarioMistakes, NewStatementsNameTheColumnOfTheirMistake) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"at 1 fault vh = 2\n", "s.scn:1:17: a signal's value is 0 or 1, not '2'"},
      {"expect MT = -1 at 2\n", "s.scn:1:13: a signal's value is 0 or 1, not '-1'"},
      {"at 1 fault vh = 0 for 0\n", "s.scn:1:23: a fault lasts longer than 0 s"},
      {"at 1 fault vhh = 0\n", "s.scn:1:12: unknown signal 'vhh' (did you mean 'vh'?)"},
      {"expect emergency_button = 1 at 2\n", "s.scn:1:8: unknown signal 'emergency_button'"},
      {"never SORT and RENTT\n", "s.scn:1:16: unknown signal 'RENTT' (did you mean 'RENT'?)"},
      {"at 1 click pece\n",
       "s.scn:1:12: unknown button 'pece' (INIT, DC, AC, ATU, interv., piece, couvercle, "
       "REDESSINER, PV) (did you mean 'piece'?)"},
      {"alway dc\n",
       "s.scn:1:1: unknown statement 'alway' (at, expect, always, never, check, end or explore) (did you "
       "mean 'always'?)"},
      {"check glue\n",
       "s.scn:1:7: unknown check 'glue' (glued, lids, jacks or all) (did you mean 'glued'?)"},
      {"always dc from 5 to 2\n", "s.scn:1:21: 'to' earlier than 'from'"},
      {"always dc and\n", "s.scn:1:14: expected a condition before the end of the line"},
      {"expect MT within 1\n", "s.scn:1:19: missing 'after'"},
      {"expect MT within soon after dc\n",
       "s.scn:1:18: bad duration after 'within' 'soon' (seconds, e.g. 2.5)"},
      {"expect \"X\" count 99999999999 by 2\n", "s.scn:1:18: count 99999999999 is too large"},
      {"expect \"X\" count 3000000000 by 2\n", "s.scn:1:18: count 3000000000 is too large"},
      {"end 99999999999\n", "s.scn:1:5: bad time after 'end' '99999999999' (seconds, e.g. 2.5)"},
      {"end 10\nalways dc from 11\n", "s.scn:2:16: time after the end (10)"},
      // Columns count characters, not bytes.
      {"expect never \"\xC3\xA9t\xC3\xA9\" \xC3\xA9\n", "s.scn:1:20: unexpected '\xC3\xA9' at the end"},
      {"expect never \"caf\xE9\"\n", "s.scn:1:18: a byte that is not UTF-8 text"},
      {"end 5 # \xC3\xA9t\xC3\xA9 \xFF\n", "s.scn:1:13: a byte that is not UTF-8 text"},
      {"\xEF\xBB\xBF" "end 5\n\xEF\xBB\xBF" "end 6\n", "s.scn:2:1: a byte-order mark inside the file"},
  };
  for (const auto& [text, reason] : cases) EXPECT_EQ(mistake(text), reason) << text;
}

TEST(ScenarioTimes, SecondsBecomeExactMicroseconds) {
  micros t;
  ASSERT_TRUE(parse_seconds("0.005", t));
  EXPECT_EQ(t, 5000);
  ASSERT_TRUE(parse_seconds(".5", t));
  EXPECT_EQ(t, 500000);
  ASSERT_TRUE(parse_seconds("12", t));
  EXPECT_EQ(t, 12000000);
  ASSERT_TRUE(parse_seconds("0.000001", t));
  EXPECT_EQ(t, 1);
  for (const char* bad : {"", ".", "-1", "1e3", "0.0000001", "1,5", "1.2.3", "12345678901"})
    EXPECT_FALSE(parse_seconds(bad, t)) << bad;
}

TEST(ScenarioTimes, FormattedAsAScenarioWritesThem) {
  EXPECT_EQ(format_seconds(60000000), "60");
  EXPECT_EQ(format_seconds(2500000), "2.5");
  EXPECT_EQ(format_seconds(5000), "0.005");
  EXPECT_EQ(format_seconds(0), "0");
}

TEST(ScenarioMistakes, EachKindNamesTheFileTheLineAndTheReason) {
  EXPECT_EQ(mistake("\n\nwait 3\n"), "s.scn:3:1: unknown statement 'wait' (at, expect, always, never, check, end or explore)");
  EXPECT_EQ(mistake("at 1 press START for 1\n"),
            "s.scn:1:12: unknown button 'START' (INIT, DC, AC, ATU, interv., piece, couvercle, "
            "REDESSINER, PV)");
  EXPECT_EQ(mistake("expect vitesse = 1 at 2\n"), "s.scn:1:8: unknown signal 'vitesse'");
  EXPECT_EQ(mistake("expect never \"TRANSFERT\n"), "s.scn:1:14: message quote not closed");
  EXPECT_EQ(mistake("expect TRANSFERT count 1 by 2\n"),
            "s.scn:1:8: a message is written in double quotes: \"TRANSFERT\"");
  EXPECT_EQ(mistake("at 5 click piece\nat 4.995 click piece\n"),
            "s.scn:2:4: 'at' time earlier than the previous 'at'");
  EXPECT_EQ(mistake("at 1 click a propos\n"),
            "s.scn:1:12: \"a propos\" opens a dialog that would block the run");
}

TEST(ScenarioMistakes, ButtonsAreUsedTheWayThePanelWorks) {
  EXPECT_EQ(mistake("at 1 press piece for 1\n"), "s.scn:1:12: piece is not held: at T click piece");
  EXPECT_EQ(mistake("at 1 click INIT\n"), "s.scn:1:12: INIT is not clicked: at T press INIT for D");
  EXPECT_EQ(mistake("at 1 press PV for 1\n"), "s.scn:1:12: PV is not held: at T toggle PV");
  EXPECT_EQ(mistake("at 1 click quit\n"), "s.scn:1:12: quit is not scripted: 'end T' ends the run");
  EXPECT_EQ(mistake("at 1 press \"INIT\" for 1\n"),
            "s.scn:1:12: expected button, found the message \"INIT\"");
  EXPECT_EQ(mistake("at 1 press INIT for 0\n"), "s.scn:1:21: a press lasts longer than 0 s");
  EXPECT_EQ(mistake("at 1 press INIT\n"), "s.scn:1:16: missing 'for'");
  EXPECT_EQ(mistake("at 1 jump INIT\n"), "s.scn:1:6: unknown action 'jump' (press, click, toggle or fault)");
}

TEST(ScenarioMistakes, NumbersAndTheShapeOfEachStatement) {
  EXPECT_EQ(mistake("at soon click piece\n"),
            "s.scn:1:4: bad time after 'at' 'soon' (seconds, e.g. 2.5)");
  EXPECT_EQ(mistake("expect \"X\" count -1 by 2\n"), "s.scn:1:18: a count is not negative");
  EXPECT_EQ(mistake("expect \"X\" count three by 2\n"),
            "s.scn:1:18: bad count 'three' (a whole number)");
  EXPECT_EQ(mistake("expect \"X\" count 1 before 2\n"), "s.scn:1:20: expected 'by', found 'before'");
  EXPECT_EQ(mistake("expect MT == 1 at 2\n"), "s.scn:1:12: expected a value, 0 or 1, found '='");
  EXPECT_EQ(mistake("end 10 now\n"), "s.scn:1:8: unexpected 'now' at the end");
  EXPECT_EQ(mistake("end 10\nend 20\n"), "s.scn:2:1: a second 'end'");
  EXPECT_EQ(mistake("expect never \"\"\n"), "s.scn:1:14: empty message");
}

TEST(ScenarioMistakes, TimesAfterTheEndCanNeverBeReached) {
  EXPECT_EQ(mistake("at 11 click piece\nend 10\n"), "s.scn:1:4: time after the end (10)");
  EXPECT_EQ(mistake("end 10\nexpect MT = 1 at 10.005\n"), "s.scn:2:18: time after the end (10)");
  EXPECT_EQ(mistake("end 10\nexpect \"X\" count 1 by 10\nat 10 click piece\n"), "");
}

TEST(ScenarioMistakes, AMissingFileIsReportedByItsName) {
  try {
    read_scenario_file("/nonexistent/run.scn");
    FAIL() << "no error";
  } catch (const scenario_error& e) {
    EXPECT_STREQ(e.what(), "/nonexistent/run.scn: cannot be read");
  }
}

}  // namespace
