#include "monitor/monitor_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Light_Button.H>

#include "forms/simulator_panels.h"

namespace {

constexpr double refresh_period_s = 0.05;
constexpr int status_top = monitor_window::panel_height + 5;

Fl_Box* add_text(int x, int y, int w, const std::string& text) {
  auto* box = new Fl_Box(x, y, w, 20);
  box->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
  box->labelsize(12);
  box->copy_label(text.c_str());
  return box;
}

}  // namespace

monitor_window::monitor_window(monitor_proxy& proxy, manual_side* manual,
                               const std::string& inner_text, const std::string& trace_text)
    : proxy(proxy), manual(manual), inner_text(inner_text) {
  const int width = manual ? switch_x + 60 : outputs_x + 270;
  window = new Fl_Double_Window(width, panel_height + 90, "corvan-monitor");
  (new Fl_Box(FL_FLAT_BOX, 0, 0, width, panel_height + 90, ""))->color(FL_GRAY);
  inputs_panel = std::make_unique<OFD_simulator_output>(window, 0, panel_height, "inputs");
  outputs_panel = std::make_unique<OFD_simulator_output>(window, outputs_x, panel_height, "outputs");
  for (int row = 0; row < signal_count; ++row)
    (row < input_signal_count ? inputs_panel : outputs_panel)->add(table_signaux[row]);
  add_names(*inputs_panel, 0, 0, input_signal_count);
  add_names(*outputs_panel, outputs_x, input_signal_count, output_signal_count);
  add_force_buttons(0, 0, input_signal_count);
  add_force_buttons(outputs_x, input_signal_count, output_signal_count);
  if (manual) add_switches();
  figures = add_text(10, status_top, width - 20, "");
  inner_line = add_text(10, status_top + 20, width - 20, inner_text);
  add_text(10, status_top + 40, width - 20, "trace: " + trace_text);
  add_text(10, status_top + 60, width - 20,
           "0 / 1 beside a signal forces it; a second click releases it");
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

void monitor_window::show() {
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
  const std::string inner = s.inner_ended ? inner_text + " (ended: outputs at 0)" : inner_text;
  if (inner_line->label() != inner) inner_line->copy_label(inner.c_str());
}
