// The C interface, and the identifier helper it shares with C++ users.
#include <gtest/gtest.h>

#include <sys/shm.h>

#include <algorithm>
#include <list>
#include <string>
#include <vector>

#include "iolink/IOsharemem_client.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/corvan_link.h"
#include "iolink/signals.h"

namespace {

// An argv as a program receives it, built from strings.
class arguments {
 public:
  arguments(std::initializer_list<std::string> words) : storage(words) {
    for (auto& w : storage) pointers.push_back(w.data());
    pointers.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(storage.size()); }
  char** argv() { return pointers.data(); }

 private:
  std::vector<std::string> storage;
  std::vector<char*> pointers;
};

// Both entry points must agree; the result is the C one.
int ident_of(arguments args) {
  const int from_c = corvan_automemlink(args.argc(), args.argv());
  EXPECT_EQ(automemlink_ident(args.argc(), args.argv()), from_c);
  return from_c;
}

arguments option_with(const std::string& value) { return {"ctl", "-automemlink", value}; }

int attachments(int ident) {
  shmid_ds state;
  return shmctl(ident, IPC_STAT, &state) == 0 ? static_cast<int>(state.shm_nattch) : -1;
}

// A failed open: NULL, and exactly one line on stderr, returned.
std::string failed_open_line(arguments args) {
  testing::internal::CaptureStderr();
  corvan_link* link = corvan_link_open(args.argc(), args.argv());
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(link, nullptr);
  corvan_link_close(link);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(err.back(), '\n') << err;
  return err;
}

// A simulator's area and a controller's link to it, in one process.
struct open_link : ::testing::Test {
  std::list<std::string> in = input_name_list(), out = output_name_list();
  IOsharemem_server server{in, out};
  std::string ident = std::to_string(server.memory_ident());
  arguments args{"ctl", "--speed", "3", "-automemlink", ident};
  corvan_link* link = corvan_link_open(args.argc(), args.argv());

  void TearDown() override { corvan_link_close(link); }
};

}  // namespace

TEST(AutomemlinkOption, MissingOrWithoutValueGivesMinusOne) {
  EXPECT_EQ(ident_of({"ctl"}), -1);
  EXPECT_EQ(ident_of({"ctl", "--other", "12"}), -1);
  EXPECT_EQ(ident_of({"ctl", "-automemlink"}), -1);
  EXPECT_EQ(ident_of({"ctl", "--automemlink", "12"}), -1);
  EXPECT_EQ(ident_of({"ctl", "-automemlink=12"}), -1);
  // argv[0] is the program's own name, never an option.
  EXPECT_EQ(ident_of({"-automemlink", "12"}), -1);
  EXPECT_EQ(corvan_automemlink(0, nullptr), -1);
}

TEST(AutomemlinkOption, ValueMustBeAPositiveIntOfDigitsOnly) {
  EXPECT_EQ(ident_of(option_with("4521")), 4521);
  EXPECT_EQ(ident_of(option_with("007")), 7);
  EXPECT_EQ(ident_of(option_with("2147483647")), 2147483647);
  for (const char* bad : {"", "0", "000", "-5", "+5", " 5", "5 ", "5x", "0x10", "1e3",
                          "2147483648", "99999999999999999999999"})
    EXPECT_EQ(ident_of(option_with(bad)), -1) << '"' << bad << '"';
}

TEST(AutomemlinkOption, FoundAnywhereAndTheLastOneCounts) {
  EXPECT_EQ(ident_of({"ctl", "-automemlink", "5", "--verbose"}), 5);
  EXPECT_EQ(ident_of({"ctl", "-automemlink", "5", "x", "-automemlink", "9"}), 9);
  // The simulator's own option comes last, after a user's stale one.
  EXPECT_EQ(ident_of({"ctl", "-automemlink", "0", "-automemlink", "9"}), 9);
  EXPECT_EQ(ident_of({"ctl", "-automemlink", "9", "-automemlink", "x"}), -1);
  EXPECT_EQ(ident_of({"ctl", "-automemlink", "9", "-automemlink"}), -1);
}

TEST(LinkOpenFailure, MissingOptionGivesNullAndOneLine) {
  std::string line = failed_open_line({"ctl", "--speed", "3"});
  EXPECT_NE(line.find("-automemlink"), std::string::npos) << line;
}

TEST(LinkOpenFailure, ZeroIdentifierGivesNullAndOneLine) {
  failed_open_line(option_with("0"));
}

TEST(LinkOpenFailure, RemovedAreaGivesNullAndOneLineNamingIt) {
  const int ident = shmget(IPC_PRIVATE, area_segment_size, 0600);
  ASSERT_GT(ident, 0);
  ASSERT_EQ(shmctl(ident, IPC_RMID, nullptr), 0);  // never attached: gone at once
  std::string line = failed_open_line(option_with(std::to_string(ident)));
  EXPECT_NE(line.find(std::to_string(ident)), std::string::npos) << line;
}

TEST(LinkOpenFailure, SegmentSmallerThanAnAreaIsRefused) {
  const int ident = shmget(IPC_PRIVATE, 64, 0600);
  ASSERT_GT(ident, 0);
  std::string line = failed_open_line(option_with(std::to_string(ident)));
  EXPECT_EQ(attachments(ident), 0);  // the trial attachment is undone
  shmctl(ident, IPC_RMID, nullptr);
  EXPECT_NE(line.find(std::to_string(ident)), std::string::npos) << line;
}

TEST_F(open_link, FollowsTurnsReadsInputsAndWritesOutputs) {
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(corvan_link_receive(link), 0);  // nothing published yet
  server.setreset_input(in::dc, 1);
  server.inputs_go();
  EXPECT_EQ(corvan_link_receive(link), 1);
  EXPECT_EQ(corvan_link_receive(link), 0);
  EXPECT_EQ(corvan_link_input(link, "dc"), 1);
  EXPECT_EQ(corvan_link_input(link, "ac"), 0);
  EXPECT_EQ(corvan_link_input(link, "DC"), 0);
  EXPECT_EQ(corvan_link_input(link, "nosuch"), 0);

  corvan_link_set_output(link, "MT", 1);
  corvan_link_set_output(link, "nosuch", 1);
  EXPECT_EQ(server.output_value(out::MT), 1);
  for (int i = 0; i < output_signal_count; ++i) {
    if (i != out::MT) {
      EXPECT_EQ(server.output_value(i), 0) << i;
    }
  }
  corvan_link_set_output(link, "MT", 0);
  EXPECT_EQ(server.output_value(out::MT), 0);

  corvan_link_refresh(link);
  corvan_link_refresh(link);
  EXPECT_EQ(server.get_outputs_clock(), 2);
}

TEST_F(open_link, EveryCallIsSafeOnAnEndedExchangeAndCloseDetaches) {
  ASSERT_NE(link, nullptr);
  server.setreset_input(in::ac, 1);
  server.inputs_go();
  ASSERT_EQ(corvan_link_receive(link), 1);
  EXPECT_EQ(attachments(server.memory_ident()), 2);

  server.sharing_terminate();
  EXPECT_EQ(corvan_link_receive(link), -1);
  EXPECT_EQ(corvan_link_receive(link), -1);
  EXPECT_EQ(corvan_link_input(link, "ac"), 1);  // the last copy stays readable
  corvan_link_set_output(link, "MT", 1);
  corvan_link_refresh(link);
  EXPECT_EQ(server.get_outputs_clock(), 1);

  corvan_link_close(link);
  link = nullptr;
  EXPECT_EQ(attachments(server.memory_ident()), 1);
}

TEST_F(open_link, NullLinkOrNameIsRefusedWithoutEffect) {
  ASSERT_NE(link, nullptr);
  server.setreset_input(in::dc, 1);
  server.inputs_go();
  ASSERT_EQ(corvan_link_receive(link), 1);

  EXPECT_EQ(corvan_link_receive(nullptr), -1);
  EXPECT_EQ(corvan_link_input(nullptr, "dc"), 0);
  EXPECT_EQ(corvan_link_input(link, nullptr), 0);
  corvan_link_set_output(nullptr, "MT", 1);
  corvan_link_set_output(link, nullptr, 1);
  corvan_link_refresh(nullptr);
  corvan_link_close(nullptr);
  for (int i = 0; i < output_signal_count; ++i) EXPECT_EQ(server.output_value(i), 0) << i;
  EXPECT_EQ(server.get_outputs_clock(), 0);
}

TEST(LinkOpenTwice, EachLinkIsItsOwnAttachment) {
  std::list<std::string> in = input_name_list(), out = output_name_list();
  IOsharemem_server server(in, out);
  arguments args = option_with(std::to_string(server.memory_ident()));
  corvan_link* first = corvan_link_open(args.argc(), args.argv());
  corvan_link* second = corvan_link_open(args.argc(), args.argv());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(attachments(server.memory_ident()), 3);
  corvan_link_close(first);
  server.inputs_go();
  EXPECT_EQ(corvan_link_receive(second), 1);
  corvan_link_close(second);
  EXPECT_EQ(attachments(server.memory_ident()), 1);
}
