// A wagon running left and right on a track between two limits, carrying one
// moving part and a load flag. Its direction is a state: right(), left() and
// stop() set a speed that every react() applies until the next such call.
#pragma once

class Fl_Window;
class movepart;

class wagon {
 public:
  // x, y: centre abscissa and reference ordinate; width, height in pixels;
  // speed_ref in pixels per react(); the limits bound the wagon's edges.
  // Starts stopped (speed 0) and unloaded. Window and part are not owned.
  wagon(Fl_Window* window, int x, int y, int width, int height, double speed_ref,
        int left_limit, int right_limit, movepart* part, unsigned int background);

  void right() { speed = speed_ref; }
  void left() { speed = -speed_ref; }
  void stop() { speed = 0.0; }
  // One turn of motion, held at the limits; 1 when x changed.
  int react();
  void unreact() { x = previous_x; }

  void load() { loaded = 1; }
  void unload() { loaded = 0; }
  int is_loaded() const { return loaded; }

  // A moving wagon takes the new speed at once; a stopped one stays stopped.
  void change_speed_ref(double v);
  // 1 when the wagon's edge lies exactly on the limit.
  int left_stop() const;
  int right_stop() const;

  double xpos() const { return x; }

 protected:
  Fl_Window* window;
  unsigned int background_color;  // erases what the wagon leaves
  double x;                       // centre, pixels
  double y;                       // reference ordinate, pixels
  double previous_x;              // x before the last react()
  double left_limit;              // leftmost place of the left edge, pixels
  double right_limit;             // rightmost place of the right edge, pixels
  int width;                      // pixels
  int height;                     // wheel and clearance size, pixels
  double speed = 0.0;             // pixels per react(), positive to the right
  double speed_ref;               // magnitude taken by right() and left()
  movepart* part;                 // never null once drawn
  int loaded = 0;
};

// A wagon drawn as a wheeled carriage whose body shows whether it is loaded.
class cookwagon : public wagon {
 public:
  using wagon::wagon;

  // Moves the carried part by half the wagon's step, then draws the wagon.
  void draw();

 private:
  void draw_wheels(double at, unsigned int colour) const;
};
