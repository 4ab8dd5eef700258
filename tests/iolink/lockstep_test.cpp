// Turn counters that never run out, and the waits a lock-step run relies on.
#include <gtest/gtest.h>

#include "iolink/IOsharemem_client.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "tests/iolink/child.h"

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The client reads CORVAN_LOCKSTEP when it attaches, so the variable is set
// before the link is made.
struct lockstep_variable {
  lockstep_variable() { setenv("CORVAN_LOCKSTEP", "1", 1); }
  ~lockstep_variable() { unsetenv("CORVAN_LOCKSTEP"); }
};
struct lockstep_link {
  lockstep_variable variable;
  line_link link;
};

double elapsed_ms(steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(steady_clock::now() - since).count();
}

// receive() while a publication comes 1 ms later. On a loaded machine the
// publication may come before receive() is even called, which then has news
// at once: such a try shows nothing (paused_ms is then negative).
double pause_before_a_publication(line_link& link) {
  std::thread publisher([&] {
    std::this_thread::sleep_for(milliseconds(1));
    link.server.inputs_go();
  });
  const auto start = steady_clock::now();
  const int news = link.client.receive();
  const double paused_ms = elapsed_ms(start);
  publisher.join();
  if (news == 1) return -1;
  EXPECT_EQ(news, 0);
  EXPECT_EQ(link.client.receive(), 1) << "the publication is news after the pause";
  return paused_ms;
}

}  // namespace

TEST(TurnCounters, InputsCounterGoesOnAtOneAfterItsLargestValue) {
  line_link link;
  link.area->inputs_clock = INT_MAX - 1;
  link.server.inputs_go();
  ASSERT_EQ(link.client.receive(), 1);
  EXPECT_EQ(link.client.turn(), INT_MAX);
  link.server.setreset_input(in::pp, 1);
  link.server.inputs_go();
  EXPECT_EQ(link.area->inputs_clock, 1);
  EXPECT_EQ(link.client.receive(), 1);  // not taken for an ended exchange
  EXPECT_EQ(link.client.turn(), 1);
  EXPECT_EQ(link.client.input_is_set("pp"), 1);
}

TEST(TurnCounters, OutputsCounterGoesOnAtOneAfterItsLargestValue) {
  line_link link;
  link.area->outputs_clock = INT_MAX;
  link.client.outputs_refresh();
  EXPECT_EQ(link.server.get_outputs_clock(), 1);
}

TEST(LockstepWaits, WithoutTheVariableNothingNewStillPausesTenMilliseconds) {
  unsetenv("CORVAN_LOCKSTEP");
  for (int attempt = 0; attempt < 20; ++attempt) {
    line_link link;
    const double paused_ms = pause_before_a_publication(link);
    if (paused_ms < 0) continue;
    EXPECT_GE(paused_ms, 10.0);
    return;
  }
  FAIL() << "the publication came before receive() in every try";
}

TEST(LockstepWaits, WithTheVariableThePauseEndsAtThePublication) {
  lockstep_link ls;
  std::vector<double> pauses;
  for (int attempt = 0; attempt < 20 && pauses.size() < 5; ++attempt) {
    const double paused_ms = pause_before_a_publication(ls.link);
    if (paused_ms >= 0) pauses.push_back(paused_ms);
  }
  ASSERT_EQ(pauses.size(), 5u) << "the publication came before receive() too often";
  std::sort(pauses.begin(), pauses.end());
  EXPECT_LT(pauses[2], 9.0);  // the median, so that one slow wake-up is forgiven
}

TEST(LockstepWaits, WaitForTurnSeesAPublicationWithoutCopyingIt) {
  line_link link;
  EXPECT_FALSE(link.client.wait_for_turn(2000));
  link.server.setreset_input(in::dc, 1);
  std::thread publisher([&] {
    std::this_thread::sleep_for(milliseconds(5));
    link.server.inputs_go();
  });
  EXPECT_TRUE(link.client.wait_for_turn(5'000'000));
  publisher.join();
  EXPECT_EQ(link.client.input_is_set("dc"), 0);
  EXPECT_EQ(link.client.receive(), 1);
  EXPECT_EQ(link.client.input_is_set("dc"), 1);
  link.server.sharing_terminate();
  EXPECT_FALSE(link.client.wait_for_turn(5'000'000));
}

TEST(LockstepWaits, SimulatorWaitsForTheControllersRefreshAcrossProcesses) {
  line_link link;
  const int ident = link.server.memory_ident();
  const pid_t controller = fork_child([ident] {
    IOsharemem_client client(ident);
    while (client.receive() == 0) {
    }
    client.setreset_output("MT", 1);
    client.outputs_refresh();
    return 0;
  });
  std::this_thread::sleep_for(milliseconds(50));  // let it attach and reset its counter
  const int32_t seen = link.server.get_outputs_clock();
  EXPECT_FALSE(link.server.wait_for_outputs(seen, 1000));
  link.server.inputs_go();
  EXPECT_TRUE(link.server.wait_for_outputs(seen, 5'000'000));
  EXPECT_EQ(link.server.output_value(out::MT), 1);
  EXPECT_EQ(reap(controller), 0);
}
