#include <gtest/gtest.h>

#include <chrono>

#include "iolink/IOsharemem_client.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "tests/iolink/child.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

}  // namespace

TEST(ServerClock, ReadyThenOnePerPublicationThenEnded) {
  auto in = input_name_list(), out = output_name_list();
  IOsharemem_server server(in, out);
  IOshare_area* area = attach_area(server.memory_ident());
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->inputs_clock, 0);
  EXPECT_EQ(area->outputs_clock, 0);
  EXPECT_EQ(area->lock.word, 1);

  server.inputs_go();
  server.inputs_go();
  EXPECT_EQ(area->inputs_clock, 2);
  area->output_values[out::MT] = 1;
  server.sharing_terminate();
  EXPECT_EQ(area->inputs_clock, -1);
  EXPECT_EQ(server.output_value(out::MT), 1);
}

TEST(ServerClock, ControllerResetsOutputsClockAtAttachmentAndCountsRefreshes) {
  auto in = input_name_list(), out = output_name_list();
  IOsharemem_server server(in, out);
  attach_area(server.memory_ident())->outputs_clock = 7;
  IOsharemem_client client(server.memory_ident());
  EXPECT_EQ(server.get_outputs_clock(), 0);
  client.outputs_refresh();
  client.outputs_refresh();
  EXPECT_EQ(server.get_outputs_clock(), 2);
}

// Out-of-range indices return before the lock: with the lock held here, a
// call that took it would wait and report a takeover.
TEST(ServerIndexBounds, OutOfRangeInputsChangeNothingAndLeaveTheLockAlone) {
  line_link link;
  link.area->lock.lock();
  testing::internal::CaptureStderr();
  link.server.setreset_input(-1, 1);
  link.server.setreset_input(input_signal_count, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  link.area->lock.unlock();
  for (int i = 0; i < 50; ++i) EXPECT_EQ(link.area->input_values[i], 0) << i;
}

TEST(ServerIndexBounds, InputsReadBackAsWrittenAndOutOfRangeReadZero) {
  line_link link;
  link.server.setreset_input(in::colle, 1);
  EXPECT_EQ(link.server.input_value(in::colle), 1);
  EXPECT_EQ(link.server.input_value(in::b1s), 0);
  link.area->input_values[in::b1s] = 1;  // what the area holds, not a copy
  EXPECT_EQ(link.server.input_value(in::b1s), 1);
  EXPECT_EQ(link.server.input_value(-1), 0);
  EXPECT_EQ(link.server.input_value(input_signal_count), 0);
}

TEST(ServerIndexBounds, OutOfRangeOutputsReadZero) {
  line_link link;
  link.area->output_values[output_signal_count] = 5;
  link.area->output_values[0] = 4;
  EXPECT_EQ(link.server.output_value(output_signal_count), 0);
  EXPECT_EQ(link.server.output_value(-1), 0);
  EXPECT_EQ(link.server.output_value(0), 4);
}

TEST(ServerIndexBounds, EmptyListsHoldNoSignal) {
  std::list<std::string> in, out;
  IOsharemem_server server(in, out);
  IOshare_area* area = attach_area(server.memory_ident());
  area->output_values[0] = 3;
  server.setreset_input(0, 1);
  EXPECT_EQ(area->input_values[0], 0);
  EXPECT_EQ(server.output_value(0), 0);
}

TEST(ClientReceive, NothingPublishedPausesAndReturnsZero) {
  line_link link;
  link.server.setreset_input(in::b1s, 1);
  const auto start = steady_clock::now();
  EXPECT_EQ(link.client.receive(), 0);
  EXPECT_GE(steady_clock::now() - start, milliseconds(10));
  EXPECT_EQ(link.client.input_is_set("b1s"), 0);
}

TEST(ClientReceive, NewTurnIsCopiedOnceAndLaterWritesWaitForTheNext) {
  line_link link;
  link.server.setreset_input(in::b1s, 1);
  link.server.setreset_input(in::colle, 1);
  link.server.inputs_go();
  EXPECT_EQ(link.client.receive(), 1);
  EXPECT_EQ(link.client.input_is_set("b1s"), 1);
  EXPECT_EQ(link.client.input_is_set("colle"), 1);
  EXPECT_EQ(link.client.input_is_set("b1e"), 0);

  link.server.setreset_input(in::b1s, 0);
  EXPECT_EQ(link.client.receive(), 0);
  EXPECT_EQ(link.client.input_is_set("b1s"), 1);

  // Three publications are seen as one turn.
  link.server.inputs_go();
  link.server.inputs_go();
  link.server.inputs_go();
  EXPECT_EQ(link.client.receive(), 1);
  EXPECT_EQ(link.client.input_is_set("b1s"), 0);
  EXPECT_EQ(link.client.receive(), 0);
}

TEST(ClientReceive, EndedExchangeReturnsMinusOneAndKeepsTheCopy) {
  line_link link;
  link.server.setreset_input(in::vide, 1);
  link.server.inputs_go();
  ASSERT_EQ(link.client.receive(), 1);
  link.server.setreset_input(in::vide, 0);
  link.server.sharing_terminate();
  EXPECT_EQ(link.client.receive(), -1);
  EXPECT_EQ(link.client.receive(), -1);
  EXPECT_EQ(link.client.input_is_set("vide"), 1);
}

TEST(ClientNames, InputNamesMatchExactlyWithCase) {
  line_link link;
  link.server.setreset_input(in::b1s, 1);
  link.server.setreset_input(in::timer10t, 1);
  link.server.inputs_go();
  ASSERT_EQ(link.client.receive(), 1);
  EXPECT_EQ(link.client.input_is_set("b1s"), 1);
  EXPECT_EQ(link.client.input_is_set("timer10t"), 1);
  for (const char* near : {"B1S", "b1", "b1s ", "timer10", ""})
    EXPECT_EQ(link.client.input_is_set(near), 0) << '"' << near << '"';
  EXPECT_EQ(link.client.input_is_set(std::string("b1s\0", 4)), 0);
}

TEST(ClientNames, RepeatedNameLastInputSlotWinsEveryOutputSlotIsWritten) {
  std::list<std::string> in = {"x", "y", "x"}, out = {"M", "N", "M"};
  IOsharemem_server server(in, out);
  IOsharemem_client client(server.memory_ident());
  server.setreset_input(0, 5);
  server.setreset_input(1, 6);
  server.setreset_input(2, 7);
  server.inputs_go();
  ASSERT_EQ(client.receive(), 1);
  EXPECT_EQ(client.input_is_set("x"), 7);
  EXPECT_EQ(client.input_is_set("y"), 6);

  client.setreset_output("M", 4);
  EXPECT_EQ(server.output_value(0), 4);
  EXPECT_EQ(server.output_value(1), 0);
  EXPECT_EQ(server.output_value(2), 4);
}

TEST(ClientNames, OutputsAreWrittenAtOnceAndUnknownNamesChangeNothing) {
  line_link link;
  link.client.setreset_output("MT", 1);
  link.client.setreset_output("TIMER10", 2);
  EXPECT_EQ(link.server.output_value(out::MT), 1);
  EXPECT_EQ(link.server.output_value(out::TIMER10), 2);
  link.client.setreset_output("mt", 0);
  link.client.setreset_output("MTAX", 1);
  link.client.setreset_output("", 1);
  for (int i = 0; i < output_signal_count; ++i)
    EXPECT_EQ(link.server.output_value(i), i == out::MT ? 1 : i == out::TIMER10 ? 2 : 0) << i;
}

class ClientDeath : public testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ClientDeath, IdentifierZeroIsRejected) {
  EXPECT_EXIT(IOsharemem_client{0}, testing::ExitedWithCode(1),
              "^IOshare: erreur sur partage memoire\nident_mem ==0 !\n\n$");
}

TEST_F(ClientDeath, FailedAttachmentIsReported) {
  EXPECT_EXIT(IOsharemem_client{-5}, testing::ExitedWithCode(1),
              "^ident_mem=-5\nIOshare: erreur sur partage memoire\n"
              "shmat\\(\\) client refuse pour ident mem=-5\n\n$");
}

namespace {

// A simulator in a child process: publishes one turn, then idles.
pid_t idle_simulator(pipe_channel& ident) {
  return fork_child([&] {
    auto in = input_name_list(), out = output_name_list();
    IOsharemem_server server(in, out);
    server.setreset_input(in::ac, 1);
    server.inputs_go();
    ident.send(server.memory_ident());
    for (;;) pause();
    return 0;
  });
}

}  // namespace

// 150 polls last at least 1.5 s, long enough for the client to look.
TEST(DeadSimulator, LivingIdleSimulatorIsNotTakenForDead) {
  pipe_channel ident;
  pid_t pid = idle_simulator(ident);
  IOsharemem_client client(ident.receive());
  EXPECT_EQ(client.receive(), 1);
  int zeros = 0;
  for (int i = 0; i < 150; ++i) zeros += client.receive() == 0;
  EXPECT_EQ(zeros, 150);
  kill_and_reap(pid);
}

// The killed simulator stays a zombie (not reaped) until the end.
TEST(DeadSimulator, ReceiveEndsOnceTheSimulatorIsKilled) {
  pipe_channel ident;
  pid_t pid = idle_simulator(ident);
  IOsharemem_client client(ident.receive());
  ASSERT_EQ(client.receive(), 1);
  kill(pid, SIGKILL);
  int result = 0, polls = 0;
  while (result == 0 && polls++ < 3000) result = client.receive();  // guard against a hang
  EXPECT_EQ(result, -1);
  EXPECT_EQ(client.input_is_set("ac"), 1);
  reap(pid);
}
