// Where each element of a chart goes on the drawing, in pixels: steps by
// rank from the initial steps (one row per rank), branches side by side,
// partial grafcets next to each other. Pure, so that it is testable
// without a display; text widths are estimated from a fixed character width.
#pragma once

#include <string>
#include <vector>

#include "grafcet/chart.h"

namespace grafcet {

struct point {
  int x, y;
  bool operator==(const point& o) const { return x == o.x && y == o.y; }
};

// Horizontal double line of a parallel start or a synchronisation.
struct double_line {
  int x1, x2, y;
};

struct caption {
  int x, y;  // baseline start
  std::string text;
};

struct chart_layout {
  static constexpr int step_size = 36;        // side of a step's square
  static constexpr int row_height = 100;      // from one rank's steps to the next
  static constexpr int bar_offset = 64;       // from a step's top to the bar below it
  static constexpr int bar_half_width = 12;
  static constexpr int split_gap = 16;        // from a bar to the lines around it
  static constexpr int lane_gap = 8;          // between return links on the left
  static constexpr int action_height = 22;

  std::vector<point> steps;        // top-left corner, by step index
  std::vector<point> bars;         // centre of each transition's bar
  std::vector<point> action_boxes; // top-left of each step's action box (steps with actions)
  std::vector<int> action_widths;  // 0 for a step without actions
  std::vector<std::string> action_texts;
  std::vector<std::vector<point>> links;  // polylines, drawn as they come
  std::vector<point> up_arrows;           // heads of return links going up
  std::vector<double_line> parallels;
  std::vector<caption> titles;              // grafcet names
  int width = 0, height = 0;
};

chart_layout lay_out(const chart& model, int char_width = 7);

}  // namespace grafcet
