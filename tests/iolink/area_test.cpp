#include <gtest/gtest.h>

#include <errno.h>
#include <sched.h>
#include <sys/shm.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "iolink/IOsharemem_client.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "tests/iolink/child.h"

namespace {

std::list<std::string> names(const std::string& stem, int count, std::size_t length) {
  std::list<std::string> list;
  for (int i = 0; i < count; ++i) {
    std::string name = stem + std::to_string(100 + i);
    list.push_back(name + std::string(length - name.size(), 'x'));
  }
  return list;
}

bool enter_fresh_ipc_namespace() { return unshare(CLONE_NEWUSER | CLONE_NEWIPC) == 0; }

// In the namespace just entered, segments of 4533 bytes are refused.
bool refuse_big_segments() {
  FILE* limit = std::fopen("/proc/sys/kernel/shmmax", "w");
  if (!limit) return false;
  std::fputs("100\n", limit);
  return std::fclose(limit) == 0;
}

bool segment_exists(int ident) {
  shmid_ds state;
  return shmctl(ident, IPC_STAT, &state) == 0;
}

}  // namespace

TEST(AreaSegment, IsFourThousandFiveHundredThirtyThreeBytesForItsOwnerOnly) {
  auto in = input_name_list(), out = output_name_list();
  IOsharemem_server server(in, out);
  shmid_ds state;
  ASSERT_EQ(shmctl(server.memory_ident(), IPC_STAT, &state), 0);
  EXPECT_EQ(state.shm_segsz, 4533u);
  EXPECT_EQ(state.shm_perm.mode & 0777, 0600u);
}

// A second process attaches by identifier and reads the bytes at the
// fixed offsets, then writes an output and the output clock there.
TEST(AreaLayout, SecondProcessFindsEveryFieldAtItsOffset) {
  auto in = input_name_list(), out = output_name_list();
  IOsharemem_server server(in, out);
  server.setreset_input(in::p2ok, 1);
  server.setreset_input(in::colle, 1);
  server.inputs_go();
  server.inputs_go();
  server.inputs_go();

  pipe_channel bytes;
  const int ident = server.memory_ident();
  pid_t pid = fork_child([&] {
    auto* raw = reinterpret_cast<unsigned char*>(shmat(ident, nullptr, 0));
    if (raw == reinterpret_cast<unsigned char*>(-1)) return 2;
    if (!bytes.send_bytes(raw, 4533)) return 3;
    const int32_t clock = 9, on = 1;
    std::memcpy(raw + 4, &clock, 4);
    std::memcpy(raw + 232 + 4 * out::TIMER10, &on, 4);
    return 0;
  });
  unsigned char area[4533];
  ASSERT_TRUE(bytes.receive_bytes(area, sizeof area));
  ASSERT_EQ(reap(pid), 0);

  EXPECT_EQ(word_at(area, 0), 3);   // inputs_clock
  EXPECT_EQ(word_at(area, 4), 0);   // outputs_clock
  EXPECT_EQ(word_at(area, 8), 1);   // lock word: free
  EXPECT_EQ(word_at(area, 24), 23);
  EXPECT_EQ(word_at(area, 28), 14);
  for (int i = 0; i < 50; ++i) {
    const bool on = i == in::p2ok || i == in::colle;
    EXPECT_EQ(word_at(area, 32 + 4 * i), on ? 1 : 0) << "input slot " << i;
    EXPECT_EQ(word_at(area, 232 + 4 * i), 0) << "output slot " << i;
  }
  for (int i = 0; i < 41; ++i) {
    const char* in_slot = reinterpret_cast<const char*>(area + 432 + 50 * i);
    const char* out_slot = reinterpret_cast<const char*>(area + 2482 + 50 * i);
    EXPECT_STREQ(in_slot, i < 23 ? table_signaux[i] : "") << "input name " << i;
    EXPECT_STREQ(out_slot, i < 14 ? table_signaux[23 + i] : "") << "output name " << i;
  }
  EXPECT_EQ(area[4532], 0);

  EXPECT_EQ(server.get_outputs_clock(), 9);
  EXPECT_EQ(server.output_value(out::TIMER10), 1);
  EXPECT_EQ(server.output_value(out::BZ3), 0);
}

TEST(AreaCapacity, KeepsFortyOneSignalsAndNamesOfFortyNineCharacters) {
  auto in = names("in", 45, 60), out = names("out", 45, 60);
  IOsharemem_server server(in, out);
  IOshare_area* area = attach_area(server.memory_ident());
  ASSERT_NE(area, nullptr);
  const auto* raw = reinterpret_cast<const unsigned char*>(area);

  EXPECT_EQ(area->input_count, 41);
  EXPECT_EQ(area->output_count, 41);
  EXPECT_EQ(std::string(area->input_names[0]), in.front().substr(0, 49));
  EXPECT_EQ(std::string(area->input_names[1]), "in101" + std::string(44, 'x'));
  EXPECT_EQ(std::string(area->input_names[40]), "in140" + std::string(44, 'x'));
  EXPECT_EQ(std::string(area->output_names[40]), "out140" + std::string(43, 'x'));
  EXPECT_EQ(raw[4532], 0);  // just past the last name slot

  for (int i = 41; i < 50; ++i) server.setreset_input(i, 1);
  for (int i = 41; i < 50; ++i) EXPECT_EQ(area->input_values[i], 0) << i;
  server.setreset_input(40, 6);
  server.inputs_go();

  IOsharemem_client client(server.memory_ident());
  ASSERT_EQ(client.receive(), 1);
  EXPECT_EQ(client.input_is_set("in140" + std::string(44, 'x')), 6);
  EXPECT_EQ(client.input_is_set("in140" + std::string(55, 'x')), 0);
  client.setreset_output("out140" + std::string(43, 'x'), 8);
  EXPECT_EQ(server.output_value(40), 8);
  EXPECT_EQ(server.output_value(41), 0);
}

// A count damaged in the area must not lead either side past a slot.
TEST(AreaCapacity, DamagedCountsAreCutToWhatTheAreaHolds) {
  auto in = names("i", 41, 4), out = names("o", 2, 4);
  IOsharemem_server server(in, out);
  IOshare_area* area = attach_area(server.memory_ident());
  ASSERT_NE(area, nullptr);
  area->input_count = 1000000;
  area->output_count = 1000000;

  server.setreset_input(50, 7);  // would land on output slot 0
  server.setreset_input(40, 5);
  EXPECT_EQ(area->output_values[0], 0);
  EXPECT_EQ(server.output_value(60), 0);
  server.inputs_go();

  IOsharemem_client big(server.memory_ident());
  ASSERT_EQ(big.receive(), 1);
  EXPECT_EQ(big.input_is_set("i140"), 5);
  EXPECT_EQ(big.input_is_set("unknown"), 0);
  big.setreset_output("unknown", 3);
  big.setreset_output("o101", 3);
  EXPECT_EQ(server.output_value(1), 3);

  area->input_count = -3;
  area->output_count = -3;
  server.setreset_input(0, 9);
  EXPECT_EQ(area->input_values[0], 0);
  server.inputs_go();
  IOsharemem_client negative(server.memory_ident());
  ASSERT_EQ(negative.receive(), 1);
  EXPECT_EQ(negative.input_is_set("i140"), 0);
  negative.setreset_output("o100", 4);
  EXPECT_EQ(area->output_values[0], 0);
}

// The server process and a controller process end; nothing of the run is
// left. The controller still reaches the segment after the server has gone.
TEST(AreaLifetime, SegmentIsGoneOnceBothProcessesHaveEnded) {
  pipe_channel from_server, to_server, from_client, to_client;
  pid_t server_pid = fork_child([&] {
    auto in = input_name_list(), out = output_name_list();
    IOsharemem_server server(in, out);
    server.setreset_input(in::ac, 1);
    server.inputs_go();
    from_server.send(server.memory_ident());
    to_server.receive();
    return 0;
  });
  const int ident = from_server.receive();
  ASSERT_GT(ident, 0);
  pid_t client_pid = fork_child([&] {
    IOsharemem_client client(ident);
    from_client.send(client.receive());
    to_client.receive();
    from_client.send(client.input_is_set("ac"));
    return 0;
  });
  EXPECT_EQ(from_client.receive(), 1);

  to_server.send(0);
  EXPECT_EQ(reap(server_pid), 0);
  EXPECT_TRUE(segment_exists(ident));

  to_client.send(0);
  EXPECT_EQ(from_client.receive(), 1);
  EXPECT_EQ(reap(client_pid), 0);
  shmid_ds state;
  EXPECT_EQ(shmctl(ident, IPC_STAT, &state), -1);
  EXPECT_TRUE(errno == EINVAL || errno == EIDRM) << errno;
}

// In a fresh IPC namespace the first segment gets identifier 0.
TEST(AreaIdent, NeverZeroEvenWhenTheSystemHandsOutZero) {
  pid_t probe = fork_child([] {
    if (!enter_fresh_ipc_namespace()) return 77;
    return shmget(IPC_PRIVATE, 4533, 0600) == 0 ? 0 : 78;
  });
  const int probed = reap(probe);
  if (probed == 77) GTEST_SKIP() << "no new IPC namespace allowed here";
  if (probed == 78) GTEST_SKIP() << "this kernel does not hand out identifier 0 first";
  ASSERT_EQ(probed, 0);

  pid_t pid = fork_child([] {
    if (!enter_fresh_ipc_namespace()) return 77;
    auto in = input_name_list(), out = output_name_list();
    IOsharemem_server server(in, out);
    if (server.memory_ident() <= 0) return 1;
    if (segment_exists(0)) return 2;  // the first segment was dropped
    return 0;
  });
  EXPECT_EQ(reap(pid), 0);
}

TEST(AreaDeath, RefusedSegmentEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  pid_t probe = fork_child([] { return enter_fresh_ipc_namespace() && refuse_big_segments() ? 0 : 77; });
  if (reap(probe) != 0) GTEST_SKIP() << "no IPC namespace with its own limits allowed here";

  auto in = input_name_list(), out = output_name_list();
  EXPECT_EXIT(
      {
        enter_fresh_ipc_namespace();
        refuse_big_segments();
        IOsharemem_server server(in, out);
      },
      testing::ExitedWithCode(1),
      "^IOshare: erreur sur partage memoire\nshmat\\(\\) serveur refuse pour ident mem=-1\n\n$");
}
