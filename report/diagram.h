// The timing diagram of a run as inline SVG: one lane per signal drawn from
// its list of changes, a lane of the simulator's messages, a lane of the
// operator's actions, faults shaded, forced values marked, a red marker at
// each failure. Its x axis is in turns; a script zooms and pans it.
#pragma once

#include "report/model.h"

#include <ostream>
#include <string>

namespace report {

// The marker of the statement's failure in the diagram `id`.
std::string marker_id(const std::string& id, size_t statement);
// The marker for the run's own failure.
std::string run_marker_id(const std::string& id);

// The diagram with this id; the statements give its markers.
void write_diagram(std::ostream& out, const run_report& r, const std::string& id);

// Zoom (wheel), pan (drag), the whole run (double click), the axis; and
// the statements' rows that bring their marker into view when clicked.
extern const char* const diagram_script;
extern const char* const diagram_style;

}  // namespace report
