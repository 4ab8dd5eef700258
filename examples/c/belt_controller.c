/* A controller in C: the main belt runs from a press on "DC" until a press
 * on "AC".
 *
 * The simulator starts it as  belt_controller -automemlink <id>.  The
 * buttons are one-turn pulses, so the controller keeps what it saw last in
 * its own variable (a latch). It reports each change of the belt on stderr,
 * with the simulator's turn (5 ms each) at which it saw the button.
 *
 * Build against an installed corvan:
 *   gcc -std=c11 belt_controller.c $(pkg-config --cflags --libs corvan-iolink) -o belt_controller
 */
#include <stdio.h>

#include "iolink/corvan_link.h"

/* Every name this controller uses, checked once at its start: a misspelt
 * name would otherwise read -1 or be refused in every turn. */
static const char* const names[] = {"dc", "ac", "MT"};

int main(int argc, char** argv) {
  for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
    if (corvan_link_signal_index(names[i]) < 0) {
      fprintf(stderr, "belt_controller: no signal named %s\n", names[i]);
      return 1;
    }
  }
  corvan_link* link = corvan_link_open(argc, argv);
  if (link == NULL) return 1;

  int belt_on = 0;
  int turn;
  while ((turn = corvan_link_receive(link)) >= 0) {
    if (turn == 0) continue; /* no new turn yet */
    if (corvan_link_input(link, "dc") == 1 && !belt_on) {
      belt_on = 1;
      fprintf(stderr, "belt_controller: dc=1, main belt on (turn %d)\n", corvan_link_turn(link));
    }
    if (corvan_link_input(link, "ac") == 1 && belt_on) {
      belt_on = 0;
      fprintf(stderr, "belt_controller: ac=1, main belt off (turn %d)\n", corvan_link_turn(link));
    }
    corvan_link_set_output(link, "MT", belt_on);
    corvan_link_refresh(link);
  }
  fprintf(stderr, "belt_controller: end of the exchange\n");
  corvan_link_close(link);
  return 0;
}
