// The class summary: one row per controller's run, one column per
// statement, each cell leading to that run's report; totals per statement
// and per controller; sortable by any column.
#pragma once

#include "report/model.h"

#include <ostream>
#include <string>
#include <vector>

namespace report {

struct summary_entry {
  std::string json_file;
  run_report run;     // as read from the file
  std::string error;  // why the file could not be read, "" when it was
};

// Links are written relative to `folder`, where the page goes.
void write_summary(std::ostream& out, const std::vector<summary_entry>& entries, const std::string& folder);

}  // namespace report
