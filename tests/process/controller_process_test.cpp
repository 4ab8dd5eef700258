// The controller's process as the simulator and the tools launch and look
// after it, with real processes started through the shell.
#include <gtest/gtest.h>

#include "process/controller_process.h"
#include "tests/support/process.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

namespace {

// What the care writes on std::cerr during one test.
class captured_errors {
 public:
  captured_errors() : saved(std::cerr.rdbuf(text.rdbuf())) {}
  ~captured_errors() { std::cerr.rdbuf(saved); }
  std::string str() const { return text.str(); }
  int lines() const {
    std::string s = text.str();
    return int(std::count(s.begin(), s.end(), '\n'));
  }

 private:
  std::ostringstream text;
  std::streambuf* saved;
};

void poll_for(controller_care& care, double seconds) {
  wait_until([&] { care.poll(); return false; }, seconds);
}

bool process_exists(pid_t pid) { return kill(pid, 0) == 0; }

}  // namespace

TEST(ControllerLaunch, CommandJoinsArgumentsEachFollowedByABlank) {
  char a0[] = "corvan", a1[] = "./ctrl", a2[] = "-v";
  char* argv[] = {a0, a1, a2, nullptr};
  EXPECT_EQ(controller_command(3, argv), "./ctrl -v ");
  EXPECT_EQ(controller_command(1, argv), "");
  EXPECT_EQ(controller_command(3, argv, 2), "-v ");
}

TEST(ControllerLaunch, LaunchStringHasTwoBlanksBeforeTheOption) {
  EXPECT_EQ(launch_string("A B ", 4242), "A B  -automemlink 4242 &");
}

TEST(ControllerCare, MisspeltControllerGivesOneLineWithStatus127) {
  captured_errors errors;
  controller_care care("corvan", "/nonexistent/controller ", 77);
  poll_for(care, 1.0);
  EXPECT_FALSE(care.controller_running());
  EXPECT_EQ(errors.lines(), 1) << errors.str();
  EXPECT_NE(errors.str().find("status 127 (not found)"), std::string::npos) << errors.str();
  EXPECT_NE(errors.str().find("/nonexistent/controller  -automemlink 77"), std::string::npos);
}

TEST(ControllerCare, ControllerThatCannotBeExecutedGivesStatus126) {
  std::string path = temp_path("not-executable");
  std::ofstream(path) << "#!/bin/sh\n";
  chmod(path.c_str(), 0644);
  captured_errors errors;
  controller_care care("corvan", path + " ", 3);
  poll_for(care, 1.0);
  EXPECT_NE(errors.str().find("status 126 (not executable)"), std::string::npos) << errors.str();
  unlink(path.c_str());
}

TEST(ControllerCare, WellBehavedControllerIsNeverSignalledNorReported) {
  captured_errors errors;
  controller_care care("corvan", "sh -c 'sleep 2.3' ", 5);
  ASSERT_EQ(care.running_pids().size(), 1u);
  const pid_t pid = care.running_pids()[0];
  poll_for(care, 0.5);
  EXPECT_TRUE(care.controller_running());
  care.finish();  // it leaves within the 3 s grace
  EXPECT_FALSE(process_exists(pid));
  EXPECT_EQ(errors.str(), "");
}

TEST(ControllerCare, ControllerIgnoringTheEndGetsSigtermAndIsReaped) {
  captured_errors errors;
  controller_care care("corvan", "sh -c 'exec sleep 60' ", 5);
  ASSERT_EQ(care.running_pids().size(), 1u);
  const pid_t pid = care.running_pids()[0];
  const auto start = std::chrono::steady_clock::now();
  care.finish();
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(process_exists(pid));  // reaped: not even a zombie
  EXPECT_GE(took, 2.9);
  EXPECT_EQ(errors.lines(), 1) << errors.str();
  EXPECT_NE(errors.str().find("SIGTERM"), std::string::npos);
}

TEST(ControllerCare, ControllerIgnoringSigtermGetsSigkill) {
  captured_errors errors;
  controller_care care("corvan-run", "sh -c 'trap \"\" TERM; exec sleep 60' ", 5);
  ASSERT_EQ(care.running_pids().size(), 1u);
  const pid_t pid = care.running_pids()[0];
  care.finish();
  EXPECT_FALSE(process_exists(pid));
  EXPECT_EQ(errors.lines(), 2) << errors.str();
  EXPECT_NE(errors.str().find("corvan-run: "), std::string::npos);
  EXPECT_NE(errors.str().find("SIGKILL"), std::string::npos);
}

TEST(ControllerCare, ChildrenStartedBeforeTheLaunchAreLeftAlone) {
  const pid_t bystander = spawn_program({"/bin/sleep", "30"});
  {
    captured_errors errors;
    controller_care care("corvan", "true ", 5);
    care.finish();
    EXPECT_EQ(errors.str(), "");
  }
  EXPECT_TRUE(process_exists(bystander));
  EXPECT_EQ(wait_for_exit(bystander, 0), -1);  // still running
  kill(bystander, SIGKILL);
  wait_for_exit(bystander, 5);
}

// A process may end between its /proc entry being listed and read: the
// listing must skip it, never fail.
TEST(ControllerCare, ChildrenAreListedWhileOtherProcessesComeAndGo) {
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    while (!stop) {
      const pid_t pid = fork();
      if (pid == 0) _exit(0);
      if (pid > 0) waitpid(pid, nullptr, 0);
    }
  });
  const pid_t child = spawn_program({"/bin/sleep", "30"});
  bool always_found = true;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (int round = 0; round < 2000 && std::chrono::steady_clock::now() < until; ++round) {
    const std::vector<pid_t> children = child_processes();
    always_found &= std::find(children.begin(), children.end(), child) != children.end();
  }
  stop = true;
  churn.join();
  EXPECT_TRUE(always_found);
  kill(child, SIGKILL);
  wait_for_exit(child, 5);
}
