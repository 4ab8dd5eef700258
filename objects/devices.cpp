#include "objects/devices.h"

#include "forms/draw.h"
#include "objects/window_drawing.h"

#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <cmath>

namespace {

int trunc_int(double v) { return static_cast<int>(v); }

}  // namespace

cuve::cuve(Fl_Window* window, int x, int y, int width, int height, int, int, int level,
           double section, int closed)
    : window(window),
      x(x),
      y(y),
      width(width),
      height(height),
      level(level),
      section(section),
      closed(closed) {}

int cuve::react() {
  // A section of 0 would divide by zero: such a tank keeps its level.
  if (section != 0.0) level += (inflow - outflow) / section;
  // height - 1, so that the top wall row is never covered by liquid.
  if (level >= height) level = height - 1;
  if (level < 0.0) level = 0.0;
  return std::fabs(outflow - inflow) > 0.001 ? 1 : 0;
}

void cuve::draw() {
  make_current_for_drawing(window);
  const int liquid = trunc_int(level);
  fl_rectf(x, y - height, width, height - liquid, background_color);
  fl_rectf(x, y - liquid, width, liquid, liquid_color);
  if (closed) {
    fl_rect(x, y - height, width, height, FL_BLACK);
  } else {
    fl_line(x, y - height, x, y, FL_BLACK);
    fl_line(x, y, x + width, y, FL_BLACK);
    fl_line(x + width, y - height, x + width, y, FL_BLACK);
  }
}

vanne::vanne(Fl_Window* window, int x, int y, int span, int gap, int size, int open,
             int horizontal)
    : window(window),
      x(x),
      y(y),
      span(span),
      gap(gap),
      size(size),
      open(open),
      drawn_state(open == 0 ? 1 : 0),
      horizontal(horizontal) {}

void vanne::draw() {
  if (drawn_state != open) {
    drawn_state = open;
    fl_color(background_color);
    fl_rectf(x - size / 2, y - size / 2, size, size);
  }
  fl_color(foreground_color);
  if (horizontal) {
    fl_line(x - span / 2, y - gap / 2, x + span / 2, y - gap / 2);
    fl_line(x - span / 2, y + gap / 2, x + span / 2, y + gap / 2);
  } else {
    fl_line(x - gap / 2, y - span / 2, x - gap / 2, y + span / 2);
    fl_line(x + gap / 2, y - span / 2, x + gap / 2, y + span / 2);
  }
  const bool along_x = (horizontal != 0) == (open != 0);
  if (along_x)
    fl_rectf(x - size / 2, y - gap / 2, size, gap);
  else
    fl_rectf(x - gap / 2, y - size / 2, gap, size);
  fl_circle(x, y, size / 2);
}

melangeur::melangeur(Fl_Window* window, int x, int y, int size)
    : window(window), x(x), y(y), size(size) {}

void melangeur::react() {
  if (std::fabs(angular_speed) > 0.001) {
    previous_angle = angle;
    angle += angular_speed;
  }
}

void melangeur::cr_draw(double a) {
  const int c = trunc_int(std::cos(a) * size / 2.0);
  const int s = trunc_int(std::sin(a) * size / 2.0);
  fl_line(x + c, y + s, x - c, y - s);
  fl_line(x - s, y + c, x + s, y - c);
}

void melangeur::draw() {
  // A still mixer has not moved since its last drawing: nothing to erase.
  if (std::fabs(angular_speed) > 0.001) {
    fl_color(background_color);
    cr_draw(previous_angle);
  }
  fl_color(foreground_color);
  cr_draw(angle);
  fl_circle(x, y, size / 2);
}

resistor::resistor(Fl_Window* window, int x, int y, int width, int height)
    : window(window), x(x), y(y), width(width), height(height) {}

void resistor::draw() {
  const int w = width;
  const int h = height;
  fl_line_style(FL_SOLID, 5);
  fl_color(heating ? FL_RED : foreground_color);
  fl_arc(x - h / 6, y - h / 6, h / 3, h / 3, -90.0, 90.0);
  fl_line(x, y - h / 6, x + h / 6 - w / 2, y - h / 6);
  fl_line(x, y + h / 6, x + h / 6 - w / 2, y + h / 6);
  fl_arc(x - w / 2, y - h / 2, h / 3, h / 3, 90.0, 270.0);
  fl_arc(x - w / 2, y + h / 6, h / 3, h / 3, 90.0, 270.0);
  fl_line(x + h / 6 - w / 2, y - h / 2, x + w / 2, y - h / 2);
  fl_line(x + h / 6 - w / 2, y + h / 2, x + w / 2, y + h / 2);
  fl_line_style(0, 0);
}

trappe::trappe(Fl_Window* window, int x, int y, int length, double angle, int open,
               int horizontal)
    : window(window),
      x(x),
      y(y),
      length(length),
      angle(angle),
      open(open),
      drawn_state(open == 0 ? 1 : 0),
      horizontal(horizontal) {}

void trappe::line(int opened) const {
  const int c = trunc_int(std::cos(angle) * length);
  const int s = trunc_int(std::sin(angle) * length);
  if (horizontal) {
    if (opened)
      fl_line(x, y, x + c, y - s);
    else
      fl_line(x, y, x + length, y);
  } else {
    if (opened)
      fl_line(x, y, x + s, y - c);
    else
      fl_line(x, y, x, y + length);
  }
}

void trappe::draw() {
  if (drawn_state != open) {
    fl_color(background_color);
    line(drawn_state);
    drawn_state = open;
  }
  fl_color(foreground_color);
  line(open);
}
