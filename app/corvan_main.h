// The simulator's entry: controller launch, the turn loop and the end of the run.
#pragma once

#include "app/line.h"
#include "cli/option_table.h"
#include "app/timer10.h"
#include "process/controller_process.h"

#include <functional>
#include <string>

class IOsharemem_server;
class atelier_class;

// Builds the signal-name lists and creates the exchange area. Null (after
// the usage lines) when the controller command is empty.
IOsharemem_server* init_partage_mem(const char* controller_command);

// actionneur[i] = the link's output i, for every output.
void actuator_set(IOsharemem_server* link);

// Shows the workstation window, titled "atelier", centred.
void show_atelier(atelier_class& atelier);

// Wall-clock seconds.
long now_seconds();

// What a scripted run does at fixed points of each turn; the simulator
// itself sets none.
struct turn_hooks {
  // The inputs are written but not yet published: faults on inputs.
  std::function<void()> before_publication;
  // Published, the outputs not yet read: a lock-step run waits there for
  // the controller's answer, so that the turn reads that answer and
  // nothing else.
  std::function<void()> after_publication;
  // actionneur holds the outputs the line is about to obey: faults on
  // outputs.
  std::function<void()> outputs_read;
};

// One run of the workstation, turn by turn: what the entry routine owns
// besides the window and the link.
class workstation {
 public:
  workstation(IOsharemem_server& link, atelier_class& atelier);

  // Draws the whole line and starts the timer (now: wall-clock second).
  void start(long now);
  // One simulation turn without its pause. The clock is read at the
  // timer's step, after the queued click: an "a propos" box kept open
  // holds the turn, and the timer must count from when it closed.
  void turn(const seconds_clock& clock);
  // False once "quit" was clicked or the window is no longer shown.
  bool running() const;
  void set_hooks(turn_hooks h) { hooks = std::move(h); }
  // The line, for whoever looks at it between turns.
  line& get_line() { return the_line; }

 private:
  void take_queued_click();
  void write_panel_inputs();

  IOsharemem_server& link;
  atelier_class& atelier;
  line the_line;
  ten_second_timer timer{0};
  int quit_request = 0;
  turn_hooks hooks;
};

// The whole run: 0 at its end, 2 without a controller command (usage),
// 1 when no display can be opened (nothing is then created or started).
// --help or --version as the first argument answers and returns 0.
int corvan_main(int argc, char** argv);

// corvan's own options, --help and --version; every other word is the
// controller's command.
const cli::option_table<cli::request>& corvan_option_table();
