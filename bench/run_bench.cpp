// The three-workpiece scenario in lock-step with the demonstration
// controller: how much faster than real time a scripted run goes, and where
// a turn's wall time goes (the line's work against the wait for the
// controller's answer). Starts its own X server when DISPLAY is unset.
//
//   run_bench [scenario [controller]]   (the simulator's messages are dropped)
#include "runner/options.h"
#include "runner/run_loop.h"
#include "runner/scenario.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  std::string scenario_path = argc > 1 ? argv[1] : RUN_BENCH_SCENARIO;
  std::string controller = argc > 2 ? argv[2] : RUN_BENCH_CONTROLLER;
  scenario script = read_scenario_file(scenario_path);
  run_options options;
  options.lockstep = true;
  std::ofstream no_messages("/dev/null");

  // One run per process: the toolkit keeps its drawing contexts for the
  // display it first opened.
  run_outcome o = execute_run(script, options, controller + " ", no_messages);
  int turns = o.last_turn + 1;
  double simulated = o.last_time / 1e6;
  double wall = o.timing.wall_seconds;
  double line_work = o.timing.turn_seconds - o.timing.answer_seconds;
  std::printf("%s with %s, lock-step\n", scenario_path.c_str(), controller.c_str());
  std::printf("%.1f s simulated in %.2f s wall: %.1f times real time, %.0f turns/s\n", simulated,
              wall, simulated / wall, turns / wall);
  std::printf(
      "per turn: %.1f us the line's work, %.1f us the controller's answer, %.1f us the "
      "statements and traces, %.1f us the rest; %d late answers\n",
      line_work / turns * 1e6, o.timing.answer_seconds / turns * 1e6,
      o.timing.check_seconds / turns * 1e6,
      (wall - o.timing.turn_seconds - o.timing.check_seconds) / turns * 1e6, o.late_answers);
  return 0;
}
