// One scripted run of the workstation: the simulator's own window, line and
// turn, with the controller launched and looked after as the simulator does;
// the scenario presses the buttons, and the clock is the wall's or, in
// lock-step, the turn counter's.
#pragma once

#include "runner/options.h"
#include "runner/scenario.h"
#include "runner/verdict.h"

#include <ostream>
#include <string>

// Simulated time of one turn.
constexpr micros turn_length = 5000;

// Where the wall time of a run went.
struct run_timing {
  double wall_seconds = 0;
  double turn_seconds = 0;    // the simulator's turns, the wait for answers included
  double answer_seconds = 0;  // lock-step: waiting for the controller's answers
};

struct run_outcome {
  run_record record;
  run_timing timing;
  std::string screenshot_error;  // "" when saved or not asked for
};

// The run length: the scenario's end, else the --duration.
micros run_end(const scenario& script, const run_options& options);

// Display (its own Xvfb when DISPLAY is unset), window, area, controller,
// the turns up to the end, then everything stopped and reaped. The
// simulator's messages go to `messages` as they are printed. Throws
// std::runtime_error before the controller starts when a trace file or the
// display cannot be had.
run_outcome execute_run(const scenario& script, const run_options& options,
                        const std::string& controller_command, std::ostream& messages);
