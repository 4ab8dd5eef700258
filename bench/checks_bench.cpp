// The cost of checking a scenario's statements at every turn: 20 properties,
// conditions with edges and `within` statements whose triggers keep coming
// while their targets stay away (many open triggers), over a million turns
// of changing signals. Goal: at most 2 us a turn.
#include "iolink/signals.h"
#include "runner/checks.h"
#include "runner/scenario.h"

#include <chrono>
#include <cstdio>
#include <sstream>
#include <vector>

namespace {

const char* const statements =
    "never SORT and RENT\n"
    "never DESV and MONV\n"
    "never DESP and MONP\n"
    "never SORT and not vh\n"
    "always not (DESP and not p3ok) from 1\n"
    "never rise(SORT and RENT)\n"
    "never fall(vh) and ts\n"
    "always rise(dc) or not rise(dc)\n"
    "never rise(atu) and rise(init)\n"
    "always not (MT and MTA and BZ1 and BZ2 and BZ3) to 100000\n"
    "expect not (MT or MTA or SORT or RENT or DESV) within 0.01 after rise(atu)\n"
    "expect MT within 99999 after rise(dc)\n"
    "expect vb within 99999 after rise(DESV)\n"
    "expect not ASPI within 99999 after fall(vide)\n"
    "expect pb within 99999 after rise(DESP)\n"
    "expect \" DESTRUCTION\" within 99999 after \"TRANSFERT\"\n"
    "expect \"ENCOLLAGE !\" within 99999 after rise(p2ok)\n"
    "check all\n"
    "never colle and not p1ok\n"
    "always 1\n";

}  // namespace

int main() {
  std::istringstream text(statements);
  const scenario script = parse_scenario(text, "bench.scn");
  property_checker checker(script);
  const std::vector<std::string> no_messages, transfer = {"TRANSFERT"};
  const std::vector<line_event> no_events;
  constexpr int turns = 1000000;
  turn_view view;
  view.events = &no_events;
  uint32_t noise = 12345;
  const auto start = std::chrono::steady_clock::now();
  for (int turn = 0; turn < turns; ++turn) {
    view.turn = turn;
    view.time = turn * 5000LL;
    // A few signals change every turn, as on the line.
    noise = noise * 1103515245u + 12345u;
    view.signals[(noise >> 8) % (input_signal_count + output_signal_count)] ^= 1;
    view.signals[in::dc] = turn % 400 < 10;
    view.signals[in::atu] = 0;
    view.messages = turn % 1000 == 0 ? &transfer : &no_messages;
    checker.observe(view);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto results = checker.results();
  std::printf("%zu statements, %d turns: %.3f us a turn (goal: 2 us)\n", results.size(), turns,
              seconds / turns * 1e6);
  return 0;
}
