// corvan-run end to end on what a grade depends on: properties checked at
// every turn against small controllers that each break one once, faults in
// simulated time, runs that could not be made, and the run's own files.
// Everything runs in lock-step.
#include <gtest/gtest.h>

#include "process/controller_process.h"
#include "tests/runner/run_files.h"
#include "tests/support/process.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

const std::string runner = build_file("runner/corvan-run");
const std::string monitor = build_file("monitor/corvan-monitor");
const std::string breaker = build_file("tests/runner/property_breaker");
const std::string probe = build_file("tests/tools/test_controller");

class LockStepRuns : public RunFiles {
 protected:
  // A lock-step run of the scenario with the controller's command.
  run_result run(const std::string& scenario_text, std::vector<std::string> controller,
                 std::vector<std::string> options = {}) {
    std::vector<std::string> argv = {runner, "--lockstep", "--scenario", scenario_file(scenario_text),
                                     "--messages", "/dev/null"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("--");
    argv.insert(argv.end(), controller.begin(), controller.end());
    return run_program(argv, 90);
  }
};

// The simulator's turn counter a breaker printed: "breaker: WHAT in turn N".
int breaker_turn(const std::string& err, const std::string& what) {
  std::smatch m;
  if (!std::regex_search(err, m, std::regex("breaker: " + what + " in turn ([0-9]+)"))) return -1;
  return std::stoi(m[1]);
}

// The turn a FAIL line names: "... in turn N (".
int failing_turn(const std::string& out, const std::string& statement) {
  std::smatch m;
  const std::string quoted = std::regex_replace(statement, std::regex(R"([()\[\].*+?^$|\\])"), R"(\$&)");
  if (!std::regex_search(out, m, std::regex("FAIL line [0-9]+: " + quoted + ":[^\n]* turn ([0-9]+)")))
    return -1;
  return std::stoi(m[1]);
}

// ------------------------------------------- properties at the exact turn

using Properties = LockStepRuns;

// The runner's turns count from 0, the simulator's counter from 1: a
// controller answering the counter's turn N acts in the runner's turn N - 1.
TEST_F(Properties, AJackDrivenBothWaysFailsNeverAndCheckJacksInItsTurnOnly) {
  run_result r = run("end 1\nnever SORT and RENT\ncheck jacks\nnever SORT and RENT to 0.495\n"
                     "never SORT and RENT from 0.505\n",
                     {breaker, "both-ways", "101"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_EQ(breaker_turn(r.err, "SORT and RENT"), 101) << r.err;
  EXPECT_NE(r.out.find("FAIL line 2: never SORT and RENT: true in turn 100 (0.5 s): RENT=1 SORT=1\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("FAIL line 3: check jacks: SORT and RENT on together in turn 100 (0.5 s)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("PASS line 4: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("PASS line 5: "), std::string::npos) << r.out;
}

TEST_F(Properties, ALidLetGoOverTheRailFailsCheckLidsInTheTurnItIsLetGo) {
  run_result r = run("end 5\ncheck lids\ncheck glued\ncheck jacks\n", {breaker, "drop-lid"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  const int let_go = breaker_turn(r.err, "lid let go");
  ASSERT_GT(let_go, 0) << r.err;
  EXPECT_EQ(failing_turn(r.out, "check lids"), let_go - 1) << r.out;
  EXPECT_NE(r.out.find("not onto a workpiece with a bead"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("PASS line 3: check glued"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("PASS line 4: check jacks"), std::string::npos) << r.out;
}

TEST_F(Properties, AWorkpieceLeavingBareFailsCheckGluedInTheTurnItLeaves) {
  run_result r = run("at 0 click piece\nend 60\ncheck glued\nexpect never \" DESTRUCTION\"\ncheck lids\n",
                     {breaker, "no-lid"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex("observed once, first in turn ([0-9]+)"))) << r.out;
  EXPECT_EQ(failing_turn(r.out, "check glued"), std::stoi(m[1])) << r.out;
  EXPECT_NE(r.out.find("without its glue bead"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("PASS line 5: check lids"), std::string::npos) << r.out;
}

TEST_F(Properties, AControllerSilentAfterAFaultBreaksTheStopWithinOneTurn) {
  // vh is held at 1 from 1 s (turn 200): the controller sees it in that very
  // turn and answers no more, so MT stays on through the emergency stop.
  // Each turn after that waits the whole answer timeout: the run is short.
  run_result r = run("at 1 fault vh = 1 for 0.5\nat 1.1 press ATU for 0.5\nend 1.2\n"
                     "expect not MT within 0.01 after rise(atu)\n"
                     "expect not MT within 0.2 after rise(atu)\n",
                     {breaker, "hang-after-fault"}, {"--answer-timeout", "100"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_EQ(breaker_turn(r.err, "no more answers"), 201) << r.err;
  EXPECT_NE(r.out.find("FAIL line 4: expect not MT within 0.01 after rise(atu): triggered in turn 220 "
                       "(1.1 s), not met by its deadline (1.11 s)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("OPEN line 5: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("FAILED: 0 of 2 expectations hold, 1 open"), std::string::npos) << r.out;
}

TEST_F(Properties, OpenStatementsAloneDoNotFailTheRunAndAreSkippedInJUnit) {
  const std::string junit = file("junit.xml");
  run_result r = run("at 0.9 press DC for 0.05\nend 1\nexpect \"TRANSFERT\" within 5 after rise(dc)\n"
                     "expect dc = 0 at 0.5\n",
                     {probe}, {"--junit", junit});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("PASSED: 1 of 2 expectations hold, 1 open"), std::string::npos) << r.out;
  const std::string x = read_file(junit);
  EXPECT_NE(x.find("skipped=\"1\""), std::string::npos) << x;
  EXPECT_NE(x.find("<skipped message=\"open: triggered in turn 180"), std::string::npos) << x;
  EXPECT_EQ(run_program({"/usr/bin/xmllint", "--noout", junit}, 20).status, 0);
}

// ------------------------------------------------ faults in simulated time

using Faults = LockStepRuns;

// time_us,turn,signal,value lines of a CSV trace for one signal.
std::vector<std::string> csv_lines_of(const std::string& csv, const std::string& signal) {
  std::vector<std::string> lines;
  std::istringstream in(csv);
  for (std::string line; std::getline(in, line);)
    if (line.find("," + signal + ",") != std::string::npos) lines.push_back(line);
  return lines;
}

TEST_F(Faults, LandOnTheirTurnsAndTwoRunsGiveByteIdenticalTraces) {
  const std::string text =
      "at 1 fault vh = 1 for 0.5\nat 1.25 fault MT = 0 for 0.005\nend 2\nalways MT to 1.245\n"
      "never MT from 1.25 to 1.25\nalways MT from 1.255\nalways vh from 1 to 1.495\n"
      "never vh from 1.5\n";
  std::vector<std::string> vcd, csv;
  for (int run_index = 0; run_index < 2; ++run_index) {
    vcd.push_back(file("faults.vcd"));
    csv.push_back(file("faults.csv"));
    run_result r = run(text, {probe, "--set", "MT=1"}, {"--trace", vcd.back(), "--csv", csv.back()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
  }
  EXPECT_EQ(read_file(vcd[0]), read_file(vcd[1]));
  const std::string trace = read_file(csv[0]);
  EXPECT_EQ(trace, read_file(csv[1]));
  // The controller's view and the line's, marked in the forced scope.
  EXPECT_EQ(csv_lines_of(trace, "vh"),
            (std::vector<std::string>{"0,0,vh,0", "1000000,200,vh,1", "1500000,300,vh,0"}));
  EXPECT_EQ(csv_lines_of(trace, "forced.vh"),
            (std::vector<std::string>{"0,0,forced.vh,0", "1000000,200,forced.vh,1",
                                      "1500000,300,forced.vh,0"}));
  EXPECT_EQ(csv_lines_of(trace, "forced.MT"),
            (std::vector<std::string>{"0,0,forced.MT,0", "1250000,250,forced.MT,1",
                                      "1255000,251,forced.MT,0"}));
  run_result fst = run_program({"/usr/bin/vcd2fst", vcd[0], file("faults.fst")}, 30);
  EXPECT_EQ(fst.status, 0) << fst.err;
}

TEST_F(Faults, ThroughTheMonitorFollowTheTurnCounterInALockStepRun) {
  std::vector<std::string> traces;
  for (int run_index = 0; run_index < 2; ++run_index) {
    traces.push_back(file("monitor.csv"));
    // A generous wait for answers: the monitor and its controller start
    // within the first turn even on a loaded machine.
    // The runner sees the line's own vh; the monitor's controller the fault.
    run_result r = run("end 2\nexpect vh = 0 at 1.2\n",
                       {monitor, "--no-window", "--fault", "vh=1@1-1.5", "--csv", traces.back(),
                        "--", probe},
                       {"--answer-timeout", "10000"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.err.find("controleur: vh=1\n"), std::string::npos) << r.err;
  }
  const std::string trace = read_file(traces[0]);
  EXPECT_EQ(trace, read_file(traces[1]));
  // The monitor's trace has the simulated time of the runner's turns.
  EXPECT_EQ(csv_lines_of(trace, "forced.vh"),
            (std::vector<std::string>{"0,1,forced.vh,0", "1000000,201,forced.vh,1",
                                      "1500000,301,forced.vh,0"}));
}

// ---------------------------------------------- runs that are no verdict

using RunsNotMade = LockStepRuns;

TEST_F(RunsNotMade, AControllerEndingBeforeItsFirstAnswerIsAnErrorRightAway) {
  const std::string script = file("ctl.sh"), junit = file("junit.xml"), messages = file("m.txt");
  std::ofstream(script) << "#!/bin/sh\necho 'error while loading shared libraries: libx.so' >&2\nexit 3\n";
  chmod(script.c_str(), 0755);
  // An hour of turns, each waiting 5 s for an answer: only stopping at once
  // ends this run within the test's time.
  run_result r = run("end 3600\nexpect MT = 0 at 1\n", {script},
                     {"--answer-timeout", "5000", "--junit", junit, "--messages", messages});
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_NE(r.err.find("the controller ended before answering any turn"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("with status 3"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("  error while loading shared libraries: libx.so"), std::string::npos) << r.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.err, m, std::regex("ended after ([0-9]+) ms"))) << r.err;
  EXPECT_LT(std::stoi(m[1]), 5000) << "measured from its start, not after an answer timeout";
  const std::string x = read_file(junit);
  EXPECT_NE(x.find("<error message=\"the controller ended before answering any turn"),
            std::string::npos)
      << x;
  EXPECT_EQ(run_program({"/usr/bin/xmllint", "--noout", junit}, 20).status, 0);
  // The runner's own lines are not the simulator's messages.
  EXPECT_EQ(read_file(messages).find("corvan-run"), std::string::npos) << read_file(messages);
}

TEST_F(RunsNotMade, AControllerEndingDuringTheRunFailsIt) {
  run_result r = run("end 5\nexpect MT = 1 at 1\n", {breaker, "exit-after", "100", "3"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex("FAIL: controller ended at turn ([0-9]+) \\(status 3\\)\n")))
      << r.out;
  EXPECT_GE(std::stoi(m[1]), 99);
  EXPECT_NE(r.out.find("FAILED: "), std::string::npos) << r.out;
}

TEST_F(RunsNotMade, AScenarioThatChecksNothingIsNoPassUnlessRunForItsTraces) {
  run_result nothing = run("at 0.1 click piece\nend 0.5\n", {probe});
  EXPECT_EQ(nothing.status, 5) << nothing.out << nothing.err;
  EXPECT_EQ(nothing.out.rfind("NOTHING CHECKED", 0), 0u) << nothing.out;
  const std::string vcd = file("t.vcd");
  run_result traces = run("at 0.1 click piece\nend 0.5\n", {probe}, {"--no-checks", "--trace", vcd});
  EXPECT_EQ(traces.status, 0) << traces.out << traces.err;
  EXPECT_NE(read_file(vcd).find("$enddefinitions"), std::string::npos);
}

// ----------------------------------------------------- the operator's hand

using Hand = LockStepRuns;

TEST_F(Hand, OverlappingPressesHoldTheButtonUntilTheLastEnds) {
  run_result r = run("at 1 press DC for 1\nat 1.5 press DC for 0.1\nend 2.5\n"
                     "always dc from 1 to 1.995\nexpect dc = 0 at 2\n",
                     {probe});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
}

// ------------------------------------------------------ the run's own files

using Outputs = LockStepRuns;

TEST_F(Outputs, EveryPathIsCheckedBeforeTheRunAndNoneMayBeGivenTwice) {
  const std::string pid_file = file("pid");
  const std::string vcd = file("same.vcd");
  const size_t slash = vcd.rfind('/');
  const std::string same_spelt_otherwise = vcd.substr(0, slash) + "/./" + vcd.substr(slash + 1);
  const std::vector<std::vector<std::string>> cases = {
      {"--screenshot", "/nonexistent/shot.png"},
      {"--trace", "/nonexistent/t.vcd"},
      {"--trace", vcd, "--csv", vcd},
      {"--trace", vcd, "--junit", same_spelt_otherwise},
  };
  for (const auto& options : cases) {
    SCOPED_TRACE(options[1]);
    run_result r = run("end 60\nexpect MT = 0 at 1\n", {probe, "--pid-file", pid_file}, options);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(access(pid_file.c_str(), F_OK), 0) << "the controller was started";
  }
}

TEST_F(Outputs, AWriteThatFailsEndsTheRunAsAnErrorNamingTheFile) {
  run_result trace = run("end 30\nexpect MT = 0 at 1\n", {probe}, {"--trace", "/dev/full"});
  EXPECT_EQ(trace.status, 2) << trace.out << trace.err;
  EXPECT_NE(trace.err.find("cannot write /dev/full: No space left on device"), std::string::npos)
      << trace.err;
  EXPECT_EQ(trace.out.find("PASSED"), std::string::npos) << trace.out;
  std::vector<std::string> argv = {runner, "--lockstep", "--scenario",
                                   scenario_file("at 0 click piece\nend 30\nexpect MT = 0 at 1\n"),
                                   "--messages", "/dev/full", "--", breaker, "no-lid"};
  run_result messages = run_program(argv, 90);
  EXPECT_EQ(messages.status, 2) << messages.out << messages.err;
  EXPECT_NE(messages.err.find("cannot write /dev/full"), std::string::npos) << messages.err;
}

TEST_F(Outputs, AWriteThatFailsInTheMonitorOrTheChartEndsThemNamingTheFile) {
  const std::string chart = file("c.graf");
  std::ofstream(chart) << "initial step 0\n0: MT\n";
  for (const std::vector<std::string>& controller :
       {std::vector<std::string>{monitor, "--no-window", "--trace", "/dev/full", "--", probe},
        std::vector<std::string>{build_file("grafcet/corvan-grafcet"), "--no-window", "--trace",
                                 "/dev/full", chart}}) {
    SCOPED_TRACE(controller[0]);
    run_result r = run("end 30\nexpect MT = 0 at 20\n", controller);
    EXPECT_NE(r.err.find("cannot write /dev/full: No space left on device"), std::string::npos) << r.err;
    // It ends at its first turn, with or without that turn answered.
    const bool ended = r.status == 1 && r.out.find("FAIL: controller ended at turn ") != std::string::npos &&
                       r.out.find(" (status 2)") != std::string::npos;
    const bool never_answered =
        r.status == 2 && r.err.find("before answering any turn") != std::string::npos &&
        r.err.find("with status 2") != std::string::npos;
    EXPECT_TRUE(ended || never_answered) << r.out << r.err;
  }
}

TEST_F(Outputs, SigtermEndsTheRunWithItsVerdictSoFarAndEverythingCleanedUp) {
  const std::string junit = file("junit.xml"), vcd = file("t.vcd"), out = file("out.txt"),
                    err = file("err.txt"), pid_file = file("pid");
  // Real time, so that the run is still going when the signal comes.
  pid_t pid = spawn_program({runner, "--scenario", scenario_file("end 600\nnever SORT\n"), "--junit",
                             junit, "--trace", vcd, "--messages", "/dev/null", "--", probe,
                             "--pid-file", pid_file},
                            out, err);
  ASSERT_TRUE(wait_until([&] { return access(pid_file.c_str(), F_OK) == 0; }, 30)) << read_file(err);
  usleep(300000);
  const pid_t controller = std::stoi(read_file(pid_file));
  kill(pid, SIGTERM);
  const int status = wait_for_exit(pid, 30);
  EXPECT_EQ(status, 143) << read_file(out) << read_file(err);
  EXPECT_NE(read_file(out).find("INTERRUPTED: "), std::string::npos) << read_file(out);
  const std::string x = read_file(junit);
  EXPECT_NE(x.find("<error message=\"interrupted by SIGTERM"), std::string::npos) << x;
  EXPECT_EQ(run_program({"/usr/bin/xmllint", "--noout", junit}, 20).status, 0);
  EXPECT_EQ(run_program({"/usr/bin/vcd2fst", vcd, file("t.fst")}, 30).status, 0);
  EXPECT_NE(kill(controller, 0), 0) << "the controller still runs";
}

}  // namespace
