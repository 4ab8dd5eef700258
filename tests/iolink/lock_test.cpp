#include <gtest/gtest.h>

#include <sched.h>

#include <chrono>

#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "tests/iolink/child.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The server of a line and a raw attachment of its area, which forked
// children inherit.
struct shared_line {
  std::list<std::string> in = input_name_list(), out = output_name_list();
  IOsharemem_server server{in, out};
  IOshare_area* area = attach_area(server.memory_ident());
};

// A child that takes the lock, says so, then does what `then` says.
pid_t child_holding_lock(IOshare_area* area, pipe_channel& said, const std::function<int()>& then) {
  pid_t pid = fork_child([&] {
    area->lock.lock();
    said.send(1);
    return then();
  });
  return pid;
}

int sleep_for_ever() {
  for (;;) pause();
}

}  // namespace

// A read, a yield and a write-back inside the lock: any overlap between the
// two processes loses increments.
TEST(AreaLock, ExcludesAcrossTwoProcesses) {
  shared_line line;
  ASSERT_NE(line.area, nullptr);
  volatile int32_t* counter = &line.area->input_values[49];  // a slot no signal uses
  constexpr int rounds = 20000;
  auto increment = [&] {
    for (int i = 0; i < rounds; ++i) {
      area_guard hold(line.area->lock);
      int32_t seen = *counter;
      if (i % 4 == 0) sched_yield();
      *counter = seen + 1;
    }
  };
  testing::internal::CaptureStderr();
  pid_t pid = fork_child([&] {
    increment();
    return 0;
  });
  increment();
  EXPECT_EQ(reap(pid), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(*counter, 2 * rounds);
  EXPECT_EQ(line.area->lock.word, 1);
}

TEST(AreaLock, HolderThatNeverGivesItBackIsOvertakenAfterAWait) {
  shared_line line;
  pipe_channel said;
  pid_t pid = child_holding_lock(line.area, said, sleep_for_ever);
  ASSERT_EQ(said.receive(), 1);

  testing::internal::CaptureStderr();
  const auto start = steady_clock::now();
  line.server.setreset_input(in::te, 1);
  const auto waited = steady_clock::now() - start;
  line.server.setreset_input(in::ts, 1);
  line.server.setreset_input(in::vh, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "IOshare: verrou repris apres attente\n");
  EXPECT_GE(waited, milliseconds(500));  // a living holder is not robbed at once
  EXPECT_EQ(line.area->input_values[in::te], 1);
  EXPECT_EQ(line.area->input_values[in::vh], 1);
  EXPECT_EQ(line.area->lock.word, 1);
  kill_and_reap(pid);
}

TEST(AreaLock, HolderKilledWhileHoldingIsOvertaken) {
  shared_line line;
  pipe_channel said;
  pid_t pid = child_holding_lock(line.area, said, sleep_for_ever);
  ASSERT_EQ(said.receive(), 1);
  kill_and_reap(pid);

  testing::internal::CaptureStderr();
  line.server.setreset_input(in::pp, 1);
  line.server.setreset_input(in::dc, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "IOshare: verrou repris, detenteur disparu\n");
  EXPECT_EQ(line.area->input_values[in::pp], 1);
  EXPECT_EQ(line.area->input_values[in::dc], 1);
  EXPECT_EQ(line.area->lock.word, 1);
}

// A killed child stays a zombie until its parent reaps it, and a zombie
// still answers kill(pid, 0): it must count as gone all the same.
TEST(AreaLock, HolderKilledAndNotYetReapedIsOvertakenAtOnce) {
  shared_line line;
  pipe_channel said;
  pid_t pid = child_holding_lock(line.area, said, sleep_for_ever);
  ASSERT_EQ(said.receive(), 1);
  kill(pid, SIGKILL);
  siginfo_t info{};
  ASSERT_EQ(waitid(P_PID, pid, &info, WEXITED | WNOWAIT), 0);  // dead, left unreaped

  testing::internal::CaptureStderr();
  const auto start = steady_clock::now();
  line.server.setreset_input(in::pp, 1);
  const auto waited = steady_clock::now() - start;
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "IOshare: verrou repris, detenteur disparu\n");
  EXPECT_LT(waited, milliseconds(250));
  EXPECT_EQ(line.area->input_values[in::pp], 1);
  EXPECT_EQ(reap(pid), 128 + SIGKILL);
}

// The stopped holder is overtaken; once resumed, its unlock must not free
// the lock that has changed hands since.
TEST(AreaLock, StoppedHolderIsOvertakenAndCannotFreeItsSuccessorsLock) {
  shared_line line;
  pipe_channel said;
  pid_t pid = child_holding_lock(line.area, said, [&] {
    raise(SIGSTOP);
    line.area->lock.unlock();
    said.send(2);
    return sleep_for_ever();
  });
  ASSERT_EQ(said.receive(), 1);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, WUNTRACED), pid);
  ASSERT_TRUE(WIFSTOPPED(status));

  testing::internal::CaptureStderr();
  line.server.setreset_input(in::atu, 1);
  line.server.setreset_input(in::init, 1);
  line.area->lock.lock();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "IOshare: verrou repris apres attente\n");
  EXPECT_EQ(line.area->input_values[in::init], 1);

  kill(pid, SIGCONT);
  ASSERT_EQ(said.receive(), 2);
  EXPECT_EQ(line.area->lock.word, 0);
  EXPECT_EQ(line.area->lock.holder, getpid());
  line.area->lock.unlock();
  EXPECT_EQ(line.area->lock.word, 1);
  kill_and_reap(pid);
}
