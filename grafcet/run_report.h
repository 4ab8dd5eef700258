// What a running chart tells its user besides its outputs: when it starts
// going round without settling and when it settles again. Each once, not at
// every turn it lasts; the program prints the lines.
#pragma once

#include <string>
#include <vector>

#include "grafcet/engine.h"

namespace grafcet {

class run_report {
 public:
  // The chart must outlive the report.
  explicit run_report(const chart& model);

  // The lines to print after a turn, without the program's name.
  std::vector<std::string> after(const evolution& e);

 private:
  const chart& model;
  int unstable_turns = 0;  // in a row, up to the last turn
};

}  // namespace grafcet
