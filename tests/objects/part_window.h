// A shared test window for the moving parts and the machines that move them.
// The window is filled with the surface colour before each test; parts erase
// with a different background colour, so that every erased strip shows.
#pragma once

#include <gtest/gtest.h>

#include "objects/movepart.h"
#include "objects/movepart_manager.h"
#include "tests/support/pixels.h"

#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <vector>

constexpr Fl_Color surface = FL_YELLOW;
constexpr Fl_Color background = FL_WHITE;

class PartWindow : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    if (!window) window = open_test_window(700, 600, "objects");
  }
  void SetUp() override { clear_window(window, surface); }

  // A registered part on the free store with one element.
  movepart* make(double x, double y, int w, int h, Fl_Color c = FL_BLUE) {
    auto* p = new movepart(registry, window, background);
    p->add(x, y, w, h, c);
    return p;
  }
  static bool has(int x, int y, int w, int h, Fl_Color c) {
    return rect_has_colour(window, x, y, w, h, c);
  }

  struct fill {
    int x, y, w, h;
    Fl_Color c;
  };
  // True when the region shows exactly the surface with the fills painted
  // over it in order.
  static bool shows(int x, int y, int w, int h, const std::vector<fill>& fills) {
    window->make_current();
    std::vector<uchar> got(static_cast<size_t>(w) * h * 3);
    fl_read_image(got.data(), x, y, w, h);
    for (int row = 0; row < h; ++row)
      for (int col = 0; col < w; ++col) {
        Fl_Color want = surface;
        for (const fill& f : fills)
          if (f.x <= x + col && x + col < f.x + f.w && f.y <= y + row && y + row < f.y + f.h) want = f.c;
        const uchar* px = &got[(static_cast<size_t>(row) * w + col) * 3];
        if (rgb{px[0], px[1], px[2]} != rgb_of(want)) return false;
      }
    return true;
  }

  static inline Fl_Window* window = nullptr;
  movepart_manager registry;
};
