#include "tests/objects/part_window.h"

#include "objects/belt.h"

using Belt = PartWindow;

namespace {

void run_turns(belt& b, int turns) {
  for (int turn = 0; turn < turns; ++turn) {
    b.activate();
    b.react();
  }
}

}  // namespace

// Phase.

TEST_F(Belt, PhaseWrapsAroundAndPartsStillMoveByTheSpeed) {
  hbelt feed(window, 40, 435, 145, 70, 0.3);
  run_turns(feed, 483);
  EXPECT_NEAR(feed.traveling(), 144.9, 1e-9);
  movepart* part = make(100, 450, 20, 20);
  feed.add_ppart(part);
  run_turns(feed, 1);
  EXPECT_NEAR(feed.traveling(), 0.2, 1e-9);
  feed.draw();
  EXPECT_NEAR(part->actual_precision_first_xpos(), 100.3, 1e-9);
  delete part;
}

TEST_F(Belt, BackwardBeltWrapsBelowZero) {
  hbelt back(window, 40, 435, 145, 70, -0.25);
  movepart* part = make(100, 450, 20, 20);
  back.add_ppart(part);
  run_turns(back, 1);
  EXPECT_DOUBLE_EQ(back.traveling(), 144.75);
  back.draw();
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 99.75);
  delete part;
}

TEST_F(Belt, PhaseEqualToTheLengthIsNotWrapped) {
  hbelt b(window, 40, 435, 10, 70, 2.5);
  run_turns(b, 4);
  EXPECT_DOUBLE_EQ(b.traveling(), 10);
  run_turns(b, 1);
  EXPECT_DOUBLE_EQ(b.traveling(), 2.5);
}

TEST_F(Belt, ActivationIsAOneTurnPulse) {
  hbelt b(window, 40, 435, 145, 70, 1.0);
  movepart* part = make(100, 450, 20, 20);
  b.add_ppart(part);
  b.activate();
  EXPECT_EQ(b.is_activing(), 1);
  b.react();
  EXPECT_EQ(b.is_activing(), 0);
  EXPECT_DOUBLE_EQ(b.traveling(), 1);
  b.unreact();
  EXPECT_DOUBLE_EQ(b.traveling(), 0);
  run_turns(b, 2);
  b.react();  // no command: no step, but the part is still drawn
  b.draw();
  EXPECT_DOUBLE_EQ(b.traveling(), 2);
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 100);
  EXPECT_TRUE(has(100, 450, 20, 20, FL_BLUE));
  delete part;
}

// Parts on the belt.

TEST_F(Belt, CarriesPartsWhoseLeftEdgeLiesOverTheBeltBoundsIncluded) {
  hbelt b(window, 40, 435, 145, 70, 1.0);
  movepart* at_end = make(185, 440, 10, 10, FL_GREEN);
  movepart* past_end = make(186, 455, 10, 10, FL_GREEN);
  movepart* at_start = make(40, 470, 10, 10, FL_GREEN);
  movepart* before_start = make(39.5, 485, 10, 10, FL_GREEN);  // first x truncates to 39
  for (movepart* p : {at_end, past_end, at_start, before_start}) b.add_ppart(p);
  run_turns(b, 1);
  b.draw();
  EXPECT_DOUBLE_EQ(at_end->actual_precision_first_xpos(), 186);
  EXPECT_DOUBLE_EQ(past_end->actual_precision_first_xpos(), 186);
  EXPECT_DOUBLE_EQ(at_start->actual_precision_first_xpos(), 41);
  EXPECT_DOUBLE_EQ(before_start->actual_precision_first_xpos(), 39.5);
  EXPECT_TRUE(has(186, 455, 10, 10, surface));  // neither moved nor drawn
  EXPECT_TRUE(has(186, 440, 10, 10, FL_GREEN));
  delete before_start;
  delete at_start;
  delete past_end;
  delete at_end;
}

TEST_F(Belt, PartListedTwiceMovesTwice) {
  hbelt b(window, 40, 435, 145, 70, 1.0);
  movepart* part = make(100, 450, 20, 20);
  movepart* other = make(150, 450, 20, 20);
  b.add_ppart(part);
  b.add_ppart(other);
  b.add_ppart(part);
  run_turns(b, 1);
  b.draw();
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 102);
  b.supp_ppart(part);  // the first entry only
  ASSERT_EQ(b.part_list().size(), 2u);
  EXPECT_EQ(b.part_list()[0], other);
  EXPECT_EQ(b.part_list()[1], part);
  movepart stranger;
  b.supp_ppart(&stranger);  // not listed: nothing happens
  EXPECT_EQ(b.part_list().size(), 2u);
  run_turns(b, 1);
  b.draw();
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 103);
  b.supp_all_ppart();
  run_turns(b, 1);
  b.draw();
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 103);
  EXPECT_DOUBLE_EQ(other->actual_precision_first_xpos(), 152);
  delete other;
  delete part;
}

TEST_F(Belt, BlockedPartStaysWhileTheBeltRunsOn) {
  hbelt b(window, 40, 435, 145, 70, 1.0);
  movepart* blocked = make(100, 450, 20, 20);
  movepart* stop = make(121, 450, 5, 20, FL_RED);  // not on the belt
  movepart* runner = make(150, 450, 20, 20);
  b.add_ppart(blocked);
  b.add_ppart(runner);
  for (int turn = 0; turn < 3; ++turn) {
    run_turns(b, 1);
    b.draw();
  }
  EXPECT_DOUBLE_EQ(blocked->actual_precision_first_xpos(), 101);
  EXPECT_DOUBLE_EQ(runner->actual_precision_first_xpos(), 153);
  EXPECT_DOUBLE_EQ(b.traveling(), 3);
  delete runner;
  delete stop;
  delete blocked;
}

// Drawing.

TEST_F(Belt, StraightBeltDrawsItselfAndItsTravelMark) {
  hbelt b(window, 40, 435, 145, 70, 1.0);
  run_turns(b, 10);
  b.draw();
  EXPECT_TRUE(has(40, 435, 145, 1, FL_BLACK));  // outline
  EXPECT_TRUE(has(40, 504, 145, 1, FL_BLACK));
  EXPECT_TRUE(has(40, 435, 1, 70, FL_BLACK));
  EXPECT_TRUE(has(184, 435, 1, 70, FL_BLACK));
  EXPECT_TRUE(has(41, 436, 9, 68, FL_RED));
  EXPECT_TRUE(has(50, 435, 1, 70, FL_BLACK));  // mark at x + 10
  EXPECT_TRUE(has(51, 436, 133, 68, FL_RED));
  EXPECT_TRUE(has(40, 505, 145, 1, surface));
}

TEST_F(Belt, FractionalPhaseMarksAtItsTruncation) {
  hbelt b(window, 40, 435, 145, 70, 0.3);
  run_turns(b, 35);  // 10.5
  b.draw();
  EXPECT_TRUE(has(50, 436, 1, 68, FL_BLACK));
  EXPECT_TRUE(has(51, 436, 1, 68, FL_RED));
  EXPECT_TRUE(has(49, 436, 1, 68, FL_RED));
}

TEST_F(Belt, RedrawOnlyAfterAForwardStepWithAMarkOnePixelLonger) {
  hbelt b(window, 40, 435, 145, 70, 1.0);
  movepart* part = make(100, 450, 20, 20);
  b.add_ppart(part);
  b.react();  // no travel
  b.redraw();
  EXPECT_TRUE(has(30, 425, 170, 90, surface));
  run_turns(b, 1);
  b.redraw();
  EXPECT_TRUE(has(42, 436, 40, 68, FL_RED));
  EXPECT_TRUE(has(41, 435, 1, 71, FL_BLACK));  // mark at x + 1, down to y + height
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 101);
  EXPECT_TRUE(has(101, 450, 20, 20, FL_BLUE));
  delete part;
}

TEST_F(Belt, BackwardBeltNeverRedraws) {
  hbelt b(window, 40, 435, 145, 70, -1.0);
  movepart* part = make(100, 450, 20, 20);
  b.add_ppart(part);
  run_turns(b, 1);
  b.redraw();
  EXPECT_TRUE(has(30, 425, 170, 90, surface));
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 100);
  delete part;
}

// The turntable: centre of rotation (300, 300), the disc's box from there.

TEST_F(Belt, TurntableDrawsItsDiscFromTheCentreOfRotation) {
  rbelt table(window, 300, 300, 100, 0, 90.0);
  table.draw();
  EXPECT_EQ(pixel(window, 350, 350), rgb_of(FL_WHITE));
  EXPECT_EQ(pixel(window, 300, 300), rgb_of(surface));  // the box's corner, outside the disc
  EXPECT_EQ(pixel(window, 250, 300), rgb_of(surface));
}

TEST_F(Belt, TurntableCarriesItsPartsRoundWithoutTurningThem) {
  rbelt table(window, 300, 300, 100, 0, 90.0);
  movepart* part = make(340, 295, 10, 20, FL_GREEN);  // centre (345, 305)
  table.add_ppart(part);
  run_turns(table, 1);
  table.redraw();
  EXPECT_DOUBLE_EQ(table.radius(), 90);
  // Centre (45, 5) from the pivot turned by 90 degrees (with 3.1415):
  // about (-5, 45); the part keeps its 10 x 20 shape.
  EXPECT_NEAR(part->actual_precision_first_xpos(), 300 - 5 - 5, 0.01);
  EXPECT_NEAR(part->actual_precision_first_ypos(), 300 + 45 - 10, 0.01);
  EXPECT_NEAR(part->actual_precision_last_xpos() - part->actual_precision_first_xpos(), 10, 1e-9);
  // Radius mark to (300 + 0, 300 + 99): each product truncated.
  EXPECT_TRUE(has(300, 300, 1, 100, FL_BLACK));
  EXPECT_EQ(pixel(window, 300, 400), rgb_of(surface));
  delete part;
}

TEST_F(Belt, TurntableWithoutTravelRedrawsItsPartsAtTruncatedPlaces) {
  rbelt table(window, 300, 300, 100, 0, 90.0);
  movepart* part = make(340.5, 310.5, 10, 10, FL_GREEN);
  table.add_ppart(part);
  table.react();
  table.redraw();
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 340.5);
  EXPECT_TRUE(has(340, 310, 10, 10, FL_GREEN));
  EXPECT_TRUE(has(350, 310, 1, 10, FL_WHITE));
  EXPECT_TRUE(has(400, 300, 1, 1, FL_BLACK));  // mark at angle 0: (300, 300) to (400, 300)
  delete part;
}
