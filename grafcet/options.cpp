#include "grafcet/options.h"

#include <cstdlib>

namespace grafcet {

options parse_options(int argc, const char* const* argv) {
  options o;
  for (int i = 1; i < argc && o.asked == cli::request::none; ++i) {
    std::string arg = argv[i];
    const auto* row = option_table().find(arg);
    const bool takes_value = row && cli::takes_value(row->text);
    if (row && (!takes_value || i + 1 < argc)) {
      row->apply(o, takes_value ? argv[++i] : "");
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
  if (o.chart_path.empty() && o.error.empty() && o.asked == cli::request::none)
    o.error = "no chart file given";
  return o;
}

const cli::option_table<options>& option_table() {
  using v = const std::string&;
  static const cli::option_table<options> table{
      {"corvan-grafcet",
       {"[OPTION]... CHART -automemlink ID"},
       "Drive the gluing line with a GRAFCET chart, drawn live as it evolves."},
      {
          {{"--no-window", "", "no chart window (also what happens without a display)"},
           [](options& o, v) { o.window = false; }},
          {{"--trace", "FILE.vcd", "the steps, inputs and outputs at every change, as a VCD"},
           [](options& o, v path) { o.trace_path = path; }},
          {{"-automemlink", "ID", "the exchange area; corvan adds it to the command"},
           [](options& o, v ident) { o.memory_ident = std::atoi(ident.c_str()); }},
          {cli::help_option(), [](options& o, v) { o.asked = cli::request::help; }},
          {cli::version_option(), [](options& o, v) { o.asked = cli::request::version; }},
      }};
  return table;
}

}  // namespace grafcet
