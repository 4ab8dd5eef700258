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

// The actions of a step, one a line, in a box on the step's right.
struct action_box {
  point corner{0, 0};
  int width = 0, height = 0;  // 0 for a step without actions
  std::vector<std::string> lines;
};

struct chart_layout {
  static constexpr int step_size = 36;        // side of a step's square
  static constexpr int row_height = 100;      // from one rank's steps to the next, at least
  static constexpr int bar_offset = 64;       // from a step's top to the bar below it, at least
  static constexpr int bar_half_width = 12;
  static constexpr int split_gap = 16;        // from a bar to the lines around it
  static constexpr int lane_gap = 8;          // between return links on the left
  static constexpr int action_line = 16;      // height of one line of actions

  std::vector<point> steps;        // top-left corner, by step index
  std::vector<point> bars;         // centre of each transition's bar
  std::vector<action_box> actions; // by step index
  std::vector<std::vector<point>> links;  // polylines, drawn as they come
  std::vector<point> up_arrows;           // heads of return links going up
  std::vector<double_line> parallels;
  std::vector<caption> titles;              // grafcet names
  int width = 0, height = 0;
};

// Partial grafcets go left to right, on a new band below once the next one
// would end past max_width.
chart_layout lay_out(const chart& model, int char_width = 7, int max_width = 1400);

}  // namespace grafcet
