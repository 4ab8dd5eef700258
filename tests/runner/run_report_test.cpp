// What a run's report is built from: the lanes the scenario asks for, the
// options that ask for a report, and a run's outcome turned into the
// report's statements and timeline.
#include <gtest/gtest.h>

#include "iolink/signals.h"
#include "runner/options.h"
#include "runner/run_report.h"

#include <sstream>

namespace {

scenario parse(const std::string& text) {
  std::istringstream in(text);
  return parse_scenario(in, "s.scn");
}

std::vector<std::string> names(const std::vector<int>& rows) {
  std::vector<std::string> out;
  for (int row : rows) out.push_back(table_signaux[row]);
  return out;
}

TEST(ReportLanes, TheSignalsEveryStatementAndFaultNamesAndTheExtraOnesInTableOrder) {
  const scenario s = parse(
      "at 1 fault p3ok = 1 for 0.5\n"
      "end 5\n"
      "never SORT and not vh\n"
      "expect te = 1 at 2\n"
      "expect not DESP within 0.1 after rise(atu)\n"
      "expect \" DESTRUCTION\" within 4 after fall(ph)\n"
      "expect \"TRANSFERT\" count 1 by 3\n"
      "check jacks\n");
  EXPECT_EQ(names(report_lanes(s, {})), (std::vector<std::string>{"p3ok", "te", "vh", "ph", "atu", "SORT", "DESP"}));
  EXPECT_EQ(names(report_lanes(s, {"MT", "te", "b1s"})),
            (std::vector<std::string>{"b1s", "p3ok", "te", "vh", "ph", "atu", "MT", "SORT", "DESP"}));
  EXPECT_TRUE(report_lanes(parse("end 1\nexpect \"x\" count 0 by 1\n"), {}).empty());
}

run_options parse_options_of(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  return parse_options(int(argv.size()), argv.data());
}

TEST(ReportOptions, AReportAJsonFileAndExtraLanesByName) {
  const run_options o = parse_options_of(
      {"corvan-run", "--report", "r.html", "--json", "r.json", "--report-signals", "MT,te", "--", "./c"});
  EXPECT_EQ(o.report_file, "r.html");
  EXPECT_EQ(o.json_file, "r.json");
  EXPECT_EQ(o.report_signals, (std::vector<std::string>{"MT", "te"}));
  for (const char* wrong : {"MT,", "mt", "MT,,te", ""}) {
    try {
      parse_options_of({"corvan-run", "--report-signals", wrong, "--", "./c"});
      ADD_FAILURE() << "accepted '" << wrong << "'";
    } catch (const usage_error& e) {
      EXPECT_NE(std::string(e.what()).find("--report-signals"), std::string::npos) << e.what();
    }
  }
}

TEST(BuiltReport, StatementsCarryTheirCounterExamplesAndTheTimelineEndsWithTheRun) {
  const scenario s = parse(
      "at 0.2 click piece\n"
      "at 0.5 press INIT for 0.5\n"
      "at 0.8 fault vh = 1\n"
      "at 5 click piece\n"
      "end 10\n"
      "never SORT and RENT\n"
      "expect not vh within 0.05 after rise(vh)\n");
  run_outcome o;
  o.last_turn = 200;
  o.last_time = 1000000;
  check_result failed;
  failed.expected = &s.expectations[0];
  failed.status = check_status::failed;
  failed.observed = "true in turn 100 (0.5 s): RENT=1 SORT=1";
  failed.example.turn = 100;
  failed.example.time = 500000;
  failed.example.values = {{input_signal_count + out::RENT, 1}, {input_signal_count + out::SORT, 1}};
  check_result passed;
  passed.expected = &s.expectations[1];
  o.results = {failed, passed};
  o.messages = {{12, "TRANSFERT"}};
  for (int row = 0; row < input_signal_count + output_signal_count; ++row)
    o.signals.push_back({table_signaux[row], {{0, row}}, {}});
  run_options options;
  options.lockstep = true;
  options.report_file = "r.html";
  const report::run_report r = build_run_report(s, o, options, "./c", "today");
  EXPECT_EQ(r.verdict, "FAILED");
  EXPECT_EQ(r.turns, 201);
  ASSERT_EQ(r.statements.size(), 2u);
  EXPECT_EQ(r.statements[0].line, 6);
  EXPECT_EQ(r.statements[0].turn, 100);
  EXPECT_EQ(r.statements[0].values, (std::vector<std::pair<std::string, int32_t>>{{"RENT", 1}, {"SORT", 1}}));
  EXPECT_EQ(r.statements[1].result, report::status::passed);
  // Lanes in table order, each the signal's own recorded changes.
  ASSERT_EQ(r.diagram.lanes.size(), 3u);
  EXPECT_EQ(r.diagram.lanes[0].name, "vh");
  EXPECT_EQ(r.diagram.lanes[0].changes[0].value, in::vh);
  // A fault without an end lasts to the last turn; an action after the end
  // is not drawn.
  ASSERT_EQ(r.diagram.faults.size(), 1u);
  EXPECT_EQ(r.diagram.faults[0].from_turn, 160);
  EXPECT_EQ(r.diagram.faults[0].to_turn, 200);
  EXPECT_EQ(r.diagram.faults[0].label, "vh = 1");
  ASSERT_EQ(r.diagram.actions.size(), 2u);
  EXPECT_EQ(r.diagram.actions[0].from_turn, 40);
  EXPECT_EQ(r.diagram.actions[0].to_turn, 40);
  EXPECT_EQ(r.diagram.actions[0].label, "piece");
  EXPECT_EQ(r.diagram.actions[1].label, "INIT");
  EXPECT_EQ(r.diagram.actions[1].from_turn, 100);
  EXPECT_EQ(r.diagram.actions[1].to_turn, 199);
  EXPECT_EQ(r.files, (std::vector<std::pair<std::string, std::string>>{{"report", "r.html"}}));
}

}  // namespace
