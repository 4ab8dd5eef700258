// Test panels for driving (inputs) and watching (outputs) named on/off
// signals by hand, embedded in a caller's form or in a window of their own.
// Layouts are given with y downwards: a caller embedding a panel closes its
// form without the Forms flip of the y axis (end_form in forms/helpers.h).
#pragma once

#include <array>
#include <list>
#include <string>
#include <vector>

class Fl_Box;
class Fl_Browser;
class Fl_Button;
class Fl_Check_Browser;
class Fl_Widget;
class Fl_Window;

class OFD_simulator_input {
 public:
  // Adds the widgets at horizontal offset x into the form being built.
  OFD_simulator_input(Fl_Window* window, int x, int h);
  // Opens and shows a window of its own, 400 x h.
  explicit OFD_simulator_input(int h);
  // Hides the window; frees it when it is the panel's own.
  ~OFD_simulator_input();
  OFD_simulator_input(const OFD_simulator_input&) = delete;
  OFD_simulator_input& operator=(const OFD_simulator_input&) = delete;

  void add(const std::string& name);
  // One look without waiting: a "QUIT" read sets *quit; otherwise the
  // signal check marks show values (one per signal).
  void eval(int* quit, int* values);
  // Waits for "GO", "INIT" or "QUIT"; on "GO" values receive the marks and
  // the signals that are not sticky are released. A window closed meanwhile
  // (by the window manager, say) counts as "QUIT".
  void check(int* init, int* quit, int* values);

  Fl_Window* window;
  Fl_Button* quit_button = nullptr;
  Fl_Button* go_button = nullptr;
  Fl_Button* init_button = nullptr;
  Fl_Check_Browser* signal_list = nullptr;
  Fl_Check_Browser* sticky_list = nullptr;
  std::list<std::string> names;
  int name_count = 0;

 private:
  void build(int x, int h);
  bool own_window = false;
};

class OFD_simulator_output {
 public:
  // A fixed number of lamp slots: one per row of a page.
  static constexpr int max_lamps = 32768;

  OFD_simulator_output(Fl_Window* window, int x, int h, const char* title);
  // Opens and shows a window of its own, 240 x h, titled title.
  OFD_simulator_output(int h, const char* title);
  // Hides the window. Frees it when it is the panel's own; embedded, takes
  // its widgets out of the caller's form and frees them, so that no "+" or
  // "-" is left calling back into a panel that is gone.
  ~OFD_simulator_output();
  OFD_simulator_output(const OFD_simulator_output&) = delete;
  OFD_simulator_output& operator=(const OFD_simulator_output&) = delete;

  void add(const std::string& name);
  // Keeps a copy of one value per signal and recolours the visible lamps.
  void eval(int* values);
  void next_page();
  void previous_page();
  // Lamp row shows signal row + page * rows_per_page: blue 1, yellow 0, red otherwise.
  void internal_colorise(int row);
  Fl_Button* my_plus_button();
  Fl_Button* my_moins_button();
  void check() {}

  Fl_Window* window;
  int x_offset;
  std::vector<std::string> names;
  int signal_count = 0;
  int page = 0;
  int rows_per_page = 0;
  std::list<std::string> name_list;
  std::array<Fl_Box*, max_lamps> lamps{};
  Fl_Browser* browser = nullptr;
  Fl_Button* plus_button = nullptr;
  Fl_Button* minus_button = nullptr;
  std::vector<int> values;

 private:
  void build(int h, int minus_x, int plus_x);
  // Every widget the panel added into a caller's form.
  std::vector<Fl_Widget*> embedded_widgets() const;
  void hide_lamps();
  void show_page();
  int last_page() const;
  bool own_window = false;
  Fl_Widget* caption = nullptr;
};

void OFD_simulator_output_callback_plus(Fl_Widget*, void* panel);
void OFD_simulator_output_callback_moins(Fl_Widget*, void* panel);
