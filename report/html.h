// A run's report as one self-contained page: the verdict, the statements
// with their counter-examples, the timing diagram with the failures marked
// on it, the window's pictures, and for an exploration the shrunk scenario
// with its own run. Nothing outside the file is needed to show it.
#pragma once

#include "report/model.h"

#include <ostream>
#include <string>

namespace report {

// Links to the run's other files are written relative to `folder`, where
// the page goes.
void write_html(std::ostream& out, const run_report& r, const std::string& folder);

// "" when written, otherwise what went wrong.
std::string write_html_file(const std::string& path, const run_report& r);

}  // namespace report
