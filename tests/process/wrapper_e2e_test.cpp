// A controller started through a wrapper that backgrounds it and exits, run
// in lock-step by corvan-run, directly and behind corvan-monitor: the real
// controller is the one looked after, and its answers are the ones counted.
#include <gtest/gtest.h>

#include "tests/support/process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string runner = build_file("runner/corvan-run");
const std::string monitor = build_file("monitor/corvan-monitor");
const std::string demo = build_file("examples/demo_controller");

// INIT brings the line home: three sensors only the controller's answers set.
constexpr const char* homing =
    "at 0.5 press INIT for 0.5\n"
    "end 3\n"
    "expect te = 1 at 2.5\n"
    "expect vh = 1 at 2.5\n"
    "expect ph = 1 at 2.5\n";

class WrappedController : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(wrapper) << "#!/bin/sh\n\"$@\" &\nexit 0\n";
    chmod(wrapper.c_str(), 0755);
    std::ofstream(scenario) << homing;
  }
  void TearDown() override {
    for (const std::string& f : files) unlink(f.c_str());
  }
  std::string file(const std::string& stem) {
    files.push_back(temp_path(stem));
    return files.back();
  }

  std::vector<std::string> files;
  const std::string wrapper = file("wrapper");
  const std::string scenario = file("homing.scn");
};

}  // namespace

TEST_F(WrappedController, LockStepRunsGiveOneVerdictAndByteIdenticalTraces) {
  std::vector<std::string> verdicts, traces;
  for (int run = 0; run < 3; ++run) {
    traces.push_back(file("trace.vcd"));
    run_result r = run_program({runner, "--lockstep", "--scenario", scenario, "--trace",
                                traces.back(), "--messages", "/dev/null", "--", wrapper, demo},
                               60);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    verdicts.push_back(r.out);
  }
  EXPECT_NE(verdicts[0].find("PASSED: 3 of 3 expectations hold"), std::string::npos) << verdicts[0];
  EXPECT_NE(verdicts[0].find("late answers: 0 "), std::string::npos) << verdicts[0];
  for (int run = 1; run < 3; ++run) {
    EXPECT_EQ(verdicts[run], verdicts[0]);
    EXPECT_EQ(read_file(traces[run]), read_file(traces[0])) << "run " << run + 1;
  }
}

TEST_F(WrappedController, MonitorNeverSaysTheControllerEndedWhileItRuns) {
  run_result r = run_program({runner, "--lockstep", "--scenario", scenario, "--messages",
                              "/dev/null", "--", monitor, "--no-window", "--", wrapper, demo},
                             60);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("PASSED: 3 of 3 expectations hold"), std::string::npos) << r.out;
  EXPECT_EQ(r.err.find("the controller has ended"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("the controller ended after"), std::string::npos) << r.err;
}
