// The chart language: what a correct chart becomes, and where and why a
// wrong one is refused.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "grafcet/parser.h"
#include "iolink/signals.h"
#include "tests/support/process.h"

namespace {

using grafcet::parse_chart;

// The first error, as the program prints it.
std::string first_error(const std::string& text) {
  grafcet::parse_result r = parse_chart(text);
  if (r.errors.empty()) return "(no error)";
  return grafcet::format_diagnostic("c.graf", r.errors.front());
}

std::vector<std::string> warnings(const std::string& text) {
  std::vector<std::string> lines;
  for (const auto& w : parse_chart(text).warnings) lines.push_back(grafcet::format_diagnostic("c.graf", w));
  return lines;
}

std::string file_text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const char* pusher =
    "grafcet pusher\n"
    "initial step 0\n"
    "step 1\n"
    "step 2\n"
    "step 3\n"
    "0 -> 1 : rise(init)\n"
    "1: SORT\n"
    "1 -> 2 : ts\n"
    "2: RENT\n"
    "2: TIMER10 := 1 on entry\n"
    "2 -> 3 : te\n"
    "3 -> 0 : t(X3, 2s)\n";

// --------------------------------------------------------- correct charts

TEST(ChartLanguage, PusherChartBecomesItsModel) {
  grafcet::parse_result r = parse_chart(pusher);
  ASSERT_TRUE(r.errors.empty());
  EXPECT_TRUE(r.warnings.empty());
  const grafcet::chart& c = r.model;
  ASSERT_EQ(c.grafcets.size(), 1u);
  EXPECT_EQ(c.grafcets[0].name, "pusher");
  ASSERT_EQ(c.steps.size(), 4u);
  EXPECT_TRUE(c.steps[0].initial);
  EXPECT_FALSE(c.steps[3].initial);
  ASSERT_EQ(c.transitions.size(), 4u);
  EXPECT_EQ(c.transitions[3].text, "t(X3, 2s)");
  EXPECT_EQ(c.transitions[3].upstream, std::vector<int>{c.step_index(3)});
  ASSERT_EQ(c.actions.size(), 3u);
  EXPECT_EQ(c.actions[0].output, out::SORT);
  EXPECT_EQ(c.actions[0].kind, grafcet::action::continuous);
  EXPECT_EQ(c.actions[2].kind, grafcet::action::stored_on_entry);
  EXPECT_EQ(c.actions[2].output, out::TIMER10);
  EXPECT_EQ(c.actions[2].value, 1);
}

TEST(ChartLanguage, ChartWithoutGrafcetStatementIsOneGrafcetNamedG) {
  grafcet::parse_result r = parse_chart("# comment only\ninitial step 4  # the start\nstep 5\n4 -> 5 : 1\n5 -> 4 : 1\n");
  ASSERT_TRUE(r.errors.empty());
  ASSERT_EQ(r.model.grafcets.size(), 1u);
  EXPECT_EQ(r.model.grafcets[0].name, "G");
  EXPECT_EQ(r.model.grafcets[0].steps.size(), 2u);
}

TEST(ChartLanguage, SynchronisationAndParallelStartListTheirSteps) {
  grafcet::parse_result r =
      parse_chart("initial step 1\nstep 2\nstep 3\n1 -> 2, 3 : dc\n2,3 -> 1 : ac\n");
  ASSERT_TRUE(r.errors.empty());
  EXPECT_EQ(r.model.transitions[0].downstream.size(), 2u);
  EXPECT_EQ(r.model.transitions[1].upstream.size(), 2u);
}

TEST(ChartLanguage, StepsMayBeUsedBeforeTheirDeclaration) {
  grafcet::parse_result r = parse_chart("0 -> 1 : X1 or t(X0, 10ms)\ninitial step 0\nstep 1\n1 -> 0 : 1\n");
  EXPECT_TRUE(r.errors.empty());
}

TEST(ChartLanguage, ExampleChartsParseWithoutWarning) {
  for (const char* name : {"pusher.graf", "gluing_line.graf"}) {
    std::string path = source_file(std::string("examples/grafcet/") + name);
    std::string text = file_text(path);
    ASSERT_FALSE(text.empty()) << path;
    grafcet::parse_result r = parse_chart(text);
    for (const auto& e : r.errors) ADD_FAILURE() << grafcet::format_diagnostic(path, e);
    for (const auto& w : r.warnings) ADD_FAILURE() << grafcet::format_diagnostic(path, w);
  }
}

// ---------------------------------------------------------------- mistakes

TEST(ChartMistakes, UnknownStatementSuggestsTheClosestKeyword) {
  EXPECT_EQ(first_error("initial step 0\nsetp 1\n"), "c.graf:2:1: unknown statement 'setp' (did you mean 'step'?)");
}

TEST(ChartMistakes, UnknownInputSuggestsTheClosestInput) {
  EXPECT_EQ(first_error("initial step 0\nstep 1\n0 -> 1 : dc and vidd\n1 -> 0 : 1\n"),
            "c.graf:3:17: unknown input 'vidd' (did you mean 'vide'?)");
  // A far name gets no suggestion: it would mislead.
  EXPECT_EQ(first_error("initial step 0\nstep 1\n0 -> 1 : emergency_button\n1 -> 0 : 1\n"),
            "c.graf:3:10: unknown input 'emergency_button'");
  EXPECT_EQ(first_error("initial step 0\nstep 1\n0 -> 1 : INIT\n1 -> 0 : 1\n"),
            "c.graf:3:10: unknown input 'INIT' (did you mean 'init'?)")
      << "names are case-sensitive";
}

TEST(ChartMistakes, UnknownOutputSuggestsTheClosestOutput) {
  EXPECT_EQ(first_error("initial step 0\n0: ASPY\n"), "c.graf:2:4: unknown output 'ASPY' (did you mean 'ASPI'?)");
  EXPECT_EQ(first_error("initial step 0\n0: sort\n"), "c.graf:2:4: unknown output 'sort' (did you mean 'SORT'?)");
}

TEST(ChartMistakes, StepUsedButNotDeclared) {
  EXPECT_EQ(first_error("initial step 0\nstep 1\n0 -> 1 : 1\n1 -> 7 : 1\n"), "c.graf:4:6: step 7 is not declared");
  EXPECT_EQ(first_error("initial step 0\n0 -> 0 : X9\n"), "c.graf:2:10: step 9 is not declared");
  EXPECT_EQ(first_error("initial step 0\n4: MT\n"), "c.graf:2:1: step 4 is not declared");
}

TEST(ChartMistakes, StepDeclaredTwice) {
  EXPECT_EQ(first_error("initial step 0\nstep 1\ngrafcet b\ninitial step 2\nstep 1\n"),
            "c.graf:5:6: step 1 is already declared at line 2");
}

TEST(ChartMistakes, GrafcetDeclaredTwice) {
  EXPECT_EQ(first_error("grafcet a\ninitial step 0\ngrafcet b\ninitial step 1\ngrafcet a\nstep 2\n"),
            "c.graf:5:9: grafcet 'a' is already declared at line 1");
  grafcet::parse_result r = parse_chart("grafcet a\ninitial step 0\ngrafcet b\ninitial step 1\ngrafcet a\n");
  EXPECT_EQ(r.model.grafcet_index("a"), 0) << "the first declaration keeps the name";
  EXPECT_EQ(r.model.grafcet_index("b"), 1);
}

TEST(ChartMistakes, GrafcetWithoutInitialStep) {
  EXPECT_EQ(first_error("grafcet a\ninitial step 0\ngrafcet b\nstep 1\n"), "c.graf:3:1: grafcet 'b' has no initial step");
}

TEST(ChartMistakes, OutputBothLevelAndStored) {
  EXPECT_EQ(first_error("initial step 0\nstep 1\n0: MT\n1: MT := 0 on exit\n"),
            "c.graf:4:4: output MT is written as a stored value here and as a level at line 3");
  EXPECT_EQ(first_error("initial step 0\nstep 1\n0: MT := 1 on entry\n1: MT if dc\n"),
            "c.graf:4:4: output MT is written as a level here and as a stored value at line 3");
}

TEST(ChartMistakes, ForcingUnknownGrafcetOrStep) {
  EXPECT_EQ(first_error("grafcet safety\ninitial step 0\n0: force lines {}\ngrafcet line\ninitial step 10\n"),
            "c.graf:3:10: unknown grafcet 'lines' (did you mean 'line'?)");
  EXPECT_EQ(first_error("grafcet safety\ninitial step 0\n0: force line {10, 12}\ngrafcet line\ninitial step 10\n"),
            "c.graf:3:20: step 12 is not declared");
  EXPECT_EQ(first_error("grafcet safety\ninitial step 0\n0: force line {0}\ngrafcet line\ninitial step 10\n"),
            "c.graf:3:16: step 0 is not in grafcet 'line'");
}

TEST(ChartMistakes, GrafcetForcingItselfOrForcedTwiceByOneStep) {
  EXPECT_EQ(first_error("grafcet line\ninitial step 10\nstep 11\n10 -> 11 : dc\n11 -> 10 : ac\n11: force line {10}\n"),
            "c.graf:6:11: grafcet 'line' cannot force itself (step 11 is one of its steps)");
  EXPECT_EQ(first_error("initial step 0\n0 -> 0 : 1\n0: force G {}\n"),
            "c.graf:3:10: grafcet 'G' cannot force itself (step 0 is one of its steps)");
  EXPECT_EQ(first_error("grafcet s\ninitial step 0\n0: force line {}\n0: MT\n0: force line {10}\n"
                        "grafcet line\ninitial step 10\n10 -> 10 : 0\n"),
            "c.graf:5:10: step 0 already forces grafcet 'line' at line 3");
}

TEST(ChartMistakes, TransitionBetweenTwoGrafcets) {
  EXPECT_EQ(first_error("grafcet a\ninitial step 0\ngrafcet b\ninitial step 1\n0 -> 1 : 1\n"),
            "c.graf:5:6: step 1 belongs to grafcet 'b', not to 'a'");
}

TEST(ChartMistakes, SyntaxErrorsPointAtTheToken) {
  EXPECT_EQ(first_error("initial step 0\n0 1 : dc\n"), "c.graf:2:3: expected '->', found '1'");
  EXPECT_EQ(first_error("initial step 0\n0 -> 0 dc\n"), "c.graf:2:8: expected ':', found 'dc'");
  EXPECT_EQ(first_error("initial step 0\n0 -> 0 : (dc and\n"),
            "c.graf:2:17: expected a condition before the end of the line");
  EXPECT_EQ(first_error("initial step 0\n0 -> 0 : t(X0, 2)\n"), "c.graf:2:17: expected a unit, ms or s, found ')'");
  EXPECT_EQ(first_error("initial step 0\n0 -> 0 : dc ac\n"), "c.graf:2:13: unexpected 'ac' after the statement");
  EXPECT_EQ(first_error("initial step 0\n0: MT := 2 on entry\n"), "c.graf:2:10: expected 0 or 1, found '2'");
  EXPECT_EQ(first_error("initial step 0\n0: MT := 1 on leave\n"), "c.graf:2:15: expected 'entry' or 'exit', found 'leave'");
  EXPECT_EQ(first_error("initial step 0\n0 -> 0 : dc & ac\n"), "c.graf:2:13: unexpected character '&'");
  EXPECT_EQ(first_error("grafcet\ninitial step 0\n"), "c.graf:1:8: expected a grafcet name before the end of the line");
}

TEST(ChartMistakes, EveryMistakeIsReportedInLineOrder) {
  grafcet::parse_result r = parse_chart("initial step 0\n0 -> 1 : dx\nbogus\n0: MTT\n");
  // The wrong input stops line 2 there: step 1 is not looked at.
  ASSERT_EQ(r.errors.size(), 3u);
  EXPECT_EQ(r.errors[0].line, 2);
  EXPECT_EQ(r.errors[0].col, 10);
  EXPECT_EQ(r.errors[1].line, 3);
  EXPECT_EQ(r.errors[2].line, 4);
}

TEST(ChartMistakes, EmptyChartDeclaresNoStep) {
  EXPECT_EQ(first_error("# nothing\n"), "c.graf:1:1: the chart declares no step");
}

// --------------------------------------------------------------- warnings

TEST(ChartWarnings, StepWithNoWayInOrOut) {
  EXPECT_EQ(warnings("initial step 0\nstep 1\nstep 2\n0 -> 1 : dc\n1 -> 0 : ac\n2 -> 0 : 1\n0: MT\n"),
            (std::vector<std::string>{"c.graf:3:1: warning: step 2 has no way in"}));
  EXPECT_EQ(warnings("initial step 0\nstep 1\n0 -> 1 : dc\n"),
            (std::vector<std::string>{"c.graf:2:1: warning: step 1 has no way out"}));
  EXPECT_TRUE(warnings("grafcet s\ninitial step 0\nstep 1\n0 -> 1 : atu\n1 -> 0 : init\n1: force l {11}\n"
                       "grafcet l\ninitial step 10\nstep 11\n10 -> 10 : 0\n11 -> 10 : 1\n")
                  .empty())
      << "a step reached by forcing has a way in";
}

TEST(ChartWarnings, StoredOneAndZeroThatAlwaysRunInOneClearing) {
  EXPECT_EQ(warnings("initial step 0\nstep 1\nstep 2\n0 -> 1, 2 : dc\n1, 2 -> 0 : ac\n"
                     "2: MT := 0 on entry\n1: MT := 1 on entry\n"),
            (std::vector<std::string>{"c.graf:7:4: warning: MT is set to 1 here and to 0 at line 6 in one clearing "
                                      "whenever the transition at line 4 fires: 0 applies"}));
  EXPECT_EQ(warnings("initial step 0\ninitial step 1\nstep 2\n0, 1 -> 2 : dc\n2 -> 0, 1 : ac\n"
                     "0: ASPI := 1 on exit\n1: ASPI := 0 on exit\n1: ASPI := 0 on exit\n"),
            (std::vector<std::string>{"c.graf:7:4: warning: ASPI is set to 0 here and to 1 at line 6 in one clearing "
                                      "whenever the transition at line 4 fires: 0 applies"}))
      << "one warning for the first pair found";
  EXPECT_EQ(warnings("initial step 0\nstep 1\n0 -> 1 : dc\n1 -> 0 : ac\n0: MT := 1 on entry\n0: MT := 0 on entry\n"),
            (std::vector<std::string>{"c.graf:6:4: warning: MT is set to 0 here and to 1 at line 5 in one clearing "
                                      "at the first turn (initial steps): 0 applies"}))
      << "one step, entered at the first turn and by the transition at line 4: the first found is named";
  EXPECT_TRUE(warnings("initial step 0\nstep 1\n0 -> 1 : dc\n1 -> 0 : ac\n0: MT := 0 on exit\n1: MT := 1 on entry\n"
                       "0: MT := 1 on entry\n1: MT := 0 on exit\n")
                  .empty())
      << "exit then entry, or different clearings: no conflict";
}

}  // namespace
