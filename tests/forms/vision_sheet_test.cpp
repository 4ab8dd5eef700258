#include <gtest/gtest.h>

#include "forms/vision_sheet.h"
#include "tests/support/pixels.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <cmath>

TEST(PointInSegment, VerticalAndHorizontalSegments) {
  EXPECT_TRUE(point_dans_segment(10.5, 5, 10, 0, 10, 20, 1));
  EXPECT_TRUE(point_dans_segment(10, 20, 10, 20, 10, 0, 1));  // an end, reversed order
  EXPECT_FALSE(point_dans_segment(11, 5, 10, 0, 10, 20, 1));  // distance equal to tolerance
  EXPECT_FALSE(point_dans_segment(10, 20.1, 10, 0, 10, 20, 1));
  EXPECT_TRUE(point_dans_segment(0, 3.9, 0, 3, 8, 3, 1));
  EXPECT_FALSE(point_dans_segment(-0.1, 3, 0, 3, 8, 3, 1));
}

TEST(PointInSegment, DiagonalSegmentsStayInTheirBox) {
  EXPECT_TRUE(point_dans_segment(5, 5, 0, 0, 10, 10, 0.01));
  EXPECT_TRUE(point_dans_segment(0, 0, 0, 0, 10, 10, 0.01));
  EXPECT_TRUE(point_dans_segment(10, 10, 0, 0, 10, 10, 0.01));
  // on the segment's line but outside its bounding box
  EXPECT_FALSE(point_dans_segment(10.001, 10.001, 0, 0, 10, 10, 1));
  EXPECT_FALSE(point_dans_segment(-1, -1, 0, 0, 10, 10, 5));
  // distance to the line x + y = 10 is 1 / sqrt(2)
  EXPECT_TRUE(point_dans_segment(5.5, 5.5, 0, 10, 10, 0, 0.71));
  EXPECT_FALSE(point_dans_segment(5.5, 5.5, 0, 10, 10, 0, 0.70));
}

class Sheet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { window = open_test_window(200, 150, "sheet"); }
  void SetUp() override {
    clear_window(window, FL_WHITE);
    sheet.define(50, 40, 60, 50, FL_BLUE);  // x 50..109, y 40..89
  }
  // Everything outside the sheet's rectangle is still white.
  static bool outside_untouched() {
    return rect_has_colour(window, 0, 0, 200, 40, FL_WHITE) &&
           rect_has_colour(window, 0, 90, 200, 60, FL_WHITE) &&
           rect_has_colour(window, 0, 40, 50, 50, FL_WHITE) &&
           rect_has_colour(window, 110, 40, 90, 50, FL_WHITE);
  }
  static Fl_Window* window;
  OFL_vision_sheet sheet;
};
Fl_Window* Sheet::window = nullptr;

TEST_F(Sheet, DefineSetsCornersAndColour) {
  EXPECT_EQ(sheet.x_min, 50);
  EXPECT_EQ(sheet.y_min, 40);
  EXPECT_EQ(sheet.x_max, 110);
  EXPECT_EQ(sheet.y_max, 90);
  EXPECT_EQ(sheet.colour, static_cast<int>(FL_BLUE));
  sheet.resize(1, 2, 3, 4);
  EXPECT_EQ(sheet.x_max, 4);
  EXPECT_EQ(sheet.y_max, 6);
  EXPECT_EQ(sheet.colour, static_cast<int>(FL_BLUE));
  EXPECT_EQ(OFL_vision_sheet().colour, 56);
}

TEST_F(Sheet, LineAcrossTheRectangleIsCut) {
  sheet.ofl_line(0, 60, 199, 60, FL_RED);
  EXPECT_TRUE(rect_has_colour(window, 50, 60, 60, 1, FL_RED));
  EXPECT_TRUE(outside_untouched());
}

TEST_F(Sheet, EveryOperationKeepsInside) {
  sheet.ofl_line(0, 0, 199, 149, FL_RED);
  sheet.ofl_dash_line(0, 149, 199, 0, FL_RED);
  sheet.ofl_break_line(10, 65, 190, 65, FL_RED);
  sheet.ofl_rect(30, 30, 100, 70, FL_RED);
  sheet.ofl_circ(20, 10, 120, FL_RED);
  sheet.ofl_circf(90, 70, 60, FL_RED);
  sheet.ofl_rectbound(0, 0, 60, 50, FL_GREEN);
  sheet.ofl_circbound(100, 0, 50, FL_GREEN);
  sheet.ofl_arrowbound(150, 120, 100, 80, FL_GREEN);
  sheet.ofl_drw_arrow_line(0, 85, 199, 85, 30, 0.5, FL_RED);
  sheet.ofl_drw_String(FL_ALIGN_LEFT, 0, 70, 200, 20, FL_BLACK, FL_HELVETICA, 14,
                       "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
  EXPECT_TRUE(outside_untouched());
  EXPECT_EQ(pixel(window, 55, 45), rgb_of(FL_GREEN));
}

TEST_F(Sheet, ClipIsReleasedAfterEachOperation) {
  sheet.ofl_rectf(0, 0, 200, 150, FL_RED);
  fl_rectf(0, 0, 10, 10, FL_BLUE);
  EXPECT_TRUE(rect_has_colour(window, 0, 0, 10, 10, FL_BLUE));
  EXPECT_TRUE(rect_has_colour(window, 50, 40, 60, 50, FL_RED));
}

TEST_F(Sheet, DefaultSheetDoesNotClip) {
  OFL_vision_sheet plain;
  window->make_current();
  plain.ofl_rectf(0, 0, 200, 150, FL_RED);
  EXPECT_TRUE(rect_has_colour(window, 0, 0, 200, 150, FL_RED));
  plain.ofl_line(0, 5, 199, 5, FL_BLUE);
  EXPECT_TRUE(rect_has_colour(window, 0, 5, 200, 1, FL_BLUE));
}

TEST_F(Sheet, BrokenLineZigZags) {
  OFL_vision_sheet plain;
  window->make_current();
  // from (20, 60) to (100, 60): through (40, 100) and (80, 20)
  plain.ofl_break_line(20, 60, 100, 60, FL_RED);
  EXPECT_EQ(pixel(window, 30, 80), rgb_of(FL_RED));
  EXPECT_EQ(pixel(window, 60, 60), rgb_of(FL_RED));
  EXPECT_EQ(pixel(window, 70, 40), rgb_of(FL_RED));
  EXPECT_EQ(pixel(window, 90, 40), rgb_of(FL_RED));
  EXPECT_EQ(pixel(window, 25, 60), rgb_of(FL_WHITE));  // not the straight line
}

TEST_F(Sheet, ArrowHeads) {
  OFL_vision_sheet plain;
  window->make_current();
  // horizontal, to the right: wings from (113, 93) and (113, 107), 10 * cos 45 truncated
  plain.ofl_drw_arrow_line(20, 100, 120, 100, 10, M_PI / 4, FL_RED);
  EXPECT_EQ(pixel(window, 116, 96), rgb_of(FL_RED));
  EXPECT_EQ(pixel(window, 116, 104), rgb_of(FL_RED));
  EXPECT_EQ(pixel(window, 60, 100), rgb_of(FL_RED));
  EXPECT_EQ(pixel(window, 112, 92), rgb_of(FL_WHITE));
  // diagonal down-right at 45 degrees: wings along the axes, from (50, 60) and (60, 50)
  plain.ofl_drw_arrow_line(20, 20, 60, 60, 10, M_PI / 4, FL_BLUE);
  EXPECT_EQ(pixel(window, 55, 60), rgb_of(FL_BLUE));
  EXPECT_EQ(pixel(window, 60, 55), rgb_of(FL_BLUE));
  EXPECT_EQ(pixel(window, 40, 40), rgb_of(FL_BLUE));
  // vertical, upwards: wings from (143, 37) and (157, 37)
  plain.ofl_drw_arrow_line(150, 120, 150, 30, 10, M_PI / 4, FL_GREEN);
  EXPECT_EQ(pixel(window, 147, 33), rgb_of(FL_GREEN));
  EXPECT_EQ(pixel(window, 153, 33), rgb_of(FL_GREEN));
}
