// The monitor's command line:
//   corvan-monitor [options] -- controller its arguments -automemlink <id>
//   corvan-monitor --manual [options] -automemlink <id>
//   corvan-monitor --modbus [HOST:]PORT [--modbus-timeout S] [--modbus-clients N]
//                  [--modbus-idle S] [options] -automemlink <id>
// The simulator appends "-automemlink <id>" to every controller's command.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/option_table.h"
#include "overrides/overrides.h"

enum class inner_kind { controller, manual, modbus };

struct monitor_options {
  std::vector<std::pair<int, int>> forces;  // (row, value)
  std::vector<signal_fault> faults;
  std::string vcd_path;
  std::string csv_path;
  bool window = true;
  inner_kind inner = inner_kind::controller;
  std::string modbus_host = "127.0.0.1";
  int modbus_port = 0;
  double modbus_timeout_s = 0;  // 0: no watchdog
  int modbus_clients = 32;      // served at once
  double modbus_idle_s = 60;    // a client silent this long is closed; 0: never
  // The controller's words are argv[controller_first] up to argv[controller_end - 1].
  int controller_first = 0;
  int controller_end = 0;
  int memory_ident = 0;
  cli::request asked = cli::request::none;  // --help or --version
};

// What the walk over the options fills in; the inner side is chosen after it.
struct monitor_option_walk {
  monitor_options options;
  bool manual = false;
  bool modbus = false;
};

// The options the parser knows, from which --help is printed. Their actions
// throw std::invalid_argument with the line to print.
const cli::option_table<monitor_option_walk>& monitor_option_table();

// False with one line in error (quoting the bad argument) when the command
// line is wrong.
bool parse_monitor_options(int argc, const char* const* argv, monitor_options& options,
                           std::string& error);

// "NAME=V" -> (row, value); false with the reason in error.
bool parse_assignment(const std::string& text, int& row, int& value, std::string& error);
// "NAME=V@T1[-T2]" -> fault; false with the reason in error.
bool parse_fault(const std::string& text, signal_fault& fault, std::string& error);
