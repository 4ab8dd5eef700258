#include "runner/run_loop.h"

#include "app/corvan.h"
#include "app/corvan_main.h"
#include "app/line_observer.h"
#include "forms/display.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "overrides/overrides.h"
#include "process/controller_process.h"
#include "report/recorder.h"
#include "runner/blank_drawing.h"
#include "runner/checks.h"
#include "runner/message_log.h"
#include "runner/own_display.h"
#include "runner/stderr_tail.h"
#include "runner/window_png.h"
#include "trace/signal_trace.h"
#include "trace/trace_writer.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/x.H>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

using steady = std::chrono::steady_clock;

// A lock-step turn waits for its answer in slices this long, looking after
// the controller in between: one that has ended is known at once.
constexpr int answer_slice_us = 20000;

std::atomic<int> interrupting_signal{0};

void note_interruption(int signal_number) { interrupting_signal = signal_number; }

double seconds_since(steady::time_point t) {
  return std::chrono::duration<double>(steady::now() - t).count();
}

// The operator's hand: each action at its time, through the widgets' own
// values and callbacks, as a person's mouse would. Faults are not the
// operator's: the overrides plant them.
class scenario_player {
 public:
  scenario_player(const std::vector<action>& actions, atelier_class& atelier)
      : actions(actions), atelier(atelier) {}

  // Every action due at or before now.
  void play_until(micros now) {
    for (auto r = releases.begin(); r != releases.end();) {
      if (r->second <= now) {
        r->first->value(0);
        r = releases.erase(r);
      } else {
        ++r;
      }
    }
    for (; next < actions.size() && actions[next].at <= now; ++next) play(actions[next]);
  }

 private:
  void play(const action& a) {
    if (a.kind == action::fault) return;
    Fl_Button* b = widget(a.button);
    switch (a.kind) {
      case action::press: {  // sampled by its value at every turn while held
        b->value(1);
        // Presses that overlap hold the button until the last one ends.
        micros& release = releases[b];
        release = std::max(release, a.at + a.duration);
        break;
      }
      case action::click:  // the default callback queues it for the turn
        b->do_callback();
        break;
      case action::toggle: b->value(!b->value()); break;
      case action::fault: break;
    }
  }

  Fl_Button* widget(panel_button b) const {
    switch (b) {
      case panel_button::init: return atelier.init_button;
      case panel_button::dc: return atelier.dc_button;
      case panel_button::ac: return atelier.ac_button;
      case panel_button::atu: return atelier.atu_button;
      case panel_button::intervention: return atelier.intervention_button;
      case panel_button::piece: return atelier.piece_button;
      case panel_button::lid: return atelier.lid_button;
      case panel_button::redraw: return atelier.redraw_button;
      case panel_button::pv: return atelier.pv_button;
    }
    return nullptr;
  }

  const std::vector<action>& actions;
  atelier_class& atelier;
  size_t next = 0;
  std::map<Fl_Button*, micros> releases;
};

signal_overrides faults_of(const scenario& script) {
  signal_overrides overrides;
  for (const action& a : script.actions) {
    if (a.kind != action::fault) continue;
    const micros until = a.duration == forever ? forever : a.at + a.duration;
    overrides.add_fault({a.signal, a.value, a.at, until});
  }
  return overrides;
}

// The trace files, open before anything starts so that a wrong path is
// known at once.
struct run_trace {
  run_trace(const std::string& vcd, const std::string& csv) : writer(vcd, csv), layout(writer) {}
  trace_writer writer;
  signal_trace layout;
};

std::unique_ptr<run_trace> open_trace(const run_options& options) {
  if (options.trace_file.empty() && options.csv_file.empty()) return nullptr;
  return std::make_unique<run_trace>(options.trace_file, options.csv_file);
}

// The window as drawn up to now.
void bring_window_up_to_date() {
  Fl::flush();
  XSync(fl_display, False);
}

std::string take_screenshot(atelier_class& atelier, const std::string& path) {
  bring_window_up_to_date();
  return save_window_png(fl_display, fl_xid(atelier.window), path);
}

std::vector<std::string> signal_names() {
  return std::vector<std::string>(std::begin(table_signaux), std::end(table_signaux));
}

// Everything one run owns, in the order it is made; destroyed in reverse,
// the line before the window that owns its widgets.
class scripted_run : private line_observer {
 public:
  scripted_run(const scenario& script, const run_options& options, const std::string& command,
               std::ostream& messages, run_trace* trace, bool pictures)
      : script(script),
        options(options),
        trace(trace),
        pictures(pictures),
        messages(messages),
        overrides(faults_of(script)),
        link(init_partage_mem(command.c_str())),
        window(atelier.window),
        station(*link, atelier),
        log(messages),
        controller_stderr(options.show_controller_stderr),
        player(script.actions, atelier),
        checker(script),
        changes(signal_names()) {
    log.capture_cerr();
    // The runner's own lines go to its standard error, never among the
    // simulator's messages.
    controller_stderr.hand_to([&] {
      controller = std::make_unique<controller_care>("corvan-run", command, link->memory_ident(),
                                                      std::clog);
    });
    first_answer_clock = link->get_outputs_clock();
    station.get_line().set_observer(this);
    turn_hooks hooks;
    hooks.before_publication = [this] { fault_inputs(); };
    hooks.after_publication = [this] {
      inputs.take(*link);
      if (this->options.lockstep) wait_for_answer();
    };
    hooks.outputs_read = [this] { fault_outputs(); };
    station.set_hooks(hooks);
  }

  run_outcome run(micros end) {
    show_atelier(atelier);
    const steady::time_point start = steady::now();
    station.start(options.lockstep ? 0 : now_seconds());
    for (int turn = 0;; ++turn) {
      time =
          options.lockstep ? turn * turn_length : static_cast<micros>(seconds_since(start) * 1e6);
      one_turn(turn);
      if (run_stopped(turn) || time >= end || !station.running()) break;
      if (!options.lockstep) usleep(5000);
    }
    outcome.timing.wall_seconds = seconds_since(start);
    finish();
    return outcome;
  }

 private:
  // The inputs as the turn published them (after faults). Taken right after
  // the publication: the line writes "colle" for the next turn later in the
  // turn.
  struct published_inputs {
    void take(IOsharemem_server& area) {
      for (int i = 0; i < input_signal_count; ++i) values[i] = area.input_value(i);
    }
    signal_trace::input_values values{};
  };

  void one_turn(int turn) {
    log.set_turn(turn);
    player.play_until(time);
    answered = link->get_outputs_clock();
    const steady::time_point turn_start = steady::now();
    if (options.lockstep)
      station.turn([this] { return static_cast<long>(time / 1000000); });
    else
      station.turn(now_seconds);
    controller->poll();
    outcome.timing.turn_seconds += seconds_since(turn_start);
    const steady::time_point check_start = steady::now();
    check(turn);
    outcome.timing.check_seconds += seconds_since(check_start);
    outcome.last_turn = turn;
    outcome.last_time = time;
  }

  // The statements, the report's changes and the trace look at the turn
  // just made.
  void check(int turn) {
    turn_view view;
    view.turn = turn;
    view.time = time;
    for (int i = 0; i < input_signal_count; ++i) view.signals[i] = inputs.values[i];
    for (int o = 0; o < output_signal_count; ++o) view.signals[input_signal_count + o] = actionneur[o];
    turn_messages.clear();
    const auto& lines = log.lines();
    for (; messages_seen < lines.size(); ++messages_seen) turn_messages.push_back(lines[messages_seen].text);
    view.messages = &turn_messages;
    view.events = &turn_events;
    checker.observe(view);
    turn_events.clear();
    if (pictures && outcome.pictures.empty() && checker.any_failed())
      take_picture("the first failure, " + turn_and_time(turn, time), turn);
    std::array<bool, signal_trace::rows> held;
    for (int row = 0; row < signal_trace::rows; ++row) held[row] = overrides.held(row, time);
    changes.record(turn, view.signals.data(), held.data());
    if (trace) record(turn, held);
  }

  void record(int turn, const std::array<bool, signal_trace::rows>& held) {
    signal_trace::output_values outputs{};
    for (int o = 0; o < output_signal_count; ++o) outputs[o] = actionneur[o];
    trace->layout.record(uint64_t(time), uint32_t(turn), inputs.values, outputs, held);
  }

  // A picture the report shows; a window that cannot be read leaves none.
  void take_picture(const std::string& caption, int turn) {
    bring_window_up_to_date();
    report::picture p{caption, turn, ""};
    if (window_png(fl_display, fl_xid(atelier.window), p.png).empty()) outcome.pictures.push_back(std::move(p));
  }

  void fault_inputs() {
    for (int row = 0; row < input_signal_count; ++row)
      if (overrides.held(row, time))
        link->setreset_input(row, overrides.apply(row, link->input_value(row), time));
  }

  void fault_outputs() {
    for (int o = 0; o < output_signal_count; ++o)
      actionneur[o] = overrides.apply(input_signal_count + o, actionneur[o], time);
  }

  // The line's outcomes, kept for this turn's checks.
  void workpiece_left(bool bead, bool lid) override {
    line_event e{line_event::workpiece_left};
    e.bead = bead;
    e.lid = lid;
    turn_events.push_back(e);
  }
  void lid_let_go(int x, int y, bool glued) override {
    line_event e{line_event::lid_let_go};
    e.x = x;
    e.y = y;
    e.glued = glued;
    turn_events.push_back(e);
  }
  void jack_driven_both_ways(int one_way, int other_way) override {
    line_event e{line_event::jacks_both_ways};
    e.output_one = one_way;
    e.output_other = other_way;
    turn_events.push_back(e);
  }

  void wait_for_answer() {
    const steady::time_point wait_start = steady::now();
    const int64_t limit_us = int64_t(options.answer_timeout_ms) * 1000;
    for (;;) {
      const int64_t waited_us = std::chrono::duration_cast<std::chrono::microseconds>(
                                    steady::now() - wait_start).count();
      const int64_t slice_us = std::min<int64_t>(answer_slice_us, limit_us - waited_us);
      if (slice_us > 0 && link->wait_for_outputs(answered, int(slice_us))) break;
      controller->poll();
      if (slice_us <= 0 || !controller->controller_running() || interrupting_signal) {
        ++outcome.late_answers;
        break;
      }
    }
    outcome.timing.answer_seconds += seconds_since(wait_start);
  }

  // True when the run must end with this turn: interrupted, a file that
  // cannot be written, or a controller that has ended.
  bool run_stopped(int turn) {
    if (int signal_number = interrupting_signal) {
      outcome.interrupting_signal = signal_number;
      stop(run_problem::interrupted,
           std::string("interrupted by ") + (signal_number == SIGINT ? "SIGINT" : "SIGTERM") +
               " at " + turn_and_time(turn, time));
      return true;
    }
    if (trace && !trace->writer.error().empty()) {
      stop(run_problem::error, trace->writer.error());
      return true;
    }
    if (!messages) {
      stop(run_problem::error, "cannot write " + options.messages_file);
      return true;
    }
    if (link->get_outputs_clock() != first_answer_clock) any_answer = true;
    if (controller->controller_running()) return false;
    if (any_answer)
      stop(run_problem::failure,
           "controller ended at turn " + std::to_string(turn) + " (" + controller->last_end() + ")");
    else
      stop(run_problem::error, never_answered());
    outcome.not_made = !any_answer;
    return true;
  }

  std::string never_answered() const {
    std::string text = "the controller ended before answering any turn, " +
                       std::to_string(controller->last_end_after().count()) + " ms after its start, with " +
                       controller->last_end();
    const std::vector<std::string> last = controller_stderr.last_lines();
    if (!last.empty()) text += "; its last lines on standard error:";
    for (const std::string& line : last) text += "\n  " + line;
    return text;
  }

  void stop(run_problem::kind_t kind, const std::string& text) {
    outcome.problem.kind = kind;
    outcome.problem.text = text;
  }

  void finish() {
    if (trace) {
      trace->writer.flush();
      if (outcome.problem.kind == run_problem::none && !trace->writer.error().empty())
        stop(run_problem::error, trace->writer.error());
    }
    if (!options.screenshot_file.empty())
      outcome.screenshot_error = take_screenshot(atelier, options.screenshot_file);
    if (pictures) take_picture("the end of the run, " + turn_and_time(outcome.last_turn, outcome.last_time),
                               outcome.last_turn);
    outcome.signals = changes.lanes();
    if (atelier.window->shown()) atelier.window->hide();
    link->sharing_terminate();
    controller->finish();
    log.restore_cerr();
    outcome.messages = log.lines();
    if (!outcome.not_made) outcome.results = checker.results();
  }

  const scenario& script;
  const run_options& options;
  run_trace* trace;
  const bool pictures;
  std::ostream& messages;
  signal_overrides overrides;
  std::unique_ptr<IOsharemem_server> link;
  published_inputs inputs;
  atelier_class atelier;
  std::unique_ptr<Fl_Window> window;
  workstation station;
  message_log log;
  stderr_tail controller_stderr;
  std::unique_ptr<controller_care> controller;
  scenario_player player;
  property_checker checker;
  report::change_recorder changes;
  run_outcome outcome;
  std::vector<std::string> turn_messages;
  std::vector<line_event> turn_events;
  size_t messages_seen = 0;
  micros time = 0;       // of the current turn
  int32_t answered = 0;  // the controller's refresh count before the turn
  int32_t first_answer_clock = 0;
  bool any_answer = false;
};

}  // namespace

micros run_end(const scenario& script, const run_options& options) {
  if (script.end) return *script.end;
  if (options.duration) return *options.duration;
  throw usage_error("no run length: give 'end T' in the scenario or --duration S");
}

void interrupt_runs_on_signals() {
  struct sigaction action {};
  action.sa_handler = note_interruption;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

run_session::run_session(bool own_server_always, bool lockstep) {
  const char* named = std::getenv("DISPLAY");
  own_server = own_server_always || !named || !*named;
  if (own_server) {
    display = std::make_unique<own_display>();
    display->start();
  }
  if (!open_display_patiently()) throw std::runtime_error("cannot open the display");
  // Both sides opt in: the turn's wait, the controller's receive().
  if (lockstep) setenv("CORVAN_LOCKSTEP", "1", 1);
}

// The server may be ours and about to stop: leave it before it goes.
run_session::~run_session() { fl_close_display(); }

namespace {

run_outcome run_traced(const scenario& script, const run_options& options,
                       const std::string& controller_command, std::ostream& messages,
                       run_trace* trace, bool draw) {
  const steady::time_point start = steady::now();
  std::unique_ptr<blank_drawing> blank;
  if (!draw) blank = std::make_unique<blank_drawing>();
  const bool pictures = draw && !options.report_file.empty();
  run_outcome outcome = scripted_run(script, options, controller_command, messages, trace, pictures)
                            .run(run_end(script, options));
  outcome.timing.whole_seconds = seconds_since(start);
  return outcome;
}

}  // namespace

run_outcome run_once(const scenario& script, const run_options& options,
                     const std::string& controller_command, std::ostream& messages, bool draw) {
  std::unique_ptr<run_trace> trace = open_trace(options);
  return run_traced(script, options, controller_command, messages, trace.get(), draw);
}

run_outcome execute_run(const scenario& script, const run_options& options,
                        const std::string& controller_command, std::ostream& messages) {
  // Open before a server is started: a wrong path is known at once.
  std::unique_ptr<run_trace> trace = open_trace(options);
  run_session session(false, options.lockstep);
  const bool draw = !session.unseen() || !options.screenshot_file.empty() || !options.report_file.empty();
  return run_traced(script, options, controller_command, messages, trace.get(), draw);
}
