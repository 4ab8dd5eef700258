// The gluing-line chart run by the scenario runner in lock-step, beside the
// demonstration controller on the same scenario: a lock-step run is the
// same every time, so the two must give the simulator's very same messages.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/process.h"

namespace {

const std::string runner = build_file("runner/corvan-run");
const std::string demo = build_file("examples/demo_controller");
const std::string program = build_file("grafcet/corvan-grafcet");
const std::string chart = source_file("examples/grafcet/gluing_line.graf");

struct scenario_run {
  int status;
  std::string verdict;                // the runner's standard output
  std::vector<std::string> messages;  // the simulator's, in order
};

scenario_run run_scenario(const std::string& scenario, const std::vector<std::string>& controller) {
  std::string messages_file = temp_path("grafcet-messages");
  std::vector<std::string> argv = {runner, "--lockstep", "--scenario", source_file("examples/scenarios/" + scenario),
                                   "--messages", messages_file, "--"};
  argv.insert(argv.end(), controller.begin(), controller.end());
  run_result r = run_program(argv, 30);
  scenario_run out{r.status, r.out, {}};
  std::istringstream in(read_file(messages_file));
  for (std::string line; std::getline(in, line);) out.messages.push_back(line);
  unlink(messages_file.c_str());
  return out;
}

int count(const std::vector<std::string>& lines, const std::string& line) {
  int n = 0;
  for (const auto& l : lines) n += l == line;
  return n;
}

TEST(ChartScenarios, ThreeWorkpiecesGiveTheDemonstrationControllersMessages) {
  scenario_run expected = run_scenario("three_workpieces.scn", {demo});
  ASSERT_EQ(expected.status, 0) << expected.verdict;
  scenario_run chart_run = run_scenario("three_workpieces.scn", {program, "--no-window", chart});
  EXPECT_EQ(chart_run.status, 0) << chart_run.verdict;
  EXPECT_EQ(count(chart_run.messages, "PREPARATION COLLE"), 3);
  EXPECT_EQ(count(chart_run.messages, "ENCOLLAGE !"), 3);
  // Each lid off the pusher and onto the cup, three laid, the next one held.
  EXPECT_EQ(count(chart_run.messages, "cap a ete couple a poussoir_vv"), 4);
  EXPECT_EQ(count(chart_run.messages, "cap a ete decouple de poussoir_vv"), 3);
  EXPECT_EQ(chart_run.messages, expected.messages);
}

TEST(ChartScenarios, AfterAnEmergencyStopInterventionAndInitNewWorkpiecesComplete) {
  scenario_run expected = run_scenario("emergency_stop.scn", {demo});
  ASSERT_EQ(expected.status, 0) << expected.verdict;
  scenario_run chart_run = run_scenario("emergency_stop.scn", {program, "--no-window", chart});
  // The scenario expects no workpiece on the main belt before the restart:
  // the operator removed it.
  EXPECT_EQ(chart_run.status, 0) << chart_run.verdict;
  EXPECT_EQ(count(chart_run.messages, "PREPARATION COLLE"), 2);
  EXPECT_EQ(count(chart_run.messages, "ENCOLLAGE !"), 2);
  EXPECT_EQ(count(chart_run.messages, " DESTRUCTION"), 2);
  EXPECT_EQ(chart_run.messages, expected.messages);
}

}  // namespace
