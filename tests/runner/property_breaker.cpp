// Controllers that each break one property of the line once, for the
// runner's tests. Each prints on stderr the simulator's turn counter of the
// turn it breaks the property in.
//
//   property_breaker both-ways TURN   SORT and RENT together in that turn only
//   property_breaker drop-lid         takes a lid with the cup, then lets it go over the rail
//   property_breaker no-lid           runs both belts: workpieces leave bare
//   property_breaker hang-after-fault keeps MT on; stops answering once vh changes
//   property_breaker exit-after TURN STATUS   answers, then ends with STATUS at TURN
//   ... -automemlink <id>
#include "iolink/IOsharemem_client.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

void say(const std::string& what, int32_t turn) {
  std::cerr << "breaker: " << what << " in turn " << turn << std::endl;
}

void both_ways(IOsharemem_client& link, int32_t at) {
  for (int r; (r = link.receive()) >= 0;) {
    if (r == 0) continue;
    const int on = link.turn() == at;
    if (on) say("SORT and RENT", link.turn());
    link.setreset_output("SORT", on);
    link.setreset_output("RENT", on);
    link.outputs_refresh();
  }
}

// The demonstration controller's way to take a lid, then suction off with
// the cup up and the pusher home: nothing under the lid but the rail.
void drop_lid(IOsharemem_client& link) {
  enum { load, settle, push_out, take, lift, stow, let_go, done } step = load;
  int32_t settled_at = 0;
  for (int r; (r = link.receive()) >= 0;) {
    if (r == 0) continue;
    auto in = [&](const char* name) { return link.input_is_set(name) == 1; };
    int rent = 0, sort = 0, desv = 0, monv = 0, aspi = 0;
    switch (step) {
      case load:
        rent = 1;
        if (in("te")) step = settle, settled_at = link.turn();
        break;
      case settle:
        if (link.turn() - settled_at >= 30) step = push_out;
        break;
      case push_out:
        sort = 1;
        if (in("ts")) step = take;
        break;
      case take:
        desv = aspi = 1;
        if (in("vide")) step = lift;
        break;
      case lift:
        monv = aspi = 1;
        if (in("vh")) step = stow;
        break;
      case stow:
        rent = aspi = 1;
        if (in("te")) step = let_go;
        break;
      case let_go:
        say("lid let go", link.turn());
        step = done;
        break;
      case done: break;
    }
    link.setreset_output("RENT", rent);
    link.setreset_output("SORT", sort);
    link.setreset_output("DESV", desv);
    link.setreset_output("MONV", monv);
    link.setreset_output("ASPI", aspi);
    link.outputs_refresh();
  }
}

void no_lid(IOsharemem_client& link) {
  for (int r; (r = link.receive()) >= 0;) {
    if (r == 0) continue;
    link.setreset_output("MTA", 1);
    link.setreset_output("MT", 1);
    link.outputs_refresh();
  }
}

void hang_after_fault(IOsharemem_client& link) {
  int first_vh = -1;
  for (int r; (r = link.receive()) >= 0;) {
    if (r == 0) continue;
    const int vh = link.input_is_set("vh");
    if (first_vh < 0) first_vh = vh;
    if (vh != first_vh) {
      // Still there, and still following the turns, but silent.
      say("no more answers", link.turn());
      while (link.receive() >= 0) {
      }
      return;
    }
    link.setreset_output("MT", 1);
    link.outputs_refresh();
  }
}

int exit_after(IOsharemem_client& link, int32_t at, int status) {
  for (int r; (r = link.receive()) >= 0;) {
    if (r == 0) continue;
    link.setreset_output("MT", 1);
    link.outputs_refresh();
    if (link.turn() >= at) {
      say("exit " + std::to_string(status), link.turn());
      return status;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  IOsharemem_client link(automemlink_ident(argc, argv));
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "both-ways" && argc > 2) both_ways(link, std::atoi(argv[2]));
  if (mode == "drop-lid") drop_lid(link);
  if (mode == "no-lid") no_lid(link);
  if (mode == "hang-after-fault") hang_after_fault(link);
  if (mode == "exit-after" && argc > 3) return exit_after(link, std::atoi(argv[2]), std::atoi(argv[3]));
  return 0;
}
