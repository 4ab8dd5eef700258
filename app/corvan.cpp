#include "app/corvan.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>

namespace {

constexpr Fl_Font label_font = FL_TIMES;

Fl_Button* button(int x, int y, int w, int h, const char* label) {
  auto* b = new Fl_Button(x, y, w, h, label);
  b->labelfont(label_font);
  return b;
}

void caption(int x, int y, const char* label) {
  auto* c = new Fl_Box(x, y, 80, 20, label);
  c->box(FL_FLAT_BOX);
  c->selection_color(FL_LIGHT1);
  c->labelfont(label_font);
  c->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
}

}  // namespace

atelier_class::atelier_class() {
  window = new Fl_Double_Window(940, 560, "vorlak");
  window->box(FL_NO_BOX);
  window->user_data(this);

  (new Fl_Box(0, 0, 940, 560))->box(FL_UP_BOX);

  drawing_box = new Fl_Box(10, 10, 690, 380);
  drawing_box->box(FL_ENGRAVED_BOX);
  drawing_box->labelfont(label_font);

  about_button = button(770, 410, 80, 30, "a propos");
  quit_button = button(820, 510, 80, 30, "quit");
  intervention_button = button(720, 510, 80, 30, "interv.");
  piece_button = button(720, 470, 80, 30, "piece");
  ac_button = button(720, 110, 70, 20, "AC");
  caption(800, 110, "arret cycle");
  dc_button = button(720, 80, 70, 20, "DC");
  caption(800, 80, "depart cycle");
  lid_button = button(820, 470, 80, 30, "couvercle");
  pv_button = button(720, 260, 70, 20, "PV");
  pv_button->type(FL_TOGGLE_BUTTON);
  caption(800, 260, "panne ventouse");

  auto* lower_frame = new Fl_Box(10, 390, 690, 160);
  lower_frame->box(FL_ENGRAVED_FRAME);
  lower_frame->color(FL_BLACK);
  lower_frame->labelfont(label_font);

  atu_button = button(720, 140, 70, 20, "ATU");
  caption(800, 140, "arret d'urgence");
  init_button = button(720, 50, 70, 20, "INIT");
  caption(800, 50, "initialisation");
  redraw_button = button(750, 320, 130, 50, "REDESSINER");

  window->end();
}
