// A controller to start from: the main belt runs from a press on "DC" until
// a press on "AC". The simulator starts it as  my_controller -automemlink <id>.
#include "iolink/IOsharemem_client.h"

#include <iostream>

int main(int argc, char** argv) {
  const int ident = automemlink_ident(argc, argv);
  if (ident == -1) {
    std::cerr << "my_controller: start me from corvan (no -automemlink <id>)" << std::endl;
    return 1;
  }
  IOsharemem_client link(ident);

  bool belt_on = false;  // the buttons are one-turn pulses: keep our own latch
  for (int turn; (turn = link.receive()) >= 0;) {
    if (turn == 0) continue;  // no new turn yet
    if (link.input_is_set("dc") && !belt_on) {
      belt_on = true;
      std::cerr << "my_controller: dc=1, main belt on" << std::endl;
    }
    if (link.input_is_set("ac") && belt_on) {
      belt_on = false;
      std::cerr << "my_controller: ac=1, main belt off" << std::endl;
    }
    link.setreset_output("MT", belt_on);
    link.outputs_refresh();
  }
  std::cerr << "my_controller: end of the exchange" << std::endl;
  return 0;
}
