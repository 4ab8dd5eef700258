// The changes of a run's signals, recorded turn by turn: a turn in which
// nothing changes only compares values, and allocates nothing.
#pragma once

#include "report/model.h"

#include <string>
#include <vector>

namespace report {

class change_recorder {
 public:
  explicit change_recorder(std::vector<std::string> names);

  // The values and the held flags of every signal in this turn, in the
  // order of the names; turns come in increasing order.
  void record(int turn, const int32_t* values, const bool* held);

  // Every signal's lane so far.
  const std::vector<signal_lane>& lanes() const { return recorded; }

 private:
  std::vector<signal_lane> recorded;
  bool first = true;
};

}  // namespace report
