// Takes a lid on DC and holds it up. Its fault: when the suction fails
// ("vide" drops) it lowers the cup again at once, to take another lid,
// instead of stopping.
#include "tests/runner/faulty/controller.h"

int main(int argc, char** argv) {
  enum { idle, load, settle, push_out, take, lift, hold } state = idle;
  int32_t settled_at = 0;
  bool dc_before = false;
  return run_controller(argc, argv, [&](sensors& in, outputs& out) {
    const bool start = in.rose("dc", dc_before);
    const bool carrying = state == lift || state == hold;
    out = outputs{};
    if (carrying && !in.on("vide")) state = take;
    switch (state) {
      case idle:
        out.MONV = out.RENT = 1;
        if (start) state = load;
        break;
      case load:
        out.RENT = 1;
        if (in.on("te")) state = settle, settled_at = in.turn();
        break;
      case settle:
        if (in.turn() - settled_at >= 30) state = push_out;
        break;
      case push_out:
        out.SORT = 1;
        if (in.on("ts")) state = take;
        break;
      case take:
        out.DESV = out.ASPI = 1;
        if (in.on("vide")) state = lift;
        break;
      case lift:
        out.MONV = out.ASPI = 1;
        if (in.on("vh")) state = hold;
        break;
      case hold:
        out.ASPI = 1;
        break;
    }
  });
}
