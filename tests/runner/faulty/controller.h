// What the deliberately faulty controllers share: the turn loop and the
// edges of the operator's buttons.
#pragma once

#include "iolink/IOsharemem_client.h"

#include <functional>
#include <string>

// One station's outputs, all written every turn.
struct outputs {
  int SORT = 0, RENT = 0, DESV = 0, MONV = 0, ASPI = 0, DESP = 0, MONP = 0;

  void write(IOsharemem_client& link) const {
    link.setreset_output("SORT", SORT);
    link.setreset_output("RENT", RENT);
    link.setreset_output("DESV", DESV);
    link.setreset_output("MONV", MONV);
    link.setreset_output("ASPI", ASPI);
    link.setreset_output("DESP", DESP);
    link.setreset_output("MONP", MONP);
  }
};

// The inputs of a turn, and whether each rose since the last.
class sensors {
 public:
  explicit sensors(IOsharemem_client& link) : link(link) {}
  bool on(const char* name) { return link.input_is_set(name) == 1; }
  bool rose(const char* name, bool& before) {
    const bool now = on(name);
    const bool rising = now && !before;
    before = now;
    return rising;
  }
  int32_t turn() const { return link.turn(); }

 private:
  IOsharemem_client& link;
};

// Every received turn: the step decides, the outputs are written.
inline int run_controller(int argc, char** argv,
                          const std::function<void(sensors&, outputs&)>& step) {
  IOsharemem_client link(automemlink_ident(argc, argv));
  sensors in(link);
  outputs out;
  for (int r; (r = link.receive()) >= 0;) {
    if (r == 0) continue;
    step(in, out);
    out.write(link);
    link.outputs_refresh();
  }
  return 0;
}
