// corvan-report: the class summary of many runs' JSON files.
//   corvan-report OUT.html RESULT.json...
// Exit status 0 when written, 2 for a usage mistake, a file that cannot be
// read (its row says so, the page is still written) or a page that cannot
// be written.
#pragma once

#include "cli/option_table.h"

#include <string>
#include <vector>

struct report_options {
  std::string page;                  // OUT.html
  std::vector<std::string> results;  // RESULT.json...
  cli::request asked = cli::request::none;
};

const cli::option_table<report_options>& report_option_table();

int corvan_report_main(int argc, char** argv);
