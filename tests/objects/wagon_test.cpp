#include <gtest/gtest.h>

#include "objects/movepart.h"
#include "objects/movepart_manager.h"
#include "objects/wagon.h"
#include "tests/support/pixels.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

// Motion: the part is only touched by cookwagon::draw(), so none is needed here.

TEST(WagonMotion, StopsWithItsRightEdgeOnTheRightLimit) {
  wagon w(nullptr, 279, 100, 40, 10, 2.0, 0, 300, nullptr, FL_WHITE);
  w.right();
  EXPECT_EQ(w.react(), 1);
  EXPECT_DOUBLE_EQ(w.xpos(), 280.0);
  EXPECT_EQ(w.right_stop(), 1);
  EXPECT_EQ(w.left_stop(), 0);
  EXPECT_EQ(w.react(), 0);  // held at the limit
  EXPECT_DOUBLE_EQ(w.xpos(), 280.0);
}

TEST(WagonMotion, OddWidthUsesTheTruncatedHalfWidth) {
  wagon w(nullptr, 270, 100, 41, 10, 20.0, 0, 300, nullptr, FL_WHITE);
  w.right();
  w.react();
  EXPECT_DOUBLE_EQ(w.xpos(), 280.0);
  EXPECT_EQ(w.right_stop(), 1);
}

TEST(WagonMotion, StopsWithItsLeftEdgeOnTheLeftLimit) {
  wagon w(nullptr, 125, 100, 40, 10, 10.0, 100, 300, nullptr, FL_WHITE);
  EXPECT_EQ(w.left_stop(), 0);
  w.left();
  EXPECT_EQ(w.react(), 1);
  EXPECT_DOUBLE_EQ(w.xpos(), 120.0);
  EXPECT_EQ(w.left_stop(), 1);
}

TEST(WagonMotion, DirectionIsAStateUntilStopped) {
  wagon w(nullptr, 150, 100, 40, 10, 1.5, 0, 300, nullptr, FL_WHITE);
  EXPECT_EQ(w.react(), 0);  // built stopped
  w.right();
  w.react();
  w.react();
  EXPECT_DOUBLE_EQ(w.xpos(), 153.0);
  w.stop();
  EXPECT_EQ(w.react(), 0);
  EXPECT_DOUBLE_EQ(w.xpos(), 153.0);
}

TEST(WagonMotion, NewReferenceSpeedTakesEffectAtOnceOnlyWhileMoving) {
  wagon w(nullptr, 150, 100, 40, 10, 2.0, 0, 300, nullptr, FL_WHITE);
  w.left();
  w.change_speed_ref(3.0);
  w.react();
  EXPECT_DOUBLE_EQ(w.xpos(), 147.0);  // still to the left, now by 3

  w.stop();
  w.change_speed_ref(5.0);
  EXPECT_EQ(w.react(), 0);  // a stopped wagon stays stopped
  w.right();
  w.react();
  EXPECT_DOUBLE_EQ(w.xpos(), 152.0);
}

// Drawing. A wagon centred on x = 100 with y = 100, width 40, height 10:
// body (80, 85, 40, 20), wheels of diameter 5 in the boxes (95, 105) and
// (100, 105); it carries a blue part (90, 70, 20, 10) above its body.

class CookwagonDrawing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { window = open_test_window(240, 220, "wagon"); }
  void SetUp() override {
    clear_window(window, FL_WHITE);
    cargo.add(90, 70, 20, 10, FL_BLUE);
  }

  // The drawing of a loaded wagon standing at x = 100, nothing else around.
  void expect_loaded_wagon_at_100() {
    EXPECT_TRUE(rect_has_colour(window, 80, 85, 40, 20, FL_BLACK));
    EXPECT_EQ(pixel(window, 97, 107), rgb_of(FL_BLACK));
    EXPECT_EQ(pixel(window, 102, 107), rgb_of(FL_BLACK));
    EXPECT_TRUE(rect_has_colour(window, 60, 80, 20, 35, FL_WHITE));
    EXPECT_TRUE(rect_has_colour(window, 120, 80, 20, 35, FL_WHITE));
    EXPECT_TRUE(rect_has_colour(window, 90, 70, 20, 10, FL_BLUE));
    EXPECT_TRUE(rect_has_colour(window, 80, 70, 10, 10, FL_WHITE));
    EXPECT_TRUE(rect_has_colour(window, 110, 70, 10, 10, FL_WHITE));
  }

  static Fl_Window* window;
  movepart_manager manager;
  movepart cargo{manager, window, FL_WHITE};
  cookwagon w{window, 100, 100, 40, 10, 4.0, 0, 240, &cargo, FL_WHITE};
};
Fl_Window* CookwagonDrawing::window = nullptr;

TEST_F(CookwagonDrawing, LoadedShowsABlackBodyOnTwoWheels) {
  fl_rectf(75, 85, 5, 5, FL_RED);  // the corners a loaded wagon clears
  fl_rectf(120, 85, 5, 5, FL_RED);
  w.load();
  w.draw();
  expect_loaded_wagon_at_100();
}

TEST_F(CookwagonDrawing, UnloadedShowsOnlyItsWheels) {
  fl_rectf(80, 85, 40, 20, FL_RED);
  w.draw();
  EXPECT_TRUE(rect_has_colour(window, 80, 85, 40, 20, FL_WHITE));
  EXPECT_EQ(pixel(window, 97, 107), rgb_of(FL_BLACK));
  EXPECT_EQ(pixel(window, 102, 107), rgb_of(FL_BLACK));
  EXPECT_TRUE(rect_has_colour(window, 90, 70, 20, 10, FL_BLUE));
}

TEST_F(CookwagonDrawing, CarriedPartMovesByHalfTheStepAndNothingIsLeftBehind) {
  w.load();
  w.draw();
  w.right();
  w.react();
  w.draw();
  EXPECT_EQ(cargo.actual_first_xpos(), 92);
  EXPECT_TRUE(rect_has_colour(window, 84, 85, 40, 20, FL_BLACK));
  EXPECT_TRUE(rect_has_colour(window, 60, 80, 24, 35, FL_WHITE));  // strip and corner cleared
  EXPECT_EQ(pixel(window, 96, 107), rgb_of(FL_WHITE));           // old wheel erased
  EXPECT_EQ(pixel(window, 101, 107), rgb_of(FL_BLACK));
  EXPECT_TRUE(rect_has_colour(window, 92, 70, 20, 10, FL_BLUE));

  w.left();
  w.react();
  w.draw();
  EXPECT_EQ(cargo.actual_first_xpos(), 90);
  expect_loaded_wagon_at_100();
}

TEST_F(CookwagonDrawing, BlockedCarriedPartUndoesTheWagonsStep) {
  auto* obstacle = new movepart(manager, window, FL_WHITE);
  obstacle->add(110, 70, 10, 10, FL_GREEN);  // touching the part's right side
  w.load();
  w.draw();
  w.right();
  EXPECT_EQ(w.react(), 1);
  w.draw();
  EXPECT_DOUBLE_EQ(w.xpos(), 100.0);
  EXPECT_EQ(cargo.actual_first_xpos(), 90);
  expect_loaded_wagon_at_100();

  delete obstacle;  // the way is free again: the wagon tries anew
  w.react();
  w.draw();
  EXPECT_DOUBLE_EQ(w.xpos(), 104.0);
  EXPECT_EQ(cargo.actual_first_xpos(), 92);
}
