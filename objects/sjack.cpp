#include "objects/sjack.h"

#include "objects/movepart.h"
#include "objects/window_drawing.h"

#include <FL/Fl_Window.H>

#include <cmath>

sjack::sjack(Fl_Window* window, int x, int y, int stroke, int body_thickness, int rod_length,
             int rod_thickness, double out_speed, double return_speed, movepart* part,
             double initial_position)
    : window(window),
      erase_color(part->my_background_color()),
      x(x),
      y(y),
      stroke(stroke),
      body_thickness(body_thickness),
      rod_length(rod_length),
      rod_thickness(rod_thickness),
      out_speed(out_speed),
      return_speed(return_speed),
      position(initial_position),
      previous_position(initial_position),
      out_command(0),
      part(part) {}

int sjack::react() {
  previous_position = position;
  if (out_command == 1)
    position = std::fmin(position + out_speed, stroke);
  else
    position = std::fmax(position - return_speed, 0.0);
  out_command = 0;
  return std::fabs(previous_position - position) > 0.001 ? 1 : 0;
}

int sjack::in_stop() const { return at_in_stop(position); }
int sjack::out_stop() const { return at_out_stop(position, stroke); }

void sjack::partdraw() { part->draw(); }

jack_geometry sjack::geometry() const {
  return {x, y, stroke, body_thickness, rod_length, rod_thickness};
}

void sjack::draw_linear(jack_orientation o) {
  move_and_draw_jack(window, part, o, geometry(), previous_position, position);
}

void bsjack::undraw() {
  make_current_for_drawing(window);
  erase_down_jack(geometry(), position, erase_color);
}

void bsjack::draw(int nx, int ny) {
  make_current_for_drawing(window);
  if (nx != x || ny != y) {
    undraw();
    x = nx;
    y = ny;
  }
  draw();
}
