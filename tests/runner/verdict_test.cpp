// The verdict on what a run showed, its printed lines and its JUnit file.
#include <gtest/gtest.h>

#include "runner/message_log.h"
#include "runner/verdict.h"
#include "tests/support/process.h"

#include <unistd.h>

#include <fstream>
#include <iostream>
#include <sstream>

namespace {

scenario parse(const std::string& text) {
  std::istringstream in(text);
  return parse_scenario(in, "s.scn");
}

// A lock-step run of 100 turns (0 to 0.5 s) in which the given messages
// were printed; each expectation reached in the turn of its time.
run_record lockstep_record(const scenario& s, std::vector<logged_message> messages,
                           int32_t signal_value = 0) {
  run_record r;
  r.messages = std::move(messages);
  r.last_turn = 100;
  r.last_time = 500000;
  for (const auto& e : s.expectations) {
    int turn = static_cast<int>(e.at / 5000);
    if (turn <= r.last_turn)
      r.reached.push_back(reached_turn{turn, e.at, signal_value});
    else
      r.reached.push_back(std::nullopt);
  }
  return r;
}

TEST(MessageCounts, OnlyMessagesUpToTheTurnOfTheTimeCount) {
  scenario s = parse("expect \"TRANSFERT\" count 2 by 0.25\nexpect \"TRANSFERT\" count 3 by 0.5\n");
  run_record r = lockstep_record(s, {{10, "TRANSFERT"}, {50, "TRANSFERT"}, {51, "TRANSFERT"}});
  auto results = judge(s, r);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_TRUE(results[0].passed) << results[0].observed;  // turn 50 is 0.25 s: it counts
  EXPECT_TRUE(results[1].passed) << results[1].observed;
  EXPECT_TRUE(all_passed(results));
}

TEST(MessageCounts, TheWholeLineMustMatchBlanksIncluded) {
  scenario s = parse("expect \" DESTRUCTION\" count 1 by 0.5\n");
  auto results = judge(s, lockstep_record(s, {{5, "DESTRUCTION"}, {6, " DESTRUCTION "}}));
  EXPECT_FALSE(results[0].passed);
  EXPECT_EQ(results[0].observed, "observed 0 by turn 100 (0.5 s)");
}

TEST(MessageCounts, TooManyNamesTheTurnOfTheFirstExtraOne) {
  scenario s = parse("expect \"TRANSFERT\" count 1 by 0.5\n");
  auto results =
      judge(s, lockstep_record(s, {{3, "TRANSFERT"}, {7, "TRANSFERT"}, {9, "TRANSFERT"}}));
  EXPECT_FALSE(results[0].passed);
  EXPECT_EQ(results[0].observed, "observed 3 by turn 100 (0.5 s), one too many in turn 7");
  EXPECT_FALSE(all_passed(results));
}

TEST(MessageCounts, NeverFailsOnTheFirstAppearance) {
  scenario s = parse("expect never \"ENCOLLAGE !\"\nexpect never \"TRANSFERT\"\n");
  auto results = judge(s, lockstep_record(s, {{42, "ENCOLLAGE !"}, {80, "ENCOLLAGE !"}}));
  EXPECT_FALSE(results[0].passed);
  EXPECT_EQ(results[0].observed, "observed 2 times, first in turn 42");
  EXPECT_TRUE(results[1].passed);
}

TEST(SignalValues, TheValueInTheTurnOfTheTimeDecides) {
  scenario s = parse("expect MT = 1 at 0.1\n");
  EXPECT_TRUE(judge(s, lockstep_record(s, {}, 1))[0].passed);
  auto results = judge(s, lockstep_record(s, {}, 0));
  EXPECT_FALSE(results[0].passed);
  EXPECT_EQ(results[0].observed, "observed 0 in turn 20 (0.1 s)");
}

TEST(SignalValues, ATimeTheRunNeverReachedFails) {
  scenario s = parse("expect MT = 0 at 3\nexpect \"X\" count 0 by 3\n");
  auto results = judge(s, lockstep_record(s, {}));
  for (const auto& c : results) {
    EXPECT_FALSE(c.passed);
    EXPECT_EQ(c.observed, "not reached: the run ended at turn 100 (0.5 s)");
  }
}

TEST(VerdictLines, OneLinePerExpectationThenTheSummary) {
  scenario s = parse("# header\nexpect MT = 1 at 0.1\nexpect never \"X\"\n");
  std::ostringstream out;
  print_verdict(out, judge(s, lockstep_record(s, {{1, "X"}}, 1)));
  EXPECT_EQ(out.str(),
            "PASS line 2: expect MT = 1 at 0.1\n"
            "FAIL line 3: expect never \"X\": observed once, first in turn 1\n"
            "FAILED: 1 of 2 expectations hold\n");
  std::ostringstream late;
  print_late_answers(late, 3, 250);
  EXPECT_EQ(late.str(), "late answers: 3 (turns not answered within 250 ms)\n");
}

TEST(VerdictLines, AnEmptyScenarioPasses) {
  std::ostringstream out;
  print_verdict(out, judge(scenario{}, run_record{}));
  EXPECT_EQ(out.str(), "PASSED: 0 of 0 expectations hold\n");
}

TEST(JUnitFile, OneTestCasePerExpectationAndOneFailureElementPerFailure) {
  scenario s = parse("expect never \"<a & 'b'>\"\nexpect MT = 1 at 0.1\nexpect ASPI = 0 at 0.1\n");
  std::ostringstream xml;
  write_junit(xml, "./ctl <1>", "dir/s&t.scn", judge(s, lockstep_record(s, {{4, "<a & 'b'>"}}, 1)),
              1.5, "late answers: 0");
  std::string text = xml.str();
  auto count = [&](const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("<testcase "), 3u);
  EXPECT_EQ(count("<failure "), 2u);
  EXPECT_NE(text.find("tests=\"3\" failures=\"2\""), std::string::npos);
  EXPECT_NE(text.find("&lt;a &amp; &apos;b&apos;&gt;"), std::string::npos);
  EXPECT_NE(text.find("<testsuite name=\"./ctl &lt;1&gt;\""), std::string::npos) << text;
  EXPECT_NE(text.find("classname=\"dir/s&amp;t.scn\""), std::string::npos) << text;

  std::string path = temp_path("junit") + ".xml";
  std::ofstream(path) << text;
  run_result lint = run_program({"/usr/bin/xmllint", "--noout", path}, 20);
  EXPECT_EQ(lint.status, 0) << lint.err;
  unlink(path.c_str());
}

TEST(JUnitFile, ControlCharactersCannotBreakTheXml) {
  EXPECT_EQ(xml_escaped(std::string("a\x01\tb\"")), "a?\tb&quot;");
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
