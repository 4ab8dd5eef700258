#include <gtest/gtest.h>

#include "forms/draw.h"
#include "tests/support/pixels.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

class DrawPrimitives : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { window = open_test_window(200, 150, "draw"); }
  void SetUp() override { clear_window(window, FL_WHITE); }
  static Fl_Window* window;
};
Fl_Window* DrawPrimitives::window = nullptr;

TEST_F(DrawPrimitives, LineTakesItsColourAndKeepsIt) {
  fl_line(10, 20, 60, 20, FL_RED);
  EXPECT_TRUE(rect_has_colour(window, 10, 20, 51, 1, FL_RED));
  EXPECT_EQ(pixel(window, 10, 21), rgb_of(FL_WHITE));
  EXPECT_EQ(fl_color(), FL_RED);
}

TEST_F(DrawPrimitives, RectboundFillsThenOutlinesInBlack) {
  fl_rectbound(20, 30, 10, 8, FL_BLUE);
  EXPECT_TRUE(rect_has_colour(window, 21, 31, 8, 6, FL_BLUE));
  EXPECT_TRUE(rect_has_colour(window, 20, 30, 10, 1, FL_BLACK));
  EXPECT_TRUE(rect_has_colour(window, 20, 37, 10, 1, FL_BLACK));
  EXPECT_TRUE(rect_has_colour(window, 20, 30, 1, 8, FL_BLACK));
  EXPECT_TRUE(rect_has_colour(window, 29, 30, 1, 8, FL_BLACK));
  EXPECT_EQ(pixel(window, 30, 30), rgb_of(FL_WHITE));
  EXPECT_EQ(fl_color(), FL_BLACK);
}

TEST_F(DrawPrimitives, RectboundOfNoSizeDrawsNothing) {
  fl_rectbound(20, 30, 0, 8, FL_BLUE);
  fl_rectbound(40, 30, 8, -3, FL_BLUE);
  EXPECT_TRUE(rect_has_colour(window, 15, 25, 40, 20, FL_WHITE));
}

TEST_F(DrawPrimitives, CircfFillsTheCircleInsideItsBox) {
  fl_circf(10, 20, 8, FL_GREEN);
  EXPECT_EQ(pixel(window, 14, 24), rgb_of(FL_GREEN));  // the centre
  EXPECT_EQ(pixel(window, 10, 20), rgb_of(FL_WHITE));  // corner of the box, outside the disc
  EXPECT_TRUE(rect_has_colour(window, 19, 20, 5, 10, FL_WHITE));
  EXPECT_EQ(fl_color(), FL_GREEN);
}

TEST_F(DrawPrimitives, OvalfFillsAnEllipseInsideItsBox) {
  fl_ovalf(50, 50, 40, 10, 88);
  EXPECT_EQ(pixel(window, 70, 55), rgb_of(FL_RED));
  EXPECT_EQ(pixel(window, 52, 55), rgb_of(FL_RED));
  EXPECT_EQ(pixel(window, 70, 62), rgb_of(FL_WHITE));
  EXPECT_EQ(pixel(window, 50, 50), rgb_of(FL_WHITE));
}
