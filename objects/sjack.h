// Single-acting jack: the rod extends while the out command is given and a
// spring brings it back in every turn without it. Like the double-acting
// jack it carries the part fixed to its rod, which a collision stops.
#pragma once

#include "objects/jack_drawing.h"

class Fl_Window;
class movepart;

class sjack {
 public:
  // part must not be null; the erase colour is its background colour.
  // Nothing is owned.
  sjack(Fl_Window* window, int x, int y, int stroke, int body_thickness, int rod_length,
        int rod_thickness, double out_speed, double return_speed, movepart* part,
        double initial_position);

  // The command lasts one turn: react() consumes it.
  void activate_out() { out_command = 1; }
  // There is no in command: the spring does it.
  void activate_in() {}
  // One turn of motion; 1 when the position changed by more than 0.001.
  int react();
  void unreact() { position = previous_position; }
  int in_stop() const;
  int out_stop() const;
  int is_out_activing() const { return out_command; }
  void partdraw();

 protected:
  // Moves the part by the last step (undone when the part is blocked), then
  // draws the jack and the part.
  void draw_linear(jack_orientation o);
  jack_geometry geometry() const;

  Fl_Window* window;
  unsigned int erase_color;
  int x;
  int y;
  int stroke;
  int body_thickness;
  int rod_length;
  int rod_thickness;
  double out_speed;     // pixels per commanded turn
  double return_speed;  // pixels per turn without the command
  double position;      // 0 (fully in) to stroke (fully out)
  double previous_position;
  int out_command;
  movepart* part;
};

// Rod extending to the right from the body's top-left corner; starts fully in.
class rsjack : public sjack {
 public:
  rsjack(Fl_Window* window, int x, int y, int stroke, int body_thickness, int rod_length,
         int rod_thickness, double out_speed, double return_speed, movepart* part)
      : sjack(window, x, y, stroke, body_thickness, rod_length, rod_thickness, out_speed,
              return_speed, part, 0.0) {}
  void draw() { draw_linear(jack_orientation::right); }
};

// Rod extending to the left from the body's top-right corner; starts fully in.
class lsjack : public sjack {
 public:
  lsjack(Fl_Window* window, int x, int y, int stroke, int body_thickness, int rod_length,
         int rod_thickness, double out_speed, double return_speed, movepart* part)
      : sjack(window, x, y, stroke, body_thickness, rod_length, rod_thickness, out_speed,
              return_speed, part, 0.0) {}
  void draw() { draw_linear(jack_orientation::left); }
};

// Rod extending downwards from the body's top-left corner.
class bsjack : public sjack {
 public:
  using sjack::sjack;
  void draw() { draw_linear(jack_orientation::down); }
  // Paints over the body and the rod with the erase colour.
  void undraw();
  // Moves the jack's anchor, erasing it at the old one, and draws it.
  void draw(int nx, int ny);
};

// Rod extending upwards from the body's bottom-left corner; starts fully in.
class tsjack : public sjack {
 public:
  tsjack(Fl_Window* window, int x, int y, int stroke, int body_thickness, int rod_length,
         int rod_thickness, double out_speed, double return_speed, movepart* part)
      : sjack(window, x, y, stroke, body_thickness, rod_length, rod_thickness, out_speed,
              return_speed, part, 0.0) {}
  void draw() { draw_linear(jack_orientation::up); }
};
