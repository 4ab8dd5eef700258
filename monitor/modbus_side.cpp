#include "monitor/modbus_side.h"

#include <sstream>

std::string modbus_side::status() {
  using state = modbus_endpoint::watchdog_state;
  std::ostringstream text;
  text << "clients: " << endpoint.client_count() << "    ";
  const state watchdog = endpoint.watchdog();
  if (watchdog == state::off) {
    text << "no watchdog";
    return text.str();
  }
  text << "watchdog " << timeout_s << " s: ";
  switch (watchdog) {
    case state::waiting_first_write:
      text << "armed at the first coil write";
      break;
    case state::fed:
      text << "coils written in time";
      break;
    default:
      text << "tripped, every output at 0";
  }
  return text.str();
}
