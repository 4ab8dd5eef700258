#include "objects/movepart.h"

#include "objects/movepart_manager.h"
#include "objects/window_drawing.h"

#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>

namespace {

// Relative moves and draw() round halves away from zero; absolute placement
// truncates. Both are behaviour: the pixel strips that a move erases are
// computed with the same rounding as the drawing, so changing either leaves
// stray columns of the old shape on the screen.
int near(double v) { return static_cast<int>(std::lround(v)); }
int trunc_int(double v) { return static_cast<int>(v); }

// The minimum or maximum of the entries, starting from a fixed value so
// that an empty list gives that value.
double smallest(const std::vector<double>& values, double start) {
  for (double v : values) start = std::min(start, v);
  return start;
}

double largest_end(const std::vector<double>& starts, const std::vector<int>& sizes, double start) {
  for (size_t i = 0; i < starts.size(); ++i) start = std::max(start, starts[i] + sizes[i]);
  return start;
}

template <typename T>
void write_list(std::ostream& out, const std::vector<T>& list) {
  out << "(";
  for (size_t i = 0; i < list.size(); ++i) {
    if (i > 0) out << ", ";
    out << list[i] << std::flush;
  }
  out << ")" << std::flush;
}

}  // namespace

movepart::movepart(movepart_manager& manager, Fl_Window* window, unsigned int background_color)
    : window(window),
      background_color(background_color),
      xoffset(0.0),
      yoffset(0.0),
      step_from_x(0.0),
      step_from_y(0.0),
      manager(&manager),
      carried(nullptr),
      held(0) {
  manager.addpart(this);
}

movepart::movepart()
    : window(nullptr),
      background_color(FL_BACKGROUND_COLOR),
      xoffset(0.0),
      yoffset(0.0),
      step_from_x(0.0),
      step_from_y(0.0),
      manager(nullptr),
      carried(nullptr),
      held(0) {}

movepart::movepart(const movepart& other)
    : window(other.window),
      background_color(other.background_color),
      xoffset(other.xoffset),
      yoffset(other.yoffset),
      step_from_x(other.step_from_x),
      step_from_y(other.step_from_y),
      manager(other.manager),
      xlist(other.xlist),
      ylist(other.ylist),
      wlist(other.wlist),
      hlist(other.hlist),
      colorlist(other.colorlist),
      carried(nullptr),
      held(0) {}

movepart& movepart::operator=(const movepart& other) {
  window = other.window;
  background_color = other.background_color;
  xoffset = other.xoffset;
  yoffset = other.yoffset;
  step_from_x = other.step_from_x;
  step_from_y = other.step_from_y;
  xlist = other.xlist;
  ylist = other.ylist;
  wlist = other.wlist;
  hlist = other.hlist;
  colorlist = other.colorlist;
  return *this;
}

movepart::~movepart() {
  if (manager) manager->suppart(this);
  // A hidden window has nothing to erase, and drawing into it is an error.
  if (window && window->shown()) {
    erase_last_step_leftovers();
    undraw();
  }
  delete carried;
}

void movepart::define(movepart_manager& manager, Fl_Window* window, unsigned int background_color) {
  this->window = window;
  this->background_color = background_color;
  xoffset = 0.0;
  yoffset = 0.0;
  step_from_x = 0.0;
  step_from_y = 0.0;
  this->manager = &manager;
  manager.addpart(this);
}

void movepart::add(double x, double y, int w, int h, unsigned int colour) {
  xlist.push_back(x);
  ylist.push_back(y);
  wlist.push_back(w);
  hlist.push_back(h);
  colorlist.push_back(static_cast<int>(colour));
}

void movepart::link(movepart* part) {
  carried = part;
  part->held = 1;
}

void movepart::unlink() {
  if (carried) carried->held = 0;
  carried = nullptr;
}

void movepart::fill_element(size_t i, to_pixel convert, unsigned int colour) {
  fl_rectf(convert(xlist[i] + xoffset), convert(ylist[i] + yoffset), wlist[i], hlist[i], colour);
}

void movepart::fill_elements(to_pixel convert, bool erase) {
  for (size_t i = 0; i < xlist.size(); ++i)
    fill_element(i, convert, erase ? background_color : static_cast<unsigned int>(colorlist[i]));
}

void movepart::draw() {
  make_current_for_drawing(window);
  fill_elements(near, false);
  if (carried) carried->draw();
}

void movepart::undraw() {
  make_current_for_drawing(window);
  fill_elements(near, true);
  if (carried) carried->undraw();
}

// A step of less than a pixel that crosses a pixel edge leaves a column or
// row of the old place painted until the next step's strip erases it: a part
// that takes no further step erases its whole old place.
void movepart::erase_last_step_leftovers() {
  make_current_for_drawing(window);
  for (size_t i = 0; i < xlist.size(); ++i)
    fl_rectf(near(xlist[i] + step_from_x), near(ylist[i] + step_from_y), wlist[i], hlist[i],
             background_color);
}

int movepart::moveredraw(double dx, double dy) {
  make_current_for_drawing(window);
  if (carried) {
    int r = carried->moveredraw(dx, dy);
    if (r != 0) return r;
  }
  const double ox = xoffset;
  const double oy = yoffset;
  xoffset = ox + dx;
  yoffset = oy + dy;
  int result = 0;
  if (manager->collision(this) == 1) {
    result = 1;
    xoffset = ox;
    yoffset = oy;
    if (carried) carried->moveredraw(-dx, -dy);
  } else {
    step_from_x = ox;
    step_from_y = oy;
  }
  repaint_after_move(ox, oy, dx, dy);
  return result;
}

// Only the strips that the step uncovers are erased, so that a part can move
// every turn without the scene being redrawn. The four directions differ on
// purpose (see the strips below); after a refusal nothing is repainted.
void movepart::repaint_after_move(double ox, double oy, double dx, double dy) {
  const double nx = xoffset;
  const double ny = yoffset;
  for (size_t i = 0; i < xlist.size(); ++i) {
    const double x = xlist[i];
    const double y = ylist[i];
    const int w = wlist[i];
    const int h = hlist[i];
    const unsigned int colour = static_cast<unsigned int>(colorlist[i]);
    if (nx > ox) {
      fl_rectf(near(x + ox) - 1, near(y + oy), near(dx) + 1, h, background_color);
      fill_element(i, near, colour);
    } else if (nx < ox) {
      fl_rectf(near(x + nx + w), near(y + ny), 1 - near(dx), h, background_color);
      fill_element(i, near, colour);
    }
    if (ny > oy) {
      fl_rectf(near(x + ox), near(y + oy), w, near(dy) + 1, background_color);
      fill_element(i, near, colour);
    } else if (ny < oy) {
      // Only the whole pixels of an upward step are erased: -0.5 erases none.
      fl_rectf(near(x + nx), near(y + ny + h), w, -trunc_int(dy), background_color);
      fill_element(i, near, colour);
    }
  }
}

int movepart::absmoveredraw(double x, double y) {
  make_current_for_drawing(window);
  const double ox = xoffset;
  const double oy = yoffset;
  fill_elements(trunc_int, true);
  xoffset = x - smallest_x();
  yoffset = y - smallest_y();
  int result = 0;
  if (manager->collision(this) == 1) {
    result = 1;
    xoffset = ox;
    yoffset = oy;
  } else {  // the old place is erased whole
    step_from_x = xoffset;
    step_from_y = yoffset;
  }
  fill_elements(trunc_int, false);
  return result;
}

int movepart::fall() {
  if (held != 0) return held;
  return moveredraw(0.0, 1.0);
}

double movepart::smallest_x() const { return smallest(xlist, 2000.0); }
double movepart::smallest_y() const { return smallest(ylist, 2000.0); }

double movepart::actual_precision_first_xpos() const {
  if (xlist.empty()) {
    std::cerr << "ERREUR dans movepart::actual_precision_first_xpos()" << std::endl
              << "LISTE DE " << static_cast<const void*>(this) << " ANORMALEMENT VIDE !!!" << std::endl
              << std::endl;
    std::exit(1);
  }
  return xoffset + smallest_x();
}

double movepart::actual_precision_first_ypos() const { return yoffset + smallest_y(); }

double movepart::actual_precision_last_xpos() const {
  return xoffset + largest_end(xlist, wlist, -2000.0);
}

double movepart::actual_precision_last_ypos() const {
  return yoffset + largest_end(ylist, hlist, -2000.0);
}

int movepart::actual_first_xpos() const { return trunc_int(actual_precision_first_xpos()); }
int movepart::actual_first_ypos() const { return trunc_int(actual_precision_first_ypos()); }
int movepart::actual_last_xpos() const { return trunc_int(actual_precision_last_xpos()); }
int movepart::actual_last_ypos() const { return trunc_int(actual_precision_last_ypos()); }

int vertical_part_dist(movepart& a, movepart& b) {
  const double a_top = a.yoffset + a.smallest_y();
  const double b_top = b.yoffset + b.smallest_y();
  // Bottoms start from 0, not -2000: a shape lying above y = 0 reaches down to it.
  const double a_bottom = a.yoffset + largest_end(a.ylist, a.hlist, 0.0);
  const double b_bottom = b.yoffset + largest_end(b.ylist, b.hlist, 0.0);
  double d = 0.0;
  if (b_top > a_bottom)
    d = b_top - a_bottom;
  else if (a_top > b_bottom)
    d = a_top - b_bottom;
  return trunc_int(d);
}

std::ostream& operator<<(std::ostream& out, movepart& part) {
  out << "coords " << part.xoffset << " " << part.yoffset << std::endl;
  write_list(out, part.xlist);
  out << std::endl;
  write_list(out, part.ylist);
  out << std::endl;
  write_list(out, part.wlist);
  out << std::endl;
  write_list(out, part.hlist);
  out << std::endl;
  write_list(out, part.colorlist);
  out << std::endl;
  return out;
}
