// Forcing and faults through the monitor, seen in the line's messages and
// in the trace (in lock-step); the window's switches and forcing buttons in
// manual mode, and the coils in Modbus mode (in real time).
#include <gtest/gtest.h>

#include "monitor/monitor_window.h"
#include "tests/monitor/line_fixture.h"

#include <fstream>

namespace {

// Every value the trace gives the signal at or after from_us.
std::vector<int> values_from(const std::vector<trace_change>& trace, const std::string& signal,
                             uint64_t from_us) {
  std::vector<int> values;
  for (const auto& c : trace)
    if (c.signal == signal && c.time_us >= from_us) values.push_back(c.value);
  return values;
}

}  // namespace

// In lock-step: the line's time and the faults' are simulated time.
class Forcing : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& f : {scenario, messages, csv_file}) unlink(f.c_str());
  }
  // INIT, DC, a workpiece at 4 s, then the statements, behind the monitor
  // with the options; true when the run ends well and the monitor says its
  // last line.
  void run(const std::vector<std::string>& forcing, const std::string& statements) {
    std::ofstream(scenario) << "at 0.5 press INIT for 0.3\nat 3 press DC for 0.3\n"
                            << "at 4 click piece\n" << statements;
    std::vector<std::string> options = {"--csv", csv_file};
    options.insert(options.end(), forcing.begin(), forcing.end());
    run_result r = run_through_monitor(scenario, options, messages);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.err.find("demo: production"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("corvan-monitor: "), std::string::npos) << r.err;
  }

  std::string scenario = temp_path("forcing.scn"), messages = temp_path("forcing-messages");
  std::string csv_file = temp_path("forcing-csv");
};

// Glued at 8.3 s, the workpiece would have reached station 2 and got its
// lid by 11 s without the forcing: 12 s more are given.
TEST_F(Forcing, StationTwoNeverSeenMeansNoLidWhileTheRestOfTheLineRuns) {
  run({"--force", "p2ok=0"}, "end 21\nexpect \"PREPARATION COLLE\" count 1 by 9\n"
                             "expect \"ENCOLLAGE !\" count 0 by 21\n");
  auto trace = read_csv_trace(csv_file);
  EXPECT_EQ(values_from(trace, "p2ok", 0), std::vector<int>{0});
  EXPECT_EQ(values_from(trace, "forced.p2ok", 0), std::vector<int>{1});
  EXPECT_GE(rising_edges(trace, "p1ok").size(), 1u);
}

// On the main belt at 6.2 s, at station 1 by 8.3 s without the forcing.
TEST_F(Forcing, MainBeltHeldOffLeavesTheWorkpieceAtItsEntry) {
  run({"--force", "MT=0"}, "end 17\nexpect \"TRANSFERT\" count 1 by 7\n"
                           "expect \"PREPARATION COLLE\" count 0 by 17\n");
  auto trace = read_csv_trace(csv_file);
  EXPECT_EQ(values_from(trace, "MT", 0), std::vector<int>{0});
  EXPECT_EQ(values_from(trace, "forced.MT", 0), std::vector<int>{1});
  EXPECT_TRUE(rising_edges(trace, "p1ok").empty());
}

TEST_F(Forcing, FaultOnTheCupSensorHoldsItOnlyFromFiveSeconds) {
  // The fault is what the controller sees: the cup itself stays up.
  run({"--fault", "vh=0@5"}, "end 6\nexpect vh = 1 at 5\n");
  auto trace = read_csv_trace(csv_file);
  auto up = rising_edges(trace, "vh");
  ASSERT_FALSE(up.empty()) << "INIT raises the cup";
  ASSERT_LT(up.front(), 5000000u) << "the cup came up too late for this test";
  // From 5 s on: one change to 0 within the first turns, nothing after.
  const uint64_t five_s = 5000000;
  EXPECT_EQ(values_from(trace, "vh", five_s), std::vector<int>{0});
  auto held = rising_edges(trace, "forced.vh");
  ASSERT_EQ(held.size(), 1u);
  EXPECT_GE(held[0], five_s);
  EXPECT_LT(held[0], five_s + 50000);
  for (const auto& c : trace) {
    if (c.signal == "vh" && c.time_us >= five_s) {
      EXPECT_LT(c.time_us, five_s + 50000);
    }
  }
}

// An output's fault window follows the simulated clock too: the belt
// motor is held off from 6 s, just before the workpiece reaches the belt.
TEST_F(Forcing, FaultOnTheMainBeltHoldsItOnlyFromSixSeconds) {
  run({"--fault", "MT=0@6"}, "end 12\nexpect \"PREPARATION COLLE\" count 0 by 12\n");
  auto trace = read_csv_trace(csv_file);
  auto held = rising_edges(trace, "forced.MT");
  ASSERT_EQ(held.size(), 1u);
  EXPECT_GE(held[0], 6000000u);
  EXPECT_LT(held[0], 6000000u + 50000);
  EXPECT_EQ(values_from(trace, "MT", 6000000 + 50000), std::vector<int>{});
}

class ManualMode : public MonitoredLine {};

TEST_F(ManualMode, SwitchesAndForcingButtonsMoveTheActuators) {
  start({"--manual", "--csv", csv_file});
  const unsigned long monitor_window_id = wait_for_window("corvan-monitor", 20);
  ASSERT_NE(monitor_window_id, 0u) << err();
  ASSERT_TRUE(wait_until([&] { return !read_csv_trace(csv_file).empty(); }, 10));
  // The switch of BZ1 (station 1's jack) pushes the jack out.
  click(monitor_window_id, monitor_window::switch_x + 25, monitor_window::row_top(out::BZ1) + 7);
  ASSERT_TRUE(wait_until([&] { return !rising_edges(read_csv_trace(csv_file), "b1s").empty(); }, 10))
      << err();
  // Forcing BZ2 to 1 with its button in the outputs panel moves station 2's jack.
  click(monitor_window_id, monitor_window::outputs_x + monitor_window::force_x + 29,
        monitor_window::row_top(out::BZ2) + 7);
  ASSERT_TRUE(wait_until([&] { return !rising_edges(read_csv_trace(csv_file), "b2s").empty(); }, 10))
      << err();
  quit_and_expect_clean_end();
  auto trace = read_csv_trace(csv_file);
  EXPECT_EQ(rising_edges(trace, "BZ1").size(), 1u);
  EXPECT_TRUE(rising_edges(trace, "forced.BZ1").empty()) << "a switch is not a forcing";
  EXPECT_EQ(rising_edges(trace, "forced.BZ2").size(), 1u);
  EXPECT_LT(rising_edges(trace, "BZ1")[0], rising_edges(trace, "b1s")[0]);
  EXPECT_LT(rising_edges(trace, "BZ2")[0], rising_edges(trace, "b2s")[0]);
}

class ModbusMode : public MonitoredLine {};

TEST_F(ModbusMode, CoilsMoveTheActuatorsAndForcedOutputsWinOverThem) {
  const std::string port = std::to_string(free_local_port());
  start({"--no-window", "--modbus", "127.0.0.1:" + port, "--force", "BZ2=0", "--csv", csv_file});
  ASSERT_TRUE(wait_until([&] { return !read_csv_trace(csv_file).empty(); }, 10)) << err();
  // Coils 10 and 11 (BZ1, BZ2) to 1; mbpoll counts references from 1.
  auto r = run_program({"/usr/bin/mbpoll", "-m", "tcp", "-p", port, "-t", "0", "-r", "11", "-1",
                        "127.0.0.1", "1", "1"},
                       20);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  ASSERT_TRUE(wait_until([&] { return !rising_edges(read_csv_trace(csv_file), "b1s").empty(); }, 10))
      << err();
  sleep(2);  // long enough for station 2's jack to have moved, were it not forced
  quit_and_expect_clean_end();
  auto trace = read_csv_trace(csv_file);
  EXPECT_EQ(rising_edges(trace, "BZ1").size(), 1u);
  EXPECT_TRUE(rising_edges(trace, "BZ2").empty());
  EXPECT_TRUE(rising_edges(trace, "b2s").empty());
}
