// Small drawn devices of process-type installations: tank, valve, mixer,
// heating resistor and trapdoor. Their owner sets the public state fields
// between turns, calls react() where the device evolves by itself, then draw().
// Only cuve::draw() makes its window current; the others draw into whatever
// window is current.
#pragma once

#include <FL/Enumerations.H>

class Fl_Window;

// A tank whose liquid level follows the difference of its flows.
class cuve {
 public:
  // spare1 and spare2 have no effect; level is in pixels.
  cuve(Fl_Window* window, int x, int y, int width, int height, int spare1, int spare2, int level,
       double section, int closed);

  // Updates the level; 1 when the flows differ by more than 0.001.
  int react();
  void draw();

  Fl_Window* window;  // not owned
  Fl_Color background_color = FL_BACKGROUND_COLOR;  // empty part of the tank
  Fl_Color liquid_color = FL_BLUE;
  int x;  // left side, pixels
  int y;  // bottom, pixels
  int width, height;  // pixels
  double level;       // liquid height, pixels, 0 .. height - 1
  double section;     // divides the flow difference into a level change; 0 freezes the level
  double outflow = 0.0;  // per turn, in level pixels times section
  double inflow = 0.0;   // per turn, in level pixels times section
  int closed;            // non-zero: drawn with a lid
};

// A valve on a pipe; shows the gate along the pipe when open, across it when closed.
class vanne {
 public:
  vanne(Fl_Window* window, int x, int y, int span, int gap, int size, int open, int horizontal);

  void draw();

  Fl_Window* window;  // not owned
  Fl_Color background_color = FL_BACKGROUND_COLOR;
  Fl_Color foreground_color = FL_BLACK;
  int x, y;   // centre, pixels
  int span;   // pipe length, pixels
  int gap;    // distance between the pipe walls, pixels
  int size;   // gate and circle size, pixels
  int open;   // the state to show
  int drawn_state;  // the state last drawn; starts opposite to open so the first draw erases
  int horizontal;   // non-zero: horizontal pipe
};

// A mixer whose cross turns by its angular speed at every react().
class melangeur {
 public:
  melangeur(Fl_Window* window, int x, int y, int size);

  void react();
  // The cross at angle a (radians) in the current colour.
  void cr_draw(double a);
  void draw();

  Fl_Window* window;  // not owned
  Fl_Color background_color = FL_BACKGROUND_COLOR;
  Fl_Color foreground_color = FL_BLACK;
  int x, y;  // centre, pixels
  int size;  // diameter, pixels
  double angle = 40.0;          // radians
  double previous_angle = 0.0;  // radians
  double angular_speed = 0.0;   // radians per react()
};

// A heating resistor symbol, red while heating.
class resistor {
 public:
  resistor(Fl_Window* window, int x, int y, int width, int height);

  void draw();

  Fl_Window* window;  // not owned
  Fl_Color foreground_color = FL_BLACK;
  int x, y;           // centre of the right-hand half-circle, pixels
  int width, height;  // pixels
  int heating = 0;
};

// A flap turning about a hinge: a straight line when closed, at an angle when open.
class trappe {
 public:
  trappe(Fl_Window* window, int x, int y, int length, double angle, int open, int horizontal);

  void draw();

  Fl_Window* window;  // not owned
  Fl_Color background_color = FL_BACKGROUND_COLOR;
  Fl_Color foreground_color = FL_BLACK;
  int x, y;      // hinge, pixels
  int length;    // pixels
  double angle;  // opening angle, radians
  int open;
  int drawn_state;  // the state last drawn; starts opposite to open so the first draw erases
  int horizontal;   // non-zero: closed along the horizontal

 private:
  // The flap's line for the given state, in the current colour.
  void line(int opened) const;
};
