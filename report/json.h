// The report as JSON, written and read through a JSON library: what
// corvan-run --json writes, what an explore worker hands back, and what
// corvan-report reads.
#pragma once

#include "report/model.h"

#include <stdexcept>
#include <string>

namespace report {

// A file that is not a report, or not one this version reads.
class read_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The JSON text of the report. Paths of the run's files are written
// relative to `folder` (where the JSON file goes), so that a folder of
// results can move as a whole. Pictures are left out unless asked for.
std::string json_text(const run_report& r, const std::string& folder, bool with_pictures);
// Paths in the text are taken relative to `folder`.
run_report parse_json(const std::string& text, const std::string& folder);

// "" when written, otherwise what went wrong.
std::string write_json_file(const std::string& path, const run_report& r, bool with_pictures);
run_report read_json_file(const std::string& path);

// The path as seen from `folder` ("" for the current one).
std::string path_from(const std::string& folder, const std::string& path);
// The folder a file is in, "" for the current one.
std::string folder_of(const std::string& file);

}  // namespace report
