// The command line of corvan-grafcet, as the simulator completes it:
//   corvan-grafcet [--no-window] [--trace FILE.vcd] chart.graf -automemlink ID
#pragma once

#include <string>

#include "cli/option_table.h"

namespace grafcet {

struct options {
  bool window = true;
  std::string trace_path;  // "" for no trace
  std::string chart_path;
  int memory_ident = 0;    // 0 when -automemlink is missing
  cli::request asked = cli::request::none;  // --help or --version
  std::string error;       // "" when the command line is usable
};

options parse_options(int argc, const char* const* argv);

// The options the parser knows, from which --help and the usage are printed.
const cli::option_table<options>& option_table();

}  // namespace grafcet
