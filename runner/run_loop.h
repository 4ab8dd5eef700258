// One scripted run of the workstation: the simulator's own window, line and
// turn, with the controller launched and looked after as the simulator does;
// the scenario presses the buttons and plants the faults, its statements are
// checked at every turn, and the clock is the wall's or, in lock-step, the
// turn counter's.
#pragma once

#include "report/model.h"
#include "runner/options.h"
#include "runner/scenario.h"
#include "runner/verdict.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

class own_display;

// Simulated time of one turn.
constexpr micros turn_length = 5000;

// Where the wall time of a run went.
struct run_timing {
  double whole_seconds = 0;   // from the window's making to the controller's end
  double wall_seconds = 0;    // the turns
  double turn_seconds = 0;    // the simulator's turns, the wait for answers included
  double answer_seconds = 0;  // lock-step: waiting for the controller's answers
  double check_seconds = 0;   // the statements and the traces
};

struct run_outcome {
  std::vector<check_result> results;
  run_problem problem;
  bool not_made = false;  // the controller never answered: nothing to judge
  int interrupting_signal = 0;  // SIGINT or SIGTERM when the run was interrupted
  std::vector<logged_message> messages;
  int last_turn = 0;
  micros last_time = 0;
  int late_answers = 0;
  run_timing timing;
  std::string screenshot_error;  // "" when saved or not asked for
  // For the report: every signal's changes (the rows of the signal table),
  // and the window at the first failure and at the end when a report was
  // asked for of a drawn run.
  std::vector<report::signal_lane> signals;
  std::vector<report::picture> pictures;
};

// The run length: the scenario's end, else the --duration.
micros run_end(const scenario& script, const run_options& options);

// From now on SIGINT and SIGTERM end a run at the end of its turn, as
// interrupted, rather than the process.
void interrupt_runs_on_signals();

// The display runs are made on: the one DISPLAY names, or an Xvfb of its
// own (always, or when DISPLAY is unset). Throws std::runtime_error when it
// cannot be had.
class run_session {
 public:
  run_session(bool own_server, bool lockstep);
  ~run_session();
  run_session(const run_session&) = delete;
  run_session& operator=(const run_session&) = delete;
  // Nobody sees a window on a server of our own.
  bool unseen() const { return own_server; }

 private:
  std::unique_ptr<own_display> display;
  bool own_server = false;
};

// One run on the session's display: window, area, controller, the turns up
// to the end, then everything stopped and reaped. The simulator's messages
// go to `messages` as they are printed. With draw false nothing is drawn
// and the line moves exactly as it would drawn; drawn, with a report asked
// for, the run takes the window's pictures. Throws std::runtime_error
// before the controller starts when a trace file cannot be written.
run_outcome run_once(const scenario& script, const run_options& options,
                     const std::string& controller_command, std::ostream& messages, bool draw);

// A session for one run: on a server of its own, nothing is drawn unless a
// picture of the window is asked for (a screenshot or a report).
run_outcome execute_run(const scenario& script, const run_options& options,
                        const std::string& controller_command, std::ostream& messages);
