#include "monitor/options.h"

#include "trace/output_files.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#ifdef CORVAN_HAVE_MODBUS
#include "modbus/modbus_endpoint.h"
#endif

namespace {

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// A finite, non-negative number of seconds making up the whole text.
bool parse_seconds(const std::string& text, double& seconds) {
  if (text.empty()) return false;
  char* end = nullptr;
  seconds = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(seconds) && seconds >= 0 && text[0] != '+' &&
         text[0] != ' ';
}

// Seconds as whole microseconds; beyond a billion seconds is a mistake.
bool parse_micros(const std::string& text, int64_t& micros) {
  double seconds;
  if (!parse_seconds(text, seconds) || seconds > 1e9) return false;
  micros = std::llround(seconds * 1e6);
  return true;
}

// Each Modbus client is served by a thread of its own.
constexpr int max_modbus_clients = 1024;

// A whole number from 1 to most, digits only.
bool parse_count(const std::string& text, int most, int& count) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const int value = std::stoi(text);
  if (value < 1 || value > most) return false;
  count = value;
  return true;
}

bool parse_ident(const std::string& text, int& ident) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value <= 0 || value > 0x7fffffff) return false;
  ident = static_cast<int>(value);
  return true;
}

#ifndef CORVAN_HAVE_MODBUS
bool parse_port(const std::string& text, int& port) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 1 || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
}
#endif

[[noreturn]] void refuse(const std::string& why) { throw std::invalid_argument(why); }

// "bad OPTION 'TEXT': reason" for a value its parser refused; an empty value
// gets the reason alone.
[[noreturn]] void refuse_value(const std::string& option, const std::string& text,
                               const std::string& reason) {
  refuse(text.empty() ? reason : "bad " + option + " " + quoted(text) + ": " + reason);
}

void parse_modbus_address(monitor_options& o, const std::string& address) {
#ifdef CORVAN_HAVE_MODBUS
  std::string why;
  if (!modbus_endpoint::parse_address(address, o.modbus_host, o.modbus_port, why))
    refuse_value("--modbus", address, why);
#else
  std::string port = address;
  auto colon = address.rfind(':');
  if (colon != std::string::npos) {
    o.modbus_host = address.substr(0, colon);
    port = address.substr(colon + 1);
  }
  if (o.modbus_host.empty() || !parse_port(port, o.modbus_port))
    refuse_value("--modbus", address, "expected [HOST:]PORT with PORT in 1-65535");
#endif
}

// Walks the options before "--" and before the trailing "-automemlink <id>".
class option_reader {
 public:
  option_reader(int end, const char* const* argv, monitor_options& o, std::string& error)
      : end(end), argv(argv), o(o), error(error) {}

  bool read_all() {
    monitor_option_walk walk;
    walk.options = o;
    for (i = 1; i < end; ++i) {
      const std::string a = argv[i];
      if (a == "--") {
        walk.options.controller_first = i + 1;
        walk.options.controller_end = end;
        break;
      }
      const auto* row = monitor_option_table().find(a);
      if (!row) {
        error = "unknown option " + quoted(a);
        return false;
      }
      std::string value;
      if (cli::takes_value(row->text) && !value_of(a, value)) return false;
      try {
        row->apply(walk, value);
      } catch (const std::invalid_argument& e) {
        error = e.what();
        return false;
      }
    }
    o = walk.options;
    return o.asked != cli::request::none || (distinct_files() && choose_inner(walk.manual, walk.modbus));
  }

 private:
  bool distinct_files() {
    error = shared_output({{"--trace", o.vcd_path}, {"--csv", o.csv_path}});
    return error.empty();
  }

  // The word after option a; false with the error when there is none.
  bool value_of(const std::string& a, std::string& value) {
    if (i + 1 >= end || std::string(argv[i + 1]) == "--") {
      error = quoted(a) + " needs a value";
      return false;
    }
    value = argv[++i];
    return true;
  }

  bool choose_inner(bool manual, bool modbus) {
    const bool controller = o.controller_first != 0;
    if (int(manual) + int(modbus) + int(controller) > 1) {
      error = "choose one of '--manual', '--modbus' and '-- controller'";
      return false;
    }
    if (controller && o.controller_first == o.controller_end) {
      error = "nothing after '--': give the controller to start";
      return false;
    }
    if (!manual && !modbus && !controller) {
      error = "no controller: give '-- controller [its arguments]', '--manual' or '--modbus'";
      return false;
    }
    o.inner = manual ? inner_kind::manual : modbus ? inner_kind::modbus : inner_kind::controller;
    return true;
  }

  int i = 1;
  const int end;
  const char* const* argv;
  monitor_options& o;
  std::string& error;
};

}  // namespace

bool parse_assignment(const std::string& text, int& row, int& value, std::string& error) {
  auto eq = text.find('=');
  if (eq == std::string::npos) {
    error = "expected NAME=0 or NAME=1";
    return false;
  }
  const std::string name = text.substr(0, eq), digit = text.substr(eq + 1);
  row = signal_row(name);
  if (row < 0) {
    error = "no signal named " + quoted(name);
    return false;
  }
  if (digit != "0" && digit != "1") {
    error = "the value must be 0 or 1, not " + quoted(digit);
    return false;
  }
  value = digit == "1";
  return true;
}

bool parse_fault(const std::string& text, signal_fault& fault, std::string& error) {
  auto at = text.find('@');
  if (at == std::string::npos) {
    error = "expected NAME=V@T1 or NAME=V@T1-T2 (seconds)";
    return false;
  }
  if (!parse_assignment(text.substr(0, at), fault.row, fault.value, error)) return false;
  const std::string times = text.substr(at + 1);
  auto dash = times.find('-');
  const std::string from = times.substr(0, dash);
  bool good = parse_micros(from, fault.from_us);
  if (good && dash != std::string::npos)
    good = parse_micros(times.substr(dash + 1), fault.until_us) && fault.until_us > fault.from_us;
  if (!good) {
    error = "malformed time " + quoted(times) + ": expected T1 or T1-T2, seconds with T1 < T2";
    return false;
  }
  return true;
}

bool parse_monitor_options(int argc, const char* const* argv, monitor_options& options,
                           std::string& error) {
  options = monitor_options{};
  if (argc < 3 || std::string(argv[argc - 2]) != "-automemlink") {
    error = "no '-automemlink <id>' at the end: corvan-monitor is started by corvan, "
            "e.g. corvan corvan-monitor -- ./my_controller";
    return false;
  }
  if (!parse_ident(argv[argc - 1], options.memory_ident)) {
    error = "bad area identifier " + quoted(argv[argc - 1]) + " after '-automemlink'";
    return false;
  }
  return option_reader(argc - 2, argv, options, error).read_all();
}

const cli::option_table<monitor_option_walk>& monitor_option_table() {
  using walk = monitor_option_walk;
  using v = const std::string&;
  static const cli::option_table<walk> table{
      {"corvan-monitor",
       {"[OPTION]... -- CONTROLLER [ARGUMENT]... -automemlink ID",
        "--manual [OPTION]... -automemlink ID",
        "--modbus [HOST:]PORT [OPTION]... -automemlink ID"},
       "Watch, force, fault and trace the signals between the simulator and a controller."},
      {
          {{"--force", "NAME=0|1", "hold a signal at a value from the start (repeatable)"},
           [](walk& w, v text) {
             int row, value;
             std::string why;
             if (!parse_assignment(text, row, value, why)) refuse_value("--force", text, why);
             w.options.forces.emplace_back(row, value);
           }},
          {{"--fault", "NAME=0|1@T1[-T2]", "stick a signal from T1 seconds on (until T2; repeatable)"},
           [](walk& w, v text) {
             signal_fault fault;
             std::string why;
             if (!parse_fault(text, fault, why)) refuse_value("--fault", text, why);
             w.options.faults.push_back(fault);
           }},
          {{"--trace", "FILE.vcd", "every change of every signal, as a VCD"},
           [](walk& w, v path) { w.options.vcd_path = path; }},
          {{"--csv", "FILE.csv", "the same as CSV"},
           [](walk& w, v path) { w.options.csv_path = path; }},
          {{"--no-window", "", "no window; forcing, faults and traces still work"},
           [](walk& w, v) { w.options.window = false; }},
          {{"--manual", "", "no controller: the outputs are set by hand in the window"},
           [](walk& w, v) { w.manual = true; }},
          {{"--modbus", "[HOST:]PORT", "a Modbus TCP server in the controller's place"},
           [](walk& w, v address) {
             parse_modbus_address(w.options, address);
             w.modbus = true;
           }},
          {{"--modbus-timeout", "S", "outputs to 0 once no client has written a coil for S seconds"},
           [](walk& w, v text) {
             if (!parse_seconds(text, w.options.modbus_timeout_s))
               refuse("bad --modbus-timeout " + quoted(text) + ": expected a number of seconds");
           }},
          {{"--modbus-clients", "N",
            "Modbus clients served at once (32, at most " + std::to_string(max_modbus_clients) + ")"},
           [](walk& w, v text) {
             if (!parse_count(text, max_modbus_clients, w.options.modbus_clients))
               refuse("bad --modbus-clients " + quoted(text) + ": expected a number from 1 to " +
                      std::to_string(max_modbus_clients));
           }},
          {{"--modbus-idle", "S", "close a Modbus client silent for S seconds (60; 0: never)"},
           [](walk& w, v text) {
             if (!parse_seconds(text, w.options.modbus_idle_s))
               refuse("bad --modbus-idle " + quoted(text) + ": expected a number of seconds (0: never)");
           }},
          {cli::help_option(), [](walk& w, v) { w.options.asked = cli::request::help; }},
          {cli::version_option(), [](walk& w, v) { w.options.asked = cli::request::version; }},
      }};
  return table;
}
