// Pushes the lid carrier out on DC, holds it there a second, and brings it
// back. Its fault: after an emergency stop it sends the carrier home with
// RENT but forgets the SORT it had on before the stop.
#include "tests/runner/faulty/controller.h"

int main(int argc, char** argv) {
  enum { home, out_going, waiting, in_going } state = home;
  int32_t out_since = 0;
  bool dc_before = false, stopped = false;
  outputs wanted;
  return run_controller(argc, argv, [&](sensors& in, outputs& out) {
    const bool start = in.rose("dc", dc_before);
    if (in.on("atu")) {
      stopped = true;
      out = outputs{};
      return;
    }
    if (stopped) {
      stopped = false;
      wanted.RENT = 1;  // the fault: wanted.SORT stays as it was
      state = in_going;
    }
    switch (state) {
      case home:
        wanted = outputs{};
        if (start) state = out_going;
        break;
      case out_going:
        wanted.SORT = 1;
        if (in.on("ts")) state = waiting, out_since = in.turn();
        break;
      case waiting:
        if (in.turn() - out_since < 200) break;
        wanted.SORT = 0;
        state = in_going;
        break;
      case in_going:
        wanted.RENT = 1;
        if (in.on("te")) state = home;
        break;
    }
    out = wanted;
  });
}
