// The real simulator with corvan-monitor --modbus as its controller, read and
// driven by mbpoll, libmodbus and the Python controller, the window's
// buttons pressed through the X server.
#include <gtest/gtest.h>

#include "modbus/modbus_endpoint.h"
#include "tests/modbus/modbus_client.h"
#include "process/controller_process.h"
#include "tests/support/line_run.h"
#include "tests/support/process.h"
#include "tests/support/xwin.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string corvan = build_file("app/corvan");
const std::string monitor = build_file("monitor/corvan-monitor");
const std::string python_controller = source_file("examples/python/modbus_controller.py");

void end_process(pid_t pid) {
  if (pid > 0 && kill(pid, 0) == 0) {
    kill(pid, SIGKILL);
    wait_for_exit(pid, 5);
  }
}

class ModbusLine : public ::testing::Test {
 protected:
  void TearDown() override {
    end_process(python);
    if (simulator > 0 && wait_for_exit(simulator, 0) == -1) {
      click(860, 525);  // quit
      if (wait_for_exit(simulator, 20) == -1) end_process(simulator);
    }
    // Normally gone with the run; a monitor the simulator did not end is
    // ended here, by the pid found at the start (if that pid is still it).
    std::string command = read_file("/proc/" + std::to_string(monitor_pid) + "/cmdline");
    if (monitor_pid > 0 && command.rfind(monitor, 0) == 0) end_process(monitor_pid);
    unlink(err_file.c_str());
    unlink(python_err.c_str());
    unlink(csv.c_str());
  }

  // Starts corvan with the monitor as its controller and waits for the window.
  void launch(const std::vector<std::string>& monitor_options, const std::string& address) {
    std::vector<std::string> argv = {corvan, monitor, "--no-window"};
    argv.insert(argv.end(), monitor_options.begin(), monitor_options.end());
    argv.insert(argv.end(), {"--modbus", address});
    simulator = spawn_program(argv, "", err_file);
    window = wait_for_window("atelier", 20);
    ASSERT_NE(window, 0u) << err();
  }
  // The same with the monitor serving Modbus on a free port; waits until a
  // client gets in.
  void start(const std::vector<std::string>& monitor_options = {}) {
    ASSERT_NO_FATAL_FAILURE(launch(monitor_options, "127.0.0.1:" + std::to_string(port)));
    ASSERT_TRUE(wait_until([&] { return test_client(port).connected(); }, 20, 0.1)) << err();
    auto children = children_of(simulator);
    ASSERT_EQ(children.size(), 1u);
    monitor_pid = children[0];
  }

  // mbpoll's values for one read (type 0 coils, 1 discrete inputs, 3 input
  // registers), in address order; empty when it failed.
  std::vector<long> mbpoll_read(const std::string& type, int first, int count) {
    run_result r = run_program(mbpoll_command(port, {"-t", type, "-r", std::to_string(first), "-c",
                                                     std::to_string(count)}),
                               20);
    std::vector<long> values;
    std::istringstream out(r.out);
    for (std::string line; std::getline(out, line);)
      if (line.rfind("[", 0) == 0) values.push_back(std::stol(line.substr(line.find('\t') + 1)));
    return r.status == 0 ? values : std::vector<long>{};
  }
  bool mbpoll_write_coil(int coil, int value) {
    auto command =
        mbpoll_command(port, {"-t", "0", "-r", std::to_string(coil)}, std::to_string(value));
    return run_program(command, 20).status == 0;
  }
  long discrete_input(int address) {
    auto v = mbpoll_read("1", address, 1);
    return v.size() == 1 ? v[0] : -1;
  }

  void click(int x, int y) {
    xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
            std::to_string(y) + " click 1");
  }
  // Holds a panel button long enough for a turn to sample it.
  void press(int x, int y) {
    xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
            std::to_string(y) + " mousedown 1");
    usleep(300000);
    xdotool("mouseup 1");
  }

  std::string err() const { return read_file(err_file); }
  std::vector<std::string> lines(const std::string& file) const {
    std::vector<std::string> out;
    std::istringstream in(read_file(file));
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }
  int count(const std::string& line) const {
    int n = 0;
    for (const auto& l : lines(err_file)) n += l == line;
    return n;
  }
  bool python_said(const std::string& line, double timeout_s) {
    return wait_until([&] { return read_file(python_err).find(line + "\n") != std::string::npos; },
                      timeout_s, 0.1);
  }

  int port = free_port();
  std::string err_file = temp_path("modbus-e2e-err");
  std::string python_err = temp_path("modbus-e2e-python");
  std::string csv = temp_path("modbus-e2e-csv");
  pid_t simulator = -1, monitor_pid = -1, python = -1;
  unsigned long window = 0;
};

}  // namespace

TEST_F(ModbusLine, DcHeldWithTheMouseReadsOneAtDiscreteInput17) {
  ASSERT_NO_FATAL_FAILURE(start());
  EXPECT_EQ(discrete_input(17), 0);
  xdotool("mousemove --window " + std::to_string(window) + " 755 90 mousedown 1");
  EXPECT_TRUE(wait_until([&] { return discrete_input(17) == 1; }, 10, 0.1));
  xdotool("mouseup 1");
  EXPECT_TRUE(wait_until([&] { return discrete_input(17) == 0; }, 10, 0.1));
}

TEST_F(ModbusLine, CoilRentPullsTheLidPusherIn) {
  ASSERT_NO_FATAL_FAILURE(start());
  // The pusher starts between its two ends.
  ASSERT_EQ(discrete_input(9), 0);  // te
  ASSERT_TRUE(mbpoll_write_coil(4, 1));
  EXPECT_TRUE(wait_until([&] { return discrete_input(9) == 1; }, 20, 0.1));
  EXPECT_EQ(mbpoll_read("0", 0, 14), (std::vector<long>{0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ModbusLine, ForcedOutputWinsOverTheCoil) {
  ASSERT_NO_FATAL_FAILURE(start({"--force", "RENT=1"}));
  ASSERT_TRUE(mbpoll_write_coil(4, 0));
  EXPECT_TRUE(wait_until([&] { return discrete_input(9) == 1; }, 20, 0.1));  // te
  EXPECT_EQ(mbpoll_read("0", 4, 1), std::vector<long>{0});
}

TEST_F(ModbusLine, TurnCounterAdvancesAbout200TurnsASecond) {
  ASSERT_NO_FATAL_FAILURE(start());
  auto turn = [&] {
    auto r = mbpoll_read("3", 0, 2);
    return r.size() == 2 ? r[1] << 16 | r[0] : -1;
  };
  auto t0 = std::chrono::steady_clock::now();
  long first = turn();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  long second = turn();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  ASSERT_GE(first, 1);
  // One 5 ms turn after another, less the time each turn's work takes,
  // which the sanitized simulator stretches on a busy machine. A 10 ms
  // pause would give at most 100.
#ifdef __SANITIZE_ADDRESS__
  constexpr double slowest = 110;
#else
  constexpr double slowest = 140;
#endif
  double per_second = (second - first) / seconds;
  EXPECT_GT(per_second, slowest);
  EXPECT_LT(per_second, 205);
  // The monitor's own figure, over its last whole second: the rate just
  // seen, give or take what the load changed in between.
  auto measured = mbpoll_read("3", 2, 1);
  ASSERT_EQ(measured.size(), 1u);
  EXPECT_NEAR(measured[0], per_second, 0.3 * per_second);
}

TEST_F(ModbusLine, PythonControllerMakesThreeWorkpieces) {
  ASSERT_NO_FATAL_FAILURE(start());
  python =
      spawn_program({"/usr/bin/python3", python_controller, std::to_string(port)}, "", python_err);
  // INIT is seen as a rising edge: the controller must be there before it.
  ASSERT_TRUE(python_said("modbus_controller: connected to 127.0.0.1:" + std::to_string(port), 30))
      << read_file(python_err);
  press(755, 60);  // INIT
  ASSERT_TRUE(python_said("demo: ligne prete", 60)) << read_file(python_err);
  press(755, 90);  // DC
  ASSERT_TRUE(python_said("demo: production", 30)) << read_file(python_err);
  for (int k = 1; k <= 3; ++k) {
    click(760, 485);  // piece
    ASSERT_TRUE(wait_until([&] { return count("TRANSFERT") == k; }, 60, 0.1)) << err();
  }
  ASSERT_TRUE(wait_until([&] { return count(" DESTRUCTION") == 3; }, 180, 0.2)) << err();

  expect_workpieces_in_order(lines(err_file), 3);

  // The run ends: the monitor goes, and the controller with it.
  click(860, 525);  // quit
  EXPECT_EQ(wait_for_exit(simulator, 20), 0);
  EXPECT_EQ(wait_for_exit(python, 20), 0) << read_file(python_err);
  EXPECT_NE(
      read_file(python_err).find("\ndemo: initialisation\ndemo: ligne prete\ndemo: production\n"),
      std::string::npos)
      << read_file(python_err);
}

namespace {

// The values a signal took on the simulator's side, from the monitor's CSV
// trace: (time_us, value) in order.
std::vector<std::pair<long, int>> changes_of(const std::string& csv, const std::string& signal) {
  std::vector<std::pair<long, int>> found;
  std::istringstream in(read_file(csv));
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string time, turn, name, value;
    if (std::getline(fields, time, ',') && std::getline(fields, turn, ',') &&
        std::getline(fields, name, ',') && std::getline(fields, value) && name == signal &&
        time != "time_us")
      found.emplace_back(std::stol(time), std::stoi(value));
  }
  return found;
}

}  // namespace

TEST_F(ModbusLine, WatchdogZeroesWhatTheSimulatorSeesAfterSilenceUntilTheNextWrite) {
  ASSERT_NO_FATAL_FAILURE(start({"--modbus-timeout", "0.5", "--csv", csv}));
  ASSERT_TRUE(mbpoll_write_coil(5, 1));  // SORT
  // Recorded at 0 first, then 1 on the write, then 0 when the watchdog trips.
  ASSERT_TRUE(wait_until([&] { return changes_of(csv, "SORT").size() >= 3; }, 20, 0.1)) << err();
  auto sort = changes_of(csv, "SORT");
  EXPECT_EQ(sort[1].second, 1);
  EXPECT_EQ(sort[2].second, 0);
  // Both changes are recorded when the monitor next forwards the outputs:
  // each may come up to a turn (5 ms) after the write or the trip.
  EXPECT_GE(sort[2].first - sort[1].first, 500000 - 5000);
  EXPECT_NE(err().find(
                "modbus: no coil written for 0.5 s: every output held at 0 until the next write\n"),
            std::string::npos)
      << err();
  // The coil kept its value; a write to another coil makes it count again.
  EXPECT_EQ(mbpoll_read("0", 5, 1), std::vector<long>{1});
  ASSERT_TRUE(mbpoll_write_coil(7, 1));  // MONV
  EXPECT_TRUE(wait_until([&] { return changes_of(csv, "SORT").size() >= 4; }, 20, 0.1));
  EXPECT_EQ(changes_of(csv, "SORT").back().second, 1);
  EXPECT_EQ(changes_of(csv, "MONV").back().second, 1);
  click(860, 525);  // quit
  EXPECT_EQ(wait_for_exit(simulator, 20), 0);
}

TEST_F(ModbusLine, PortInUseIsSaidInOneLineAndTheMonitorEndsWithStatus2) {
  modbus_endpoint holder("127.0.0.1", port, 0);
  ASSERT_NO_FATAL_FAILURE(launch({}, "127.0.0.1:" + std::to_string(port)));
  std::string address = "127.0.0.1:" + std::to_string(port);
  EXPECT_TRUE(wait_until([&] { return err().find("status 2") != std::string::npos; }, 20, 0.1))
      << err();
  EXPECT_NE(err().find("corvan-monitor: modbus: cannot listen on " + address +
                       ": Address already in use\n"),
            std::string::npos)
      << err();
  // The line runs on, every output at 0, until quit.
  click(860, 525);
  EXPECT_EQ(wait_for_exit(simulator, 20), 0);
}

TEST_F(ModbusLine, BadPortIsRefusedInOneLineWithStatus2) {
  ASSERT_NO_FATAL_FAILURE(launch({}, "127.0.0.1:0"));
  EXPECT_TRUE(wait_until([&] { return err().find("status 2") != std::string::npos; }, 20, 0.1))
      << err();
  int monitor_lines = 0;
  for (const auto& l : lines(err_file))
    if (l.rfind("corvan-monitor: ", 0) == 0) {
      ++monitor_lines;
      EXPECT_NE(l.find("'127.0.0.1:0'"), std::string::npos) << l;
    }
  EXPECT_EQ(monitor_lines, 1) << err();
  click(860, 525);
  EXPECT_EQ(wait_for_exit(simulator, 20), 0);
}
