// Presses once per DC. Its fault: an emergency stop while the press comes
// down leaves DESP on (the stop clears the outputs only when idle).
#include "tests/runner/faulty/controller.h"

int main(int argc, char** argv) {
  enum { idle, pressing, lifting } state = idle;
  bool stopped = false, dc_before = false;
  return run_controller(argc, argv, [&](sensors& in, outputs& out) {
    if (in.on("atu")) stopped = true;
    if (stopped) {
      if (state != pressing) out = outputs{};
      if (in.on("init")) stopped = false, state = idle;
      return;
    }
    const bool start = in.rose("dc", dc_before);
    out = outputs{};
    switch (state) {
      case idle:
        out.MONP = 1;
        if (start && in.on("ph")) state = pressing;
        break;
      case pressing:
        out.DESP = 1;
        if (in.on("pb")) state = lifting;
        break;
      case lifting:
        out.MONP = 1;
        if (in.on("ph")) state = idle;
        break;
    }
  });
}
