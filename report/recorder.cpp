#include "report/recorder.h"

namespace report {

change_recorder::change_recorder(std::vector<std::string> names) {
  recorded.resize(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    recorded[i].name = std::move(names[i]);
    // Most signals change a few times a second at most; a run of a minute
    // then never reallocates.
    recorded[i].changes.reserve(64);
  }
}

void change_recorder::record(int turn, const int32_t* values, const bool* held) {
  for (size_t i = 0; i < recorded.size(); ++i) {
    signal_lane& lane = recorded[i];
    if (first || lane.changes.back().value != values[i]) lane.changes.push_back({turn, values[i]});
    const int32_t forced = held[i] ? 1 : 0;
    const bool was_forced = !lane.forced.empty() && lane.forced.back().value == 1;
    if (forced != was_forced) lane.forced.push_back({turn, forced});
  }
  first = false;
}

}  // namespace report
