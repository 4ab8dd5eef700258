// corvan-grafcet: a controller for the gluing line that runs a chart.
//   corvan corvan-grafcet [--no-window] [--trace FILE.vcd] chart.graf
// Mistakes in the chart or the command line end it with status 2 before it
// attaches to the exchange.
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "grafcet/chart_controller.h"
#include "grafcet/chart_trace.h"
#include "grafcet/chart_view.h"
#include "grafcet/options.h"
#include "grafcet/parser.h"
#include "iolink/IOsharemem_client.h"

namespace {

constexpr int usage_status = 2;

bool read_file(const std::string& path, std::string& text) {
  std::ifstream in(path);
  if (!in) return false;
  std::stringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

bool display_available() {
  if (grafcet::chart_window::display_reachable()) return true;
  std::cerr << "corvan-grafcet: no display, running without the chart window" << std::endl;
  return false;
}

std::string file_name(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The trace to its last turn, or the reason it could not be written.
bool trace_written(grafcet::chart_trace* trace) {
  if (!trace) return true;
  trace->flush();
  if (trace->error().empty()) return true;
  std::cerr << "corvan-grafcet: " << trace->error() << std::endl;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  grafcet::options o = grafcet::parse_options(argc, argv);
  if (o.asked != cli::request::none) {
    std::cout << grafcet::option_table().answer(o.asked);
    return 0;
  }
  if (!o.error.empty()) {
    std::cerr << "corvan-grafcet: " << o.error << "\n" << grafcet::option_table().usage() << std::flush;
    return usage_status;
  }
  std::string text;
  if (!read_file(o.chart_path, text)) {
    std::cerr << "corvan-grafcet: cannot read " << o.chart_path << std::endl;
    return usage_status;
  }
  grafcet::parse_result parsed = grafcet::parse_chart(text);
  for (const auto& w : parsed.warnings) std::cerr << grafcet::format_diagnostic(o.chart_path, w) << "\n";
  for (const auto& e : parsed.errors) std::cerr << grafcet::format_diagnostic(o.chart_path, e) << "\n";
  if (!parsed.errors.empty()) return usage_status;

  std::unique_ptr<grafcet::chart_trace> trace;
  try {
    if (!o.trace_path.empty()) trace = std::make_unique<grafcet::chart_trace>(parsed.model, o.trace_path);
  } catch (const std::runtime_error& e) {
    std::cerr << "corvan-grafcet: " << e.what() << std::endl;
    return usage_status;
  }

  IOsharemem_client link(o.memory_ident);
  grafcet::chart_clock clock(grafcet::chart_clock::lockstep_from_environment());
  bool window = o.window && display_available();
  grafcet::snapshot_box box(parsed.model);
  grafcet::chart_controller controller(parsed.model, clock, trace.get(), window ? &box : nullptr);
  if (window) {
    // The exchange runs on its own thread so that drawing never delays a
    // turn; closing the window leaves the controller running until the run
    // ends.
    std::thread exchange([&] { controller.run(link); });
    grafcet::chart_window(parsed.model, box, "grafcet " + file_name(o.chart_path)).run();
    exchange.join();
  } else {
    controller.run(link);
  }
  return trace_written(trace.get()) ? 0 : usage_status;
}
