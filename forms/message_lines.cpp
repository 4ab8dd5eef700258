#include "forms/message_lines.h"

// Widths saturate here so that the print geometry (five points per
// character over fifteen columns) stays far inside an int.
static constexpr int max_width = 100000;

int typeligne(const std::string& line) {
  if (line.size() < 2 || line[0] != '#') return 0;
  switch (line[1]) {
    case 'C': return 1;
    case 'P': return 2;
    case 'T': return 3;
    default: return 0;
  }
}

bool visible_line(const std::string& line) {
  int type = typeligne(line);
  return type == 0 || type == 3;
}

void read_columns(const std::string& line, int widths[max_columns],
                  char flags[max_columns]) {
  for (int k = 0; k < max_columns; ++k) {
    widths[k] = 0;
    flags[k] = 0;
  }
  int stored = 0;
  int number = 0;
  for (char c : line) {
    if (c >= '0' && c <= '9') {
      number = number * 10 + (c - '0');
      if (number > max_width) number = max_width;
    } else if (c == ' ') {
      if (number != 0 && stored < max_columns) widths[stored++] = number;
      number = 0;
    } else if (c == 'T' && stored < max_columns) {
      flags[stored] = 1;
    }
  }
}

std::vector<int> page_starts(const std::string* lines, int n) {
  std::vector<int> starts{0};
  int visible = 0;
  for (int i = 0; i < n; ++i) {
    if (visible_line(lines[i])) ++visible;
    if (visible >= lines_per_page && i + 1 < n) {
      starts.push_back(i + 1);
      visible = 0;
    }
  }
  return starts;
}
