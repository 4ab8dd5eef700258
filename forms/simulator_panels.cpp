#include "forms/simulator_panels.h"

#include "forms/helpers.h"

#include <FL/Fl.H>
#include <FL/Fl_Check_Browser.H>
#include <FL/forms.H>

#include <algorithm>

namespace {

Fl_Window* open_own_window(int w, int h) {
  Fl_Window* window = fl_bgn_form(FL_NO_BOX, w, h);
  fl_add_box(FL_FLAT_BOX, 0, 0, w, h, "");
  return window;
}

Fl_Widget* add_caption(int x, int y, const char* text) {
  return fl_add_Stext(FL_NO_BOX, x, y, 40, 20, text);
}

}  // namespace

// Inputs panel

OFD_simulator_input::OFD_simulator_input(Fl_Window* window, int x, int h) : window(window) {
  build(x, h);
}

OFD_simulator_input::OFD_simulator_input(int h)
    : window(open_own_window(400, h)), own_window(true) {
  build(0, h);
  end_form();
  fl_show_form(window, FL_PLACE_SIZE, FL_FULLBORDER, "Inputs Pannel");
}

OFD_simulator_input::~OFD_simulator_input() {
  fl_hide_form(window);
  if (own_window) delete window;
}

void OFD_simulator_input::build(int x, int h) {
  add_caption(x + 80, 10, "Signal");
  add_caption(x + 280, 10, "Sticky");
  signal_list = new Fl_Check_Browser(x + 10, 30, 180, h - 70);
  signal_list->type(FL_MULTI_BROWSER);
  sticky_list = new Fl_Check_Browser(x + 210, 30, 180, h - 70);
  sticky_list->type(FL_MULTI_BROWSER);
  init_button = add_form_button(x + 10, h - 30, 60, 20, "INIT");
  go_button = add_form_button(x + 180, h - 30, 60, 20, "GO");
  quit_button = add_form_button(x + 330, h - 30, 60, 20, "QUIT");
}

void OFD_simulator_input::add(const std::string& name) {
  names.push_back(name);
  ++name_count;
  signal_list->add(name.c_str());
  sticky_list->add(name.c_str());
}

void OFD_simulator_input::eval(int* quit, int* values) {
  Fl::check();
  if (Fl::readqueue() == quit_button) {
    *quit = 1;
    return;
  }
  *quit = 0;
  for (int i = 1; i <= name_count; ++i) signal_list->checked(i, values[i - 1]);
}

void OFD_simulator_input::check(int* init, int* quit, int* values) {
  for (;;) {
    Fl::check();
    Fl_Widget* pressed = Fl::readqueue();
    if (pressed == quit_button || !window->shown()) {
      *quit = 1;
      return;
    }
    *quit = 0;
    if (pressed == init_button) {
      signal_list->check_none();
      *init = 1;
      return;
    }
    *init = 0;
    if (pressed == go_button) {
      for (int i = 1; i <= name_count; ++i) {
        values[i - 1] = signal_list->checked(i);
        if (!sticky_list->checked(i)) signal_list->checked(i, 0);
      }
      return;
    }
  }
}

// Outputs panel

OFD_simulator_output::OFD_simulator_output(Fl_Window* window, int x, int h, const char* title)
    : window(window), x_offset(x) {
  caption = add_caption(x + 80, 10, title);
  build(h, x + 70, x + 150);
}

OFD_simulator_output::OFD_simulator_output(int h, const char* title)
    : window(open_own_window(240, h)), x_offset(0), own_window(true) {
  build(h, 30, 70);
  end_form();
  fl_show_form(window, FL_PLACE_SIZE, FL_FULLBORDER, title);
  window->copy_label(title);  // the caller's text may not outlive the panel
}

OFD_simulator_output::~OFD_simulator_output() {
  fl_hide_form(window);
  if (own_window) {
    delete window;
    return;
  }
  // A widget leaves its group when it is freed.
  for (Fl_Widget* w : embedded_widgets()) delete w;
}

std::vector<Fl_Widget*> OFD_simulator_output::embedded_widgets() const {
  std::vector<Fl_Widget*> widgets = {caption, plus_button, minus_button, browser};
  widgets.insert(widgets.end(), lamps.begin(), lamps.begin() + rows_per_page);
  return widgets;
}

void OFD_simulator_output::build(int h, int minus_x, int plus_x) {
  plus_button = add_form_button(plus_x, h - 30, 20, 20, "+");
  plus_button->callback(OFD_simulator_output_callback_plus, this);
  minus_button = add_form_button(minus_x, h - 30, 20, 20, "-");
  minus_button->callback(OFD_simulator_output_callback_moins, this);
  browser = fl_add_browser(FL_NORMAL_BROWSER, x_offset + 20, 30, 198, h - 68, "");
  // A panel lower than 101 pixels has no row at all; one higher than the
  // lamp array allows shows only as many rows as there are lamps.
  rows_per_page = std::clamp((h - 85) / 16, 0, max_lamps);
  for (int i = 0; i < rows_per_page; ++i) {
    lamps[i] = fl_add_box(FL_FLAT_BOX, x_offset + 7, 34 + 16 * i, 10, 12, "");
    lamps[i]->labelfont(FL_TIMES);
    lamps[i]->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
    lamps[i]->hide();
  }
}

int OFD_simulator_output::last_page() const {
  return rows_per_page > 0 ? (signal_count - 1) / rows_per_page : 0;
}

void OFD_simulator_output::hide_lamps() {
  for (int i = 0; i < rows_per_page; ++i) lamps[i]->hide();
}

void OFD_simulator_output::show_page() {
  browser->clear();
  for (int i = 0; i < rows_per_page; ++i) {
    int k = i + rows_per_page * page;
    if (k >= signal_count) break;
    browser->add(names[k].c_str());
    internal_colorise(i);
    lamps[i]->show();
  }
}

void OFD_simulator_output::add(const std::string& name) {
  name_list.push_back(name);
  names.push_back(name);
  values.push_back(2);  // red until the first eval
  ++signal_count;
  hide_lamps();
  if (page < last_page()) ++page;
  show_page();
}

void OFD_simulator_output::eval(int* new_values) {
  std::copy(new_values, new_values + signal_count, values.begin());
  for (int i = 0; i < rows_per_page; ++i) internal_colorise(i);
}

void OFD_simulator_output::next_page() {
  hide_lamps();
  browser->clear();
  if (page < last_page()) ++page;
  show_page();
}

void OFD_simulator_output::previous_page() {
  hide_lamps();
  if (page > 0) --page;
  show_page();
}

void OFD_simulator_output::internal_colorise(int row) {
  int k = row + page * rows_per_page;
  if (row < 0 || row >= rows_per_page || k >= signal_count) return;
  Fl_Color c = values[k] == 1 ? FL_BLUE : values[k] == 0 ? FL_YELLOW : FL_RED;
  if (lamps[row]->color() == c) return;
  lamps[row]->color(c, FL_BLACK);
  lamps[row]->redraw();
}

Fl_Button* OFD_simulator_output::my_plus_button() { return plus_button; }

Fl_Button* OFD_simulator_output::my_moins_button() { return minus_button; }

void OFD_simulator_output_callback_plus(Fl_Widget*, void* panel) {
  static_cast<OFD_simulator_output*>(panel)->next_page();
}

void OFD_simulator_output_callback_moins(Fl_Widget*, void* panel) {
  static_cast<OFD_simulator_output*>(panel)->previous_page();
}
