// corvan-monitor: started by the simulator as its controller, it stands
// between the simulator and the user's controller (or the window's manual
// values), forcing signals, planting faults and recording the run.
#include <FL/Fl.H>
#include <signal.h>

#include <atomic>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <thread>

#include "forms/display.h"
#include "iolink/IOsharemem_client.h"
#include "monitor/inner_controller.h"
#ifdef CORVAN_HAVE_MODBUS
#include "monitor/modbus_side.h"
#endif
#include "monitor/monitor_window.h"
#include "monitor/options.h"
#include "monitor/proxy.h"
#include "trace/signal_trace.h"
#include "process/controller_process.h"
#include "trace/trace_writer.h"

namespace {

constexpr int usage_status = 2;

// Set by SIGTERM or SIGINT: the exchange ends as if the simulator had ended,
// so that the trace is complete and the inner controller is looked after.
std::atomic<bool> stop_request{false};

void request_stop(int) { stop_request = true; }

void stop_on_signals() {
  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

int refuse(const std::string& why) {
  std::cerr << "corvan-monitor: " << why << std::endl;
  return usage_status;
}

signal_overrides overrides_from(const monitor_options& o) {
  signal_overrides overrides;
  for (const auto& [row, value] : o.forces) overrides.force(row, value);
  for (const auto& fault : o.faults) overrides.add_fault(fault);
  return overrides;
}

std::string trace_text(const monitor_options& o) {
  std::string text = o.vcd_path;
  if (!o.csv_path.empty()) text += (text.empty() ? "" : ", ") + o.csv_path;
  return text.empty() ? "none" : text;
}

// Null with the reason in why when the server cannot listen.
std::unique_ptr<inner_side> listen_modbus(const monitor_options& o, std::string& why) {
#ifdef CORVAN_HAVE_MODBUS
  try {
    return std::make_unique<modbus_side>(o.modbus_host, o.modbus_port, o.modbus_timeout_s,
                                         client_limits{o.modbus_clients, o.modbus_idle_s});
  } catch (const std::runtime_error& e) {
    why = e.what();
  }
#else
  (void)o;
  why = "'--modbus' is not built yet";
#endif
  return nullptr;
}

// The exchange in a thread of its own; the window in the main thread until
// the exchange ends (a closed window leaves the exchange running).
void run_with_window(monitor_proxy& proxy, inner_side& inner, manual_side* manual,
                     const std::string& inner_text, const monitor_options& o) {
  std::atomic<bool> done{false};
  std::thread exchange([&] {
    proxy.run(stop_request);
    done = true;
    Fl::awake();
  });
  {
    monitor_window window(proxy, inner, manual, inner_text, trace_text(o));
    window.show();
    while (!done && window.shown()) Fl::wait(0.1);
  }
  // Nothing reads the display from here on: what destroyed the window must
  // reach the server now, or the window stays on the screen, frozen.
  Fl::flush();
  exchange.join();
}

}  // namespace

int main(int argc, char** argv) {
  const auto& table = monitor_option_table();
  if (auto asked = cli::first_argument_request(argc, argv); asked != cli::request::none) {
    std::cout << table.answer(asked);
    return 0;
  }
  monitor_options o;
  std::string error;
  if (!parse_monitor_options(argc, argv, o, error)) return refuse(error);
  if (o.asked != cli::request::none) {
    std::cout << table.answer(o.asked);
    return 0;
  }
  std::unique_ptr<inner_side> inner;
  manual_side* manual = nullptr;
  std::string inner_text;
  if (o.inner == inner_kind::modbus) {
    // Listening first: a port in use is refused before anything is made.
    std::string why;
    inner = listen_modbus(o, why);
    if (!inner) return refuse(why);
    inner_text = "Modbus TCP server on " + o.modbus_host + ":" + std::to_string(o.modbus_port);
  }

  std::unique_ptr<trace_writer> writer;
  std::unique_ptr<signal_trace> trace;
  if (!o.vcd_path.empty() || !o.csv_path.empty()) {
    try {
      writer = std::make_unique<trace_writer>(o.vcd_path, o.csv_path);
    } catch (const std::runtime_error& e) {
      return refuse(e.what());
    }
    trace = std::make_unique<signal_trace>(*writer);
  }
  if (o.window && !open_display_patiently()) return refuse("cannot open the display");

  IOsharemem_client outer(o.memory_ident);
  if (o.inner == inner_kind::manual) {
    inner = std::make_unique<manual_side>();
    manual = static_cast<manual_side*>(inner.get());
    inner_text = "manual: the switches set the outputs";
  } else if (o.inner == inner_kind::controller) {
    const std::string command = controller_command(o.controller_end, argv, o.controller_first);
    inner = std::make_unique<inner_controller>(command);
    inner_text = "controller: " + command;
  }

  stop_on_signals();
  monitor_proxy proxy(outer, *inner, overrides_from(o), trace.get());
  if (o.window) {
    run_with_window(proxy, *inner, manual, inner_text, o);
  } else {
    proxy.run(stop_request);
  }
  if (writer) writer->flush();
  inner->finish();
  std::cerr << "corvan-monitor: " << proxy.turns_seen() << " turns seen, "
            << proxy.turns_missed() << " missed" << std::endl;
  if (writer && !writer->error().empty()) return refuse(writer->error());
  return 0;
}
