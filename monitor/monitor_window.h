// The monitor's window: every input and output with its lamp, two buttons
// beside each signal to force it to 0 or 1 (a second click releases it),
// in manual mode a switch per output, and the run's figures. It only reads
// the exchange's snapshots, 20 times a second, in the main thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "monitor/proxy.h"

class Fl_Box;
class Fl_Button;
class Fl_Light_Button;
class Fl_Widget;
class Fl_Window;
class OFD_simulator_output;

class monitor_window {
 public:
  // inner: what stands inside, whose status() gets a line of its own when
  // it has one; manual: the inner side the switches set, null when there
  // are none. inner_text: what stands inside ("controller: ./ctrl", ...);
  // trace_text: the trace files being written.
  monitor_window(monitor_proxy& proxy, inner_side& inner, manual_side* manual,
                 const std::string& inner_text, const std::string& trace_text);
  ~monitor_window();
  monitor_window(const monitor_window&) = delete;
  monitor_window& operator=(const monitor_window&) = delete;

  // Opens beside the window of the simulator that started the monitor,
  // waiting a moment for it to be shown.
  void show();
  bool shown() const;
  // Brings the lamps, buttons and figures up to the latest snapshot.
  void refresh();

  // Layout, in pixels from the window's top left corner: the buttons of
  // signal row r (of its panel) are at row_top(r).
  static constexpr int panel_height = 470;
  static constexpr int outputs_x = 270;
  static constexpr int force_x = 222;  // from the panel's left; "1" is 20 to the right
  static constexpr int switch_x = outputs_x + 265;
  static int row_top(int row) { return 33 + 16 * row; }

 private:
  struct force_button {
    monitor_window* owner;
    int row;
    int value;
    Fl_Button* button;
  };

  void add_names(OFD_simulator_output& panel, int panel_x, int first_row, int count);
  void add_force_buttons(int panel_x, int first_row, int count);
  void add_switches();
  void place_beside_the_line();
  static void force_clicked(Fl_Widget*, void* data);
  static void switch_clicked(Fl_Widget*, void* data);
  static void refresh_tick(void* data);

  monitor_proxy& proxy;
  inner_side& inner;
  manual_side* manual;
  Fl_Window* window = nullptr;
  std::unique_ptr<OFD_simulator_output> inputs_panel;
  std::unique_ptr<OFD_simulator_output> outputs_panel;
  std::vector<std::unique_ptr<force_button>> force_buttons;
  std::vector<Fl_Light_Button*> switches;
  Fl_Box* figures = nullptr;
  Fl_Box* inner_line = nullptr;
  Fl_Box* status_line = nullptr;  // null when the inner side tells nothing
  std::string inner_text;
};
