// The line driven turn by turn through the real turn loop: real widgets, a
// real exchange area, and an in-process client standing for the controller.
#include "tests/app/workstation_fixture.h"

#include "app/line.h"
#include "tests/support/pixels.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <utility>
#include <string>
#include <vector>

namespace {

class LineTurns : public WorkstationTest {
 protected:
  line& L() { return station->get_line(); }
  void set(const char* output, int value) { client->setreset_output(output, value); }
  void turns(int n) {
    for (int i = 0; i < n; ++i) station->turn(test_clock);
  }
  // Runs turns until cond holds; the number of turns it took, or -1.
  int turns_until(const std::function<bool()>& cond, int limit) {
    for (int n = 1; n <= limit; ++n) {
      station->turn(test_clock);
      if (cond()) return n;
    }
    return -1;
  }
  int turns_until_seen(const char* input, int value, int limit) {
    return turns_until([&] { return seen(input) == value; }, limit);
  }
  movepart* lowest_lid() { return L().lid_stack.front(); }

  // A workpiece as "piece" makes it (side view on the rail, top view on the
  // belt), put straight onto the main belt with its left edge at x.
  movepart* place_workpiece(int x) {
    auto* w = new movepart(L().registry, atelier->window, atelier->drawing_box->color());
    w->add(x, 330, 50, 40, FL_YELLOW);
    w->add(x, 445, 50, 50, FL_YELLOW);
    L().main_belt.add_ppart(w);
    return w;
  }
  // Takes it off the line again, with its glue bead if it has one.
  void remove_workpiece(movepart* w) {
    movepart* bead = w->part_have_link();
    w->unlink();
    delete bead;
    L().main_belt.supp_ppart(w);
    delete w;
  }
  // A glue bead laid on the workpiece, as the glue unit lays it.
  void lay_bead(movepart* w) {
    auto* bead = new movepart(L().registry, atelier->window, atelier->drawing_box->color());
    bead->add(w->actual_first_xpos() + 5, 327, 40, 3, FL_GREEN);
    w->link(bead);
  }

  // From start-up: lids settled, the lowest one handed to the pusher carrier.
  void load_lid_on_carrier() {
    turns(60);
    set("RENT", 1);
    ASSERT_GT(turns_until([&] { return L().carrier.part_have_link() != nullptr; }, 100), 0);
    set("RENT", 0);
  }
  // Then the pusher out and the cup down onto the lid, which it takes.
  void take_lid_with_cup() {
    load_lid_on_carrier();
    set("SORT", 1);
    ASSERT_GT(turns_until_seen("ts", 1, 200), 0);
    set("SORT", 0);
    set("DESV", 1);
    set("ASPI", 1);
    ASSERT_GT(turns_until([&] { return L().cup.part_have_link() != nullptr; }, 100), 0);
    set("DESV", 0);
  }
  // The pusher out and the cup down onto its lid with the suction off, where
  // the cup rests (plate bottom on the lid's top at y 250); then the suction
  // on, which takes the lid.
  void rest_cup_on_lid_then_suck() {
    load_lid_on_carrier();
    set("SORT", 1);
    ASSERT_GT(turns_until_seen("ts", 1, 200), 0);
    set("SORT", 0);
    set("DESV", 1);
    turns(30);
    set("DESV", 0);
    ASSERT_EQ(L().cup.actual_first_ypos(), 225);
    ASSERT_EQ(L().cup.part_have_link(), nullptr);
    set("ASPI", 1);
    turns(1);
    ASSERT_NE(L().cup.part_have_link(), nullptr);
  }
  // Then the cup up with its lid and the pusher back, out of the cup's way.
  void hold_lid_up() {
    take_lid_with_cup();
    set("MONV", 1);
    ASSERT_GT(turns_until_seen("vh", 1, 200), 0);
    set("MONV", 0);
    set("RENT", 1);
    ASSERT_GT(turns_until_seen("te", 1, 200), 0);
    set("RENT", 0);
  }
  // A workpiece carried along the main belt until its left edge reaches x.
  movepart* workpiece_to(int x, bool glue) {
    atelier->piece_button->do_callback();
    set("MTA", 1);
    set("MT", 1);
    set("DEPOSE", glue ? 1 : 0);
    int n = turns_until(
        [&] {
          auto& parts = L().main_belt.part_list();
          return !parts.empty() && parts.front()->actual_first_xpos() >= x;
        },
        3000);
    set("MTA", 0);
    set("MT", 0);
    set("DEPOSE", 0);
    return n > 0 ? L().main_belt.part_list().front() : nullptr;
  }
};

}  // namespace

TEST_F(LineTurns, TheFiveLidsFallTogetherAndSettleInTurn) {
  ASSERT_EQ(L().lid_stack.size(), 5u);
  const int settle[] = {40, 45, 50, 55, 60};
  const int top[] = {240, 230, 220, 210, 200};
  std::vector<movepart*> lids(L().lid_stack.begin(), L().lid_stack.end());
  for (int turn = 1; turn <= 61; ++turn) {
    turns(1);
    for (int i = 0; i < 5; ++i) {
      int expected = turn < settle[i] ? 200 - 15 * i + turn : top[i];
      ASSERT_EQ(lids[i]->actual_first_ypos(), expected) << "lid " << i << " turn " << turn;
    }
  }
}

TEST_F(LineTurns, RetractedPusherTakesTheLowestLidInTheTurnAfterItArrives) {
  turns(60);
  set("RENT", 1);
  movepart* lid = lowest_lid();
  turns(39);
  EXPECT_EQ(seen("te"), 0);
  turns(1);  // the 40th turn reaches the in stop, sensed in the next one
  EXPECT_EQ(seen("te"), 0);
  turns(1);
  EXPECT_EQ(seen("te"), 1);
  turns(7);  // 48 turns: the lid has just reached the slot
  EXPECT_EQ(lid->actual_first_ypos(), 250);
  EXPECT_EQ(L().carrier.part_have_link(), nullptr);
  EXPECT_EQ(L().lid_stack.size(), 5u);
  turns(1);
  EXPECT_EQ(L().carrier.part_have_link(), lid);
  EXPECT_EQ(lid->is_linked(), 1);
  EXPECT_EQ(L().lid_stack.size(), 4u);
  EXPECT_NE(lowest_lid(), lid);
}

TEST_F(LineTurns, CupTakesTheLidWhenItsPlateReachesItAndGoesNoLower) {
  load_lid_on_carrier();
  movepart* lid = L().carrier.part_have_link();
  set("SORT", 1);
  ASSERT_GT(turns_until_seen("ts", 1, 200), 0);
  set("SORT", 0);
  set("DESV", 1);
  set("ASPI", 1);
  testing::internal::CaptureStderr();
  turns(14);
  EXPECT_EQ(L().cup.actual_first_ypos(), 224);  // jack at 24, plate bottom at 249
  EXPECT_EQ(L().cup.part_have_link(), nullptr);
  turns(1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "cap a ete decouple de poussoir_vt\ncap a ete couple a poussoir_vv\n");
  EXPECT_EQ(L().cup.part_have_link(), lid);
  EXPECT_EQ(L().carrier.part_have_link(), nullptr);
  EXPECT_EQ(L().cup.actual_first_ypos(), 224);  // the held lid rests in the slot
  EXPECT_EQ(seen("vide"), 0);
  turns(5);
  EXPECT_EQ(L().cup.actual_first_ypos(), 224);
  EXPECT_EQ(seen("vb"), 0);
  EXPECT_EQ(seen("vide"), 1);
}

// The cup's plate rests on the lid from the start; the lid is taken only
// in the turn after the pusher has brought it past x 380.
TEST_F(LineTurns, CupTakesTheLidOnlyOnceItIsPastX380) {
  load_lid_on_carrier();
  movepart* lid = L().carrier.part_have_link();
  ASSERT_EQ(lid->actual_first_xpos(), 301);
  set("SORT", 1);
  turns(79);
  set("SORT", 0);
  ASSERT_EQ(lid->actual_first_xpos(), 380);
  set("DESV", 1);
  set("ASPI", 1);
  turns(30);
  EXPECT_EQ(L().cup.part_have_link(), nullptr);
  set("SORT", 1);
  turns(1);
  set("SORT", 0);
  EXPECT_EQ(lid->actual_first_xpos(), 381);
  EXPECT_EQ(L().cup.part_have_link(), nullptr);
  turns(1);
  EXPECT_EQ(L().cup.part_have_link(), lid);
}

// The cup lifts its lid only if it took it one pixel above it, the suction
// on while it came down. Lowered onto the lid with the suction off, it rests
// on it: the lid it then takes is pressed against its plate, and since a
// carried part moves before its carrier, neither can rise.
TEST_F(LineTurns, CupLiftsALidTakenWhileComingDown) {
  take_lid_with_cup();
  movepart* lid = L().cup.part_have_link();
  set("MONV", 1);
  EXPECT_EQ(turns_until_seen("vh", 1, 600), 25);
  EXPECT_EQ(seen("vide"), 1);
  EXPECT_EQ(lid->actual_first_ypos(), 226);  // up 24 from 250, a pixel under the plate
}

TEST_F(LineTurns, CupRestingOnTheLidBeforeTheSuctionHoldsItButCannotLiftIt) {
  rest_cup_on_lid_then_suck();
  movepart* lid = L().cup.part_have_link();
  set("MONV", 1);
  EXPECT_EQ(turns_until_seen("vh", 1, 600), -1);
  EXPECT_EQ(seen("vide"), 1);
  EXPECT_EQ(L().cup.actual_first_ypos(), 225);
  EXPECT_EQ(lid->actual_first_ypos(), 250);
}

// What a controller can do then: the suction off lets the lid go and the cup
// rises empty, but the lid left loose in the slot stops the pusher's return
// until "interv." takes it away.
TEST_F(LineTurns, LidLeftInTheSlotByARestingCupBlocksThePusherUntilIntervention) {
  rest_cup_on_lid_then_suck();
  movepart* lid = L().cup.part_have_link();
  set("ASPI", 0);
  set("MONV", 1);
  EXPECT_GT(turns_until_seen("vh", 1, 100), 0);
  set("MONV", 0);
  EXPECT_EQ(L().released_lid, lid);
  set("RENT", 1);
  EXPECT_EQ(turns_until_seen("te", 1, 300), -1);
  atelier->intervention_button->value(1);
  turns(1);
  atelier->intervention_button->value(0);
  EXPECT_EQ(L().released_lid, nullptr);
  EXPECT_GT(turns_until_seen("te", 1, 100), 0);
}

TEST_F(LineTurns, PvReleasesTheLidInTheSameTurn) {
  take_lid_with_cup();
  movepart* lid = L().cup.part_have_link();
  turns(1);
  EXPECT_EQ(seen("vide"), 1);
  atelier->pv_button->value(1);
  testing::internal::CaptureStderr();
  turns(1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "cap a ete decouple de poussoir_vv\n");
  EXPECT_EQ(seen("vide"), 0);
  EXPECT_EQ(L().cup.part_have_link(), nullptr);
  EXPECT_EQ(L().released_lid, lid);
  EXPECT_EQ(lid->is_linked(), 0);
}

TEST_F(LineTurns, LidLaidOnAGluedWorkpieceAtStationTwoIsGlued) {
  hold_lid_up();
  movepart* lid = L().cup.part_have_link();
  testing::internal::CaptureStderr();
  movepart* w = workpiece_to(360, true);
  std::string log = testing::internal::GetCapturedStderr();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(log, "TRANSFERT\nPREPARATION COLLE\n");
  movepart* bead = w->part_have_link();
  ASSERT_NE(bead, nullptr);
  EXPECT_EQ(bead->actual_first_ypos(), 327);

  set("DESV", 1);
  ASSERT_GT(turns_until_seen("vb", 1, 200), 0);
  EXPECT_EQ(lid->actual_first_ypos(), 316);
  EXPECT_EQ(lid->actual_last_ypos(), 326);
  testing::internal::CaptureStderr();
  set("ASPI", 0);
  turns(1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "cap a ete decouple de poussoir_vv\nENCOLLAGE !\n");
  EXPECT_EQ(bead->part_have_link(), lid);
  EXPECT_EQ(L().released_lid, nullptr);
}

TEST_F(LineTurns, LidLetGoOverAWorkpieceWithoutGlueFallsOntoIt) {
  hold_lid_up();
  movepart* lid = L().cup.part_have_link();
  movepart* w = workpiece_to(360, false);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->part_have_link(), nullptr);
  set("DESV", 1);
  ASSERT_GT(turns_until_seen("vb", 1, 200), 0);
  set("ASPI", 0);
  testing::internal::CaptureStderr();
  turns(10);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "cap a ete decouple de poussoir_vv\n");
  EXPECT_EQ(L().released_lid, lid);
  // From 316-326 down onto the workpiece's side view, whose top is at 330.
  EXPECT_EQ(lid->actual_last_ypos(), 330);
}

TEST_F(LineTurns, GlueIsLaidOnceAndColleFallsWhenDeposeStops) {
  movepart* w = workpiece_to(290, false);
  ASSERT_NE(w, nullptr);
  set("DEPOSE", 1);
  testing::internal::CaptureStderr();
  turns(1);
  EXPECT_EQ(seen("colle"), 1);
  turns(5);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "PREPARATION COLLE\n");
  EXPECT_EQ(seen("colle"), 1);
  movepart* bead = w->part_have_link();
  ASSERT_NE(bead, nullptr);
  EXPECT_EQ(bead->actual_first_xpos(), w->actual_first_xpos() + 5);
  set("DEPOSE", 0);
  turns(1);
  EXPECT_EQ(seen("colle"), 0);
}

TEST_F(LineTurns, DeposeWithNothingUnderTheGlueUnitKeepsColleAtZero) {
  set("DEPOSE", 1);
  for (int i = 0; i < 3; ++i) {
    turns(1);
    EXPECT_EQ(seen("colle"), 0);
  }
}

TEST_F(LineTurns, OneWorkpiecePerTurnChangesBeltsOrLeaves) {
  unsigned int bg = atelier->drawing_box->color();
  auto make = [&](int x) {
    auto* p = new movepart(L().registry, atelier->window, bg);
    p->add(x, 445, 50, 50, FL_YELLOW);
    return p;
  };
  movepart* a = make(560);
  movepart* b = make(620);
  L().main_belt.add_ppart(a);
  L().main_belt.add_ppart(b);
  movepart* c = make(180);
  movepart* d = make(231);
  L().feed_belt.add_ppart(c);
  L().feed_belt.add_ppart(d);
  testing::internal::CaptureStderr();
  turns(1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "TRANSFERT\n DESTRUCTION\n");
  // The later one in each list went first.
  ASSERT_EQ(L().main_belt.part_list().size(), 2u);
  EXPECT_EQ(L().main_belt.part_list()[0], a);
  EXPECT_EQ(L().main_belt.part_list()[1], d);
  EXPECT_EQ(d->actual_first_xpos(), 232);
  ASSERT_EQ(L().feed_belt.part_list().size(), 1u);
  testing::internal::CaptureStderr();
  turns(1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "TRANSFERT\n DESTRUCTION\n");
  ASSERT_EQ(L().main_belt.part_list().size(), 2u);
  EXPECT_EQ(L().main_belt.part_list()[0], d);
  EXPECT_EQ(L().main_belt.part_list()[1], c);
  EXPECT_TRUE(L().feed_belt.part_list().empty());
}

TEST_F(LineTurns, PieceIsRefusedWhileTheFeedEntryIsBusy) {
  atelier->piece_button->do_callback();
  turns(1);
  ASSERT_EQ(L().feed_belt.part_list().size(), 1u);
  movepart* first = L().feed_belt.part_list().front();
  set("MTA", 1);
  int accepted = 0;
  // Clicked every turn; taken only once the first has left x 19 to 109.
  for (int turn = 0; turn < 400 && accepted == 0; ++turn) {
    atelier->piece_button->do_callback();
    turns(1);
    if (L().feed_belt.part_list().size() == 2u) accepted = first->actual_first_xpos();
  }
  EXPECT_EQ(accepted, 110);
}

TEST_F(LineTurns, InterventionClearsBeltsAndCupButNotTheMagazine) {
  take_lid_with_cup();
  movepart* w = workpiece_to(300, true);
  ASSERT_NE(w, nullptr);
  ASSERT_NE(w->part_have_link(), nullptr);
  atelier->piece_button->do_callback();
  turns(1);
  ASSERT_EQ(L().feed_belt.part_list().size(), 1u);
  size_t magazine = L().lid_stack.size();
  atelier->intervention_button->value(1);
  turns(3);
  atelier->intervention_button->value(0);
  EXPECT_TRUE(L().feed_belt.part_list().empty());
  EXPECT_TRUE(L().main_belt.part_list().empty());
  EXPECT_EQ(L().cup.part_have_link(), nullptr);
  EXPECT_EQ(L().carrier.part_have_link(), nullptr);
  EXPECT_EQ(L().lid_stack.size(), magazine);
  EXPECT_EQ(L().registry.busy_position(75, 470), 0);
  EXPECT_EQ(L().registry.busy_position(320, 470), 0);
  EXPECT_EQ(L().registry.busy_position(290, 328), 0);  // the bead went too
}

TEST_F(LineTurns, AFullRegistryRefusesNewPartsAndTheRunGoesOn) {
  movepart* w = workpiece_to(290, false);
  ASSERT_NE(w, nullptr);
  turns(60);  // lids settled: the magazine's top is free
  // Fill the registry with parts out of the way.
  std::vector<movepart*> filler;
  unsigned int bg = atelier->drawing_box->color();
  while (L().registry.has_room()) {
    auto* p = new movepart(L().registry, atelier->window, bg);
    p->add(600 + filler.size() % 10 * 3, 20 + filler.size() / 10 * 3, 2, 2, FL_BLACK);
    filler.push_back(p);
  }
  testing::internal::CaptureStderr();
  atelier->piece_button->do_callback();
  turns(1);
  atelier->lid_button->do_callback();
  turns(1);
  set("DEPOSE", 1);
  turns(3);
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(log,
            "trop de pieces en jeu: piece refuse\n"
            "trop de pieces en jeu: couvercle refuse\n"
            "trop de pieces en jeu: cordon de colle refuse\n");
  EXPECT_EQ(L().feed_belt.part_list().size(), 0u);
  EXPECT_EQ(w->part_have_link(), nullptr);
  EXPECT_EQ(seen("colle"), 0);
  for (movepart* p : filler) delete p;
  turns(1);
  EXPECT_NE(w->part_have_link(), nullptr);  // room again: the bead is laid
}

TEST_F(LineTurns, TheLineStandsInTheWindow) {
  turns(61);
  Fl_Window* w = atelier->window;
  auto colour_at = [&](int x, int y) { return pixel(w, x, y); };
  auto rgb = rgb_of;
  EXPECT_EQ(colour_at(320, 245), rgb(FL_RED));    // the lowest lid, settled
  EXPECT_EQ(colour_at(100, 470), rgb(FL_RED));    // the feed belt
  EXPECT_EQ(colour_at(400, 470), rgb(FL_RED));    // the main belt
  EXPECT_EQ(colour_at(310, 437), rgb(FL_BLUE));   // station 1's upper plate
  EXPECT_EQ(colour_at(410, 502), rgb(FL_BLUE));   // station 2's lower plate
  EXPECT_EQ(colour_at(300, 372), rgb(FL_BLACK));  // the rail
  EXPECT_EQ(colour_at(297, 100), rgb(FL_GREEN));  // the magazine's left guide
  EXPECT_EQ(colour_at(400, 232), rgb(FL_GREEN));  // the suction plate
  EXPECT_EQ(colour_at(150, 100), rgb(FL_BACKGROUND_COLOR));
}

// A bead and lid half a pixel out of step with their workpiece, as the
// turn at which each is laid makes them in real time: the workpiece leaves
// the line and nothing of the three stays on the screen (a red column at
// x 557 and a green one at x 560 did).
TEST_F(LineTurns, LiddedWorkpieceLeavingTheLineLeavesNoPixelBehind) {
  movepart* w = place_workpiece(540);
  set("MT", 1);
  turns(2);
  lay_bead(w);  // at x 545 when the workpiece is at 540.5
  auto* lid = new movepart(L().registry, atelier->window, atelier->drawing_box->color());
  lid->add(542, 316, 48, 10, FL_RED);
  w->part_have_link()->link(lid);
  w->draw();
  testing::internal::CaptureStderr();
  EXPECT_GT(turns_until([&] { return L().main_belt.part_list().empty(); }, 100), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), " DESTRUCTION\n");
  EXPECT_TRUE(rect_has_colour(atelier->window, 540, 300, 80, 70, FL_BACKGROUND_COLOR));
}

TEST_F(LineTurns, OutputValuesOtherThanOneLeaveTheActuatorsIdle) {
  atelier->piece_button->do_callback();
  turns(1);
  movepart* w = L().feed_belt.part_list().front();
  for (const char* output : {"MTA", "MT", "SORT", "DESV", "DESP", "BZ1", "BZ2", "BZ3"})
    set(output, 2);
  set("DEPOSE", -1);
  turns(30);
  EXPECT_EQ(w->actual_first_xpos(), 50);
  EXPECT_EQ(L().carrier.actual_first_xpos(), 255);  // pusher still at 40
  EXPECT_EQ(L().cup.actual_first_ypos(), 210);      // cup jack still at 10
  EXPECT_EQ(L().press_plate.actual_first_ypos(), 215);
  EXPECT_EQ(seen("b1e"), 1);
  EXPECT_EQ(seen("b2e"), 1);
  EXPECT_EQ(seen("b3e"), 1);
  set("MTA", 1);
  turns(12);
  EXPECT_EQ(w->actual_first_xpos(), 53);  // 12 steps of 0.3
}

namespace {

std::vector<std::string> toolkit_warnings;

void keep_warning(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  toolkit_warnings.push_back(text);
}

}  // namespace

// The closed box leaves the toolkit drawing into its destroyed window: the
// turn must make the line's window current before it draws anything.
TEST_F(LineTurns, TurnsAfterTheAboutBoxDrawIntoTheLineWindow) {
  turns(61);
  clear_window(atelier->window, FL_BLACK);
  toolkit_warnings.clear();
  auto previous = Fl::warning;
  Fl::warning = keep_warning;
  atelier->about_button->do_callback();
  close_modal_box_after(0.1);
  turns(3);
  settle();
  Fl::warning = previous;
  EXPECT_TRUE(toolkit_warnings.empty()) << toolkit_warnings.front();
  EXPECT_EQ(pixel(atelier->window, 297, 100), rgb_of(FL_GREEN));  // the magazine's left guide
  EXPECT_EQ(pixel(atelier->window, 351, 100), rgb_of(FL_GREEN));  // and its right one
  EXPECT_EQ(pixel(atelier->window, 320, 245), rgb_of(FL_RED));    // the lowest lid
}

namespace {

// A 50-pixel workpiece covers a sensor point from its left edge to its
// right edge, both included.
struct presence_case {
  const char* sensor;
  int left_edge;
  int expected;
};

}  // namespace

TEST_F(LineTurns, PresenceSensorsSeeAWorkpieceExactlyOverTheirPoint) {
  const presence_case cases[] = {
      // pp at x 230
      {"pp", 230, 1}, {"pp", 231, 0}, {"pp", 180, 1}, {"pp", 179, 0},
      // p1ok at x 336
      {"p1ok", 336, 1}, {"p1ok", 337, 0}, {"p1ok", 286, 1}, {"p1ok", 285, 0},
      // p2ok at x 434
      {"p2ok", 434, 1}, {"p2ok", 435, 0}, {"p2ok", 384, 1}, {"p2ok", 383, 0},
      // p3ok at x 535
      {"p3ok", 535, 1}, {"p3ok", 536, 0}, {"p3ok", 485, 1}, {"p3ok", 484, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.sensor) + " with the left edge at " + std::to_string(c.left_edge));
    movepart* w = place_workpiece(c.left_edge);
    turns(1);
    for (const char* sensor : {"pp", "p1ok", "p2ok", "p3ok"})
      EXPECT_EQ(seen(sensor), sensor == std::string(c.sensor) ? c.expected : 0) << sensor;
    remove_workpiece(w);
  }
}

// The glue unit lays a bead on a workpiece that covers x 309 to 311.
TEST_F(LineTurns, GlueIsLaidOnlyOnAWorkpieceUnderTheNozzle) {
  const struct {
    int left_edge;
    bool glued;
  } cases[] = {{309, true}, {310, false}, {261, true}, {260, false}};
  set("DEPOSE", 1);
  for (const auto& c : cases) {
    SCOPED_TRACE("left edge at " + std::to_string(c.left_edge));
    movepart* w = place_workpiece(c.left_edge);
    turns(1);
    EXPECT_EQ(w->part_have_link() != nullptr, c.glued);
    remove_workpiece(w);
  }
}

namespace {

// The cup lets its lid go onto a glued workpiece that covers x 399 to 401.
class LidLetGoOver : public LineTurns, public ::testing::WithParamInterface<std::pair<int, bool>> {};

}  // namespace

TEST_P(LidLetGoOver, AGluedWorkpieceTakesItOnlyWhenUnderTheCup) {
  const int left_edge = GetParam().first;
  hold_lid_up();
  movepart* lid = L().cup.part_have_link();
  movepart* w = place_workpiece(left_edge);
  lay_bead(w);
  set("DESV", 1);
  ASSERT_GT(turns_until_seen("vb", 1, 200), 0);
  set("ASPI", 0);
  testing::internal::CaptureStderr();
  turns(1);
  std::string log = testing::internal::GetCapturedStderr();
  if (GetParam().second) {
    EXPECT_EQ(log, "cap a ete decouple de poussoir_vv\nENCOLLAGE !\n");
    EXPECT_EQ(w->part_have_link()->part_have_link(), lid);
  } else {
    EXPECT_EQ(log, "cap a ete decouple de poussoir_vv\n");
    EXPECT_EQ(L().released_lid, lid);
  }
}

INSTANTIATE_TEST_SUITE_P(EitherSideOfTheCup, LidLetGoOver,
                         ::testing::Values(std::make_pair(399, true), std::make_pair(400, false),
                                           std::make_pair(351, true), std::make_pair(350, false)));

namespace {

// An output held, one after the other from the start, and the turn in which
// the controller first reads its stop sensor on: the jack moves one step in each turn it is
// commanded, and the stop is read at the start of the turn after it arrives.
struct stop_case {
  const char* output;
  const char* sensor;
  int turn;
};

}  // namespace

TEST_F(LineTurns, StopSensorsComeOnInTheTurnAfterTheJackArrives) {
  const stop_case cases[] = {
      {"SORT", "ts", 46},  // pusher from 40 to its stroke of 85
      {"DESP", "pb", 91},  // press from 10 to its stroke of 100
      {"BZ1", "b1s", 26},  // station jacks from 0 to their stroke of 25, both ways
      {"BZ2", "b2s", 26},
      {"BZ3", "b3s", 26},
      {"MONV", "vh", 11},   // cup from 10 back to 0
      {"MONP", "ph", 101},  // press from 100, where DESP left it, back to 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    set(c.output, 1);
    EXPECT_EQ(turns_until_seen(c.sensor, 1, 300), c.turn);
    set(c.output, 0);
  }
}

// The cup comes down only once the pusher's tray is out of its way.
TEST_F(LineTurns, CupReachesItsLowerStopEightyOneTurnsAfterDesv) {
  set("RENT", 1);
  ASSERT_EQ(turns_until_seen("te", 1, 100), 41);
  set("RENT", 0);
  set("DESV", 1);
  EXPECT_EQ(turns_until_seen("vb", 1, 300), 81);  // from 10 to its stroke of 90
}

// Single-acting: the spring brings the station jacks back one pixel a turn.
TEST_F(LineTurns, StationJacksComeBackHomeTwentySixTurnsAfterRelease) {
  set("BZ1", 1);
  set("BZ2", 1);
  set("BZ3", 1);
  ASSERT_EQ(turns_until_seen("b3s", 1, 100), 26);
  EXPECT_EQ(seen("b1e"), 0);
  set("BZ1", 0);
  set("BZ2", 0);
  set("BZ3", 0);
  int home = turns_until([&] { return seen("b1e") == 1; }, 100);
  EXPECT_EQ(home, 26);
  EXPECT_EQ(seen("b2e"), 1);
  EXPECT_EQ(seen("b3e"), 1);
}
