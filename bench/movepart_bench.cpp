// Times one relative move among 100 registered parts of three elements each,
// the most the line's registry holds: every move tests 99 other parts.
// Run under an X server (e.g. xvfb-run -a).
#include "objects/movepart.h"
#include "objects/movepart_manager.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/x.H>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// A three-element shape like a workpiece with its glue bead and lid.
std::unique_ptr<movepart> make_part(movepart_manager& registry, Fl_Window* window, int x, int y) {
  auto p = std::make_unique<movepart>(registry, window, FL_BACKGROUND_COLOR);
  p->add(x, y + 10, 30, 20, FL_YELLOW);
  p->add(x + 5, y + 7, 20, 3, FL_GREEN);
  p->add(x + 3, y, 24, 7, FL_RED);
  return p;
}

double microseconds_per_move(movepart& mover, int moves, bool with_server) {
  XSync(fl_display, False);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < moves; ++i) mover.moveredraw(i % 2 == 0 ? 1.0 : -1.0, 0.0);
  if (with_server) XSync(fl_display, False);
  const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / moves;
}

}  // namespace

int main() {
  auto* window = new Fl_Double_Window(700, 500, "movepart bench");
  window->end();
  window->show();
  window->wait_for_expose();
  Fl::flush();

  movepart_manager registry;
  std::vector<std::unique_ptr<movepart>> parts;
  // 99 still parts on a grid, 40 pixels apart so that none touches another.
  for (int i = 0; i < 99; ++i) parts.push_back(make_part(registry, window, 10 + 40 * (i % 11), 10 + 40 * (i / 11)));
  auto mover = make_part(registry, window, 600, 400);
  registry.draw();
  XSync(fl_display, False);

  const int moves = 200000;
  microseconds_per_move(*mover, moves / 10, true);  // warm-up
  std::printf("moveredraw among 100 parts of 3 elements: %.2f us per move (client side)\n",
              microseconds_per_move(*mover, moves, false));
  std::printf("moveredraw among 100 parts of 3 elements: %.2f us per move (with the X server's drawing)\n",
              microseconds_per_move(*mover, moves, true));
  parts.clear();
  mover.reset();
  delete window;
  return 0;
}
