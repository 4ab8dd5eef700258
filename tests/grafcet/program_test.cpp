// corvan-grafcet as a process: refused charts, and a run against an
// exchange area this test serves turn by turn in lock-step.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <list>
#include <memory>
#include <sstream>
#include <string>

#include "grafcet/layout.h"
#include "grafcet/parser.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "tests/support/process.h"
#include "tests/support/xwin.h"

namespace {

const std::string program = build_file("grafcet/corvan-grafcet");

// The identifier of a VCD variable in a scope; "" when it is not declared.
std::string vcd_code(const std::string& vcd, const std::string& scope, const std::string& name) {
  std::istringstream in(vcd);
  std::string current;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string keyword, kind, width, code, var_name;
    words >> keyword;
    if (keyword == "$scope") words >> kind >> current;
    if (keyword == "$var" && current == scope && (words >> kind >> width >> code >> var_name) && var_name == name)
      return code;
  }
  return "";
}

std::string write_chart(const std::string& text) {
  std::string path = temp_path("chart") + ".graf";
  std::ofstream(path) << text;
  return path;
}

// ------------------------------------------------- refused before attaching
// No area has identifier 2147483000: reaching the attachment would end
// with status 1, so status 2 proves the program stopped before.

const std::string no_area = "2147483000";

TEST(RefusedStart, ChartMistakesArePrintedWithTheirPlaceAndEndWithStatus2) {
  std::string chart = write_chart("initial step 0\nstep 1\n0 -> 1 : dcc\n1 -> 0 : 1\n1: SORTT\n");
  run_result r = run_program({program, "--no-window", chart, "-automemlink", no_area}, 10);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(chart + ":3:10: unknown input 'dcc' (did you mean 'dc'?)"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(chart + ":5:4: unknown output 'SORTT' (did you mean 'SORT'?)"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("ident_mem"), std::string::npos) << "it must not attach";
  unlink(chart.c_str());
}

TEST(RefusedStart, CommandLineMistakesEndWithStatus2) {
  EXPECT_EQ(run_program({program, "--no-window", "-automemlink", no_area}, 10).status, 2) << "no chart";
  EXPECT_EQ(run_program({program, "--bogus", "x.graf", "-automemlink", no_area}, 10).status, 2);
  run_result missing = run_program({program, "/nonexistent/c.graf", "-automemlink", no_area}, 10);
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("cannot read /nonexistent/c.graf"), std::string::npos);
  std::string chart = write_chart("initial step 0\n0 -> 0 : 0\n");
  run_result trace = run_program({program, "--no-window", "--trace", "/nonexistent/t.vcd", chart, "-automemlink", no_area}, 10);
  EXPECT_EQ(trace.status, 2);
  EXPECT_NE(trace.err.find("/nonexistent/t.vcd"), std::string::npos) << trace.err;
  unlink(chart.c_str());
}

TEST(RefusedStart, WarningsDoNotStopTheProgram) {
  std::string chart = write_chart("initial step 0\nstep 1\n0 -> 0 : 0\n");
  run_result r = run_program({program, "--no-window", chart, "-automemlink", no_area}, 10);
  EXPECT_NE(r.err.find(chart + ":2:1: warning: step 1 has no way in"), std::string::npos) << r.err;
  EXPECT_EQ(r.status, 1) << "it went on to attach (and found no area)";
  unlink(chart.c_str());
}

// ------------------------------------------------------- a lock-step run

class LockstepRun : public ::testing::Test {
 protected:
  void SetUp() override { setenv("CORVAN_LOCKSTEP", "1", 1); }
  void TearDown() override {
    unsetenv("CORVAN_LOCKSTEP");
    server->sharing_terminate();
    if (pid > 0 && wait_for_exit(pid, 5) == -1) {
      kill(pid, SIGKILL);
      wait_for_exit(pid, 5);
    }
    unlink(chart.c_str());
    unlink(err_file.c_str());
  }

  void start(const std::string& text, std::vector<std::string> extra = {"--no-window"}) {
    chart = write_chart(text);
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.insert(argv.end(), {chart, "-automemlink", std::to_string(server->memory_ident())});
    pid = spawn_program(argv, "", err_file);
    ASSERT_TRUE(wait_until([&] { return read_file(err_file).find("ident_mem") != std::string::npos; }, 10))
        << read_file(err_file);
    // The client resets the refresh counter when it attaches; let it.
    wait_until([] { return false; }, 0.05);
  }

  // Publishes one turn with the named inputs on and waits for the answer.
  void turn(const std::vector<int>& on = {}) {
    for (int i = 0; i < input_signal_count; ++i) server->setreset_input(i, 0);
    for (int i : on) server->setreset_input(i, 1);
    int32_t seen = server->get_outputs_clock();
    server->inputs_go();
    ASSERT_TRUE(server->wait_for_outputs(seen, 5'000'000)) << "no answer to turn " << ++turns;
  }

  int output(int index) { return server->output_value(index); }

  std::list<std::string> in = input_name_list(), out = output_name_list();
  std::unique_ptr<IOsharemem_server> server = std::make_unique<IOsharemem_server>(in, out);
  std::string chart, err_file = temp_path("grafcet_err");
  pid_t pid = -1;
  int turns = 0;
};

TEST_F(LockstepRun, EveryTurnWritesTheOutputsOfTheStableSituationAndRefreshesOnce) {
  start("initial step 0\nstep 1\nstep 2\n0 -> 1 : rise(init)\n1: SORT\n1 -> 2 : ts\n2: RENT\n"
        "2: TIMER10 := 1 on entry\n2 -> 0 : te\n");
  int32_t before = server->get_outputs_clock();
  turn();
  EXPECT_EQ(output(out::SORT), 0);
  turn({in::init});
  EXPECT_EQ(output(out::SORT), 1);
  turn({in::ts});
  EXPECT_EQ(output(out::SORT), 0);
  EXPECT_EQ(output(out::RENT), 1);
  EXPECT_EQ(output(out::TIMER10), 1);
  turn({in::te});
  EXPECT_EQ(output(out::RENT), 0);
  EXPECT_EQ(output(out::TIMER10), 1) << "stored";
  wait_until([] { return false; }, 0.1);
  EXPECT_EQ(server->get_outputs_clock() - before, 4) << "one refresh per received turn, no more";
}

TEST_F(LockstepRun, TimeIsTheTurnCounterTimesFiveMilliseconds) {
  // Step 0 becomes active at the first turn (5 ms): 1 s later is turn 201.
  start("initial step 0\nstep 1\n0 -> 1 : t(X0, 1s)\n1: MT\n1 -> 0 : 0\n");
  for (int t = 1; t <= 200; ++t) turn();
  EXPECT_EQ(output(out::MT), 0);
  turn();
  EXPECT_EQ(output(out::MT), 1);
}

TEST_F(LockstepRun, UnstableChartIsReportedOnceWithTheStepsGoingRound) {
  start("initial step 0\nstep 1\nstep 2\n0 -> 1 : dc\n1 -> 2 : 1\n2 -> 1 : 1\n2: MT\n");
  turn({in::dc});
  turn();
  turn();
  EXPECT_EQ(output(out::MT), 0) << "held from the last stable situation, step 0";
  std::string err = read_file(err_file);
  const std::string line = "corvan-grafcet: unstable chart after 100 passes, steps going round: 1 2\n";
  size_t first = err.find(line);
  ASSERT_NE(first, std::string::npos) << err;
  EXPECT_EQ(err.find(line, first + 1), std::string::npos) << "one line, not one a turn";
}

TEST_F(LockstepRun, WindowFollowsTheActiveStepsAndClosingItLeavesTheControllerRunning) {
  const char* text = "initial step 0\nstep 1\n0 -> 1 : dc\n1 -> 0 : ac\n1: MT\n";
  start(text, {});
  std::string title = "grafcet " + chart.substr(chart.rfind('/') + 1);
  unsigned long window = wait_for_window(title, 20);
  ASSERT_NE(window, 0u) << read_file(err_file);
  grafcet::parse_result parsed = grafcet::parse_chart(text);
  grafcet::chart_layout layout = grafcet::lay_out(parsed.model);
  // The token's centre, in the lower half of each square.
  auto token_pixel = [&](int step) {
    grafcet::point p = layout.steps[parsed.model.step_index(step)];
    return window_region(window, p.x + grafcet::chart_layout::step_size / 2,
                         p.y + grafcet::chart_layout::step_size - 13, 1, 1);
  };
  const std::vector<uint8_t> red = {255, 0, 0};
  turn();
  EXPECT_TRUE(wait_until([&] { return token_pixel(0) == red; }, 5));
  EXPECT_NE(token_pixel(1), red);
  turn({in::dc});
  EXPECT_TRUE(wait_until([&] { return token_pixel(1) == red && token_pixel(0) != red; }, 5));
  send_wm_delete(window);
  EXPECT_TRUE(wait_until([&] { return find_windows(title).empty(); }, 5));
  turn({in::ac});
  EXPECT_EQ(output(out::MT), 0);
  turn({in::dc});
  EXPECT_EQ(output(out::MT), 1) << "the chart still runs without its window";
  server->sharing_terminate();
  EXPECT_EQ(wait_for_exit(pid, 5), 0);
}

TEST_F(LockstepRun, WithoutAnAnsweringDisplayItRunsWithoutTheWindow) {
  std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  setenv("DISPLAY", ":31999", 1);  // no server there
  start("initial step 0\nstep 1\n0 -> 1 : dc\n1: MT\n1 -> 0 : ac\n", {});
  setenv("DISPLAY", display.c_str(), 1);
  turn({in::dc});
  EXPECT_EQ(output(out::MT), 1);
  EXPECT_NE(read_file(err_file).find("corvan-grafcet: no display, running without the chart window"), std::string::npos);
}

TEST_F(LockstepRun, TraceHoldsTheStepsInputsAndOutputs) {
  std::string vcd = temp_path("grafcet_trace") + ".vcd";
  start("grafcet pusher\ninitial step 0\nstep 1\n0 -> 1 : dc\n1 -> 0 : ac\n1: MT\n", {"--no-window", "--trace", vcd});
  turn();
  turn({in::dc});
  server->sharing_terminate();
  ASSERT_NE(wait_for_exit(pid, 5), -1);
  std::string text = read_file(vcd);
  std::string x1 = vcd_code(text, "pusher", "X1"), mt = vcd_code(text, "outputs", "MT");
  ASSERT_NE(vcd_code(text, "pusher", "X0"), "");
  ASSERT_NE(x1, "");
  ASSERT_NE(mt, "");
  EXPECT_NE(vcd_code(text, "inputs", "dc"), "");
  EXPECT_EQ(vcd_code(text, "outputs", "dc"), "") << "inputs and outputs have scopes of their own";
  // Turn 2 at 10 ms: step 1 and MT rise together.
  size_t at10 = text.find("#10000\n");
  ASSERT_NE(at10, std::string::npos) << text;
  std::string after = text.substr(at10);
  EXPECT_NE(after.find("\n1" + x1 + "\n"), std::string::npos) << text;
  EXPECT_NE(after.find("\n1" + mt + "\n"), std::string::npos) << text;
  unlink(vcd.c_str());
}

}  // namespace
