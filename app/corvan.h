// The workstation window: the drawing area on the left, the operator's panel
// on the right. Buttons have no callbacks: clicks go to the toolkit's widget
// queue and held buttons are sampled by their state each turn.
#pragma once

class Fl_Box;
class Fl_Button;
class Fl_Double_Window;

class atelier_class {
 public:
  atelier_class();
  // The window owns the widgets and lives to the end of the run.
  atelier_class(const atelier_class&) = delete;
  atelier_class& operator=(const atelier_class&) = delete;

  Fl_Double_Window* window;
  Fl_Box* drawing_box;  // its colour is the background of every moving part
  Fl_Button* about_button;
  Fl_Button* quit_button;
  Fl_Button* intervention_button;
  Fl_Button* piece_button;
  Fl_Button* ac_button;
  Fl_Button* dc_button;
  Fl_Button* lid_button;
  Fl_Button* pv_button;  // toggle: suction failure while down
  Fl_Button* atu_button;
  Fl_Button* init_button;
  Fl_Button* redraw_button;
};
