// The verdict on what a run showed: each statement judged turn by turn, the
// printed lines and the JUnit file.
#include <gtest/gtest.h>

#include "iolink/signals.h"
#include "runner/checks.h"
#include "runner/message_log.h"
#include "runner/verdict.h"
#include "tests/support/process.h"

#include <unistd.h>

#include <functional>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

namespace {

scenario parse(const std::string& text) {
  std::istringstream in(text);
  return parse_scenario(in, "s.scn");
}

constexpr int row(int output) { return input_signal_count + output; }

// What a run showed, turn by turn: the messages printed in each turn, the
// line's outcomes, and the signals.
struct replay {
  int last_turn = 100;  // 5 ms a turn: 0 to 0.5 s
  std::map<int, std::vector<std::string>> messages;
  std::map<int, std::vector<line_event>> events;
  std::function<void(int turn, signal_values&)> signals = [](int, signal_values&) {};
};

std::vector<check_result> judge(const scenario& s, const replay& r) {
  property_checker checker(s);
  const std::vector<std::string> no_messages;
  const std::vector<line_event> no_events;
  for (int turn = 0; turn <= r.last_turn; ++turn) {
    turn_view view;
    view.turn = turn;
    view.time = turn * 5000;
    r.signals(turn, view.signals);
    auto m = r.messages.find(turn);
    view.messages = m == r.messages.end() ? &no_messages : &m->second;
    auto e = r.events.find(turn);
    view.events = e == r.events.end() ? &no_events : &e->second;
    checker.observe(view);
  }
  return checker.results();
}

replay with_messages(std::map<int, std::vector<std::string>> messages) {
  replay r;
  r.messages = std::move(messages);
  return r;
}

// The signal on from turn `from` (included) to turn `to` (excluded).
replay signal_on(int signal, int from, int to) {
  replay r;
  r.signals = [=](int turn, signal_values& v) { v[signal] = turn >= from && turn < to; };
  return r;
}

bool passed(const check_result& c) { return c.status == check_status::passed; }

// ----------------------------------------------------------- messages

TEST(MessageCounts, OnlyMessagesUpToTheTurnOfTheTimeCount) {
  scenario s = parse("expect \"TRANSFERT\" count 2 by 0.25\nexpect \"TRANSFERT\" count 3 by 0.5\n");
  auto results = judge(s, with_messages({{10, {"TRANSFERT"}}, {50, {"TRANSFERT"}}, {51, {"TRANSFERT"}}}));
  ASSERT_EQ(results.size(), 2u);
  EXPECT_TRUE(passed(results[0])) << results[0].observed;  // turn 50 is 0.25 s: it counts
  EXPECT_TRUE(passed(results[1])) << results[1].observed;
  EXPECT_TRUE(run_passed(results, {}));
}

TEST(MessageCounts, TheWholeLineMustMatchBlanksIncluded) {
  scenario s = parse("expect \" DESTRUCTION\" count 1 by 0.5\n");
  auto results = judge(s, with_messages({{5, {"DESTRUCTION"}}, {6, {" DESTRUCTION "}}}));
  EXPECT_FALSE(passed(results[0]));
  EXPECT_EQ(results[0].observed, "observed 0 by turn 100 (0.5 s)");
}

TEST(MessageCounts, TooManyNamesTheTurnOfTheFirstExtraOne) {
  scenario s = parse("expect \"TRANSFERT\" count 1 by 0.5\n");
  auto results =
      judge(s, with_messages({{3, {"TRANSFERT"}}, {7, {"TRANSFERT"}}, {9, {"TRANSFERT"}}}));
  EXPECT_FALSE(passed(results[0]));
  EXPECT_EQ(results[0].observed, "observed 3 by turn 100 (0.5 s), one too many in turn 7");
  EXPECT_FALSE(run_passed(results, {}));
}

TEST(MessageCounts, NeverFailsOnTheFirstAppearance) {
  scenario s = parse("expect never \"ENCOLLAGE !\"\nexpect never \"TRANSFERT\"\n");
  auto results = judge(s, with_messages({{42, {"ENCOLLAGE !"}}, {80, {"ENCOLLAGE !"}}}));
  EXPECT_FALSE(passed(results[0]));
  EXPECT_EQ(results[0].observed, "observed 2 times, first in turn 42");
  EXPECT_EQ(results[0].example.turn, 42);
  EXPECT_TRUE(passed(results[1]));
}

TEST(SignalValues, TheValueInTheTurnOfTheTimeDecides) {
  scenario s = parse("expect MT = 1 at 0.1\n");
  EXPECT_TRUE(passed(judge(s, signal_on(row(out::MT), 20, 21))[0]));
  auto results = judge(s, signal_on(row(out::MT), 21, 100));
  EXPECT_FALSE(passed(results[0]));
  EXPECT_EQ(results[0].observed, "observed 0 in turn 20 (0.1 s)");
}

TEST(SignalValues, ATimeTheRunNeverReachedFails) {
  scenario s = parse("expect MT = 0 at 3\nexpect \"X\" count 0 by 3\nalways dc from 1\ncheck all from 2\n");
  for (const auto& c : judge(s, replay{})) {
    EXPECT_FALSE(passed(c));
    EXPECT_EQ(c.observed, "not reached: the run ended at turn 100 (0.5 s)");
  }
}

// --------------------------------------------------- always and never

TEST(Properties, FailAtTheFirstTurnOfTheSpanWhereTheyBreakWithTheValuesRead) {
  scenario s = parse("never SORT and RENT\nalways not RENT from 0.1\nalways not RENT to 0.14\n"
                     "never SORT and RENT from 0.2 to 0.3\n");
  replay r;
  // RENT on in turns 30 to 40, SORT from 35 on.
  r.signals = [](int turn, signal_values& v) {
    v[row(out::RENT)] = turn >= 30 && turn < 40;
    v[row(out::SORT)] = turn >= 35;
  };
  auto results = judge(s, r);
  EXPECT_EQ(results[0].status, check_status::failed);
  EXPECT_EQ(results[0].example.turn, 35);
  EXPECT_EQ(results[0].example.time, 175000);
  EXPECT_EQ(results[0].observed, "true in turn 35 (0.175 s): RENT=1 SORT=1");
  EXPECT_EQ(results[0].example.values,
            (std::vector<std::pair<int, int32_t>>{{row(out::RENT), 1}, {row(out::SORT), 1}}));
  EXPECT_EQ(results[1].example.turn, 30);
  EXPECT_EQ(results[1].observed, "false in turn 30 (0.15 s): RENT=1");
  // Both ends of a span are included: 0.14 s is turn 28, before RENT.
  EXPECT_TRUE(passed(results[2])) << results[2].observed;
  EXPECT_TRUE(passed(results[3])) << results[3].observed;
}

TEST(Properties, AnEdgeIsTrueInTheTurnItsOperandRisesAndNeverAtTheFirstTurn) {
  scenario s = parse("never rise(dc)\nnever fall(dc)\n");
  // dc on from the start: no edge at the first turn; it falls at turn 50.
  auto results = judge(s, signal_on(in::dc, 0, 50));
  EXPECT_TRUE(passed(results[0])) << results[0].observed;
  EXPECT_EQ(results[1].example.turn, 50);
}

// ------------------------------------------------------------- within

TEST(Within, TheTargetMayComeInTheTriggersTurnOrUpToItsDeadlineIncluded) {
  scenario s = parse("expect MT within 0.05 after rise(dc)\n");
  replay r;
  // dc rises at turn 10; MT comes exactly 10 turns (0.05 s) later.
  r.signals = [](int turn, signal_values& v) {
    v[in::dc] = turn >= 10;
    v[row(out::MT)] = turn == 20;
  };
  EXPECT_TRUE(passed(judge(s, r)[0]));
  r.signals = [](int turn, signal_values& v) {
    v[in::dc] = turn >= 10;
    v[row(out::MT)] = turn == 21;
  };
  auto late = judge(s, r)[0];
  EXPECT_EQ(late.status, check_status::failed);
  EXPECT_EQ(late.example.trigger_turn, 10);
  EXPECT_EQ(late.example.deadline, 100000);
  EXPECT_EQ(late.example.turn, 21);
  EXPECT_EQ(late.observed, "triggered in turn 10 (0.05 s), not met by its deadline (0.1 s)");
}

TEST(Within, ATargetAlreadyMetCountsInTheTriggersOwnTurn) {
  scenario s = parse("expect not MT within 0.01 after rise(atu)\n");
  auto results = judge(s, signal_on(in::atu, 40, 60));  // MT never on
  EXPECT_TRUE(passed(results[0])) << results[0].observed;
}

TEST(Within, EachTriggerIsJudgedAndAMetTargetClearsEveryWaitingOne) {
  scenario s = parse("expect \" DESTRUCTION\" within 0.1 after \"TRANSFERT\"\n");
  auto ok = judge(s, with_messages({{5, {"TRANSFERT"}}, {10, {"TRANSFERT"}}, {25, {" DESTRUCTION"}},
                                    {40, {"TRANSFERT"}}, {60, {" DESTRUCTION"}}}));
  EXPECT_TRUE(passed(ok[0])) << ok[0].observed;
  auto broken = judge(s, with_messages({{5, {"TRANSFERT"}}, {25, {" DESTRUCTION"}},
                                        {40, {"TRANSFERT"}}, {61, {" DESTRUCTION"}}}));
  EXPECT_EQ(broken[0].status, check_status::failed);
  EXPECT_EQ(broken[0].example.trigger_turn, 40);
}

TEST(Within, ATriggerTooCloseToTheEndIsOpenButAMissedDeadlineAtTheEndFails) {
  scenario s = parse("expect MT within 0.1 after rise(dc)\n");
  auto open = judge(s, signal_on(in::dc, 90, 101))[0];
  EXPECT_EQ(open.status, check_status::open);
  EXPECT_EQ(open.observed,
            "triggered in turn 90 (0.45 s); the run ended at turn 100 (0.5 s), before the "
            "deadline (0.55 s)");
  EXPECT_TRUE(run_passed({open}, {}));
  // The deadline is the last turn itself, and the target did not come.
  auto failed = judge(s, signal_on(in::dc, 80, 101))[0];
  EXPECT_EQ(failed.status, check_status::failed);
}

// ------------------------------------------------------------- checks

TEST(LineChecks, EachOutcomeFailsInItsTurnAndOnlyTheChecksAskedFor) {
  scenario s = parse("check glued\ncheck lids\ncheck jacks\ncheck all from 0.3\n");
  replay r;
  line_event bare{line_event::workpiece_left};
  bare.bead = true;
  line_event fallen{line_event::lid_let_go};
  fallen.x = 386;
  fallen.y = 240;
  line_event glued{line_event::lid_let_go};
  glued.glued = true;
  line_event both{line_event::jacks_both_ways};
  both.output_one = out::SORT;
  both.output_other = out::RENT;
  r.events = {{12, {glued}}, {20, {bare}}, {33, {fallen}}, {47, {both}}};
  auto results = judge(s, r);
  EXPECT_EQ(results[0].observed, "a workpiece left the line without its lid in turn 20 (0.1 s)");
  EXPECT_EQ(results[1].observed,
            "a lid was let go at x 386, y 240, not onto a workpiece with a bead in turn 33 (0.165 s)");
  EXPECT_EQ(results[2].observed, "SORT and RENT on together in turn 47 (0.235 s)");
  EXPECT_EQ(results[3].status, check_status::passed) << "every outcome came before 0.3 s";
}

// ------------------------------------------------------- the verdict

TEST(VerdictLines, OneLinePerStatementThenTheSummary) {
  scenario s = parse("# header\nexpect MT = 1 at 0.1\nexpect never \"X\"\n"
                     "expect MT within 1 after rise(dc)\n");
  replay r = signal_on(row(out::MT), 0, 101);
  r.messages = {{1, {"X"}}};
  r.signals = [](int turn, signal_values& v) {
    v[row(out::MT)] = 1;
    v[in::dc] = turn == 90;
  };
  std::ostringstream out;
  print_verdict(out, judge(s, r));
  EXPECT_EQ(out.str(),
            "PASS line 2: expect MT = 1 at 0.1\n"
            "FAIL line 3: expect never \"X\": observed once, first in turn 1\n"
            "PASS line 4: expect MT within 1 after rise(dc)\n"
            "FAILED: 2 of 3 expectations hold\n");
  std::ostringstream late;
  print_late_answers(late, 3, 250);
  EXPECT_EQ(late.str(), "late answers: 3 (turns not answered within 250 ms)\n");
}

TEST(VerdictLines, OpenStatementsAreCountedApartAndTheRunsOwnProblemIsSaid) {
  scenario s = parse("expect MT within 1 after rise(dc)\n");
  auto results = judge(s, signal_on(in::dc, 90, 101));
  std::ostringstream open;
  print_verdict(open, results);
  EXPECT_NE(open.str().find("OPEN line 1: "), std::string::npos) << open.str();
  EXPECT_NE(open.str().find("PASSED: 0 of 1 expectations hold, 1 open\n"), std::string::npos);
  std::ostringstream ended;
  print_verdict(ended, results, {run_problem::failure, "controller ended at turn 7 (status 3)"});
  EXPECT_NE(ended.str().find("FAIL: controller ended at turn 7 (status 3)\nFAILED: "),
            std::string::npos)
      << ended.str();
  std::ostringstream stopped;
  print_verdict(stopped, results, {run_problem::interrupted, "interrupted by SIGINT"});
  EXPECT_NE(stopped.str().find("INTERRUPTED: "), std::string::npos) << stopped.str();
}

// ---------------------------------------------------------- JUnit

size_t occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

void expect_well_formed(const std::string& xml) {
  std::string path = temp_path("junit") + ".xml";
  std::ofstream(path) << xml;
  run_result lint = run_program({"/usr/bin/xmllint", "--noout", path}, 20);
  EXPECT_EQ(lint.status, 0) << lint.err << xml;
  unlink(path.c_str());
}

TEST(JUnitFile, OneTestCasePerStatementOneFailurePerFailureAndOpenOnesSkipped) {
  scenario s = parse("expect never \"<a & 'b'>\"\nexpect MT = 1 at 0.1\nexpect ASPI = 0 at 0.1\n"
                     "expect MT within 1 after rise(dc)\n");
  replay r = with_messages({{4, {"<a & 'b'>"}}});
  r.signals = [](int turn, signal_values& v) {
    v[row(out::MT)] = 0;
    v[row(out::ASPI)] = 1;
    v[in::dc] = turn >= 90;
  };
  std::ostringstream xml;
  write_junit(xml, "./ctl <1>", "dir/s&t.scn", judge(s, r), {}, 1.5, "late answers: 0");
  std::string text = xml.str();
  EXPECT_EQ(occurrences(text, "<testcase "), 4u);
  EXPECT_EQ(occurrences(text, "<failure "), 3u);
  EXPECT_EQ(occurrences(text, "<skipped "), 1u);
  EXPECT_NE(text.find("tests=\"4\" failures=\"3\" errors=\"0\" skipped=\"1\""), std::string::npos);
  EXPECT_NE(text.find("&lt;a &amp; &apos;b&apos;&gt;"), std::string::npos);
  EXPECT_NE(text.find("<testsuite name=\"./ctl &lt;1&gt;\""), std::string::npos) << text;
  EXPECT_NE(text.find("classname=\"dir/s&amp;t.scn\""), std::string::npos) << text;
  expect_well_formed(text);
}

TEST(JUnitFile, ARunThatCouldNotBeMadeIsAnErrorAndAnEndedControllerAFailure) {
  std::ostringstream error, failure;
  write_junit(error, "ctl", "s.scn", {}, {run_problem::error, "the controller ended before answering"},
              0.1, "");
  EXPECT_NE(error.str().find("errors=\"1\""), std::string::npos);
  EXPECT_NE(error.str().find("<error message=\"the controller ended before answering\">"),
            std::string::npos)
      << error.str();
  expect_well_formed(error.str());
  write_junit(failure, "ctl", "s.scn", {}, {run_problem::failure, "controller ended at turn 3"}, 0.1,
              "");
  EXPECT_NE(failure.str().find("failures=\"1\" errors=\"0\""), std::string::npos) << failure.str();
  expect_well_formed(failure.str());
}

TEST(JUnitFile, ControlCharactersAndBytesThatAreNotUtf8CannotBreakTheXml) {
  EXPECT_EQ(xml_escaped(std::string("a\x01\tb\"")), "a?\tb&quot;");
  EXPECT_EQ(xml_escaped("caf\xE9 \xC3\xA9"), "caf\xEF\xBF\xBD \xC3\xA9");
  std::ostringstream xml;
  write_junit(xml, "ctl \xFF", "s.scn", {}, {run_problem::failure, "\xC0\x80 ended"}, 0.1,
              "controller wrote \xFE\xFF");
  expect_well_formed(xml.str());
}

TEST(MessageCapture, LinesWrittenToCerrAreKeptWithTheirTurnAndForwarded) {
  std::ostringstream forwarded;
  {
    message_log log(forwarded);
    log.capture_cerr();
    log.set_turn(3);
    std::cerr << "TRANSFERT" << std::endl << " DESTRU";
    log.set_turn(4);
    std::cerr << "CTION\n";
    std::cerr << "last without newline";
    log.restore_cerr();
    std::cerr << "";  // back on the real stream: nothing recorded
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(log.lines()[0].turn, 3);
    EXPECT_EQ(log.lines()[0].text, "TRANSFERT");
    EXPECT_EQ(log.lines()[1].turn, 4);
    EXPECT_EQ(log.lines()[1].text, " DESTRUCTION");
  }
  EXPECT_EQ(forwarded.str(), "TRANSFERT\n DESTRUCTION\nlast without newline\n");
}

}  // namespace
