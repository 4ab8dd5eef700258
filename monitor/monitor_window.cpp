#include "monitor/monitor_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Light_Button.H>

#include <unistd.h>

#include <chrono>
#include <optional>
#include <thread>

#include "forms/simulator_panels.h"
#include "monitor/window_place.h"

namespace {

constexpr double refresh_period_s = 0.05;
constexpr int status_top = monitor_window::panel_height + 5;
constexpr int text_line = 20;
// The simulator shows its window about when it starts the monitor.
constexpr auto line_window_wait = std::chrono::seconds(2);

Fl_Box* add_text(int x, int y, int w, const std::string& text) {
  auto* box = new Fl_Box(x, y, w, 20);
  box->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
  box->labelsize(12);
  box->copy_label(text.c_str());
  return box;
}

// The "-" and "+" buttons turn pages: shown only when there are pages to turn.
void page_buttons_only_for_pages(OFD_simulator_output& panel) {
  if (panel.signal_count > panel.rows_per_page) return;
  panel.minus_button->hide();
  panel.plus_button->hide();
}

}  // namespace

monitor_window::monitor_window(monitor_proxy& proxy, inner_side& inner, manual_side* manual,
                               const std::string& inner_text, const std::string& trace_text)
    : proxy(proxy), inner(inner), manual(manual), inner_text(inner_text) {
  const int width = manual ? switch_x + 60 : outputs_x + 270;
  const bool with_status = !inner.status().empty();
  const int height = panel_height + 90 + (with_status ? text_line : 0);
  window = new Fl_Double_Window(width, height, "corvan-monitor");
  (new Fl_Box(FL_FLAT_BOX, 0, 0, width, height, ""))->color(FL_GRAY);
  inputs_panel = std::make_unique<OFD_simulator_output>(window, 0, panel_height, "inputs");
  outputs_panel = std::make_unique<OFD_simulator_output>(window, outputs_x, panel_height, "outputs");
  for (int row = 0; row < signal_count; ++row)
    (row < input_signal_count ? inputs_panel : outputs_panel)->add(table_signaux[row]);
  add_names(*inputs_panel, 0, 0, input_signal_count);
  add_names(*outputs_panel, outputs_x, input_signal_count, output_signal_count);
  page_buttons_only_for_pages(*inputs_panel);
  page_buttons_only_for_pages(*outputs_panel);
  add_force_buttons(0, 0, input_signal_count);
  add_force_buttons(outputs_x, input_signal_count, output_signal_count);
  if (manual) add_switches();
  int top = status_top;
  auto next_line = [&](const std::string& text) {
    Fl_Box* line = add_text(10, top, width - 20, text);
    top += text_line;
    return line;
  };
  figures = next_line("");
  inner_line = next_line(inner_text);
  if (with_status) status_line = next_line("");
  next_line("trace: " + trace_text);
  next_line("0 / 1 beside a signal forces it; a second click releases it");
  window->end();
}

monitor_window::~monitor_window() {
  Fl::remove_timeout(refresh_tick, this);
  inputs_panel.reset();
  outputs_panel.reset();
  delete window;
}

// The panel's browser lines are as high as its font makes them, which is
// not the 16 pixels between its lamps: the names are written beside the
// lamps instead, over the browser's white ground.
void monitor_window::add_names(OFD_simulator_output& panel, int panel_x, int first_row,
                               int count) {
  Fl_Browser* browser = panel.browser;
  browser->hide();
  auto* ground = new Fl_Box(FL_DOWN_BOX, browser->x(), browser->y(), browser->w(), browser->h(), "");
  ground->color(FL_WHITE);
  for (int k = 0; k < count; ++k) {
    auto* name = add_text(panel_x + 24, row_top(k) - 3, 180, table_signaux[first_row + k]);
    name->labelsize(13);
  }
}

void monitor_window::add_force_buttons(int panel_x, int first_row, int count) {
  for (int k = 0; k < count; ++k) {
    for (int value = 0; value <= 1; ++value) {
      auto* b = new Fl_Button(panel_x + force_x + 20 * value, row_top(k), 18, 14,
                              value ? "1" : "0");
      b->labelsize(10);
      b->selection_color(value ? FL_BLUE : FL_YELLOW);
      force_buttons.push_back(std::make_unique<force_button>(
          force_button{this, first_row + k, value, b}));
      b->callback(force_clicked, force_buttons.back().get());
    }
  }
}

void monitor_window::add_switches() {
  add_text(switch_x, 8, 60, "manual");
  for (int i = 0; i < output_signal_count; ++i) {
    auto* s = new Fl_Light_Button(switch_x, row_top(i), 50, 14, "on");
    s->labelsize(10);
    s->callback(switch_clicked, this);
    switches.push_back(s);
  }
}

void monitor_window::force_clicked(Fl_Widget*, void* data) {
  auto* f = static_cast<force_button*>(data);
  const int now = f->owner->proxy.snapshot().forced_values[f->row];
  f->owner->proxy.force(f->row, now == f->value ? -1 : f->value);
  f->owner->refresh();
}

void monitor_window::switch_clicked(Fl_Widget* w, void* data) {
  auto* self = static_cast<monitor_window*>(data);
  for (int i = 0; i < output_signal_count; ++i)
    if (self->switches[i] == w) self->manual->set(i, self->switches[i]->value() ? 1 : 0);
}

// On a bare X server a window opens where its program asks, over those
// already shown: waiting for the line's window puts ours beside it and on
// top. Under a window manager the manager has the last word.
void monitor_window::place_beside_the_line() {
  const auto give_up = std::chrono::steady_clock::now() + line_window_wait;
  std::optional<screen_rect> line;
  // Asked again each time: the monitor is started through a shell, and
  // belongs to the simulator once that shell has gone.
  while (!(line = window_of_process(getppid())) && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (!line) return;
  screen_rect screen;
  Fl::screen_xywh(screen.x, screen.y, screen.w, screen.h, line->x + line->w / 2,
                  line->y + line->h / 2);
  const screen_rect at = place_beside(*line, window->w(), window->h(), screen);
  window->position(at.x, at.y);
}

void monitor_window::show() {
  place_beside_the_line();
  window->show();
  refresh();
  Fl::add_timeout(refresh_period_s, refresh_tick, this);
}

bool monitor_window::shown() const { return window->shown(); }

void monitor_window::refresh_tick(void* data) {
  auto* self = static_cast<monitor_window*>(data);
  self->refresh();
  Fl::repeat_timeout(refresh_period_s, refresh_tick, data);
}

void monitor_window::refresh() {
  monitor_snapshot s = proxy.snapshot();
  inputs_panel->eval(s.inputs_seen.data());
  outputs_panel->eval(s.outputs_sent.data());
  for (const auto& f : force_buttons) {
    const int pressed = s.forced_values[f->row] == f->value;
    if (f->button->value() != pressed) f->button->value(pressed);
  }
  const std::string text = "turn " + std::to_string(s.turn) + "    " +
                           std::to_string(s.per_second) + " turns/s    missed " +
                           std::to_string(s.missed);
  if (figures->label() != text) figures->copy_label(text.c_str());
  const std::string inner_now = s.inner_ended ? inner_text + " (ended: outputs at 0)" : inner_text;
  if (inner_line->label() != inner_now) inner_line->copy_label(inner_now.c_str());
  if (status_line) {
    const std::string status = inner.status();
    if (status_line->label() != status) status_line->copy_label(status.c_str());
  }
}
