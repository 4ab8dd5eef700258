#include "forms/helpers.h"

#include "util/Stringpp.h"

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/forms.H>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>

void fl_drw_String(Fl_Align align, int x, int y, int w, int h, Fl_Color, int size, int font,
                   const std::string& text) {
  fl_font(font, size);
  fl_draw(text.c_str(), x, y, w, h, align, nullptr, 1);
}

void fl_show_Smessages(const std::string& text) { fl_message("%s", text.c_str()); }

void fl_show_Salert(const std::string& text) { fl_alert("%s", text.c_str()); }

int fl_show_Squestion(const std::string& text, int) {
  return fl_choice("%s", fl_no, fl_yes, nullptr, text.c_str());
}

std::string fl_show_Sinput(const std::string& label, const std::string& value) {
  const char* typed = fl_input("%s", value.c_str(), label.c_str());
  return typed ? typed : "";
}

namespace {

// The integer at the start of text (blanks before it and anything after it
// allowed), or fallback when there is none or it does not fit an int.
int int_or(const char* text, int fallback) {
  if (!text) return fallback;
  char* end = nullptr;
  errno = 0;
  long read = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE || read < INT_MIN || read > INT_MAX) return fallback;
  return static_cast<int>(read);
}

}  // namespace

int fl_show_int(const char* label, int v) {
  char shown[81];
  std::snprintf(shown, sizeof shown, "%d", v);
  return int_or(fl_input("%s", shown, label), v);
}

double fl_show_double(const char* label, double v) {
  char shown[81];
  // "%lf" writes every integer digit: from 1e79 on it does not fit, and the
  // default is shown in exponent form instead.
  if (std::snprintf(shown, sizeof shown, "%lf", v) >= static_cast<int>(sizeof shown))
    std::snprintf(shown, sizeof shown, "%g", v);
  const char* typed = fl_input("%s", shown, label);
  double read = v;
  if (typed && std::sscanf(typed, "%lf", &read) != 1) read = v;
  return read;
}

double fl_show_double(const std::string& label, double v) {
  return fl_show_double(label.c_str(), v);
}

void fl_set_object_Slabel(Fl_Widget* w, const std::string& text, int max) {
  if (max >= 0 && static_cast<std::size_t>(max) < text.size())
    w->copy_label(text.substr(0, max).c_str());
  else
    w->copy_label(text.c_str());
}

Fl_Widget* fl_add_Stext(Fl_Boxtype box, int x, int y, int w, int h, const std::string& label) {
  Fl_Widget* text = fl_add_text(box, x, y, w, h, nullptr);
  text->align(FL_ALIGN_LEFT);
  text->copy_label(label.c_str());
  return text;
}

void fl_add_browser_Sline(Fl_Widget* browser, const std::string& line) {
  static_cast<Fl_Browser*>(browser)->add(line.c_str());
}

void fl_replace_browser_Sline(Fl_Widget* browser, int n, const std::string& line) {
  static_cast<Fl_Browser*>(browser)->text(n, line.c_str());
}

void fl_set_Sinput(Fl_Widget* input, const std::string& text) {
  static_cast<Fl_Input_*>(input)->value(text.c_str());
}

void fl_show_Sbigmessages(const std::string& text, int columns) {
  // At least one column, and no wider than the screen.
  columns = std::clamp(columns, 1, std::max(1, (Fl::w() - 10) / 6));
  Fl_Window* window = fl_bgn_form(FL_UP_BOX, 6 * columns + 10, 570);
  window->label("Messages");
  window->set_modal();
  Fl_Browser* browser = fl_add_browser(FL_MULTI_BROWSER, 5, 10, 6 * columns, 500, "");
  Fl_Button* quit = add_form_button(250, 530, 50, 30, "Quit");
  Fl_Button* save = add_form_button(80, 530, 50, 30, "save");
  end_form();
  std::string remaining = text;
  while (!remaining.empty()) {
    std::string rest;
    browser->add(next_record(remaining, '\n', rest).c_str());
    remaining = rest;
  }
  window->show();
  for (;;) {
    Fl::check();
    Fl_Widget* pressed = Fl::readqueue();
    if (pressed == quit || !window->shown()) break;  // "Quit", or closed by the window manager
    if (pressed != save) continue;
    const char* file = fl_show_file_selector("save message", "", "*.txt", "");
    if (file) std::ofstream(file, std::ios::trunc) << text;
  }
  delete window;
}

void end_form() {
  char flip = fl_flip;
  fl_flip = 0;
  fl_end_form();
  fl_flip = flip;
}

Fl_Button* add_form_button(int x, int y, int w, int h, const char* label) {
  Fl_Button* button = fl_add_button(FL_NORMAL_BUTTON, x, y, w, h, label);
  button->labelfont(FL_TIMES);
  button->labelsize(10);
  return button;
}
