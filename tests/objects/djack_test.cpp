#include "tests/objects/part_window.h"

#include "objects/djack.h"

using Djack = PartWindow;

// Motion rule: a jack at (100, 100), stroke 50, rod 30, whose plate sits at the rod's end.

struct PusherJack {
  PusherJack(PartWindow& w, double out_speed, double in_speed, double initial)
      : plate(w.make(130 + initial, 100, 5, 20, FL_GREEN)),
        jack(PartWindow::window, 100, 100, 50, 20, 30, 5, out_speed, in_speed, plate, initial) {}
  ~PusherJack() { delete plate; }
  // One turn: the commands, react(), draw().
  int turn(bool out, bool in) {
    if (out) jack.activate_out();
    if (in) jack.activate_in();
    int moved = jack.react();
    jack.draw();
    return moved;
  }
  movepart* plate;
  rdjack jack;
};

TEST_F(Djack, BothCommandsInOneTurnMoveNothingAndAreCleared) {
  PusherJack p(*this, 1.0, 1.0, 20.0);
  p.jack.activate_out();
  p.jack.activate_in();
  EXPECT_EQ(p.jack.is_out_activing(), 1);
  EXPECT_EQ(p.jack.is_in_activing(), 1);
  EXPECT_EQ(p.jack.react(), 0);
  EXPECT_EQ(p.jack.is_out_activing(), 0);
  EXPECT_EQ(p.jack.is_in_activing(), 0);
  p.jack.draw();
  EXPECT_DOUBLE_EQ(p.plate->actual_precision_first_xpos(), 150);
}

TEST_F(Djack, CommandIsAOneTurnPulse) {
  PusherJack p(*this, 1.5, 0.5, 20.0);
  p.jack.activate_out();
  EXPECT_EQ(p.jack.react(), 1);
  p.jack.draw();
  EXPECT_DOUBLE_EQ(p.plate->actual_precision_first_xpos(), 151.5);
  EXPECT_EQ(p.jack.react(), 0);
  p.jack.draw();
  EXPECT_DOUBLE_EQ(p.plate->actual_precision_first_xpos(), 151.5);
  EXPECT_EQ(p.turn(false, true), 1);
  EXPECT_EQ(p.turn(false, false), 0);
  EXPECT_DOUBLE_EQ(p.plate->actual_precision_first_xpos(), 151);
}

TEST_F(Djack, RodStopsExactlyAtTheStrokeAndAtZero) {
  PusherJack out(*this, 1.0, 1.0, 49.5);
  EXPECT_EQ(out.jack.out_stop(), 0);
  EXPECT_EQ(out.turn(true, false), 1);
  EXPECT_EQ(out.jack.out_stop(), 1);
  EXPECT_DOUBLE_EQ(out.plate->actual_precision_first_xpos(), 180);  // moved by 0.5 only
  EXPECT_EQ(out.turn(true, false), 0);
  EXPECT_DOUBLE_EQ(out.plate->actual_precision_first_xpos(), 180);

  PusherJack in(*this, 1.0, 1.0, 0.4);
  EXPECT_EQ(in.jack.in_stop(), 0);
  EXPECT_EQ(in.turn(false, true), 1);
  EXPECT_EQ(in.jack.in_stop(), 1);
  EXPECT_DOUBLE_EQ(in.plate->actual_precision_first_xpos(), 130);
  EXPECT_EQ(in.turn(false, true), 0);
}

TEST_F(Djack, StopsAllowOneThousandth) {
  movepart* plate = make(300, 300, 5, 5);
  EXPECT_EQ(djack(window, 0, 0, 50, 20, 30, 5, 1, 1, plate, 0.001).in_stop(), 0);
  EXPECT_EQ(djack(window, 0, 0, 50, 20, 30, 5, 1, 1, plate, 0.0009).in_stop(), 1);
  EXPECT_EQ(djack(window, 0, 0, 50, 20, 30, 5, 1, 1, plate, 49.998).out_stop(), 0);
  EXPECT_EQ(djack(window, 0, 0, 50, 20, 30, 5, 1, 1, plate, 49.9995).out_stop(), 1);
  delete plate;
}

TEST_F(Djack, UnreactGoesBackToThePositionBeforeTheLastReact) {
  PusherJack p(*this, 2.0, 1.0, 20.0);
  p.jack.activate_out();
  p.jack.react();
  p.jack.unreact();
  p.jack.activate_in();
  p.jack.react();  // from 20 to 19: the step drawn is -1
  p.jack.draw();
  EXPECT_DOUBLE_EQ(p.plate->actual_precision_first_xpos(), 149);
}

// Drawing of the rightward jack, read back from the window.

TEST_F(Djack, RightJackDrawsBodyRodAndPistonLineAtTheTruncatedPosition) {
  PusherJack p(*this, 0.7, 1.0, 40.0);
  p.turn(true, false);  // 40.7
  EXPECT_DOUBLE_EQ(p.plate->actual_precision_first_xpos(), 170.7);
  EXPECT_TRUE(has(100, 100, 50, 1, FL_BLACK));  // body outline
  EXPECT_TRUE(has(100, 119, 50, 1, FL_BLACK));
  EXPECT_TRUE(has(100, 100, 1, 20, FL_BLACK));
  EXPECT_TRUE(has(149, 100, 1, 20, FL_BLACK));
  EXPECT_TRUE(has(101, 101, 39, 18, FL_BLUE));
  EXPECT_TRUE(has(140, 100, 1, 20, FL_BLACK));  // piston line at 100 + 40
  EXPECT_TRUE(has(141, 101, 8, 7, FL_BLUE));
  EXPECT_TRUE(has(141, 113, 8, 6, FL_BLUE));
  EXPECT_TRUE(has(140, 108, 30, 5, FL_BLACK));  // rod, 8 below the top
  EXPECT_TRUE(has(150, 100, 19, 8, surface));
  EXPECT_TRUE(has(150, 113, 19, 7, surface));
  EXPECT_TRUE(has(170, 100, 1, 20, background));  // uncovered by the plate's step
  EXPECT_TRUE(has(171, 100, 5, 20, FL_GREEN));
}

TEST_F(Djack, BlockedPlateKeepsTheRodWhereItWas) {
  PusherJack p(*this, 1.0, 1.0, 40.0);
  movepart* obstacle = make(175, 100, 5, 20, FL_RED);
  EXPECT_EQ(p.turn(true, false), 1);
  EXPECT_DOUBLE_EQ(p.plate->actual_precision_first_xpos(), 170);
  EXPECT_EQ(p.jack.out_stop(), 0);
  EXPECT_TRUE(has(140, 100, 1, 20, FL_BLACK));  // piston line still at 40
  EXPECT_TRUE(has(141, 101, 8, 7, FL_BLUE));
  EXPECT_TRUE(has(140, 108, 30, 5, FL_BLACK));
  EXPECT_TRUE(has(170, 100, 5, 20, FL_GREEN));
  delete obstacle;
  // The obstacle gone, the next command moves the rod from 40 to 41.
  p.turn(true, false);
  EXPECT_TRUE(has(141, 100, 1, 20, FL_BLACK));
  EXPECT_DOUBLE_EQ(p.plate->actual_precision_first_xpos(), 171);
}

TEST_F(Djack, LeftJackIsTheMirrorImage) {
  movepart* plate = make(165, 300, 5, 20, FL_GREEN);  // rod end: 300 - 10 - 120
  ldjack jack(window, 300, 300, 50, 20, 120, 5, 1.0, 1.0, plate, 10.0);
  jack.activate_out();
  jack.react();
  jack.draw();
  EXPECT_DOUBLE_EQ(plate->actual_precision_first_xpos(), 164);
  EXPECT_TRUE(has(251, 301, 38, 7, FL_BLUE));  // body (250, 300, 50, 20)
  EXPECT_TRUE(has(250, 300, 1, 20, FL_BLACK));
  EXPECT_TRUE(has(289, 300, 1, 20, FL_BLACK));  // piston line at 300 - 11
  EXPECT_TRUE(has(290, 301, 9, 18, FL_BLUE));
  EXPECT_TRUE(has(169, 308, 120, 5, FL_BLACK));  // rod (300 - 11 - 120, 308)
  EXPECT_TRUE(has(169, 300, 2, 8, background));  // uncovered by the plate's step
  EXPECT_TRUE(has(171, 300, 79, 8, surface));
  delete plate;
}

TEST_F(Djack, DownJackRedrawnAtANewAnchorErasesItsOldDrawing) {
  movepart* cup = make(295, 110, 30, 5, FL_GREEN);  // rod end: 50 + 10 + 50
  bdjack jack(window, 300, 50, 40, 20, 50, 5, 1.0, 1.0, cup, 10.0);
  jack.draw();
  EXPECT_TRUE(has(301, 51, 18, 9, FL_BLUE));
  EXPECT_TRUE(has(300, 60, 20, 1, FL_BLACK));  // piston line at 50 + 10
  EXPECT_TRUE(has(308, 60, 5, 50, FL_BLACK));  // rod
  EXPECT_TRUE(has(295, 110, 30, 5, FL_GREEN));

  clear_window(window, surface);
  jack.draw(300, 50);  // same anchor: nothing erased
  EXPECT_TRUE(has(320, 50, 1, 41, surface));
  EXPECT_TRUE(has(300, 89, 20, 1, FL_BLACK));

  jack.draw(400, 50);
  // Erased with the part's background: the body one pixel wider and
  // longer, then the rod.
  EXPECT_TRUE(has(300, 50, 21, 41, background));
  EXPECT_TRUE(has(308, 91, 5, 19, background));
  EXPECT_TRUE(has(401, 51, 18, 9, FL_BLUE));
  EXPECT_TRUE(has(408, 60, 5, 50, FL_BLACK));
  EXPECT_TRUE(has(295, 110, 30, 5, FL_GREEN));  // the part is not moved with the anchor
  delete cup;
}

// The swinging arm.

TEST_F(Djack, SwingingArmPlacesItsPartAtTheTruncatedArmEnd) {
  movepart* part = make(250, 200, 10, 10, FL_GREEN);
  hrdjack arm(window, 200, 200, 10, 0, 50, 90.0, 90.0, part, 0.0);
  arm.draw();
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 250);
  EXPECT_TRUE(has(211, 200, 39, 1, FL_BLACK));  // arm along +x

  arm.activate_out();
  EXPECT_EQ(arm.react(), 1);
  arm.draw();  // 90 degrees: clockwise on the screen, straight down
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 200);
  EXPECT_DOUBLE_EQ(part->actual_precision_first_ypos(), 249);
  EXPECT_TRUE(has(211, 200, 39, 1, background));  // old arm erased
  EXPECT_TRUE(has(200, 211, 1, 38, FL_BLACK));
  EXPECT_EQ(pixel(window, 205, 205), rgb_of(FL_BLUE));  // hub
  EXPECT_TRUE(has(200, 249, 10, 10, FL_GREEN));

  arm.activate_out();
  arm.react();
  arm.draw();  // 180 degrees
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 151);
  EXPECT_DOUBLE_EQ(part->actual_precision_first_ypos(), 200);
  EXPECT_TRUE(has(151, 200, 10, 10, FL_GREEN));
  EXPECT_TRUE(has(161, 200, 39, 1, FL_BLACK));
  delete part;
}

TEST_F(Djack, BlockedSwingingArmStaysAtItsAngle) {
  movepart* part = make(250, 200, 10, 10, FL_GREEN);
  movepart* obstacle = make(195, 255, 20, 10, FL_RED);
  hrdjack arm(window, 200, 200, 10, 0, 50, 90.0, 90.0, part, 0.0);
  arm.activate_out();
  arm.react();
  arm.draw();
  EXPECT_DOUBLE_EQ(part->actual_precision_first_xpos(), 250);
  EXPECT_DOUBLE_EQ(part->actual_precision_first_ypos(), 200);
  EXPECT_TRUE(has(211, 200, 39, 1, FL_BLACK));  // the arm drawn at 0 degrees
  arm.activate_in();
  EXPECT_EQ(arm.react(), 0);  // already at 0
  EXPECT_EQ(arm.in_stop(), 1);
  delete obstacle;
  delete part;
}
