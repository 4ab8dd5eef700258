#include "tests/objects/part_window.h"

#include "objects/sjack.h"

using Sjack = PartWindow;

// A station's upper jack: body at (300, 400), stroke 25, rod 35, its plate
// at the rod's end, y = 400 + position + 35.
struct UpperStation {
  UpperStation(PartWindow& w, double initial)
      : plate(w.make(297, 435 + initial, 28, 5, FL_GREEN)),
        jack(PartWindow::window, 300, 400, 25, 20, 35, 5, 1.0, 0.5, plate, initial) {}
  ~UpperStation() { delete plate; }
  int turn(bool out) {
    if (out) jack.activate_out();
    int moved = jack.react();
    jack.draw();
    return moved;
  }
  double plate_y() const { return plate->actual_precision_first_ypos(); }
  movepart* plate;
  bsjack jack;
};

TEST_F(Sjack, SpringReturnsTheRodInEveryTurnWithoutTheCommand) {
  UpperStation s(*this, 10.0);
  EXPECT_EQ(s.turn(false), 1);
  EXPECT_DOUBLE_EQ(s.plate_y(), 444.5);
  EXPECT_EQ(s.turn(true), 1);
  EXPECT_DOUBLE_EQ(s.plate_y(), 445.5);
  for (int turn = 0; turn < 21; ++turn) s.turn(false);
  EXPECT_DOUBLE_EQ(s.plate_y(), 435);
  EXPECT_EQ(s.jack.in_stop(), 1);
  EXPECT_EQ(s.turn(false), 0);  // at rest
  EXPECT_DOUBLE_EQ(s.plate_y(), 435);
}

TEST_F(Sjack, ActivateInDoesNothing) {
  UpperStation s(*this, 10.0);
  s.jack.activate_in();
  EXPECT_EQ(s.jack.is_out_activing(), 0);
  EXPECT_EQ(s.turn(false), 1);  // returns exactly as without it
  EXPECT_DOUBLE_EQ(s.plate_y(), 444.5);
}

TEST_F(Sjack, CommandGivenEveryTurnHoldsTheRodAtTheStroke) {
  UpperStation s(*this, 24.5);
  EXPECT_EQ(s.turn(true), 1);
  EXPECT_EQ(s.jack.out_stop(), 1);
  EXPECT_DOUBLE_EQ(s.plate_y(), 460);  // moved by 0.5 only
  for (int turn = 0; turn < 3; ++turn) EXPECT_EQ(s.turn(true), 0);
  EXPECT_DOUBLE_EQ(s.plate_y(), 460);
  EXPECT_EQ(s.jack.is_out_activing(), 0);
}

TEST_F(Sjack, BlockedReturningRodStaysOutUntilTheObstacleGoes) {
  UpperStation s(*this, 10.0);
  movepart* above = make(297, 430, 28, 15, FL_RED);  // down to the plate's top at 445
  EXPECT_EQ(s.turn(false), 1);
  EXPECT_DOUBLE_EQ(s.plate_y(), 444.5);  // an offset of -0.5 truncates to 0: no overlap yet
  EXPECT_EQ(s.turn(false), 1);
  EXPECT_DOUBLE_EQ(s.plate_y(), 444.5);  // blocked: the step is undone
  EXPECT_EQ(s.jack.in_stop(), 0);
  delete above;
  EXPECT_EQ(s.turn(false), 1);
  EXPECT_DOUBLE_EQ(s.plate_y(), 444);
}

TEST_F(Sjack, FacingStationJacksCloseOnAPartAndEachStopsOnIt) {
  movepart* upper_plate = make(297, 435, 28, 5, FL_GREEN);
  bsjack upper(window, 300, 400, 25, 20, 35, 5, 1.0, 1.0, upper_plate, 0.0);
  movepart* lower_plate = make(297, 500, 28, 5, FL_GREEN);
  tsjack lower(window, 300, 540, 25, 20, 35, 5, 1.0, 1.0, lower_plate);
  movepart* workpiece = make(285, 443, 50, 50, FL_RED);  // nearer the upper plate
  for (int turn = 0; turn < 10; ++turn) {
    upper.activate_out();
    lower.activate_out();
    upper.react();
    lower.react();
    upper.draw();
    lower.draw();
  }
  EXPECT_DOUBLE_EQ(upper_plate->actual_precision_last_ypos(), 443);  // 3 steps
  EXPECT_DOUBLE_EQ(lower_plate->actual_precision_first_ypos(), 493);  // 7 steps
  EXPECT_EQ(upper.out_stop(), 0);
  EXPECT_EQ(lower.out_stop(), 0);
  EXPECT_TRUE(has(300, 403, 20, 1, FL_BLACK));  // upper piston line at 400 + 3
  EXPECT_TRUE(has(308, 403, 5, 35, FL_BLACK));  // its rod, down to the plate
  EXPECT_TRUE(has(297, 438, 28, 5, FL_GREEN));
  EXPECT_TRUE(has(300, 533, 20, 1, FL_BLACK));  // lower piston line at 540 - 7

  for (int turn = 0; turn < 10; ++turn) {
    upper.react();
    lower.react();
    upper.draw();
    lower.draw();
  }
  EXPECT_DOUBLE_EQ(upper_plate->actual_precision_first_ypos(), 435);
  EXPECT_DOUBLE_EQ(lower_plate->actual_precision_first_ypos(), 500);
  EXPECT_EQ(upper.in_stop(), 1);
  EXPECT_EQ(lower.in_stop(), 1);
  delete workpiece;
  delete lower_plate;
  delete upper_plate;
}

TEST_F(Sjack, UpwardJackDrawsFromItsBottomLeftAnchor) {
  movepart* plate = make(297, 500, 28, 5, FL_GREEN);
  tsjack jack(window, 300, 540, 25, 20, 35, 5, 1.0, 1.0, plate);
  EXPECT_EQ(jack.in_stop(), 1);  // built fully in
  for (int turn = 0; turn < 3; ++turn) {
    jack.activate_out();
    jack.react();
    jack.draw();
  }
  // Body (300, 515, 20, 25), rod (308, 540 - 3 - 35, 5, 35), piston line at 537.
  EXPECT_TRUE(has(300, 515, 20, 1, FL_BLACK));
  EXPECT_TRUE(has(300, 539, 20, 1, FL_BLACK));
  EXPECT_TRUE(has(301, 516, 7, 21, FL_BLUE));
  EXPECT_TRUE(has(313, 516, 6, 21, FL_BLUE));
  EXPECT_TRUE(has(300, 537, 20, 1, FL_BLACK));
  EXPECT_TRUE(has(301, 538, 18, 1, FL_BLUE));
  EXPECT_TRUE(has(308, 502, 5, 35, FL_BLACK));
  EXPECT_TRUE(has(308, 501, 5, 1, FL_GREEN));
  EXPECT_TRUE(has(297, 497, 28, 5, FL_GREEN));
  EXPECT_TRUE(has(297, 502, 11, 3, background));  // uncovered by the plate's steps
  EXPECT_TRUE(has(313, 502, 12, 3, background));
  delete plate;
}

TEST_F(Sjack, DownJackRedrawnAtANewAnchorErasesItsOldDrawing) {
  UpperStation s(*this, 5.0);
  s.jack.draw();
  s.jack.draw(350, 400);
  EXPECT_TRUE(has(300, 400, 21, 26, background));  // body and outline, one pixel more
  EXPECT_TRUE(has(308, 426, 5, 14, background));  // the rod, down to the plate
  EXPECT_TRUE(has(351, 401, 18, 4, FL_BLUE));
  EXPECT_TRUE(has(350, 405, 20, 1, FL_BLACK));  // piston line at 400 + 5
}
