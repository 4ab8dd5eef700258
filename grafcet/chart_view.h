// The chart drawn as a GRAFCET is drawn: steps as squares (initial steps
// doubled) with their actions beside them, transitions as bars with their
// receptivities, links going down, parallel branches between double lines;
// a token on every active step, and fired transitions flashed.
#pragma once

#include <FL/Fl_Widget.H>

#include <memory>
#include <string>

#include "grafcet/layout.h"
#include "grafcet/snapshot.h"

class Fl_Double_Window;

namespace grafcet {

class chart_view : public Fl_Widget {
 public:
  // A fired transition stays highlighted this long, so that a firing that
  // lasted one turn is still seen.
  static constexpr int flash_ms = 300;
  static constexpr Fl_Color token_colour = FL_RED;
  static constexpr Fl_Color fired_colour = FL_RED;

  chart_view(int x, int y, const chart& model);
  const chart_layout& layout() const { return places; }

  // Takes the snapshot to draw; redraws only when what is shown changes.
  void show(const chart_snapshot& s, clock_point now);
  void draw() override;

 private:
  bool flashing(int transition) const;
  void draw_step(int s) const;
  void draw_transition(int t) const;
  void draw_links() const;

  const chart& model;
  chart_layout places;
  chart_snapshot shown;
  std::vector<char> flashed;  // by transition, as last drawn
  clock_point shown_at;
};

// The window around the view, refreshed from the snapshot about 20 times a
// second, on the toolkit's thread; the exchange never waits for it.
class chart_window {
 public:
  chart_window(const chart& model, const snapshot_box& box, const std::string& title);
  ~chart_window();
  // False when no X server answers at $DISPLAY (the toolkit would end the
  // process instead of saying so).
  static bool display_reachable();
  // Until the exchange ends or the window is closed.
  void run();

 private:
  static void tick(void* self);

  const snapshot_box& box;
  std::unique_ptr<Fl_Double_Window> window;
  chart_view* view;
  std::string title;
};

}  // namespace grafcet
