// A controller for the monitor's tests: at every turn it reads the number
// that inputs 0-13 spell in binary (input i is bit i), writes it back on
// outputs 0-13 and logs it, one line per turn.
//
//   turn_echo_controller --log FILE [--turns N] -automemlink <id>
//
//   --turns N   ends after N turns (a controller that ends before the run)
#include "iolink/IOsharemem_client.h"
#include "iolink/signals.h"
#include "tests/monitor/real_time_priority.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  int ident = 0;
  long turns = -1;
  std::string log_file;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "-automemlink") == 0) ident = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--log") == 0) log_file = argv[i + 1];
    if (std::strcmp(argv[i], "--turns") == 0) turns = std::atol(argv[i + 1]);
  }
  ask_for_real_time_priority();
  IOsharemem_client link(ident);
  std::ofstream log(log_file);
  for (long n = 0; n != turns;) {
    // Waiting on the turn counter, not receive()'s pause, so no turn is missed.
    link.wait_for_turn(20000);
    const int r = link.receive();
    if (r < 0) break;
    if (r == 0) continue;
    int code = 0;
    for (int bit = 0; bit < output_signal_count; ++bit)
      code |= link.input_is_set(table_signaux[bit]) << bit;
    for (int bit = 0; bit < output_signal_count; ++bit)
      link.setreset_output(table_signaux[input_signal_count + bit], (code >> bit) & 1);
    link.outputs_refresh();
    log << code << '\n' << std::flush;
    ++n;
  }
  log << "end\n";
}
