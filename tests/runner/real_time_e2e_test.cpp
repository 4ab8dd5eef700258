// corvan-run on the wall clock, where the scenario's times, the presses and
// the pauses between turns are real: the run lasts what its end says. Every
// other run of the runner's tests is in lock-step (run_e2e_test.cpp).
#include <gtest/gtest.h>

#include "tests/runner/run_files.h"
#include "tests/support/process.h"

#include <string>

namespace {

const std::string runner = build_file("runner/corvan-run");
const std::string demo = build_file("examples/demo_controller");

size_t occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

using RealTime = RunFiles;

// The first seconds of the example of three workpieces: the line brought
// home, a workpiece onto the main belt (at 6.2 s at 5 ms a turn; turns here
// last a little longer).
TEST_F(RealTime, TheFirstSecondsOfTheExamplePassWithTheDemonstrationController) {
  const std::string scenario = scenario_file(
      "at 0.5 press INIT for 0.5\nat 3 press DC for 0.5\nat 4 click piece\nend 10\n"
      "expect te = 1 at 2\nexpect vh = 1 at 2\nexpect ph = 1 at 2\nexpect MT = 0 at 2.5\n"
      "expect \"TRANSFERT\" count 1 by 10\n"
      "expect never \"trop de pieces en jeu: piece refuse\"\n");
  run_result r =
      run_program({runner, "--scenario", scenario, "--messages", "/dev/null", "--", demo}, 60);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("PASSED: 6 of 6 expectations hold"), std::string::npos) << r.out;
  EXPECT_EQ(occurrences(r.out, "FAIL"), 0u) << r.out;
  // Late answers are a lock-step matter.
  EXPECT_EQ(occurrences(r.out, "late answers"), 0u) << r.out;
}

}  // namespace
