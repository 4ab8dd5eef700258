// The demonstration controller behind the monitor makes its three
// workpieces as it does alone, and the trace tells the run; in lock-step,
// where both runs give the same messages turn for turn.
#include <gtest/gtest.h>

#include "tests/monitor/line_fixture.h"

#include <sys/shm.h>

#include <map>
#include <set>
#include <tuple>

namespace {

using change_key = std::tuple<uint64_t, std::string, int>;

// (time, name, value) of every 1-bit change in a VCD file, named as in the
// CSV: the signal's name, "forced." before those of the scope "forced".
std::set<change_key> vcd_changes(const std::string& path) {
  std::set<change_key> changes;
  std::map<std::string, std::string> names;  // identifier code -> name
  std::string scope;
  uint64_t time = 0;
  for (const auto& line : file_lines(path)) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "$scope") {
      std::string kind;
      words >> kind >> scope;
    } else if (first == "$var") {
      std::string kind, width, code, name;
      words >> kind >> width >> code >> name;
      if (width == "1") names[code] = scope == "forced" ? "forced." + name : name;
    } else if (!first.empty() && first[0] == '#') {
      time = std::stoull(first.substr(1));
    } else if (!first.empty() && (first[0] == '0' || first[0] == '1')) {
      auto n = names.find(first.substr(1));
      if (n != names.end()) changes.emplace(time, n->second, first[0] - '0');
    }
  }
  return changes;
}

}  // namespace

class ThreeWorkpieces : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& f : {messages, alone_messages, csv_file, vcd_file}) unlink(f.c_str());
  }

  std::string messages = temp_path("monitor-messages"), alone_messages = temp_path("messages");
  std::string csv_file = temp_path("monitor-csv"), vcd_file = temp_path("monitor-vcd");
};

TEST_F(ThreeWorkpieces, SameMessagesAsWithoutTheMonitorAndTheTraceTellsTheRun) {
  const std::string scenario = source_file("examples/scenarios/three_workpieces.scn");
  run_result r = run_through_monitor(scenario, {"--csv", csv_file, "--trace", vcd_file}, messages);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.err.find("corvan-monitor: "), std::string::npos) << r.err;
  run_result alone = run_program({build_file("runner/corvan-run"), "--lockstep", "--scenario",
                                  scenario, "--messages", alone_messages, "--",
                                  build_file("examples/demo_controller")},
                                 30);
  ASSERT_EQ(alone.status, 0) << alone.out << alone.err;
  EXPECT_EQ(read_file(messages), read_file(alone_messages));

  expect_workpieces_in_order(file_lines(messages), 3);
  long seen = 0, missed = 0;
  ASSERT_TRUE(monitor_summary(r.err, seen, missed)) << r.err;
  EXPECT_GT(seen, 2000);
  EXPECT_EQ(missed, 0);

  auto trace = read_csv_trace(csv_file);
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(rising_edges(trace, "dc").size(), 1u) << "DC pressed once";
  EXPECT_EQ(rising_edges(trace, "init").size(), 1u);
  for (const char* station : {"p1ok", "p2ok", "p3ok"})
    EXPECT_EQ(rising_edges(trace, station).size(), 3u) << station;
  // The main belt stops at each station: three workpieces, three stations.
  EXPECT_GE(rising_edges(trace, "MT").size(), 9u);
  EXPECT_TRUE(rising_edges(trace, "forced.MT").empty()) << "nothing forced";
  // Times and turns only go forward.
  for (size_t i = 1; i < trace.size(); ++i) {
    ASSERT_GE(trace[i].time_us, trace[i - 1].time_us);
    ASSERT_GE(trace[i].turn, trace[i - 1].turn);
  }

  // GTKWave's converters read the VCD back: the same changes at the same times.
  const std::string fst = vcd_file + ".fst", back = vcd_file + ".back.vcd";
  ASSERT_EQ(std::system(("vcd2fst " + vcd_file + " " + fst + " >/dev/null 2>&1").c_str()), 0);
  ASSERT_EQ(std::system(("fst2vcd " + fst + " > " + back + " 2>/dev/null").c_str()), 0);
  std::set<change_key> from_csv;
  for (const auto& c : trace) from_csv.emplace(c.time_us, c.signal, c.value);
  const auto from_vcd = vcd_changes(back);
  EXPECT_EQ(from_vcd.size(), from_csv.size());
  EXPECT_TRUE(from_vcd == from_csv);
  unlink(fst.c_str());
  unlink(back.c_str());
}

TEST(LockStep, ScriptedRunPassesThroughTheMonitorWithNoLateAnswer) {
  // corvan-run waits at every turn for the controller's answer, which comes
  // from the demonstration controller behind the monitor.
  auto r = run_through_monitor(source_file("examples/scenarios/three_workpieces.scn"), {},
                               "/dev/null");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("PASSED: 10 of 10 expectations hold"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("late answers: 0 "), std::string::npos) << r.out;
}
