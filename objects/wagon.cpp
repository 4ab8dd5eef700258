#include "objects/wagon.h"

#include "objects/movepart.h"
#include "objects/window_drawing.h"

#include "forms/draw.h"

#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <cmath>

namespace {

int trunc_int(double v) { return static_cast<int>(v); }

}  // namespace

wagon::wagon(Fl_Window* window, int x, int y, int width, int height, double speed_ref,
             int left_limit, int right_limit, movepart* part, unsigned int background)
    : window(window),
      background_color(background),
      x(x),
      y(y),
      previous_x(x),
      left_limit(left_limit),
      right_limit(right_limit),
      width(width),
      height(height),
      speed_ref(speed_ref),
      part(part) {}

int wagon::react() {
  const int half = width / 2;
  previous_x = x;
  x += speed;
  if (x + half > right_limit)
    x = right_limit - half;
  else if (left_limit > x - half)
    x = left_limit + half;
  return x != previous_x ? 1 : 0;
}

void wagon::change_speed_ref(double v) {
  speed_ref = v;
  // Below 0.001 the wagon counts as stopped and must stay so.
  if (std::fabs(speed) >= 0.001) speed = speed > 0.0 ? v : -v;
}

// Limits and half width are whole numbers, so after a clamp equality is exact.
int wagon::left_stop() const { return left_limit == x - width / 2 ? 1 : 0; }

int wagon::right_stop() const { return right_limit == x + width / 2 ? 1 : 0; }

void cookwagon::draw_wheels(double at, unsigned int colour) const {
  const int quarter = width / 4;
  const int wheel = height / 2;
  const int top = trunc_int(y + wheel);
  fl_circf(trunc_int(at - quarter + wheel), top, wheel, colour);
  fl_circf(trunc_int(at + quarter - height), top, wheel, colour);
}

void cookwagon::draw() {
  make_current_for_drawing(window);
  if (part->moveredraw((x - previous_x) / 2.0, 0.0)) unreact();

  const int half = width / 2;
  const int strip_top = trunc_int(y - height);
  if (x > previous_x)
    fl_rectf(trunc_int(previous_x - half), strip_top, trunc_int(x - previous_x), 2 * height,
             background_color);
  else if (x < previous_x)
    fl_rectf(trunc_int(x + half), strip_top, trunc_int(previous_x - x), 2 * height,
             background_color);

  draw_wheels(previous_x, background_color);
  draw_wheels(x, FL_BLACK);

  const int left = trunc_int(x - half);
  const int body_top = trunc_int(y - 15);
  if (loaded) {
    // The body rises above the erased strip: clear what its former place left beside it.
    fl_rectf(trunc_int(x - half - 5), body_top, 5, 5, background_color);
    fl_rectf(trunc_int(x + half), body_top, 5, 5, background_color);
    fl_rectf(left, body_top, width, 20, FL_BLACK);
  } else {
    fl_rectf(left, body_top, width, 20, background_color);
  }
  part->draw();
}
