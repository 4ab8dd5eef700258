// What a running chart tells its user besides its outputs: when it starts
// going round without settling and when it settles again, and the
// conflicting orders it meets (forcing, stored values). Each once, not at every turn it lasts; the
// program prints the lines.
#pragma once

#include <set>
#include <string>
#include <utility>
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
  void unstable(const evolution& e, std::vector<std::string>& lines);
  void forcing(const forcing_conflict& c, std::vector<std::string>& lines);
  void stored(const stored_conflict& c, std::vector<std::string>& lines);
  std::string step_name(int action) const;
  std::string forced_situation(int action) const;

  const chart& model;
  int unstable_turns = 0;  // in a row, up to the last turn
  std::set<std::pair<int, int>> forcing_told;  // (overridden, applied)
  std::set<std::pair<int, int>> stored_told;   // (set, reset)
};

}  // namespace grafcet
