// The controller's process as the simulator and the tools launch and look
// after it, with real processes started through the shell.
#include <gtest/gtest.h>

#include "process/controller_process.h"
#include "tests/support/process.h"

#include <signal.h>
#include <sys/prctl.h>
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

bool contains(const std::vector<pid_t>& pids, pid_t pid) {
  return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

// An executable shell script at path.
void write_script(const std::string& path, const std::string& body) {
  std::ofstream(path) << "#!/bin/sh\n" << body;
  chmod(path.c_str(), 0755);
}

// Starts the controller's words in the background and exits at once, as
// some launch scripts do; removed with the object.
struct backgrounding_wrapper {
  backgrounding_wrapper() { write_script(path, "\"$@\" &\nexit 0\n"); }
  ~backgrounding_wrapper() { unlink(path.c_str()); }
  const std::string path = temp_path("wrapper");
};

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

// A wrapper that backgrounds the controller and exits hands it to us: it is
// looked after from then on, and its own end is the one reported.
TEST(ControllerCare, ControllerBehindAWrapperThatExitsIsLookedAfterUntilItEnds) {
  const backgrounding_wrapper wrapper;
  captured_errors errors;
  controller_care care("corvan", wrapper.path + " sh -c 'sleep 1' ", 5);
  poll_for(care, 0.3);  // the wrapper has left and been reaped
  ASSERT_TRUE(care.controller_running()) << errors.str();
  ASSERT_EQ(care.running_pids().size(), 1u);
  const pid_t controller = care.running_pids()[0];
  EXPECT_TRUE(process_exists(controller));
  EXPECT_EQ(errors.str(), "") << "the wrapper's exit is no end of the controller";

  EXPECT_TRUE(wait_until([&] { care.poll(); return !care.controller_running(); }, 3));
  EXPECT_FALSE(process_exists(controller));  // reaped
  EXPECT_EQ(errors.lines(), 1) << errors.str();
  EXPECT_NE(errors.str().find("corvan: the controller ended after"), std::string::npos);
  EXPECT_NE(errors.str().find("with status 0: " + wrapper.path), std::string::npos)
      << errors.str();
}

// The command name in /proc/<pid>/stat is in parentheses and may itself hold
// blanks and parentheses: a child is found whatever its name.
TEST(ControllerCare, ChildrenAreFoundWhateverTheirName) {
  for (const char* name : {"ctl (v2)", "a) b", ") S 1 (", "x y z", "((", ")"}) {
    SCOPED_TRACE(name);
    const pid_t child = fork();
    if (child == 0) {
      prctl(PR_SET_NAME, name);
      pause();
      _exit(0);
    }
    const std::string shown = "(" + std::string(name) + ") ";
    EXPECT_TRUE(
        wait_until([&] { return process_stat(child).find(shown) != std::string::npos; }, 5));
    EXPECT_TRUE(contains(child_processes(), child));
    kill(child, SIGKILL);
    wait_for_exit(child, 5);
  }
}

// The controller itself so named: a script "ctl (v2)" that leaves a
// process of its own name behind, waiting on a pipe nobody opens.
TEST(ControllerCare, ControllerNamedWithBlanksAndParenthesesIsFoundStoppedAndReaped) {
  const std::string dir = temp_path("named");
  const std::string fifo = dir + "/never-opened", pid_file = dir + "/pid";
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string script = dir + "/ctl (v2)";
  write_script(script, "( : < '" + fifo + "' ) &\necho $! > '" + pid_file + "'\nexit 0\n");

  pid_t left = -1;
  {
    captured_errors errors;
    controller_care care("corvan", "'" + script + "' ", 5);
    EXPECT_TRUE(wait_until([&] { return std::ifstream(pid_file) >> left && left > 0; }, 5));
    EXPECT_TRUE(wait_until(
        [&] {
          care.poll();
          return care.running_pids() == std::vector<pid_t>{left};
        },
        5))
        << "found";
    EXPECT_NE(process_stat(left).find(" (ctl (v2)) "), std::string::npos) << process_stat(left);
    care.finish();
    EXPECT_FALSE(process_exists(left)) << "stopped and reaped";
    EXPECT_EQ(errors.lines(), 1) << errors.str();
    const std::string stopped =
        "(pid " + std::to_string(left) + ") is still running; sending SIGTERM";
    EXPECT_NE(errors.str().find(stopped), std::string::npos) << errors.str();
  }
  if (left > 0 && process_exists(left)) {  // not looked after: ours to end
    kill(left, SIGKILL);
    waitpid(left, nullptr, 0);
  }
  unlink(script.c_str());
  unlink(fifo.c_str());
  unlink(pid_file.c_str());
  rmdir(dir.c_str());
}
