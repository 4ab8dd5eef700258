// Forcing and faults through the monitor, seen in the line's messages and
// in the trace; the window's switches and forcing buttons in manual mode.
#include <gtest/gtest.h>

#include "monitor/monitor_window.h"
#include "tests/monitor/line_fixture.h"

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

class Forcing : public MonitoredLine {};

TEST_F(Forcing, StationTwoNeverSeenMeansNoLidWhileTheRestOfTheLineRuns) {
  start(demo_args({"--force", "p2ok=0"}));
  start_production();
  click(window, 760, 485);
  ASSERT_TRUE(err_has("PREPARATION COLLE", 60)) << err();
  // Long enough for the workpiece to have reached station 2 and got its
  // lid without the forcing (about 3 s in a free run).
  sleep(12);
  EXPECT_EQ(count("ENCOLLAGE !"), 0);
  quit_and_expect_clean_end();
  auto trace = read_csv_trace(csv_file);
  EXPECT_EQ(values_from(trace, "p2ok", 0), std::vector<int>{0});
  EXPECT_EQ(values_from(trace, "forced.p2ok", 0), std::vector<int>{1});
  EXPECT_GE(rising_edges(trace, "p1ok").size(), 1u);
}

TEST_F(Forcing, MainBeltHeldOffLeavesTheWorkpieceAtItsEntry) {
  start(demo_args({"--force", "MT=0"}));
  start_production();
  click(window, 760, 485);
  ASSERT_TRUE(err_has("TRANSFERT", 60)) << err();
  sleep(10);
  EXPECT_EQ(count("PREPARATION COLLE"), 0);
  quit_and_expect_clean_end();
  auto trace = read_csv_trace(csv_file);
  EXPECT_EQ(values_from(trace, "MT", 0), std::vector<int>{0});
  EXPECT_EQ(values_from(trace, "forced.MT", 0), std::vector<int>{1});
  EXPECT_TRUE(rising_edges(trace, "p1ok").empty());
}

TEST_F(Forcing, FaultOnTheCupSensorHoldsItOnlyFromFiveSeconds) {
  start(demo_args({"--fault", "vh=0@5"}));
  start_production();
  sleep(6);
  quit_and_expect_clean_end();
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
