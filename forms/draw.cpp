#include "forms/draw.h"

#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

void fl_line(int x1, int y1, int x2, int y2, Fl_Color c) {
  fl_color(c);
  fl_line(x1, y1, x2, y2);
}

void fl_rectbound(int x, int y, int w, int h, int c) {
  fl_color(static_cast<Fl_Color>(c));
  fl_rectf(x, y, w, h);
  fl_color(FL_BLACK);
  fl_rect(x, y, w, h);
}

void fl_ovalf(int x, int y, int w, int h, unsigned int c) {
  fl_color(c);
  fl_pie(x, y, w, h, 0.0, 360.0);
}

void fl_ovalf(int x, int y, int w, int h, int c) {
  fl_ovalf(x, y, w, h, static_cast<unsigned int>(c));
}

void fl_circf(int x, int y, int d, unsigned int c) { fl_ovalf(x, y, d, d, c); }

void fl_circf(int x, int y, int d, int c) { fl_ovalf(x, y, d, d, c); }

const char* const about_text =
    "corvan\n"
    "simulateur d'une ligne automatisee d'encollage\n\n"
    "Le programme de commande lit 23 entrees et ecrit 14 sorties\n"
    "dans une zone de memoire partagee, a chaque tour de simulation.";

void fl_show_ms() {
  fl_message_title("a propos");
  fl_message("%s", about_text);
}
