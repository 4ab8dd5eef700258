// A moving part: a shape of axis-aligned filled rectangles (its elements),
// placed by a real displacement, drawn straight into its window, which
// refuses any move after which it would overlap another registered part.
// A part may carry one other part, which then moves, draws and dies with it.
#pragma once

#include <ostream>
#include <vector>

class Fl_Window;
class movepart_manager;

class movepart {
 public:
  // Registered with the manager at once; ends the process when it is full.
  movepart(movepart_manager& manager, Fl_Window* window, unsigned int background_color);
  // Blank and unregistered: unusable until define().
  movepart();
  // A copy has the same window, colour, offsets, registry and elements, but
  // is not registered (moving it ends the process), carries nothing and is
  // carried by nothing: each carried part keeps exactly one owner.
  movepart(const movepart& other);
  // Takes the window, colour, offsets and elements of the other part; the
  // assigned part keeps its own registration, carrier and carried part.
  movepart& operator=(const movepart& other);
  // Leaves the registry, erases itself, destroys the part it carries.
  ~movepart();

  // Offsets back to 0 and registration; elements and carrying are kept.
  void define(movepart_manager& manager, Fl_Window* window, unsigned int background_color);
  // Appends one element in window coordinates; draws and tests nothing.
  void add(double x, double y, int w, int h, unsigned int colour);

  // Carries part (never null); a part carried before is not released.
  void link(movepart* part);
  void unlink();

  void draw();
  void undraw();
  // 0 moved, 1 refused (nothing moved, the carried part included).
  int moveredraw(double dx, double dy);
  // Puts the shape's top-left corner at (x, y); the carried part stays.
  int absmoveredraw(double x, double y);
  // One pixel down unless carried; 1 when carried or blocked.
  int fall();

  unsigned int my_background_color() const { return background_color; }
  int is_linked() const { return held; }
  movepart* part_have_link() const { return carried; }

  // Bounding box edges; right and bottom are exclusive.
  double actual_precision_first_xpos() const;
  double actual_precision_first_ypos() const;
  double actual_precision_last_xpos() const;
  double actual_precision_last_ypos() const;
  // The same, truncated towards zero.
  int actual_first_xpos() const;
  int actual_first_ypos() const;
  int actual_last_xpos() const;
  int actual_last_ypos() const;

 private:
  friend class movepart_manager;
  friend int vertical_part_dist(movepart& a, movepart& b);
  friend std::ostream& operator<<(std::ostream& out, movepart& part);

  using to_pixel = int (*)(double);
  // Fills element i at its current place, converting with convert.
  void fill_element(size_t i, to_pixel convert, unsigned int colour);
  // Every element in its own colour, or in the background colour.
  void fill_elements(to_pixel convert, bool erase);
  void repaint_after_move(double ox, double oy, double dx, double dy);
  void erase_last_step_leftovers();
  double smallest_x() const;
  double smallest_y() const;

  Fl_Window* window;
  unsigned int background_color;
  double xoffset;
  double yoffset;
  // The offsets before the last relative step, whose place the step may not
  // have erased whole.
  double step_from_x;
  double step_from_y;
  movepart_manager* manager;
  std::vector<double> xlist;
  std::vector<double> ylist;
  std::vector<int> wlist;
  std::vector<int> hlist;
  std::vector<int> colorlist;
  movepart* carried;
  int held;
};

// Vertical gap between the two shapes, 0 when their vertical extents overlap.
int vertical_part_dist(movepart& a, movepart& b);
// Offsets, then the five element lists.
std::ostream& operator<<(std::ostream& out, movepart& part);
