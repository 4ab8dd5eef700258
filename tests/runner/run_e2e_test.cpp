// corvan-run end to end: the real program with real controllers, under the
// test's X server or one of its own.
#include <gtest/gtest.h>

#include "process/controller_process.h"
#include "tests/runner/run_files.h"
#include "tests/support/process.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string runner = build_file("runner/corvan-run");
const std::string demo = build_file("examples/demo_controller");
const std::string slow = build_file("tests/runner/slow_controller");
const std::string probe = build_file("tests/tools/test_controller");

std::string example(const std::string& name) {
  return source_file("examples/scenarios/" + name + ".scn");
}

size_t occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

// Sets an environment variable for the length of a scope.
class scoped_env {
 public:
  scoped_env(const char* name, const char* value) : name(name) {
    if (const char* old = std::getenv(name)) saved = old, had = true;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~scoped_env() {
    if (had)
      setenv(name, saved.c_str(), 1);
    else
      unsetenv(name);
  }

 private:
  const char* name;
  std::string saved;
  bool had = false;
};

// ------------------------------------------------ the example scenarios

using ExampleScenarios = RunFiles;

TEST_F(ExampleScenarios, PassWithTheDemonstrationControllerInLockStep) {
  for (const char* name : {"three_workpieces", "emergency_stop", "safety"}) {
    SCOPED_TRACE(name);
    std::string messages = file("messages.txt");
    run_result r = run_program(
        {runner, "--lockstep", "--scenario", example(name), "--messages", messages, "--", demo},
        120);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("PASSED: "), std::string::npos) << r.out;
    EXPECT_EQ(occurrences(r.out, "FAIL"), 0u) << r.out;
    EXPECT_NE(r.out.find("late answers: 0 "), std::string::npos) << r.out;
    // The simulator's messages in their file, the controller's on stderr.
    std::string m = read_file(messages);
    EXPECT_GE(occurrences(m, " DESTRUCTION\n"), 2u) << m;
    EXPECT_EQ(occurrences(m, "demo: "), 0u) << m;
    EXPECT_NE(r.err.find("demo: production"), std::string::npos) << r.err;
    EXPECT_EQ(occurrences(r.err, "TRANSFERT"), 0u) << r.err;
  }
}

// Drawing never decides what the line does: the emergency-stop example
// drawn on a display and run with nothing drawn (no display: a server of
// its own) gives the same messages and the same trace, turn for turn.
TEST_F(ExampleScenarios, DrawnOrNotTheRunIsTheSameTurnForTurn) {
  std::vector<std::string> messages, traces;
  for (bool drawn : {true, false}) {
    SCOPED_TRACE(drawn ? "drawn" : "nothing drawn");
    messages.push_back(file("messages.txt"));
    traces.push_back(file("trace.csv"));
    std::vector<std::string> argv = {runner, "--lockstep", "--scenario", example("emergency_stop"),
                                     "--messages", messages.back(), "--csv", traces.back(),
                                     "--", demo};
    if (drawn) argv.insert(argv.begin(), source_file("tests/support/with_x_server.sh"));
    run_result r = run_program(argv, 60);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
  }
  EXPECT_GT(read_file(traces[0]).size(), 1000u);
  EXPECT_EQ(read_file(traces[0]), read_file(traces[1]));
  EXPECT_EQ(read_file(messages[0]), read_file(messages[1]));
}

// ------------------------------------------------------------ verdicts

using Verdict = RunFiles;

TEST_F(Verdict, AnImpossibleExpectationFailsWithWhatWasObservedAndItsJUnitCase) {
  std::ifstream example_in(example("three_workpieces"));
  std::string text((std::istreambuf_iterator<char>(example_in)), std::istreambuf_iterator<char>());
  int line = static_cast<int>(occurrences(text, "\n")) + 1;
  std::string s = scenario_file(text + "expect \" DESTRUCTION\" count 4 by 50\n");
  std::string junit = file("junit.xml"), out = file("out.txt");

  // No display of the test's: the run starts its own X server and stops it.
  scoped_env no_display("DISPLAY", nullptr);
  pid_t pid = spawn_program({runner, "--lockstep", "--scenario", s, "--junit", junit, "--messages",
                             "/dev/null", "--", demo},
                            out, "/dev/null");
  std::vector<pid_t> server;
  wait_until([&] { return !(server = children_of(pid)).empty(); }, 20);
  int status = wait_for_exit(pid, 120);
  if (status == -1) {
    kill(pid, SIGKILL);
    wait_for_exit(pid, 5);
  }
  EXPECT_EQ(status, 1);
  std::string o = read_file(out);
  EXPECT_NE(o.find("FAIL line " + std::to_string(line) +
                   ": expect \" DESTRUCTION\" count 4 by 50: observed 3 by turn 10000 (50 s)\n"),
            std::string::npos)
      << o;
  EXPECT_EQ(occurrences(o, "FAIL"), 2u) << o;  // the line and the summary
  EXPECT_NE(o.find("FAILED: 10 of 11 expectations hold"), std::string::npos) << o;
  ASSERT_FALSE(server.empty()) << "no X server of its own";
  for (pid_t p : server) EXPECT_NE(access(("/proc/" + std::to_string(p)).c_str(), F_OK), 0);

  run_result lint = run_program({"/usr/bin/xmllint", "--noout", junit}, 20);
  EXPECT_EQ(lint.status, 0) << lint.err;
  std::string x = read_file(junit);
  EXPECT_EQ(occurrences(x, "<testcase "), 11u) << x;
  EXPECT_EQ(occurrences(x, "<failure "), 1u) << x;
  EXPECT_NE(x.find("observed 3 by turn 10000"), std::string::npos) << x;
}

TEST_F(Verdict, TwoLockStepRunsGiveByteIdenticalTraces) {
  std::vector<std::string> vcd, csv;
  for (int run = 0; run < 2; ++run) {
    vcd.push_back(file("trace.vcd"));
    csv.push_back(file("trace.csv"));
    run_result r =
        run_program({runner, "--lockstep", "--scenario", example("three_workpieces"), "--trace",
                     vcd.back(), "--csv", csv.back(), "--messages", "/dev/null", "--", demo},
                    120);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
  }
  std::string first = read_file(csv[0]);
  // A real trace: three workpieces leave station 3, and the time is the
  // simulated one, 5 ms a turn.
  EXPECT_EQ(first.rfind("time_us,turn,signal,value\n", 0), 0u);
  std::istringstream lines(first);
  std::string line;
  int p3_falls = 0;
  while (std::getline(lines, line)) {
    long long time_us, turn;
    char signal[16];
    int value;
    if (std::sscanf(line.c_str(), "%lld,%lld,%15[^,],%d", &time_us, &turn, signal, &value) != 4)
      continue;
    EXPECT_EQ(time_us, turn * 5000) << line;
    if (std::string(signal) == "p3ok" && value == 0) ++p3_falls;
  }
  EXPECT_EQ(p3_falls, 4);  // its first value, then three workpieces
  EXPECT_EQ(read_file(vcd[0]), read_file(vcd[1]));
  EXPECT_EQ(first, read_file(csv[1]));
}

TEST_F(Verdict, ASlowControllerIsCountedLateAndTheRunStillEndsAtItsEnd) {
  // 101 turns; each waits 40 ms at most, the controller takes 100 ms.
  std::string s = scenario_file("end 0.5\nexpect MT = 1 at 0.5\nexpect init = 0 at 0.5\n");
  run_result r = run_program({runner, "--lockstep", "--answer-timeout", "40", "--scenario", s,
                              "--messages", "/dev/null", "--", slow, "--delay-ms", "100"},
                             60);
  EXPECT_EQ(r.status, 0) << r.out << r.err;  // late answers alone do not fail
  EXPECT_NE(r.out.find("PASS line 3: expect init = 0 at 0.5\n"), std::string::npos) << r.out;
  size_t at = r.out.find("late answers: ");
  ASSERT_NE(at, std::string::npos) << r.out;
  size_t digits_end;
  int late = std::stoi(r.out.substr(at + 14), &digits_end);
  EXPECT_EQ(r.out.substr(at + 14 + digits_end), " (turns not answered within 40 ms)\n");
  // The controller answers at most once per 100 ms and the run waits at most
  // 101 x 40 ms: at most some 40 turns can have their answer in time.
  EXPECT_GE(late, 50);
  EXPECT_LE(late, 101);
}

TEST_F(Verdict, AControllerThatIsGoneDoesNotHoldUpALockStepRun) {
  std::string s = scenario_file("end 10\nexpect MT = 0 at 10\n");
  run_result r = run_program(
      {runner, "--lockstep", "--scenario", s, "--messages", "/dev/null", "--", "/bin/true"}, 60);
  // It never answered: no verdict, and the run did not wait a second for
  // each of its 2001 turns.
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_NE(r.err.find("the controller ended before answering any turn"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("PASS line 2"), std::string::npos) << r.out;
}

// ------------------------------------------- the scenario's hand and clock

using ScenarioClock = RunFiles;

TEST_F(ScenarioClock, APressHoldsItsButtonForExactlyItsDurationInSimulatedTurns) {
  std::string s = scenario_file(
      "at 1 press INIT for 0.5\nat 2 press ATU for 0.005\nend 3\n"
      "expect init = 0 at 0.995\nexpect init = 1 at 1\nexpect init = 1 at 1.495\n"
      "expect init = 0 at 1.5\nexpect atu = 1 at 2\nexpect atu = 0 at 2.005\n"
      // Nothing renews the 10-second timer: it is due after one simulated second.
      "expect timer10t = 0 at 0.995\nexpect timer10t = 1 at 1\n");
  run_result r = run_program({runner, "--lockstep", "--scenario", s, "--messages", "/dev/null",
                              "--", slow, "--delay-ms", "0"},
                             60);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("PASSED: 8 of 8 expectations hold"), std::string::npos) << r.out;
}

// ------------------------------------------------ mistakes stop at once

using Mistakes = RunFiles;

TEST_F(Mistakes, EachKindOfScenarioMistakeStopsBeforeAnythingRuns) {
  struct mistake {
    std::string text;
    std::string reason;
  };
  const std::vector<mistake> kinds = {
      {"end 5\nfly away\n",
       "2:1: unknown statement 'fly' (at, expect, always, never, check, end or explore)"},
      {"at 1 press GO for 1\n",
       "1:12: unknown button 'GO' (INIT, DC, AC, ATU, interv., piece, couvercle, REDESSINER, PV)"},
      {"# x\nexpect speed = 1 at 2\n", "2:8: unknown signal 'speed'"},
      {"expect never \"TRANSFERT\n", "1:14: message quote not closed"},
      {"at 3 click piece\nat 2 click piece\n", "2:4: 'at' time earlier than the previous 'at'"},
      {"at 1 click a propos\n", "1:12: \"a propos\" opens a dialog that would block the run"},
      {"at 1 fault vh = 2\n", "1:17: a signal's value is 0 or 1, not '2'"},
      {"never SORT and RENTT\n", "1:16: unknown signal 'RENTT' (did you mean 'RENT'?)"},
  };
  // A display that does not exist and a controller that would leave its pid:
  // neither may be reached.
  scoped_env bad_display("DISPLAY", ":999");
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.text);
    std::string s = scenario_file(k.text), pid_file = file("pid");
    run_result r = run_program(
        {runner, "--lockstep", "--scenario", s, "--", probe, "--pid-file", pid_file}, 20);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, s + ":" + k.reason + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_NE(access(pid_file.c_str(), F_OK), 0) << "the controller was started";
  }
}

TEST_F(Mistakes, UsageMistakesGiveStatusTwoAndTheUsage) {
  run_result none = run_program({runner, "--lockstep"}, 20);
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err.rfind("corvan-run: no controller to run\nUsage: corvan-run", 0), 0u)
      << none.err;
  run_result no_length = run_program({runner, "--", demo}, 20);
  EXPECT_EQ(no_length.status, 2);
  EXPECT_NE(no_length.err.find("no run length"), std::string::npos) << no_length.err;
}

// ----------------------------------------------------------- screenshot

using Screenshot = RunFiles;

TEST_F(Screenshot, TheWindowAtTheEndIsSavedAsAPng) {
  std::string png = file("shot.png");
  run_result r = run_program({runner, "--lockstep", "--no-checks", "--duration", "1", "--screenshot",
                              png, "--messages", "/dev/null", "--", demo},
                             60);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  std::string data = read_file(png);
  ASSERT_GT(data.size(), 24u);
  EXPECT_EQ(data.substr(1, 3), "PNG");
  // IHDR: width and height, big-endian, at bytes 16 and 20: the window's size.
  auto be32 = [&](size_t at) {
    return (static_cast<unsigned char>(data[at]) << 24) |
           (static_cast<unsigned char>(data[at + 1]) << 16) |
           (static_cast<unsigned char>(data[at + 2]) << 8) |
           static_cast<unsigned char>(data[at + 3]);
  };
  EXPECT_EQ(be32(16), 940u);
  EXPECT_EQ(be32(20), 560u);
}

}  // namespace
