// devices_showcase [seconds]: a wagon shuttling on its track, loaded to the
// right and unloaded to the left, beside the five process devices at work.
// Exits when the window is closed, or after the given number of seconds.
#include "forms/draw.h"
#include "objects/devices.h"
#include "objects/movepart.h"
#include "objects/movepart_manager.h"
#include "objects/wagon.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace {

const Fl_Color background = FL_BACKGROUND_COLOR;

void label(int x, int y, const char* text) {
  auto* box = new Fl_Box(x, y, 100, 20, text);
  box->box(FL_NO_BOX);
  box->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
}

// Fills the tank to the brim, then empties it, and so on.
void cycle_level(cuve& tank) {
  const double flow = 0.5;  // pixels per turn with a section of 1
  if (tank.level >= tank.height - 1) {
    tank.inflow = 0.0;
    tank.outflow = flow;
  } else if (tank.level <= 0.0) {
    tank.inflow = flow;
    tank.outflow = 0.0;
  }
}

// Stands the wagon at each end for a while, loading it at the left end and
// unloading it at the right end, then sends it back. It changes its load
// only while standing, since its drawing clears the body's old place fully
// only when it stays put.
struct shuttle {
  wagon& carriage;
  int standing = 0;  // turns left to stand at an end

  void turn() {
    if (standing > 0) {
      if (--standing == 0) {
        if (carriage.left_stop())
          carriage.right();
        else
          carriage.left();
      }
    } else if (carriage.left_stop() || carriage.right_stop()) {
      carriage.stop();
      if (carriage.left_stop())
        carriage.load();
      else
        carriage.unload();
      standing = 60;
    }
  }
};

// Every turn, one state in two of a period of the given length.
int every(long turn, int period) { return (turn / period) % 2 == 0 ? 1 : 0; }

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 0.0;

  Fl_Window window(640, 400, "devices_showcase");
  auto* surface = new Fl_Box(0, 0, 640, 400);
  surface->box(FL_FLAT_BOX);
  surface->color(background);
  label(40, 20, "cuve");
  label(165, 20, "vanne");
  label(290, 20, "melangeur");
  label(415, 20, "resistor");
  label(530, 20, "trappe");
  label(40, 220, "cookwagon");
  window.end();
  window.show();
  window.wait_for_expose();
  Fl::check();

  cuve tank(&window, 40, 180, 60, 120, 0, 0, 0, 1.0, 0);
  vanne valve(&window, 200, 120, 80, 12, 30, 0, 1);
  melangeur mixer(&window, 320, 120, 60);
  mixer.angular_speed = 0.05;  // radians per turn
  resistor heater(&window, 450, 120, 60, 60);
  trappe flap(&window, 530, 150, 60, std::atan(1.0), 0, 1);

  // The carried part travels at half the wagon's speed, like the loop of a
  // cable chain that follows the carriage.
  movepart_manager manager;
  movepart loop(manager, &window, background);
  loop.add(310, 250, 20, 12, FL_YELLOW);
  // A whole number of pixels per turn: the strip erased behind the wagon is
  // truncated to whole pixels, so a fractional speed would leave traces.
  cookwagon carriage(&window, 320, 300, 100, 16, 2.0, 40, 600, &loop, background);
  carriage.load();
  carriage.right();
  shuttle wagon_shuttle{carriage};

  const auto start = std::chrono::steady_clock::now();
  for (long turn = 0; window.shown(); ++turn) {
    if (seconds > 0.0 &&
        std::chrono::steady_clock::now() - start > std::chrono::duration<double>(seconds))
      break;

    cycle_level(tank);
    tank.react();
    tank.draw();

    wagon_shuttle.turn();
    carriage.react();
    carriage.draw();

    // The rest draws into the current window; redrawn every turn, the track
    // comes back after the toolkit has repainted the window.
    window.make_current();
    fl_line(40, 316, 600, 316, FL_BLACK);
    valve.open = every(turn, 150);
    valve.draw();
    mixer.react();
    mixer.draw();
    heater.heating = every(turn, 120);
    heater.draw();
    flap.open = every(turn, 100);
    flap.draw();

    Fl::check();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return EXIT_SUCCESS;
}
