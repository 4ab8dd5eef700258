// A controller that answers every turn late: it sleeps --delay-ms between
// taking a turn and refreshing its outputs. It keeps MT on.
//
//   slow_controller --delay-ms N -automemlink <id>
#include "iolink/IOsharemem_client.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  int ident = 0, delay_ms = 100;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "-automemlink") == 0) ident = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--delay-ms") == 0) delay_ms = std::atoi(argv[i + 1]);
  }
  IOsharemem_client link(ident);
  for (int r; (r = link.receive()) >= 0;) {
    if (r == 0) continue;
    usleep(delay_ms * 1000);
    link.setreset_output("MT", 1);
    link.outputs_refresh();
  }
  return 0;
}
