// The scenario language: what each statement becomes, and the mistakes that
// stop a run before it starts.
#include <gtest/gtest.h>

#include "iolink/signals.h"
#include "runner/scenario.h"

#include <sstream>

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
  EXPECT_EQ(mistake("\n\nwait 3\n"), "s.scn:3: unknown statement 'wait' (at, expect or end)");
  EXPECT_EQ(mistake("at 1 press START for 1\n"),
            "s.scn:1: unknown button 'START' (INIT, DC, AC, ATU, interv., piece, couvercle, "
            "REDESSINER, PV)");
  EXPECT_EQ(mistake("expect vitesse = 1 at 2\n"), "s.scn:1: unknown signal 'vitesse'");
  EXPECT_EQ(mistake("expect never \"TRANSFERT\n"), "s.scn:1: message quote not closed");
  EXPECT_EQ(mistake("expect TRANSFERT count 1 by 2\n"),
            "s.scn:1: a message is written in double quotes: \"TRANSFERT\"");
  EXPECT_EQ(mistake("at 5 click piece\nat 4.995 click piece\n"),
            "s.scn:2: 'at' time earlier than the previous 'at'");
  EXPECT_EQ(mistake("at 1 click a propos\n"),
            "s.scn:1: \"a propos\" opens a dialog that would block the run");
}

TEST(ScenarioMistakes, ButtonsAreUsedTheWayThePanelWorks) {
  EXPECT_EQ(mistake("at 1 press piece for 1\n"), "s.scn:1: piece is not held: at T click piece");
  EXPECT_EQ(mistake("at 1 click INIT\n"), "s.scn:1: INIT is not clicked: at T press INIT for D");
  EXPECT_EQ(mistake("at 1 press PV for 1\n"), "s.scn:1: PV is not held: at T toggle PV");
  EXPECT_EQ(mistake("at 1 click quit\n"), "s.scn:1: quit is not scripted: 'end T' ends the run");
  EXPECT_EQ(mistake("at 1 press \"INIT\" for 1\n"),
            "s.scn:1: expected button, found the message \"INIT\"");
  EXPECT_EQ(mistake("at 1 press INIT for 0\n"), "s.scn:1: a press lasts longer than 0 s");
  EXPECT_EQ(mistake("at 1 press INIT\n"), "s.scn:1: missing 'for'");
  EXPECT_EQ(mistake("at 1 jump INIT\n"), "s.scn:1: unknown action 'jump' (press, click or toggle)");
}

TEST(ScenarioMistakes, NumbersAndTheShapeOfEachStatement) {
  EXPECT_EQ(mistake("at soon click piece\n"),
            "s.scn:1: bad time after 'at' 'soon' (seconds, e.g. 2.5)");
  EXPECT_EQ(mistake("expect \"X\" count -1 by 2\n"), "s.scn:1: a count is not negative");
  EXPECT_EQ(mistake("expect \"X\" count three by 2\n"),
            "s.scn:1: bad count 'three' (a whole number)");
  EXPECT_EQ(mistake("expect \"X\" count 1 before 2\n"), "s.scn:1: expected 'by', found 'before'");
  EXPECT_EQ(mistake("expect MT == 1 at 2\n"), "s.scn:1: expected '=', found '=='");
  EXPECT_EQ(mistake("end 10 now\n"), "s.scn:1: unexpected 'now' at the end");
  EXPECT_EQ(mistake("end 10\nend 20\n"), "s.scn:2: a second 'end'");
  EXPECT_EQ(mistake("expect never \"\"\n"), "s.scn:1: empty message");
}

TEST(ScenarioMistakes, TimesAfterTheEndCanNeverBeReached) {
  EXPECT_EQ(mistake("at 11 click piece\nend 10\n"), "s.scn:1: time after the end (10)");
  EXPECT_EQ(mistake("end 10\nexpect MT = 1 at 10.005\n"), "s.scn:2: time after the end (10)");
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
