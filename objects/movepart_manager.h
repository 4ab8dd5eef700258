// The registry of every moving part: answers whether a part overlaps another
// and whether a window point is covered, draws all parts, lets them fall.
// It refers to the parts without owning them; each part leaves it when destroyed.
#pragma once

class movepart;

class movepart_manager {
 public:
  movepart_manager();

  // Appends the part; ends the process when 100 are registered already.
  void addpart(movepart* part);
  // Removes every entry of the part, keeping the order of the others.
  void suppart(movepart* part);
  // 1 when the part, where it stands, overlaps another registered part.
  // Ends the process when the part is not registered here.
  int collision(movepart* part);
  // 1 when the point lies on some element, every bound included.
  int busy_position(int x, int y);
  // Draws a black cross on the point into the current window, then busy_position.
  int busy_position_debug(int x, int y);
  void draw();
  // 1 while one more part can register.
  int has_room() const { return part_count < capacity; }
  // Every part that is not carried falls one pixel, in registration order.
  void parts_fall();

 private:
  static constexpr int capacity = 100;

  static bool overlap(const movepart& a, const movepart& b);

  int part_count;
  movepart* parts[capacity];
};
