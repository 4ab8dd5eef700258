// Double-acting jack: a rod pushed out by one command and pulled in by the
// other, one step per turn, carrying the part fixed to its end. A blocked
// part stops the rod for that turn.
#pragma once

#include "objects/jack_drawing.h"

class Fl_Window;
class movepart;

class djack {
 public:
  // part must not be null; the erase colour is its background colour.
  // Nothing is owned.
  djack(Fl_Window* window, int x, int y, int stroke, int body_thickness, int rod_length,
        int rod_thickness, double out_speed, double in_speed, movepart* part,
        double initial_position);

  // Commands last one turn: react() consumes them.
  void activate_out() { out_command = 1; }
  void activate_in() { in_command = 1; }
  // One turn of motion; 1 when the position changed by more than 0.001.
  int react();
  // Back to the position before the last react().
  void unreact() { position = previous_position; }
  int in_stop() const;
  int out_stop() const;
  int is_out_activing() const { return out_command; }
  int is_in_activing() const { return in_command; }
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
  double out_speed;  // pixels per commanded turn
  double in_speed;
  double position;  // 0 (fully in) to stroke (fully out)
  double previous_position;
  int out_command;
  int in_command;
  movepart* part;
};

// Rod extending to the right; the anchor is the body's top-left corner.
class rdjack : public djack {
 public:
  using djack::djack;
  void draw() { draw_linear(jack_orientation::right); }
};

// Rod extending to the left; the anchor is the body's top-right corner.
class ldjack : public djack {
 public:
  using djack::djack;
  void draw() { draw_linear(jack_orientation::left); }
};

// Rod extending downwards; the anchor is the body's top-left corner.
class bdjack : public djack {
 public:
  using djack::djack;
  void draw() { draw_linear(jack_orientation::down); }
  // Paints over the body and the rod with the erase colour.
  void undraw();
  // Moves the jack's anchor, erasing it at the old one, and draws it.
  void draw(int nx, int ny);
};

// Rod extending upwards; the anchor is the body's bottom-left corner.
class tdjack : public djack {
 public:
  using djack::djack;
  void draw() { draw_linear(jack_orientation::up); }
};

// A swinging arm: the position is an angle in degrees, 0 to 360, growing
// clockwise on the screen from the +x direction; the part hangs at the arm's
// end by its top-left corner. The hub is a disc whose box has its corner on
// the pivot (x, y).
class hrdjack : public djack {
 public:
  // spare has no effect.
  hrdjack(Fl_Window* window, int x, int y, int hub_size, int spare, int arm_length,
          double out_speed, double in_speed, movepart* part, double initial_angle);
  void draw();

 private:
  // The arm's end for an angle, each coordinate truncated before it is added.
  int arm_end_x(double angle) const;
  int arm_end_y(double angle) const;

  int hub_size;
  int arm_length;
};
