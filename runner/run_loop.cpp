#include "runner/run_loop.h"

#include "app/corvan.h"
#include "app/corvan_main.h"
#include "forms/display.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "process/controller_process.h"
#include "runner/message_log.h"
#include "runner/own_display.h"
#include "runner/window_png.h"
#include "trace/trace_writer.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/x.H>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

using steady = std::chrono::steady_clock;

double seconds_since(steady::time_point t) {
  return std::chrono::duration<double>(steady::now() - t).count();
}

// The inputs as the turn published them. Taken right after the
// publication: the line writes "colle" for the next turn later in the turn.
class published_inputs {
 public:
  void take(IOsharemem_server& link) {
    for (int i = 0; i < input_signal_count; ++i) values[i] = link.input_value(i);
  }
  int32_t value(int index) const { return values[index]; }

 private:
  int32_t values[input_signal_count] = {};
};

// A signal of the table by its row: inputs as published, outputs as the
// line read them in this turn.
int32_t signal_value(const published_inputs& inputs, int row) {
  return row < input_signal_count ? inputs.value(row) : actionneur[row - input_signal_count];
}

// Every signal of the table at every turn, inputs and outputs in scopes of
// their own.
class signal_trace {
 public:
  signal_trace(const std::string& vcd, const std::string& csv) : writer(vcd, csv) {
    for (int row = 0; row < input_signal_count + output_signal_count; ++row)
      variables[row] =
          writer.add_variable(row < input_signal_count ? "inputs" : "outputs", table_signaux[row]);
  }

  void record(const published_inputs& inputs, int turn, micros time) {
    for (int row = 0; row < input_signal_count + output_signal_count; ++row)
      writer.set(variables[row], static_cast<uint32_t>(signal_value(inputs, row)));
    writer.sample(static_cast<uint64_t>(time), static_cast<uint32_t>(turn));
  }

  void flush() { writer.flush(); }

 private:
  trace_writer writer;
  int variables[input_signal_count + output_signal_count];
};

// The operator's hand: each action at its time, through the widgets' own
// values and callbacks, as a person's mouse would.
class scenario_player {
 public:
  scenario_player(const std::vector<action>& actions, atelier_class& atelier)
      : actions(actions), atelier(atelier) {}

  // Every action due at or before now.
  void play_until(micros now) {
    for (auto r = releases.begin(); r != releases.end();) {
      if (r->at <= now) {
        r->button->value(0);
        r = releases.erase(r);
      } else {
        ++r;
      }
    }
    for (; next < actions.size() && actions[next].at <= now; ++next) play(actions[next]);
  }

 private:
  struct release {
    micros at;
    Fl_Button* button;
  };

  void play(const action& a) {
    Fl_Button* b = widget(a.button);
    switch (a.kind) {
      case action::press:  // sampled by its value at every turn while held
        b->value(1);
        releases.push_back({a.at + a.duration, b});
        break;
      case action::click:  // the default callback queues it for the turn
        b->do_callback();
        break;
      case action::toggle: b->value(!b->value()); break;
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
  std::vector<release> releases;
};

// What the expectations look at: for each, the first turn at or after its
// time, with the signal's value in that turn.
void note_reached(const scenario& script, const published_inputs& inputs, int turn, micros time,
                  run_record& record) {
  for (size_t i = 0; i < script.expectations.size(); ++i) {
    const expectation& e = script.expectations[i];
    if (e.kind == expectation::message_never || record.reached[i] || time < e.at) continue;
    int32_t value = e.kind == expectation::signal_value ? signal_value(inputs, e.signal) : 0;
    record.reached[i] = reached_turn{turn, time, value};
  }
}

std::unique_ptr<signal_trace> open_trace(const run_options& options) {
  if (options.trace_file.empty() && options.csv_file.empty()) return nullptr;
  return std::make_unique<signal_trace>(options.trace_file, options.csv_file);
}

std::string take_screenshot(atelier_class& atelier, const std::string& path) {
  Fl::flush();
  XSync(fl_display, False);
  return save_window_png(fl_display, fl_xid(atelier.window), path);
}

// Everything one run owns, in the order it is made; destroyed in reverse,
// the line before the window that owns its widgets.
class scripted_run {
 public:
  scripted_run(const scenario& script, const run_options& options, const std::string& command,
               std::ostream& messages, signal_trace* trace)
      : script(script),
        options(options),
        trace(trace),
        link(init_partage_mem(command.c_str())),
        window(atelier.window),
        station(*link, atelier),
        log(messages),
        controller("corvan-run", command, link->memory_ident()),
        player(script.actions, atelier) {
    outcome.record.reached.resize(script.expectations.size());
    log.capture_cerr();
    // Right after each publication the inputs are taken as published; in
    // lock-step the turn then waits for the controller's answer to them.
    station.after_publication([this] {
      inputs.take(*link);
      if (this->options.lockstep) wait_for_answer();
    });
  }

  run_outcome run(micros end) {
    show_atelier(atelier);
    const steady::time_point start = steady::now();
    station.start(options.lockstep ? 0 : now_seconds());
    for (int turn = 0;; ++turn) {
      time =
          options.lockstep ? turn * turn_length : static_cast<micros>(seconds_since(start) * 1e6);
      one_turn(turn);
      if (time >= end || !station.running()) break;
      if (!options.lockstep) usleep(5000);
    }
    outcome.timing.wall_seconds = seconds_since(start);
    finish();
    return outcome;
  }

 private:
  void one_turn(int turn) {
    run_record& record = outcome.record;
    log.set_turn(turn);
    player.play_until(time);
    answered = link->get_outputs_clock();
    steady::time_point turn_start = steady::now();
    if (options.lockstep)
      station.turn([this] { return static_cast<long>(time / 1000000); });
    else
      station.turn(now_seconds);
    controller.poll();
    outcome.timing.turn_seconds += seconds_since(turn_start);
    note_reached(script, inputs, turn, time, record);
    if (trace) trace->record(inputs, turn, time);
    record.last_turn = turn;
    record.last_time = time;
  }

  void wait_for_answer() {
    steady::time_point wait_start = steady::now();
    if (!controller.controller_running() ||
        !link->wait_for_outputs(answered, options.answer_timeout_ms * 1000))
      ++outcome.record.late_answers;
    outcome.timing.answer_seconds += seconds_since(wait_start);
  }

  void finish() {
    if (trace) trace->flush();
    if (!options.screenshot_file.empty())
      outcome.screenshot_error = take_screenshot(atelier, options.screenshot_file);
    if (atelier.window->shown()) atelier.window->hide();
    link->sharing_terminate();
    controller.finish();
    log.restore_cerr();
    outcome.record.messages = log.lines();
  }

  const scenario& script;
  const run_options& options;
  signal_trace* trace;
  std::unique_ptr<IOsharemem_server> link;
  published_inputs inputs;
  atelier_class atelier;
  std::unique_ptr<Fl_Window> window;
  workstation station;
  message_log log;
  controller_care controller;
  scenario_player player;
  run_outcome outcome;
  micros time = 0;       // of the current turn
  int32_t answered = 0;  // the controller's refresh count before the turn
};

}  // namespace

micros run_end(const scenario& script, const run_options& options) {
  if (script.end) return *script.end;
  if (options.duration) return *options.duration;
  throw usage_error("no run length: give 'end T' in the scenario or --duration S");
}

run_outcome execute_run(const scenario& script, const run_options& options,
                        const std::string& controller_command, std::ostream& messages) {
  const micros end = run_end(script, options);
  std::unique_ptr<signal_trace> trace = open_trace(options);

  own_display display;
  const char* named = std::getenv("DISPLAY");
  if (!named || !*named) display.start();
  if (!open_display_patiently()) throw std::runtime_error("cannot open the display");
  // Both sides opt in: the turn's wait, the controller's receive().
  if (options.lockstep) setenv("CORVAN_LOCKSTEP", "1", 1);

  run_outcome outcome =
      scripted_run(script, options, controller_command, messages, trace.get()).run(end);
  // The server may be ours and about to stop: leave it before it goes.
  fl_close_display();
  return outcome;
}
