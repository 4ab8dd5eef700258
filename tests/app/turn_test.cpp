// The turn loop driven turn by turn, with the real window's widgets, a real
// exchange area and an in-process client standing for the controller.
#include "tests/app/workstation_fixture.h"

#include <FL/Fl_Button.H>

namespace {

class Turns : public WorkstationTest {
 protected:
  // One turn, then what the controller sees of it.
  void turn(long now = 1000) {
    clock_second = now;
    station->turn(test_clock);
    ASSERT_EQ(client->receive(), 1);
  }
  int seen(const char* name) { return client->input_is_set(name); }
};

}  // namespace

TEST_F(Turns, FirstTurnShowsOnlyTheStationsHome) {
  // The pusher, the cup and the press start between their stops.
  turn();
  for (const auto& name : input_name_list()) {
    bool home = name == "b1e" || name == "b2e" || name == "b3e";
    EXPECT_EQ(seen(name.c_str()), home ? 1 : 0) << name;
  }
}

TEST_F(Turns, PanelButtonsAreSampledByTheirState) {
  atelier->dc_button->value(1);
  atelier->init_button->value(1);
  turn();
  EXPECT_EQ(seen("dc"), 1);
  EXPECT_EQ(seen("init"), 1);
  EXPECT_EQ(seen("ac"), 0);
  EXPECT_EQ(seen("atu"), 0);
  atelier->dc_button->value(0);
  atelier->ac_button->value(1);
  atelier->atu_button->value(1);
  turn();
  EXPECT_EQ(seen("dc"), 0);
  EXPECT_EQ(seen("ac"), 1);
  EXPECT_EQ(seen("atu"), 1);
}

TEST_F(Turns, EachTurnPublishesOnce) {
  station->turn(test_clock);
  station->turn(test_clock);
  EXPECT_EQ(client->receive(), 1);
  EXPECT_EQ(client->receive(), 0);  // both turns seen in one copy
  station->turn(test_clock);
  EXPECT_EQ(client->receive(), 1);
}

TEST_F(Turns, OutputsAreReadIntoActionneurWhateverTheirValue) {
  client->setreset_output("MT", 2);
  client->setreset_output("TIMER10", 1);
  client->setreset_output("DEPOSE", -7);
  turn();
  EXPECT_EQ(actionneur[out::MT], 2);
  EXPECT_EQ(actionneur[out::TIMER10], 1);
  EXPECT_EQ(actionneur[out::DEPOSE], -7);
  EXPECT_EQ(actionneur[out::MTA], 0);
}

TEST_F(Turns, QuitEndsTheRunAfterTheTurn) {
  EXPECT_TRUE(station->running());
  atelier->quit_button->do_callback();
  turn();
  EXPECT_FALSE(station->running());
}

TEST_F(Turns, OnlyOneQueuedClickIsTakenPerTurn) {
  // "DC" queued first: its entry is taken and ignored, "quit" waits one turn.
  atelier->dc_button->do_callback();
  atelier->quit_button->do_callback();
  turn();
  EXPECT_TRUE(station->running());
  turn();
  EXPECT_FALSE(station->running());
}

TEST_F(Turns, ClosingTheWindowEndsTheRun) {
  turn();
  EXPECT_TRUE(station->running());
  atelier->window->hide();
  EXPECT_FALSE(station->running());
}

TEST(TenSecondTimer, OnOnlyAfterTheDeadlineSecond) {
  ten_second_timer timer(100);
  EXPECT_EQ(timer.update(100, false), 0);  // now equals the deadline
  EXPECT_EQ(timer.update(101, false), 1);
}

TEST(TenSecondTimer, RenewedEveryTurnItStaysOffThenTurnsOnTenSecondsLater) {
  ten_second_timer timer(100);
  for (long now = 100; now < 130; ++now) EXPECT_EQ(timer.update(now, true), 0);
  // Last renewal at 129: off through 139, on from 140.
  EXPECT_EQ(timer.update(139, false), 0);
  EXPECT_EQ(timer.update(140, false), 1);
}

TEST_F(Turns, TimerPulseTakesEffectOneTurnLate) {
  // Start at 1000; by 1005 the timer is on.
  turn(1005);
  EXPECT_EQ(seen("timer10t"), 1);
  client->setreset_output("TIMER10", 1);
  turn(1005);  // TIMER10 read at the end of this turn, not yet applied
  EXPECT_EQ(seen("timer10t"), 1);
  client->setreset_output("TIMER10", 0);
  turn(1006);  // the previous turn's TIMER10 renews the deadline to 1016
  EXPECT_EQ(seen("timer10t"), 0);
  turn(1016);
  EXPECT_EQ(seen("timer10t"), 0);
  turn(1017);
  EXPECT_EQ(seen("timer10t"), 1);
}

// The box holds the turn for 15 s: TIMER10, on in the turn before, renews
// the deadline from the second the box closed, not the one it opened.
TEST_F(Turns, TimerRenewedWhileTheAboutBoxIsOpenCountsFromItsClosing) {
  client->setreset_output("TIMER10", 1);
  turn(1000);
  client->setreset_output("TIMER10", 0);
  atelier->about_button->do_callback();
  close_modal_box_after(0.1, [&] { clock_second = 1015; });
  station->turn(test_clock);
  ASSERT_EQ(client->receive(), 1);
  EXPECT_EQ(seen("timer10t"), 0);
  turn(1015);
  EXPECT_EQ(seen("timer10t"), 0);
  turn(1025);
  EXPECT_EQ(seen("timer10t"), 0);
  turn(1026);
  EXPECT_EQ(seen("timer10t"), 1);
}

