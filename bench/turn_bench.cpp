// One simulation turn's work (everything but the 5 ms pause) on the full
// line, kept busy: workpieces on both belts, every jack moving. Run it under
// an X server (e.g. xvfb-run); prints the median and 99th percentile.
#include "app/corvan.h"
#include "app/corvan_main.h"
#include "forms/display.h"
#include "iolink/IOsharemem_client.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/forms.H>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

// Commands that keep every jack travelling back and forth.
void drive(IOsharemem_client& c, int turn) {
  c.setreset_output("MTA", 1);
  c.setreset_output("MT", 1);
  bool out = turn / 100 % 2 == 0;
  c.setreset_output("SORT", out);
  c.setreset_output("RENT", !out);
  c.setreset_output("DESV", out);
  c.setreset_output("MONV", !out);
  c.setreset_output("DESP", out);
  c.setreset_output("MONP", !out);
  bool clamp = turn / 30 % 2 == 0;
  c.setreset_output("BZ1", clamp);
  c.setreset_output("BZ2", clamp);
  c.setreset_output("BZ3", clamp);
  c.setreset_output("DEPOSE", 1);
}

}  // namespace

int main() {
  if (!open_display_patiently()) {
    std::fprintf(stderr, "turn_bench: no X display\n");
    return 1;
  }
  auto inputs = input_name_list();
  auto outputs = output_name_list();
  IOsharemem_server server(inputs, outputs);
  IOsharemem_client client(server.memory_ident());
  atelier_class atelier;
  fl_show_form(atelier.window, FL_PLACE_CENTER | FL_FREE_SIZE, FL_FULLBORDER, "atelier");
  workstation station(server, atelier);
  station.start(0);

  const int warm_up = 1500, measured = 6000;
  std::vector<double> micros;
  for (int turn = 0; turn < warm_up + measured; ++turn) {
    drive(client, turn);
    if (turn % 250 == 0) atelier.piece_button->do_callback();
    auto t0 = std::chrono::steady_clock::now();
    station.turn([] { return 0L; });
    auto t1 = std::chrono::steady_clock::now();
    client.receive();
    if (turn >= warm_up) micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  std::sort(micros.begin(), micros.end());
  double median = micros[micros.size() / 2];
  double p99 = micros[micros.size() * 99 / 100];
  size_t parts = station.get_line().feed_belt.part_list().size() +
                 station.get_line().main_belt.part_list().size();
  std::printf("turn work over %d turns (%zu workpieces on the belts at the end)\n", measured, parts);
  std::printf("  median %.1f us, 99th percentile %.1f us\n", median, p99);
  double rate = 1e6 / (5000.0 + median);
  std::printf("  %.1f turns per second against 200 with the pause alone (%.1f %%)\n", rate,
              rate / 2.0);
  return 0;
}
