// How fast exploring goes with the demonstration controller: one lock-step
// run of 60 s with nothing drawn (how many times real time), then explored
// runs of explore_operator.scn side by side with 2 jobs (runs a minute,
// each run's start-up, and a turn split into the line, the controller's
// answer and the statements). Goals: 150 times real time, 100 runs a minute.
//
//   explore_bench [runs]   (40 by default)
#include "runner/explorer.h"
#include "runner/options.h"
#include "runner/run_loop.h"
#include "runner/scenario.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

void one_run(const scenario& script, const std::string& command) {
  run_options options;
  options.lockstep = true;
  options.show_controller_stderr = false;
  std::ofstream no_messages("/dev/null");
  run_session session(true, true);
  scenario plain = script;
  plain.end = 60000000;
  const run_outcome o = run_once(plain, options, command, no_messages, false);
  const double turns = o.last_turn + 1;
  std::printf("one lock-step run, nothing drawn: %.1f s simulated in %.2f s, %.0f times real time\n",
              o.last_time / 1e6, o.timing.wall_seconds, o.last_time / 1e6 / o.timing.wall_seconds);
  std::printf("  start-up and end %.0f ms; a turn: %.1f us the line, %.1f us the controller's "
              "answer, %.2f us the statements\n",
              (o.timing.whole_seconds - o.timing.turn_seconds - o.timing.check_seconds) * 1e3,
              (o.timing.turn_seconds - o.timing.answer_seconds) / turns * 1e6,
              o.timing.answer_seconds / turns * 1e6, o.timing.check_seconds / turns * 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = std::string(EXPLORE_BENCH_CONTROLLER) + " ";
  run_options options;
  options.scenario_file = EXPLORE_BENCH_SCENARIO;
  options.explore = options.lockstep = true;
  options.runs = argc > 1 ? std::atoi(argv[1]) : 40;
  options.seed = 2027;
  options.jobs = 2;
  options.minimal_file = "/tmp/explore_bench.fail.scn";
  const scenario script = read_scenario_file(options.scenario_file);
  std::fflush(stdout);
  // Each process keeps the display it first opened: the single run is made
  // in a child of its own.
  if (fork() == 0) {
    one_run(script, command);
    std::fflush(stdout);
    _exit(0);
  }
  wait(nullptr);
  std::printf("explored runs of %s, 2 jobs (figures on the last line of standard error):\n",
              options.scenario_file.c_str());
  std::fflush(stdout);
  return explore(script, options, command);
}
