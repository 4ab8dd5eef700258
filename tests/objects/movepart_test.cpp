#include "tests/objects/part_window.h"

#include <sstream>

using Movepart = PartWindow;

// Drawing and relative moves, read back pixel by pixel.

TEST_F(Movepart, StepRepaintsExactlyItsStripAndTheElement) {
  struct step {
    double dx, dy;
    std::vector<fill> after_move;  // over the first drawing (100, 200, 10, 5)
  };
  const Fl_Color bg = background;
  const std::vector<step> steps = {
      {1, 0, {{99, 200, 2, 5, bg}, {101, 200, 10, 5, FL_BLUE}}},
      {-1, 0, {{109, 200, 2, 5, bg}, {99, 200, 10, 5, FL_BLUE}}},
      {0, 1, {{100, 200, 10, 2, bg}, {100, 201, 10, 5, FL_BLUE}}},
      {0, -1, {{100, 204, 10, 1, bg}, {100, 199, 10, 5, FL_BLUE}}},
      // Fractional steps: strips and places rounded, halves away from zero,
      // except the upward strip, which truncates to nothing.
      {0, -0.5, {{100, 200, 10, 5, FL_BLUE}}},
      {0.5, 0, {{99, 200, 2, 5, bg}, {101, 200, 10, 5, FL_BLUE}}},
      {-0.5, 0, {{110, 200, 2, 5, bg}, {100, 200, 10, 5, FL_BLUE}}},
      // Both axes: the horizontal strip at the old top, then the vertical one.
      {1, 1, {{99, 200, 2, 5, bg}, {100, 200, 10, 2, bg}, {101, 201, 10, 5, FL_BLUE}}},
  };
  for (const step& s : steps) {
    SCOPED_TRACE(testing::Message() << "step (" << s.dx << ", " << s.dy << ")");
    clear_window(window, surface);
    movepart* p = make(100, 200, 10, 5);
    p->draw();
    EXPECT_EQ(p->moveredraw(s.dx, s.dy), 0);
    std::vector<fill> expected = {{100, 200, 10, 5, FL_BLUE}};
    expected.insert(expected.end(), s.after_move.begin(), s.after_move.end());
    EXPECT_TRUE(shows(90, 190, 35, 25, expected));
    delete p;
  }
}

TEST_F(Movepart, ZeroMoveRepaintsNothingAndReportsAnExistingOverlap) {
  movepart* a = make(100, 200, 10, 5);
  EXPECT_EQ(a->moveredraw(0, 0), 0);
  movepart* b = make(105, 200, 10, 5);  // added over a: adding tests nothing
  EXPECT_EQ(a->moveredraw(0, 0), 1);
  EXPECT_TRUE(has(90, 190, 40, 25, surface));
  delete b;
  delete a;
}

TEST_F(Movepart, DrawRoundsHalvesAwayFromZero) {
  movepart* p = make(10.5, 50, 5, 5);
  movepart* q = make(-2.5, 70, 5, 5);
  p->draw();
  q->draw();
  EXPECT_TRUE(has(10, 50, 1, 5, surface));
  EXPECT_TRUE(has(11, 50, 5, 5, FL_BLUE));
  EXPECT_TRUE(has(16, 50, 1, 5, surface));
  // -2.5 goes to -3: the element covers columns -3 to 1 only.
  EXPECT_TRUE(has(0, 70, 2, 5, FL_BLUE));
  EXPECT_TRUE(has(2, 70, 1, 5, surface));
  delete q;
  delete p;
}

TEST_F(Movepart, AbsoluteDrawingTruncates) {
  movepart* p = make(10.5, 50, 5, 5);
  EXPECT_EQ(p->absmoveredraw(10.5, 50), 0);
  EXPECT_DOUBLE_EQ(p->actual_precision_first_xpos(), 10.5);
  EXPECT_TRUE(has(9, 50, 1, 5, surface));
  EXPECT_TRUE(has(10, 50, 5, 5, FL_BLUE));
  EXPECT_TRUE(has(15, 50, 1, 5, surface));
  delete p;
}

TEST_F(Movepart, UndrawPaintsTheBackgroundOverThePartAndWhatItCarries) {
  movepart* a = make(100, 100, 10, 10);
  movepart* b = make(150, 100, 10, 10);
  a->link(b);
  a->draw();
  EXPECT_TRUE(has(100, 100, 10, 10, FL_BLUE));
  EXPECT_TRUE(has(150, 100, 10, 10, FL_BLUE));
  a->undraw();
  EXPECT_TRUE(has(100, 100, 10, 10, background));
  EXPECT_TRUE(has(150, 100, 10, 10, background));
  delete a;
}

TEST_F(Movepart, LaterElementsPaintOverEarlierOnes) {
  movepart p(registry, window, background);
  p.add(10, 10, 20, 10, FL_BLUE);
  p.add(15, 10, 5, 10, FL_RED);
  p.draw();
  EXPECT_TRUE(has(10, 10, 5, 10, FL_BLUE));
  EXPECT_TRUE(has(15, 10, 5, 10, FL_RED));
  EXPECT_TRUE(has(20, 10, 10, 10, FL_BLUE));
}

// Absolute placement.

TEST_F(Movepart, AbsolutePlacementPutsTheTopLeftCornerThereAndLeavesTheCarriedPart) {
  movepart* p = make(280, 240, 10, 10);
  p->add(285, 250, 10, 5, FL_BLUE);
  movepart* carried = make(200, 300, 5, 5);
  p->link(carried);
  p->draw();
  EXPECT_EQ(p->absmoveredraw(300, 250), 0);
  EXPECT_DOUBLE_EQ(p->actual_precision_first_xpos(), 300);  // xoffset 20
  EXPECT_DOUBLE_EQ(p->actual_precision_first_ypos(), 250);  // yoffset 10
  EXPECT_TRUE(has(280, 240, 10, 10, background));
  EXPECT_TRUE(has(300, 250, 10, 10, FL_BLUE));
  EXPECT_TRUE(has(305, 260, 10, 5, FL_BLUE));
  EXPECT_DOUBLE_EQ(carried->actual_precision_first_xpos(), 200);
  EXPECT_TRUE(has(200, 300, 5, 5, FL_BLUE));
  delete p;
}

TEST_F(Movepart, RefusedPlacementRedrawsThePartWhereItWas) {
  movepart* p = make(100, 100, 10, 10);
  movepart* obstacle = make(200, 100, 10, 10);
  EXPECT_EQ(p->absmoveredraw(195, 95), 1);
  EXPECT_DOUBLE_EQ(p->actual_precision_first_xpos(), 100);
  EXPECT_DOUBLE_EQ(p->actual_precision_first_ypos(), 100);
  EXPECT_TRUE(has(100, 100, 10, 10, FL_BLUE));
  EXPECT_TRUE(has(195, 95, 5, 15, surface));
  delete obstacle;
  delete p;
}

// Carrying.

TEST_F(Movepart, CarriedPartMovesBeforeItsCarrier) {
  movepart* carrier = make(100, 100, 10, 10);
  movepart* carried = make(110, 100, 10, 10);  // touching, in the way of the carrier
  carrier->link(carried);
  carrier->draw();
  EXPECT_EQ(carrier->moveredraw(1, 0), 0);
  EXPECT_DOUBLE_EQ(carrier->actual_precision_first_xpos(), 101);
  EXPECT_DOUBLE_EQ(carried->actual_precision_first_xpos(), 111);
  EXPECT_TRUE(has(101, 100, 20, 10, FL_BLUE));
  EXPECT_TRUE(has(100, 100, 1, 10, background));
  delete carrier;
}

TEST_F(Movepart, BlockedCarriedPartRefusesTheCarriersMove) {
  movepart* carrier = make(100, 100, 10, 10);
  movepart* carried = make(150, 100, 10, 10);
  movepart* obstacle = make(160, 100, 10, 10);
  carrier->link(carried);
  carrier->draw();
  obstacle->draw();
  clear_window(window, surface);
  EXPECT_EQ(carrier->moveredraw(1, 0), 1);
  EXPECT_DOUBLE_EQ(carrier->actual_precision_first_xpos(), 100);
  EXPECT_DOUBLE_EQ(carried->actual_precision_first_xpos(), 150);
  EXPECT_TRUE(has(90, 90, 100, 30, surface));  // nothing repainted
  delete obstacle;
  delete carrier;
}

TEST_F(Movepart, BlockedCarrierPutsItsCarriedPartBack) {
  movepart* carrier = make(100, 100, 10, 10);
  movepart* carried = make(200, 100, 10, 10);
  movepart* obstacle = make(110, 100, 10, 10);
  carrier->link(carried);
  carrier->draw();
  EXPECT_EQ(carrier->moveredraw(1, 0), 1);
  EXPECT_DOUBLE_EQ(carrier->actual_precision_first_xpos(), 100);
  EXPECT_DOUBLE_EQ(carried->actual_precision_first_xpos(), 200);
  // Moved right then back left: drawn at its old place, the columns around it erased.
  EXPECT_TRUE(has(199, 100, 1, 10, background));
  EXPECT_TRUE(has(200, 100, 10, 10, FL_BLUE));
  EXPECT_TRUE(has(210, 100, 2, 10, background));
  EXPECT_TRUE(has(100, 100, 10, 10, FL_BLUE));
  delete obstacle;
  delete carrier;
}

TEST_F(Movepart, CarriedPartDoesNotFallButAFreeOneFallsOnePixelUntilItRests) {
  movepart* carrier = make(100, 100, 10, 10);
  movepart* lid = make(100, 50, 10, 10);
  carrier->link(lid);
  EXPECT_EQ(lid->is_linked(), 1);
  EXPECT_EQ(lid->fall(), 1);
  EXPECT_DOUBLE_EQ(lid->actual_precision_first_ypos(), 50);
  carrier->unlink();
  EXPECT_EQ(lid->is_linked(), 0);
  EXPECT_EQ(carrier->part_have_link(), nullptr);
  for (int turn = 0; turn < 39; ++turn) EXPECT_EQ(lid->fall(), 0);
  EXPECT_DOUBLE_EQ(lid->actual_precision_first_ypos(), 89);
  EXPECT_EQ(lid->fall(), 0);  // now resting on the carrier
  EXPECT_EQ(lid->fall(), 1);
  EXPECT_DOUBLE_EQ(lid->actual_precision_first_ypos(), 90);
  delete lid;
  delete carrier;
}

TEST_F(Movepart, LinkingAnotherPartLeavesTheFormerOneHeld) {
  movepart* carrier = make(100, 100, 10, 10);
  movepart* p = make(200, 100, 10, 10);
  movepart* q = make(300, 100, 10, 10);
  carrier->link(p);
  carrier->link(q);
  EXPECT_EQ(carrier->part_have_link(), q);
  EXPECT_EQ(p->is_linked(), 1);
  delete carrier;  // destroys q only
  EXPECT_EQ(registry.busy_position(305, 105), 0);
  EXPECT_EQ(registry.busy_position(205, 105), 1);
  delete p;
}

TEST_F(Movepart, DestroyingACarrierDestroysTheChainAndErasesIt) {
  movepart* a = make(100, 100, 10, 10);
  movepart* b = make(100, 90, 10, 10);
  movepart* c = make(100, 80, 10, 10);
  movepart* outsider = make(200, 100, 10, 10);
  a->link(b);
  b->link(c);
  a->draw();
  EXPECT_TRUE(has(100, 80, 10, 30, FL_BLUE));
  delete a;
  EXPECT_TRUE(has(100, 80, 10, 30, background));
  for (int y : {85, 95, 105}) EXPECT_EQ(registry.busy_position(105, y), 0) << y;
  EXPECT_EQ(registry.busy_position(205, 105), 1);
  delete outsider;
}

// A step of less than a pixel that crosses a pixel edge leaves a column or
// row of the old place for the next step to erase. A part destroyed before
// that step erases it too, and so does each part of a destroyed chain.
TEST_F(Movepart, DestroyedPartErasesWhatItsLastStepLeftBehind) {
  struct steps_case {
    const char* what;
    std::vector<std::pair<double, double>> steps;
    fill erased;  // by the steps and the destruction, for the carrier at x 100
  };
  const std::vector<steps_case> cases = {
      {"right by quarters, as the main belt", {{0.25, 0}, {0.25, 0}}, {99, 200, 12, 5, background}},
      {"right by 0.3, as the feed belt", {{0.3, 0}, {0.3, 0}}, {99, 200, 12, 5, background}},
      {"down half a pixel and back up", {{0, 0.5}, {0, -0.5}}, {100, 200, 10, 6, background}},
  };
  for (const steps_case& c : cases) {
    SCOPED_TRACE(c.what);
    clear_window(window, surface);
    movepart* carrier = make(100, 200, 10, 5);
    carrier->link(make(130, 200, 10, 5));
    carrier->draw();
    for (const auto& step : c.steps) ASSERT_EQ(carrier->moveredraw(step.first, step.second), 0);
    delete carrier;
    fill carried_erased = c.erased;
    carried_erased.x += 30;
    EXPECT_TRUE(shows(90, 190, 60, 25, {c.erased, carried_erased}));
  }
}

TEST_F(Movepart, UnlinkedPartSurvivesItsFormerCarrier) {
  movepart* a = make(100, 100, 10, 10);
  movepart* b = make(100, 90, 10, 10);
  a->link(b);
  a->draw();
  a->unlink();
  delete a;
  EXPECT_EQ(b->is_linked(), 0);
  EXPECT_EQ(registry.busy_position(105, 95), 1);
  EXPECT_TRUE(has(100, 90, 10, 10, FL_BLUE));
  EXPECT_TRUE(has(100, 100, 10, 10, background));
  EXPECT_EQ(b->moveredraw(0, 5), 0);
  delete b;
}

// Copies: never a second owner of a carried part.

TEST_F(Movepart, CopyOfACarrierCarriesNothingAndIsNotHeld) {
  movepart* carrier = make(100, 100, 10, 10);
  movepart* carried = make(200, 100, 10, 10);
  carrier->link(carried);
  {
    movepart copy_of_carrier(*carrier);
    movepart copy_of_carried(*carried);
    EXPECT_EQ(copy_of_carrier.part_have_link(), nullptr);
    EXPECT_EQ(copy_of_carried.is_linked(), 0);
    EXPECT_DOUBLE_EQ(copy_of_carrier.actual_precision_first_xpos(), 100);
  }
  // The copies are gone; the carried part still belongs to its carrier alone.
  EXPECT_EQ(carrier->part_have_link(), carried);
  EXPECT_EQ(carrier->moveredraw(1, 0), 0);
  EXPECT_DOUBLE_EQ(carried->actual_precision_first_xpos(), 201);
  delete carrier;  // the sanitizers report a second destruction of the carried part
}

TEST_F(Movepart, AssignedPartKeepsItsOwnCarriedPartAndRegistration) {
  movepart* a = make(100, 100, 10, 10);
  movepart* a_carried = make(100, 50, 10, 10);
  movepart* b = make(300, 300, 20, 20);
  movepart* b_carried = make(300, 250, 10, 10);
  a->link(a_carried);
  b->link(b_carried);
  *a = *b;
  EXPECT_EQ(a->part_have_link(), a_carried);
  EXPECT_EQ(b->part_have_link(), b_carried);
  EXPECT_DOUBLE_EQ(a->actual_precision_last_xpos(), 320);
  // a is still registered: it collides with b, which it now overlaps.
  EXPECT_EQ(a->moveredraw(0, 0), 1);
  delete a;
  delete b;
}

TEST_F(Movepart, MovingACopyEndsTheProcessButTheOriginalMoves) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  movepart* p = make(100, 100, 10, 10);
  movepart copy(*p);
  EXPECT_EXIT(copy.moveredraw(1, 0), ::testing::ExitedWithCode(1),
              "^collision: erreur interne !\n0x[0-9a-f]+\n$");
  EXPECT_EQ(p->moveredraw(1, 0), 0);
  EXPECT_DOUBLE_EQ(p->actual_precision_first_xpos(), 101);
  delete p;
}

// Blank parts.

TEST_F(Movepart, DefinedPartIsRegisteredWithItsElementsAndOffsetsAtZero) {
  auto* lid = new movepart();
  lid->add(301, 200, 48, 10, FL_RED);
  lid->define(registry, window, background);
  EXPECT_EQ(registry.busy_position(301, 200), 1);
  EXPECT_EQ(lid->fall(), 0);
  lid->define(registry, window, background);  // offsets back to 0
  EXPECT_DOUBLE_EQ(lid->actual_precision_first_ypos(), 200);
  EXPECT_EQ(lid->my_background_color(), background);
  registry.suppart(lid);  // registered twice: both entries go
  EXPECT_EQ(registry.busy_position(301, 200), 0);
  delete lid;
}

// Position queries and text dump.

TEST_F(Movepart, PositionQueriesGiveTheBoundingBoxEdges) {
  movepart p(registry, window, background);
  p.add(10, 20, 5, 7, FL_BLUE);
  EXPECT_DOUBLE_EQ(p.actual_precision_first_xpos(), 10);
  EXPECT_DOUBLE_EQ(p.actual_precision_first_ypos(), 20);
  EXPECT_DOUBLE_EQ(p.actual_precision_last_xpos(), 15);
  EXPECT_DOUBLE_EQ(p.actual_precision_last_ypos(), 27);
  p.add(5, 25, 20, 1, FL_BLUE);
  EXPECT_EQ(p.actual_first_xpos(), 5);
  EXPECT_EQ(p.actual_last_xpos(), 25);
  EXPECT_EQ(p.actual_last_ypos(), 27);
  EXPECT_EQ(p.moveredraw(-0.5, -0.7), 0);
  EXPECT_DOUBLE_EQ(p.actual_precision_first_xpos(), 4.5);
  EXPECT_EQ(p.actual_first_xpos(), 4);  // truncated, not rounded
  EXPECT_EQ(p.actual_first_ypos(), 19);
  EXPECT_EQ(p.actual_last_ypos(), 26);  // 26.3
}

TEST_F(Movepart, PartWithoutElementsHasDefaultEdgesExceptTheFatalFirstX) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  movepart p(registry, window, background);
  EXPECT_DOUBLE_EQ(p.actual_precision_first_ypos(), 2000);
  EXPECT_DOUBLE_EQ(p.actual_precision_last_xpos(), -2000);
  EXPECT_DOUBLE_EQ(p.actual_precision_last_ypos(), -2000);
  EXPECT_EXIT(p.actual_first_xpos(), ::testing::ExitedWithCode(1),
              "^ERREUR dans movepart::actual_precision_first_xpos\\(\\)\n"
              "LISTE DE 0x[0-9a-f]+ ANORMALEMENT VIDE !!!\n\n$");
}

TEST_F(Movepart, VerticalDistanceIsTheGapOrZero) {
  movepart a(registry, window, background);
  movepart b(registry, window, background);
  movepart c(registry, window, background);
  a.add(0, 0, 10, 10, FL_BLUE);
  b.add(500, 13, 10, 7, FL_BLUE);  // horizontal places play no part
  c.add(40, 5, 10, 10, FL_BLUE);
  EXPECT_EQ(vertical_part_dist(a, b), 3);
  EXPECT_EQ(vertical_part_dist(b, a), 3);
  EXPECT_EQ(vertical_part_dist(a, c), 0);
  EXPECT_EQ(b.moveredraw(0, 0.7), 0);
  EXPECT_EQ(vertical_part_dist(a, b), 3);  // 3.7 truncated
}

TEST_F(Movepart, TextDumpListsOffsetsAndElements) {
  movepart p(registry, window, background);
  std::ostringstream empty;
  empty << p;
  EXPECT_EQ(empty.str(), "coords 0 0\n()\n()\n()\n()\n()\n");
  p.add(10, 20, 5, 7, FL_BLUE);
  p.add(1.5, 2, 3, 4, FL_RED);
  EXPECT_EQ(p.moveredraw(1.5, -2), 0);
  std::ostringstream out;
  out << p;
  EXPECT_EQ(out.str(), "coords 1.5 -2\n(10, 1.5)\n(20, 2)\n(5, 3)\n(7, 4)\n(216, 88)\n");
}
