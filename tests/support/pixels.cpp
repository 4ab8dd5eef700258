#include "tests/support/pixels.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <cstdio>
#include <vector>

rgb rgb_of(Fl_Color c) {
  uchar r, g, b;
  Fl::get_color(c, r, g, b);
  return {r, g, b};
}

rgb pixel(Fl_Window* w, int x, int y) {
  w->make_current();
  uchar buf[3];
  fl_read_image(buf, x, y, 1, 1);
  return {buf[0], buf[1], buf[2]};
}

bool rect_has_colour(Fl_Window* w, int x, int y, int width, int height, Fl_Color c) {
  if (width <= 0 || height <= 0) return true;
  w->make_current();
  std::vector<uchar> buf(static_cast<size_t>(width) * height * 3);
  fl_read_image(buf.data(), x, y, width, height);
  rgb want = rgb_of(c);
  for (size_t i = 0; i < buf.size(); i += 3)
    if (buf[i] != want[0] || buf[i + 1] != want[1] || buf[i + 2] != want[2]) return false;
  return true;
}

void clear_window(Fl_Window* w, Fl_Color c) {
  w->make_current();
  fl_rectf(0, 0, w->w(), w->h(), c);
}

Fl_Window* open_test_window(int width, int height, const char* title) {
  auto* w = new Fl_Double_Window(width, height, title);
  w->box(FL_NO_BOX);
  w->end();
  w->show();
  w->wait_for_expose();
  settle();
  return w;
}

void settle() {
  Fl::flush();
  for (int i = 0; i < 5; ++i) Fl::check();
  XSync(fl_display, False);
}

std::string describe(const rgb& c) {
  char text[32];
  std::snprintf(text, sizeof text, "(%d, %d, %d)", c[0], c[1], c[2]);
  return text;
}
