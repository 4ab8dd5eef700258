#include "objects/djack.h"

#include "forms/draw.h"
#include "objects/angle.h"
#include "objects/movepart.h"
#include "objects/window_drawing.h"

#include <FL/Fl_Window.H>

#include <cmath>

djack::djack(Fl_Window* window, int x, int y, int stroke, int body_thickness, int rod_length,
             int rod_thickness, double out_speed, double in_speed, movepart* part,
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
      in_speed(in_speed),
      position(initial_position),
      previous_position(initial_position),
      out_command(0),
      in_command(0),
      part(part) {}

int djack::react() {
  previous_position = position;
  if (in_command == 1 && out_command == 0) {
    position = std::fmax(position - in_speed, 0.0);
  } else if (in_command != 1 && out_command == 1) {
    position = std::fmin(position + out_speed, stroke);
  }
  out_command = 0;
  in_command = 0;
  return std::fabs(previous_position - position) > 0.001 ? 1 : 0;
}

int djack::in_stop() const { return at_in_stop(position); }
int djack::out_stop() const { return at_out_stop(position, stroke); }

void djack::partdraw() { part->draw(); }

jack_geometry djack::geometry() const {
  return {x, y, stroke, body_thickness, rod_length, rod_thickness};
}

void djack::draw_linear(jack_orientation o) {
  move_and_draw_jack(window, part, o, geometry(), previous_position, position);
}

void bdjack::undraw() {
  make_current_for_drawing(window);
  erase_down_jack(geometry(), position, erase_color);
}

void bdjack::draw(int nx, int ny) {
  make_current_for_drawing(window);
  if (nx != x || ny != y) {
    undraw();
    x = nx;
    y = ny;
  }
  draw();
}

hrdjack::hrdjack(Fl_Window* window, int x, int y, int hub_size, int /*spare*/, int arm_length,
                 double out_speed, double in_speed, movepart* part, double initial_angle)
    : djack(window, x, y, 360, 1, 360, 1, out_speed, in_speed, part, initial_angle),
      hub_size(hub_size),
      arm_length(arm_length) {}

int hrdjack::arm_end_x(double angle) const {
  return x + static_cast<int>(std::cos(degrees_to_radians(angle)) * arm_length);
}

int hrdjack::arm_end_y(double angle) const {
  return y + static_cast<int>(std::sin(degrees_to_radians(angle)) * arm_length);
}

void hrdjack::draw() {
  make_current_for_drawing(window);
  if (part->absmoveredraw(arm_end_x(position), arm_end_y(position)) == 1) unreact();
  fl_line(x, y, arm_end_x(previous_position), arm_end_y(previous_position),
          part->my_background_color());
  fl_circf(x, y, hub_size, FL_BLUE);
  fl_line(x, y, arm_end_x(position), arm_end_y(position), FL_BLACK);
  partdraw();
}
