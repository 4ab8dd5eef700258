#include <gtest/gtest.h>

#include "forms/draw.h"
#include "objects/devices.h"
#include "tests/support/pixels.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <cmath>

// Tank level: pure arithmetic, no window needed.

TEST(CuveLevel, FollowsTheFlowDifferenceOverTheSection) {
  cuve tank(nullptr, 0, 0, 40, 100, 0, 0, 10, 4.0, 0);
  tank.inflow = 6.0;
  tank.outflow = 2.0;
  EXPECT_EQ(tank.react(), 1);
  EXPECT_DOUBLE_EQ(tank.level, 11.0);
}

TEST(CuveLevel, FillingPastTheTopStopsOnePixelBelowTheHeight) {
  cuve tank(nullptr, 0, 0, 40, 100, 0, 0, 95, 2.0, 0);
  tank.inflow = 20.0;
  EXPECT_EQ(tank.react(), 1);
  EXPECT_DOUBLE_EQ(tank.level, 99.0);
  tank.inflow = 1.0;  // exactly height would also be too high
  tank.level = 98.0;
  tank.section = 0.5;
  tank.react();
  EXPECT_DOUBLE_EQ(tank.level, 99.0);
}

TEST(CuveLevel, DrainingPastTheBottomStopsAtZero) {
  cuve tank(nullptr, 0, 0, 40, 100, 0, 0, 3, 1.0, 0);
  tank.outflow = 10.0;
  EXPECT_EQ(tank.react(), 1);
  EXPECT_DOUBLE_EQ(tank.level, 0.0);
}

TEST(CuveLevel, EqualFlowsLeaveTheLevelStillAndReportNoChange) {
  cuve tank(nullptr, 0, 0, 40, 100, 0, 0, 40, 3.0, 0);
  tank.inflow = 5.0;
  tank.outflow = 5.0;
  EXPECT_EQ(tank.react(), 0);
  EXPECT_DOUBLE_EQ(tank.level, 40.0);
}

TEST(CuveLevel, SectionZeroKeepsTheLevel) {
  cuve tank(nullptr, 0, 0, 40, 100, 0, 0, 30, 0.0, 0);
  tank.inflow = 5.0;
  EXPECT_EQ(tank.react(), 1);  // the flows still differ
  EXPECT_DOUBLE_EQ(tank.level, 30.0);
  tank.inflow = 0.0;  // no flow at all: 0 / 0 must not creep in either
  EXPECT_EQ(tank.react(), 0);
  EXPECT_DOUBLE_EQ(tank.level, 30.0);
}

// Mixer angle.

TEST(MelangeurReact, TurnsOnlyWithANonNegligibleSpeed) {
  melangeur mixer(nullptr, 0, 0, 40);
  mixer.angular_speed = 0.0005;
  mixer.react();
  EXPECT_DOUBLE_EQ(mixer.angle, 40.0);
  EXPECT_DOUBLE_EQ(mixer.previous_angle, 0.0);

  mixer.angular_speed = -0.25;
  mixer.react();
  EXPECT_DOUBLE_EQ(mixer.angle, 39.75);
  EXPECT_DOUBLE_EQ(mixer.previous_angle, 40.0);

  mixer.angular_speed = 0.0;
  mixer.react();
  EXPECT_DOUBLE_EQ(mixer.angle, 39.75);
  EXPECT_DOUBLE_EQ(mixer.previous_angle, 40.0);  // kept from the last real step
}

// Drawing, read back from a real window.

class DeviceDrawing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { window = open_test_window(240, 220, "devices"); }
  void SetUp() override { clear_window(window, FL_WHITE); }
  static Fl_Window* window;
};
Fl_Window* DeviceDrawing::window = nullptr;

TEST_F(DeviceDrawing, OpenTankShowsLiquidUnderTheEmptyPartBetweenThreeWalls) {
  cuve tank(window, 20, 150, 40, 100, 0, 0, 0, 1.0, 0);
  tank.level = 30.7;  // drawn 30 pixels high
  tank.draw();
  EXPECT_TRUE(rect_has_colour(window, 21, 120, 39, 30, FL_BLUE));
  EXPECT_TRUE(rect_has_colour(window, 21, 50, 39, 70, FL_BACKGROUND_COLOR));
  EXPECT_TRUE(rect_has_colour(window, 20, 50, 1, 101, FL_BLACK));  // left wall
  EXPECT_TRUE(rect_has_colour(window, 60, 50, 1, 101, FL_BLACK));  // right wall
  EXPECT_TRUE(rect_has_colour(window, 20, 150, 41, 1, FL_BLACK));  // bottom
  EXPECT_EQ(pixel(window, 40, 50), rgb_of(FL_BACKGROUND_COLOR));   // no lid
  EXPECT_EQ(pixel(window, 40, 49), rgb_of(FL_WHITE));
}

TEST_F(DeviceDrawing, ClosedTankHasALidAndMakesItsOwnWindowCurrent) {
  Fl_Window* other = open_test_window(50, 50, "other");
  other->make_current();
  cuve tank(window, 20, 150, 40, 100, 0, 0, 30, 1.0, 1);
  tank.draw();
  EXPECT_TRUE(rect_has_colour(window, 20, 50, 40, 1, FL_BLACK));  // lid
  EXPECT_TRUE(rect_has_colour(window, 21, 120, 38, 29, FL_BLUE));
  EXPECT_TRUE(rect_has_colour(window, 21, 51, 38, 69, FL_BACKGROUND_COLOR));
  delete other;
}

class ValveDrawing : public DeviceDrawing {
 protected:
  // A valve centred on (100, 100): walls 80 long, 10 apart, gate and circle 30.
  vanne make(int open, int horizontal) {
    vanne v(window, 100, 100, 80, 10, 30, open, horizontal);
    v.background_color = FL_WHITE;
    return v;
  }
};

TEST_F(ValveDrawing, FirstDrawErasesTheGateSquareAndLaterDrawsOnlyOnAChange) {
  fl_rectf(70, 70, 60, 60, FL_RED);
  vanne v = make(1, 1);
  v.draw();
  EXPECT_TRUE(rect_has_colour(window, 85, 85, 4, 4, FL_WHITE));  // corner of the square
  EXPECT_EQ(pixel(window, 84, 84), rgb_of(FL_RED));              // just outside it
  EXPECT_TRUE(rect_has_colour(window, 85, 95, 30, 10, FL_BLACK));  // gate along the pipe
  EXPECT_TRUE(rect_has_colour(window, 60, 105, 81, 1, FL_BLACK));  // lower wall

  fl_rectf(86, 86, 3, 3, FL_RED);
  v.draw();  // same state: nothing erased
  EXPECT_TRUE(rect_has_colour(window, 86, 86, 3, 3, FL_RED));

  v.open = 0;
  v.draw();
  EXPECT_TRUE(rect_has_colour(window, 86, 86, 3, 3, FL_WHITE));
  EXPECT_TRUE(rect_has_colour(window, 95, 85, 10, 30, FL_BLACK));  // gate across the pipe
  EXPECT_TRUE(rect_has_colour(window, 88, 97, 4, 7, FL_WHITE));    // old gate gone
}

TEST_F(ValveDrawing, OpenVerticalValveShowsItsGateAlongThePipe) {
  vanne v = make(1, 0);
  v.draw();
  EXPECT_TRUE(rect_has_colour(window, 95, 85, 10, 30, FL_BLACK));
  EXPECT_TRUE(rect_has_colour(window, 95, 60, 1, 81, FL_BLACK));  // left wall
  EXPECT_TRUE(rect_has_colour(window, 88, 97, 4, 7, FL_WHITE));
}

TEST_F(DeviceDrawing, TurningMixerErasesItsOldCrossAndAStillOneDoesNot) {
  melangeur mixer(window, 100, 100, 40);
  mixer.background_color = FL_WHITE;
  mixer.angle = 0.0;
  mixer.draw();  // a + cross, arms 20 long
  EXPECT_TRUE(rect_has_colour(window, 81, 100, 39, 1, FL_BLACK));
  EXPECT_TRUE(rect_has_colour(window, 100, 81, 1, 39, FL_BLACK));

  mixer.angular_speed = std::atan(1.0);  // 45 degrees
  mixer.react();
  mixer.draw();  // an x cross, arms ending at (+-14, +-14)
  EXPECT_EQ(pixel(window, 110, 100), rgb_of(FL_WHITE));
  EXPECT_EQ(pixel(window, 100, 90), rgb_of(FL_WHITE));
  EXPECT_EQ(pixel(window, 110, 110), rgb_of(FL_BLACK));
  EXPECT_EQ(pixel(window, 90, 110), rgb_of(FL_BLACK));
  EXPECT_EQ(pixel(window, 120, 100), rgb_of(FL_BLACK));  // outline, radius 20

  mixer.angular_speed = 0.0;
  mixer.angle = 0.0;
  mixer.draw();  // still: the x cross stays beside the new + cross
  EXPECT_EQ(pixel(window, 110, 110), rgb_of(FL_BLACK));
  EXPECT_EQ(pixel(window, 110, 100), rgb_of(FL_BLACK));
}

TEST_F(DeviceDrawing, HeatingResistorIsRedWhateverItsForegroundAndLeavesThinLines) {
  resistor heater(window, 100, 100, 60, 60);
  heater.foreground_color = FL_BLUE;
  heater.draw();
  // The top line runs from (80, 70) to (130, 70), 5 pixels thick.
  EXPECT_TRUE(rect_has_colour(window, 90, 68, 30, 5, FL_BLUE));

  heater.heating = 1;
  heater.draw();
  EXPECT_TRUE(rect_has_colour(window, 90, 68, 30, 5, FL_RED));
  EXPECT_TRUE(rect_has_colour(window, 90, 128, 30, 5, FL_RED));  // bottom line

  fl_line(10, 10, 60, 10, FL_BLACK);  // the default line style is back
  EXPECT_EQ(pixel(window, 30, 10), rgb_of(FL_BLACK));
  EXPECT_EQ(pixel(window, 30, 11), rgb_of(FL_WHITE));
}

TEST_F(DeviceDrawing, VerticalTrapdoorOpenedThenClosedLeavesOnlyTheClosedLine) {
  // Hinge (50, 50), length 40, opening up and to the right at 45 degrees.
  trappe flap(window, 50, 50, 40, std::atan(1.0), 0, 0);
  flap.background_color = FL_WHITE;
  flap.draw();
  EXPECT_TRUE(rect_has_colour(window, 50, 50, 1, 40, FL_BLACK));

  flap.open = 1;
  flap.draw();
  EXPECT_EQ(pixel(window, 64, 36), rgb_of(FL_BLACK));  // on the open flap, ends at (78, 22)
  EXPECT_TRUE(rect_has_colour(window, 50, 51, 1, 39, FL_WHITE));

  flap.open = 0;
  flap.draw();
  EXPECT_TRUE(rect_has_colour(window, 50, 50, 1, 40, FL_BLACK));
  EXPECT_TRUE(rect_has_colour(window, 51, 10, 40, 80, FL_WHITE));
  EXPECT_TRUE(rect_has_colour(window, 40, 10, 10, 80, FL_WHITE));
  EXPECT_TRUE(rect_has_colour(window, 50, 10, 1, 40, FL_WHITE));
}

TEST_F(DeviceDrawing, NewTrapdoorErasesTheLineOfTheOtherState) {
  fl_line(20, 150, 60, 150, FL_RED);  // where a closed horizontal flap would lie
  trappe flap(window, 20, 150, 40, std::atan(1.0), 1, 1);
  flap.background_color = FL_WHITE;
  flap.draw();
  EXPECT_TRUE(rect_has_colour(window, 21, 150, 39, 1, FL_WHITE));
  EXPECT_EQ(pixel(window, 30, 140), rgb_of(FL_BLACK));  // open flap rising to (48, 122)
}
