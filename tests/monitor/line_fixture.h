// The real simulator with corvan-monitor as its controller, driven through
// the X server as an operator would, and the monitor's CSV trace read back.
#pragma once

#include <gtest/gtest.h>

#include "tests/monitor/monitor_fixture.h"
#include "tests/support/xwin.h"

#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

struct trace_change {
  uint64_t time_us;
  long turn;
  std::string signal;
  int value;
};

// The CSV's lines after its header.
inline std::vector<trace_change> read_csv_trace(const std::string& path) {
  std::vector<trace_change> changes;
  auto lines = file_lines(path);
  for (size_t i = 1; i < lines.size(); ++i) {
    std::istringstream row(lines[i]);
    std::string time, turn, signal, value;
    std::getline(row, time, ',');
    std::getline(row, turn, ',');
    std::getline(row, signal, ',');
    std::getline(row, value, ',');
    changes.push_back({std::stoull(time), std::stol(turn), signal, std::stoi(value)});
  }
  return changes;
}

// Times at which the signal went from 0 to 1.
inline std::vector<uint64_t> rising_edges(const std::vector<trace_change>& changes,
                                          const std::string& signal) {
  std::vector<uint64_t> edges;
  int last = 0;
  for (const auto& c : changes) {
    if (c.signal != signal) continue;
    if (c.value == 1 && last == 0) edges.push_back(c.time_us);
    last = c.value;
  }
  return edges;
}

class MonitoredLine : public ::testing::Test {
 protected:
  void TearDown() override {
    // A run cut short by a failure still ends the way a user ends it, so
    // that the monitor and its controller end with it.
    if (pid > 0 && wait_for_exit(pid, 0) == -1 && window) {
      click_quit();
      wait_for_exit(pid, 10);
    }
    end_process(pid);
    for (const auto& f : {err_file, csv_file, vcd_file}) unlink(f.c_str());
  }

  // corvan corvan-monitor <monitor_args>, then its window.
  void start(const std::vector<std::string>& monitor_args) {
    std::vector<std::string> argv = {build_file("app/corvan"), monitor_program};
    argv.insert(argv.end(), monitor_args.begin(), monitor_args.end());
    pid = spawn_program(argv, "", err_file);
    window = wait_for_window("atelier", 20);
    ASSERT_NE(window, 0u) << err();
  }
  std::vector<std::string> demo_args(const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--no-window", "--csv", csv_file};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back("--");
    args.push_back(build_file("examples/demo_controller"));
    return args;
  }

  std::string err() const { return read_file(err_file); }
  bool err_has(const std::string& text, double timeout_s = 10) {
    return wait_until([&] { return err().find(text) != std::string::npos; }, timeout_s, 0.05);
  }
  int count(const std::string& line) {
    int n = 0;
    for (const auto& l : file_lines(err_file))
      if (l == line) ++n;
    return n;
  }
  void click(unsigned long w, int x, int y) {
    xdotool("mousemove --window " + std::to_string(w) + " " + std::to_string(x) + " " +
            std::to_string(y) + " click 1");
  }
  void click_quit() { click(window, 860, 525); }
  // Holds a panel button long enough for a turn to sample it.
  void press(int x, int y) {
    xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
            std::to_string(y) + " mousedown 1");
    usleep(300000);
    xdotool("mouseup 1");
  }
  // INIT, then DC once the demonstration controller says the line is ready.
  void start_production() {
    ASSERT_TRUE(err_has("ident_mem=", 20)) << err();
    press(755, 60);
    ASSERT_TRUE(err_has("demo: ligne prete", 60)) << err();
    press(755, 90);
    ASSERT_TRUE(err_has("demo: production", 30)) << err();
  }
  void quit_and_expect_clean_end() {
    click_quit();
    EXPECT_EQ(wait_for_exit(pid, 30), 0) << err();
    EXPECT_TRUE(err_has("corvan-monitor: ", 1));
  }

  std::string err_file = temp_path("corvan-err");
  std::string csv_file = temp_path("monitor-csv");
  std::string vcd_file = temp_path("monitor-vcd");
  pid_t pid = -1;
  unsigned long window = 0;
};
