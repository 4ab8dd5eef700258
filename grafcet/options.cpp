#include "grafcet/options.h"

#include <cstdlib>

namespace grafcet {

const char* const usage = "usage: corvan-grafcet [--no-window] [--trace FILE.vcd] chart.graf";

options parse_options(int argc, const char* const* argv) {
  options o;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool has_value = i + 1 < argc;
    if (arg == "--no-window") {
      o.window = false;
    } else if (arg == "--trace" && has_value) {
      o.trace_path = argv[++i];
    } else if (arg == "-automemlink" && has_value) {
      o.memory_ident = std::atoi(argv[++i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      o.error = "unknown or incomplete option '" + arg + "'";
      return o;
    } else if (o.chart_path.empty()) {
      o.chart_path = arg;
    } else {
      o.error = "one chart only, found '" + o.chart_path + "' and '" + arg + "'";
      return o;
    }
  }
  if (o.chart_path.empty() && o.error.empty()) o.error = "no chart file given";
  return o;
}

}  // namespace grafcet
