// The simulator looks after its controller's process: a controller that
// cannot start is reported and the run goes on; one that outlives the run
// is signalled and reaped; a well-behaved one is left alone.
#include <gtest/gtest.h>

#include "process/controller_process.h"
#include "tests/support/process.h"
#include "tests/support/xwin.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::string corvan = build_file("app/corvan");
const std::string demo = build_file("examples/demo_controller");

class ControllerCareRun : public ::testing::Test {
 protected:
  void TearDown() override {
    for (pid_t pid : started) kill(pid, SIGKILL);
    if (sim > 0 && wait_for_exit(sim, 0) == -1) {
      kill(sim, SIGKILL);
      wait_for_exit(sim, 5);
    }
    unlink(err_file.c_str());
  }

  void start(const std::string& controller) {
    sim = spawn_program({"/bin/sh", "-c", "exec " + corvan + " " + controller}, "", err_file);
    window = wait_for_window("atelier", 20);
    ASSERT_NE(window, 0u) << err();
  }
  std::string err() const { return read_file(err_file); }
  bool err_has(const std::string& text, double timeout_s) {
    return wait_until([&] { return err().find(text) != std::string::npos; }, timeout_s);
  }
  void close_window() { send_wm_delete(window); }

  std::string err_file = temp_path("care-err");
  pid_t sim = -1;
  unsigned long window = 0;
  std::vector<pid_t> started;  // by the simulator: killed at the end whatever happens
};

}  // namespace

TEST_F(ControllerCareRun, MisspeltControllerIsReportedWithStatus127AndTheRunGoesOn) {
  start("./no_such_controller");
  ASSERT_TRUE(err_has("corvan: the controller ended after", 5)) << err();
  EXPECT_NE(err().find("status 127 (not found): ./no_such_controller  -automemlink"),
            std::string::npos)
      << err();
  usleep(300000);
  EXPECT_EQ(wait_for_exit(sim, 0), -1);  // still running
  EXPECT_FALSE(find_windows("atelier").empty());
  close_window();
  EXPECT_EQ(wait_for_exit(sim, 10), 0);
}

TEST_F(ControllerCareRun, ControllerIgnoringTheEndIsSignalledAndReaped) {
  start("\"sh -c 'trap \\\"\\\" TERM; exec sleep 60'\"");
  ASSERT_TRUE(wait_until([&] { return !children_of(sim).empty(); }, 5));
  started = children_of(sim);
  close_window();
  EXPECT_EQ(wait_for_exit(sim, 15), 0) << err();
  for (pid_t pid : started) EXPECT_NE(kill(pid, 0), 0) << "left running: " << pid;
  EXPECT_NE(err().find("sending SIGTERM"), std::string::npos) << err();
  EXPECT_NE(err().find("sending SIGKILL"), std::string::npos) << err();
}

TEST_F(ControllerCareRun, WellBehavedControllerIsNeverSignalled) {
  start(demo);
  ASSERT_TRUE(err_has("ident_mem=", 10)) << err();
  started = children_of(sim);
  ASSERT_FALSE(started.empty());
  close_window();
  EXPECT_EQ(wait_for_exit(sim, 15), 0) << err();
  for (pid_t pid : started) EXPECT_NE(kill(pid, 0), 0);
  EXPECT_EQ(err().find("sending SIG"), std::string::npos) << err();
  EXPECT_EQ(err().find("the controller ended"), std::string::npos) << err();
}
