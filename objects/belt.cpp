#include "objects/belt.h"

#include "forms/draw.h"
#include "objects/angle.h"
#include "objects/movepart.h"
#include "objects/window_drawing.h"

#include <FL/Fl_Window.H>

#include <algorithm>
#include <cmath>

belt::belt(Fl_Window* window, int x, int y, int length, int height, double speed)
    : window(window),
      x(x),
      y(y),
      length(length),
      height(height),
      speed(speed),
      phase(0.0),
      previous_phase(0.0),
      active(0) {}

void belt::add_ppart(movepart* p) { parts.push_back(p); }

void belt::supp_ppart(movepart* p) {
  auto found = std::find(parts.begin(), parts.end(), p);
  if (found != parts.end()) parts.erase(found);
}

void belt::supp_all_ppart() { parts.clear(); }

void belt::react() {
  previous_phase = phase;
  if (active == 1) {
    phase += speed;
    // Strictly greater: a phase equal to the length stays as it is.
    if (phase > length) phase -= length;
    if (phase < 0) phase += length;
    // The parts move by the speed even in the turn in which the phase wraps.
    previous_phase = phase - speed;
  }
  active = 0;
}

void hbelt::draw() {
  make_current_for_drawing(window);
  draw_with_mark(height - 1);
}

void hbelt::redraw() {
  make_current_for_drawing(window);
  const double d = phase - previous_phase;
  // Only a forward step of the belt's own speed redraws: a turn without
  // travel, or any backward run, leaves the screen alone.
  if (std::fabs(d) > 0.001 && std::fabs(d) <= speed + 0.001) draw_with_mark(height);
}

void hbelt::draw_with_mark(int mark_height) {
  fl_rectbound(x, y, length, height, FL_RED);
  const int m = static_cast<int>(phase);
  fl_line(x + m, y, x + m, y + mark_height, FL_BLACK);
  const double step = phase - previous_phase;
  for (movepart* p : parts) {
    const int left = p->actual_first_xpos();
    if (x <= left && left <= x + length) {
      p->moveredraw(step, 0);  // a blocked part stays while the belt runs on
      p->draw();
    }
  }
}

rbelt::rbelt(Fl_Window* window, int x, int y, int size, int /*spare*/, double speed)
    : belt(window, x, y, 360, size, speed) {}

void rbelt::draw() {
  make_current_for_drawing(window);
  fl_circf(x, y, height, FL_WHITE);
}

void rbelt::redraw() {
  make_current_for_drawing(window);
  const double d = phase - previous_phase;
  fl_circf(x, y, height, FL_WHITE);
  const double a = degrees_to_radians(speed);
  for (movepart* p : parts) {
    double nx = p->actual_precision_first_xpos();
    double ny = p->actual_precision_first_ypos();
    if (std::fabs(d) > 0.001) {
      const double lx = p->actual_precision_last_xpos();
      const double ly = p->actual_precision_last_ypos();
      const double u = (nx + lx) / 2 - x;
      const double v = (ny + ly) / 2 - y;
      const double half_w = (lx - nx) / 2;
      const double half_h = (ly - ny) / 2;
      nx = x + (u * std::cos(a) - v * std::sin(a)) - half_w;
      ny = y + (v * std::cos(a) + u * std::sin(a)) - half_h;
    }
    p->absmoveredraw(nx, ny);
  }
  fl_line(x, y, x + static_cast<int>(std::cos(degrees_to_radians(phase)) * height),
          y + static_cast<int>(std::sin(degrees_to_radians(phase)) * height), FL_BLACK);
}
