#include "tests/objects/part_window.h"

#include <memory>
#include <vector>

using Registry = PartWindow;

// Capacity and order.

TEST_F(Registry, HoldsExactlyOneHundredParts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::vector<std::unique_ptr<movepart>> parts;
  for (int i = 0; i < 100; ++i) parts.push_back(std::make_unique<movepart>(registry, nullptr, background));
  EXPECT_EXIT({ movepart extra(registry, nullptr, background); }, ::testing::ExitedWithCode(1),
              "^too many part !\n$");
  EXPECT_EXIT(movepart().define(registry, nullptr, background), ::testing::ExitedWithCode(1),
              "^too many part !\n$");
  parts.pop_back();
  movepart hundredth(registry, nullptr, background);
}

TEST_F(Registry, RemovalKeepsTheOrderOfTheOthers) {
  // Drawn in registration order, b, c and d leave three stripes: b | c | d.
  movepart* a = make(0, 0, 30, 10, FL_GREEN);
  movepart* b = make(0, 0, 30, 10, FL_BLUE);
  movepart* c = make(10, 0, 20, 10, FL_RED);
  movepart* d = make(20, 0, 10, 10, FL_BLACK);
  delete a;
  movepart stranger;  // never registered: its removal changes nothing
  registry.suppart(&stranger);
  clear_window(window, surface);
  registry.draw();
  EXPECT_TRUE(has(0, 0, 10, 10, FL_BLUE));
  EXPECT_TRUE(has(10, 0, 10, 10, FL_RED));
  EXPECT_TRUE(has(20, 0, 10, 10, FL_BLACK));
  delete d;
  delete c;
  delete b;
}

TEST_F(Registry, CarriedPartIsDrawnAgainThroughItsCarrier) {
  // Registered lid, cover, carrier: the cover paints over the lid, then the
  // carrier paints the lid again on top.
  movepart* lid = make(100, 100, 10, 10, FL_RED);
  movepart* cover = make(100, 100, 10, 10, FL_GREEN);
  movepart* carrier = make(100, 150, 10, 10, FL_BLUE);
  carrier->link(lid);
  registry.draw();
  EXPECT_TRUE(has(100, 100, 10, 10, FL_RED));
  carrier->unlink();
  registry.draw();
  EXPECT_TRUE(has(100, 100, 10, 10, FL_GREEN));
  delete carrier;
  delete cover;
  delete lid;
}

// Collision.

TEST_F(Registry, PartsSharingAnEdgeOrACornerDoNotOverlap) {
  movepart* a = make(100, 100, 10, 10);
  movepart* right = make(110, 100, 10, 10);
  movepart* below = make(100, 110, 10, 10);
  movepart* corner = make(110, 110, 10, 10);
  EXPECT_EQ(registry.collision(a), 0);
  EXPECT_EQ(registry.collision(corner), 0);
  EXPECT_EQ(right->moveredraw(-1, 0), 1);
  EXPECT_DOUBLE_EQ(right->actual_precision_first_xpos(), 110);
  EXPECT_EQ(below->moveredraw(0, -1), 1);
  EXPECT_EQ(corner->moveredraw(-1, -1), 1);
  EXPECT_EQ(corner->moveredraw(1, 1), 0);
  delete corner;
  delete below;
  delete right;
  delete a;
}

TEST_F(Registry, CollisionTruncatesOffsetsWhileDrawingRounds) {
  movepart* a = make(100, 100, 10, 10, FL_BLUE);
  movepart* b = make(110, 100, 10, 10, FL_RED);
  b->draw();
  EXPECT_EQ(a->moveredraw(0.9, 0), 0);  // tested at 100, painted from 101
  EXPECT_TRUE(has(101, 100, 10, 10, FL_BLUE));
  EXPECT_TRUE(has(111, 100, 9, 10, FL_RED));
  EXPECT_EQ(a->moveredraw(0.1, 0), 1);  // 1.0 is a whole pixel into b
  EXPECT_EQ(b->moveredraw(0.5, 0), 0);
  EXPECT_EQ(b->moveredraw(-0.5, 0), 0);
  EXPECT_EQ(b->moveredraw(-0.5, 0), 0);  // -0.5 truncates to 0
  EXPECT_EQ(b->moveredraw(-0.5, 0), 1);
  delete b;
  delete a;
}

TEST_F(Registry, CollisionTruncatesTheSumWhileOccupancyTruncatesEachTerm) {
  // Element at 99.7 moved by 0.6: both tests start it at column 99,
  // while it is painted from 100.
  movepart* p = make(99.7, 300, 10, 10);
  EXPECT_EQ(p->moveredraw(0.6, 0), 0);
  EXPECT_TRUE(has(99, 300, 1, 10, background));
  EXPECT_TRUE(has(100, 300, 10, 10, FL_BLUE));
  EXPECT_TRUE(has(110, 300, 1, 10, surface));
  EXPECT_EQ(registry.busy_position(99, 305), 1);
  EXPECT_EQ(registry.busy_position(98, 305), 0);
  movepart* clear_left = make(89, 300, 10, 10);
  EXPECT_EQ(registry.collision(p), 0);
  delete clear_left;
  movepart* touching = make(90, 300, 10, 10);
  EXPECT_EQ(registry.collision(p), 1);
  delete touching;

  // Element at -0.5 moved by 1: collision takes trunc(0.5) = 0,
  // occupancy trunc(-0.5) + 1 = 1.
  movepart* q = make(-0.5, 400, 10, 10);
  EXPECT_EQ(q->moveredraw(1, 0), 0);
  EXPECT_EQ(registry.busy_position(0, 405), 0);
  EXPECT_EQ(registry.busy_position(1, 405), 1);
  movepart* left = make(-9, 400, 9, 10);  // covers [-9, 0)
  EXPECT_EQ(registry.collision(q), 0);
  EXPECT_EQ(left->moveredraw(1, 0), 1);
  delete left;
  delete q;
  delete p;
}

TEST_F(Registry, ElementsOfOnePartMayOverlapEachOther) {
  movepart p(registry, window, background);
  p.add(100, 100, 10, 10, FL_BLUE);
  p.add(105, 105, 10, 10, FL_BLUE);
  EXPECT_EQ(registry.collision(&p), 0);
  EXPECT_EQ(p.moveredraw(1, 1), 0);
}

// Presence.

TEST_F(Registry, BusyPositionIncludesEveryBound) {
  EXPECT_EQ(registry.busy_position(105, 105), 0);
  movepart* a = make(100, 100, 10, 10);
  EXPECT_EQ(registry.busy_position(110, 105), 1);
  EXPECT_EQ(registry.busy_position(111, 105), 0);
  EXPECT_EQ(registry.busy_position(100, 110), 1);
  EXPECT_EQ(registry.busy_position(100, 111), 0);
  EXPECT_EQ(registry.busy_position(99, 105), 0);
  EXPECT_EQ(registry.busy_position(105, 99), 0);
  EXPECT_EQ(registry.busy_position(100, 100), 1);
  EXPECT_EQ(a->moveredraw(-0.9, 0), 0);  // offset truncates to 0
  EXPECT_EQ(registry.busy_position(110, 105), 1);
  delete a;
}

TEST_F(Registry, BusyPositionDebugDrawsABlackCross) {
  movepart* a = make(290, 240, 20, 20);
  window->make_current();
  EXPECT_EQ(registry.busy_position_debug(300, 250), 1);
  EXPECT_EQ(registry.busy_position_debug(400, 400), 0);
  EXPECT_TRUE(has(250, 250, 101, 1, FL_BLACK));
  EXPECT_TRUE(has(300, 200, 1, 101, FL_BLACK));
  EXPECT_TRUE(has(250, 249, 50, 1, surface));
  EXPECT_TRUE(has(250, 251, 50, 1, surface));
  EXPECT_TRUE(has(299, 200, 1, 50, surface));
  EXPECT_TRUE(has(300, 199, 1, 1, surface));
  EXPECT_TRUE(has(300, 301, 1, 1, surface));
  EXPECT_TRUE(has(351, 250, 1, 1, surface));
  delete a;
}

// Fall.

TEST_F(Registry, PartsFallInRegistrationOrder) {
  // Upper part registered first: it is still resting on the lower one when
  // its turn comes, so only the lower one falls.
  movepart* upper = make(100, 90, 10, 10);
  movepart* lower = make(100, 100, 10, 10);
  registry.parts_fall();
  EXPECT_DOUBLE_EQ(upper->actual_precision_first_ypos(), 90);
  EXPECT_DOUBLE_EQ(lower->actual_precision_first_ypos(), 101);

  // Lower part registered first: it falls, then the upper one follows.
  movepart* low = make(200, 100, 10, 10);
  movepart* high = make(200, 90, 10, 10);
  registry.parts_fall();
  EXPECT_DOUBLE_EQ(low->actual_precision_first_ypos(), 101);
  EXPECT_DOUBLE_EQ(high->actual_precision_first_ypos(), 91);
  delete high;
  delete low;
  delete lower;
  delete upper;
}

TEST_F(Registry, CarriedPartFallsOnlyWithItsCarrier) {
  movepart* carrier = make(100, 100, 10, 10);
  movepart* lid = make(200, 100, 10, 10);
  carrier->link(lid);
  registry.parts_fall();
  EXPECT_DOUBLE_EQ(carrier->actual_precision_first_ypos(), 101);
  EXPECT_DOUBLE_EQ(lid->actual_precision_first_ypos(), 101);
  delete carrier;
}
