// Conveyor belts: a travel phase that advances by the speed in each active
// turn and wraps around the length, and the list of parts lying on the belt,
// which move by the phase step when the belt is drawn.
#pragma once

#include <vector>

class Fl_Window;
class movepart;

class belt {
 public:
  belt(Fl_Window* window, int x, int y, int length, int height, double speed);

  // Parts are listed, not owned; the same part may be listed twice.
  void add_ppart(movepart* p);
  // Removes the first entry equal to p, if any.
  void supp_ppart(movepart* p);
  void supp_all_ppart();
  std::vector<movepart*>& part_list() { return parts; }

  // The command lasts one turn: react() consumes it.
  void activate() { active = 1; }
  void react();
  void unreact() { phase = previous_phase; }
  int is_activing() const { return active; }

 protected:
  Fl_Window* window;
  int x;
  int y;
  int length;    // pixels along x, and the period of the phase
  int height;    // pixels
  double speed;  // phase advance per active turn; negative runs backwards
  double phase;  // 0 to length
  // phase - previous_phase is the step travelled in the last turn, even
  // across a wrap-around.
  double previous_phase;
  int active;
  std::vector<movepart*> parts;
};

// A straight belt running along x; (x, y) is its top-left corner.
class hbelt : public belt {
 public:
  using belt::belt;
  // Draws the belt with its travel mark, then moves by the last step and
  // draws every listed part whose left edge lies over the belt.
  void draw();
  // The same, only after a turn in which the belt ran forwards.
  void redraw();
  double traveling() const { return phase; }

 private:
  void draw_with_mark(int mark_height);
};

// A turntable: the phase is an angle in degrees and the parts turn about
// (x, y), which is the top-left corner of the disc's box, not its centre.
class rbelt : public belt {
 public:
  // size is the disc's diameter in pixels; spare has no effect.
  rbelt(Fl_Window* window, int x, int y, int size, int spare, double speed);
  // The disc alone.
  void draw();
  // The disc, the parts carried round by the last step, the radius mark.
  void redraw();
  double radius() const { return phase; }
};
