// The chart as it is drawn: where the layout puts things, and the pixels of
// a real window under the X server.
#include <gtest/gtest.h>

#include "grafcet/chart_view.h"
#include "grafcet/parser.h"
#include "tests/support/pixels.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

namespace {

using grafcet::chart_layout;
using grafcet::point;

grafcet::chart parse(const std::string& text) {
  grafcet::parse_result r = grafcet::parse_chart(text);
  EXPECT_TRUE(r.errors.empty());
  return r.model;
}

const char* pusher =
    "grafcet pusher\ninitial step 0\nstep 1\nstep 2\nstep 3\n0 -> 1 : rise(init)\n1: SORT\n1 -> 2 : ts\n"
    "2: RENT\n2: TIMER10 := 1 on entry\n2 -> 3 : te\n3 -> 0 : t(X3, 2s)\n";

// ------------------------------------------------------------------ layout

TEST(ChartLayout, SequenceGoesDownOneRowPerStepAndReturnsAlongTheLeft) {
  grafcet::chart c = parse(pusher);
  chart_layout l = grafcet::lay_out(c);
  for (int s = 1; s < 4; ++s) {
    EXPECT_EQ(l.steps[s].x, l.steps[0].x);
    EXPECT_EQ(l.steps[s].y - l.steps[s - 1].y, chart_layout::row_height);
  }
  // Each bar is under its step, on its vertical link.
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(l.bars[t].x, l.steps[t].x + chart_layout::step_size / 2);
    EXPECT_EQ(l.bars[t].y, l.steps[t].y + chart_layout::bar_offset);
  }
  // 3 -> 0 goes back up: left of every step, with an arrow going up.
  ASSERT_EQ(l.up_arrows.size(), 1u);
  EXPECT_LT(l.up_arrows[0].x, l.steps[0].x);
  EXPECT_TRUE(l.parallels.empty());
  EXPECT_EQ(l.actions[2].lines, (std::vector<std::string>{"RENT", "TIMER10 := 1 on entry"}));
  EXPECT_EQ(l.actions[0].width, 0);
}

TEST(ChartLayout, ParallelBranchesStandSideBySideBetweenDoubleLines) {
  grafcet::chart c = parse("initial step 10\nstep 11\nstep 12\nstep 13\nstep 14\n10 -> 11, 12, 13 : init\n"
                           "11, 12, 13 -> 14 : te\n14 -> 10 : dc\n");
  chart_layout l = grafcet::lay_out(c);
  int s11 = c.step_index(11), s12 = c.step_index(12), s13 = c.step_index(13), s14 = c.step_index(14);
  EXPECT_EQ(l.steps[s11].y, l.steps[s12].y);
  EXPECT_EQ(l.steps[s12].y, l.steps[s13].y);
  EXPECT_LT(l.steps[s11].x, l.steps[s12].x);
  EXPECT_LT(l.steps[s12].x, l.steps[s13].x);
  EXPECT_EQ(l.steps[s14].y - l.steps[s11].y, chart_layout::row_height);
  ASSERT_EQ(l.parallels.size(), 2u);
  // Parallel start under the first bar, synchronisation above the second.
  EXPECT_EQ(l.parallels[0].y, l.bars[0].y + chart_layout::split_gap);
  EXPECT_EQ(l.parallels[1].y, l.bars[1].y - chart_layout::split_gap);
  for (const auto& d : l.parallels) {
    EXPECT_LT(d.x1, l.steps[s11].x + chart_layout::step_size / 2);
    EXPECT_GT(d.x2, l.steps[s13].x + chart_layout::step_size / 2);
  }
}

TEST(ChartLayout, ChoicePutsItsTransitionsSideBySide) {
  grafcet::chart c = parse("initial step 0\nstep 1\nstep 2\n0 -> 1 : dc\n0 -> 2 : ac\n1 -> 0 : 1\n2 -> 0 : 1\n");
  chart_layout l = grafcet::lay_out(c);
  EXPECT_EQ(l.bars[0].y, l.bars[1].y);
  EXPECT_LT(l.bars[0].x, l.bars[1].x);
  EXPECT_EQ(l.bars[1].x, l.steps[c.step_index(2)].x + chart_layout::step_size / 2);
  EXPECT_EQ(l.up_arrows.size(), 2u);
}

TEST(ChartLayout, PartialGrafcetsStandNextToEachOther) {
  grafcet::chart c = parse("grafcet a\ninitial step 0\n0 -> 0 : dc\ngrafcet b\ninitial step 5\n5 -> 5 : ac\n");
  chart_layout l = grafcet::lay_out(c);
  ASSERT_EQ(l.titles.size(), 2u);
  EXPECT_EQ(l.titles[1].text, "b");
  EXPECT_EQ(l.steps[0].y, l.steps[1].y);
  EXPECT_GT(l.steps[1].x, l.steps[0].x + chart_layout::step_size);
  EXPECT_GE(l.width, l.steps[1].x + chart_layout::step_size);
}

TEST(ChartLayout, GluingLineFitsWithoutOverlappingSteps) {
  grafcet::chart c = parse(
      "grafcet m\ninitial step 10\nstep 11\nstep 12\nstep 13\nstep 14\n10 -> 11, 12, 13 : init\n"
      "11, 12, 13 -> 14 : te\n14 -> 10 : dc\n14 -> 11 : ac\n"
      "grafcet n\ninitial step 20\nstep 21\nstep 22\n20 -> 21 : dc\n20 -> 22 : ac\n21 -> 22 : 1\n22 -> 20 : 1\n");
  chart_layout l = grafcet::lay_out(c);
  for (size_t a = 0; a < c.steps.size(); ++a)
    for (size_t b = a + 1; b < c.steps.size(); ++b)
      EXPECT_FALSE(l.steps[a] == l.steps[b]) << c.steps[a].number << " and " << c.steps[b].number;
}

// ------------------------------------------------------------------ pixels

class ChartPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    model = parse(pusher);
    view = new grafcet::chart_view(0, 0, model);
    window = open_test_window(view->w(), view->h(), "chart");
    window->add(view);
    snapshot.situation.assign(model.steps.size(), 0);
    snapshot.fired_at.assign(model.transitions.size(), grafcet::clock_point{});
  }
  void TearDown() override {
    window->hide();
    delete window;
    Fl::check();
  }
  void show(grafcet::clock_point now) {
    view->show(snapshot, now);
    window->redraw();
    settle();
  }
  point step_corner(int number) const { return view->layout().steps[model.step_index(number)]; }

  grafcet::chart model;
  grafcet::chart_view* view = nullptr;
  Fl_Window* window = nullptr;
  grafcet::chart_snapshot snapshot;
};

TEST_F(ChartPixels, ActiveStepCarriesATokenAndAnInactiveOneIsAnEmptySquare) {
  snapshot.situation[model.step_index(1)] = 1;
  show(std::chrono::steady_clock::now());
  point active = step_corner(1), inactive = step_corner(2);
  int size = chart_layout::step_size;
  // The token sits centred in the lower half of the square.
  rgb token = pixel(window, active.x + size / 2, active.y + size - 8 - 5);
  EXPECT_EQ(token, rgb_of(grafcet::chart_view::token_colour)) << describe(token);
  // The inactive square: black border, white inside where the token would be.
  EXPECT_EQ(pixel(window, inactive.x, inactive.y + size / 2), rgb_of(FL_BLACK));
  EXPECT_EQ(pixel(window, inactive.x + size - 1, inactive.y + size / 2), rgb_of(FL_BLACK));
  EXPECT_TRUE(rect_has_colour(window, inactive.x + size / 2 - 5, inactive.y + size - 18, 10, 10, FL_WHITE));
  // The initial step is doubled: a second square 3 pixels inside.
  point initial = step_corner(0);
  EXPECT_EQ(pixel(window, initial.x + 3, initial.y + size / 2), rgb_of(FL_BLACK));
  EXPECT_EQ(pixel(window, inactive.x + 3, inactive.y + size / 2), rgb_of(FL_WHITE));
}

TEST_F(ChartPixels, FiredTransitionFlashesThenTurnsBlackAgain) {
  grafcet::clock_point fired = std::chrono::steady_clock::now();
  snapshot.situation[model.step_index(2)] = 1;
  snapshot.fired_at[1] = fired;  // 1 -> 2
  point bar = view->layout().bars[1];
  show(fired + std::chrono::milliseconds(10));
  EXPECT_EQ(pixel(window, bar.x + chart_layout::bar_half_width - 2, bar.y), rgb_of(grafcet::chart_view::fired_colour));
  EXPECT_EQ(pixel(window, view->layout().bars[0].x + 8, view->layout().bars[0].y), rgb_of(FL_BLACK))
      << "a transition that did not fire stays black";
  show(fired + std::chrono::milliseconds(grafcet::chart_view::flash_ms + 10));
  EXPECT_EQ(pixel(window, bar.x + chart_layout::bar_half_width - 2, bar.y), rgb_of(FL_BLACK));
}

}  // namespace
