// The C interface, and the identifier helper it shares with C++ users.
#include <gtest/gtest.h>

#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <list>
#include <string>
#include <vector>

#include "iolink/IOsharemem_client.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/corvan_link.h"
#include "iolink/signals.h"
#include "tests/iolink/child.h"
#include "tests/support/process.h"

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
  EXPECT_EQ(corvan_link_turn(link), 0);
  server.setreset_input(in::dc, 1);
  server.inputs_go();
  EXPECT_EQ(corvan_link_receive(link), 1);
  EXPECT_EQ(corvan_link_receive(link), 0);
  EXPECT_EQ(corvan_link_turn(link), 1);
  EXPECT_EQ(corvan_link_input(link, "dc"), 1);
  EXPECT_EQ(corvan_link_input(link, "ac"), 0);
  server.inputs_go();
  server.inputs_go();
  EXPECT_EQ(corvan_link_turn(link), 1);  // the counter of the last copy
  EXPECT_EQ(corvan_link_receive(link), 1);
  EXPECT_EQ(corvan_link_turn(link), 3);

  EXPECT_EQ(corvan_link_set_output(link, "MT", 1), 0);
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
  EXPECT_EQ(corvan_link_turn(nullptr), -1);
  EXPECT_EQ(corvan_link_input(nullptr, "dc"), -1);
  EXPECT_EQ(corvan_link_input(link, nullptr), -1);
  EXPECT_EQ(corvan_link_set_output(nullptr, "MT", 1), -1);
  EXPECT_EQ(corvan_link_set_output(link, nullptr, 1), -1);
  corvan_link_refresh(nullptr);
  corvan_link_close(nullptr);
  for (int i = 0; i < output_signal_count; ++i) EXPECT_EQ(server.output_value(i), 0) << i;
  EXPECT_EQ(server.get_outputs_clock(), 0);
}

// An unknown name is told apart from a signal at 0, both ways, and an
// input is not an output.
TEST_F(open_link, UnknownNamesAreMinusOneAndChangeNothing) {
  ASSERT_NE(link, nullptr);
  server.inputs_go();
  ASSERT_EQ(corvan_link_receive(link), 1);
  for (const char* name : {"nosuch", "DC", "dc ", "", "MT", "b1s\n"})
    EXPECT_EQ(corvan_link_input(link, name), -1) << name;
  for (const char* name : {"nosuch", "mt", "MT ", "", "dc"})
    EXPECT_EQ(corvan_link_set_output(link, name, 1), -1) << name;
  for (int i = 0; i < output_signal_count; ++i) EXPECT_EQ(server.output_value(i), 0) << i;
}

TEST(SignalIndex, FollowsTheSignalReferenceAndRefusesUnknownNames) {
  struct {
    const char* name;
    int index;
  } cases[] = {{"b1s", 0},     {"dc", 17},      {"colle", 22}, {"DEPOSE", 23},
               {"MT", 25},     {"TIMER10", 36}, {"DC", -1},    {"mt", -1},
               {"b1s ", -1},   {"", -1},        {"timer10", -1}};
  for (const auto& c : cases) EXPECT_EQ(corvan_link_signal_index(c.name), c.index) << c.name;
  EXPECT_EQ(corvan_link_signal_index(nullptr), -1);
  for (int i = 0; i < input_signal_count + output_signal_count; ++i) {
    ASSERT_NE(corvan_link_signal_name(i), nullptr) << i;
    EXPECT_EQ(corvan_link_signal_index(corvan_link_signal_name(i)), i);
  }
  EXPECT_EQ(corvan_link_signal_name(-1), nullptr);
  EXPECT_EQ(corvan_link_signal_name(input_signal_count + output_signal_count), nullptr);
}

// A second link would restart the area's count of finished cycles under the
// first one; it is refused and the first goes on counting.
TEST(LinkOpenTwice, SecondOpenInOneProcessIsRefusedUntilTheFirstCloses) {
  std::list<std::string> in = input_name_list(), out = output_name_list();
  IOsharemem_server server(in, out);
  arguments args = option_with(std::to_string(server.memory_ident()));
  corvan_link* first = corvan_link_open(args.argc(), args.argv());
  ASSERT_NE(first, nullptr);
  corvan_link_refresh(first);
  errno = 0;
  std::string line = failed_open_line(args);
  EXPECT_EQ(errno, EBUSY);
  EXPECT_NE(line.find("already open"), std::string::npos) << line;
  EXPECT_EQ(attachments(server.memory_ident()), 2);
  EXPECT_EQ(server.get_outputs_clock(), 1);
  corvan_link_refresh(first);
  EXPECT_EQ(server.get_outputs_clock(), 2);

  corvan_link_close(first);
  corvan_link* again = corvan_link_open(args.argc(), args.argv());
  ASSERT_NE(again, nullptr);
  server.inputs_go();
  EXPECT_EQ(corvan_link_receive(again), 1);
  corvan_link_close(again);
  EXPECT_EQ(attachments(server.memory_ident()), 1);
}

// The suite runs as root, who may use any area: a child that has given up
// root meets an area it may not use, and must get NULL and one line, then
// go on to its own end.
TEST(LinkOpenFailure, AreaOfAnotherUserGivesNullAndOneLineWithoutEndingTheProgram) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make an area another user cannot use";
  struct {
    int mode;
    const char* says;
  } cases[] = {{0600, "cannot use exchange area"}, {0644, "cannot attach exchange area"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    const int ident = shmget(IPC_PRIVATE, area_segment_size, c.mode);
    ASSERT_GT(ident, 0);
    const std::string err_file = temp_path("link-err");
    const pid_t pid = fork_child([&] {
      if (!std::freopen(err_file.c_str(), "w", stderr)) return 90;
      if (setgid(65534) != 0 || setuid(65534) != 0) return 91;
      arguments args = option_with(std::to_string(ident));
      corvan_link* link = corvan_link_open(args.argc(), args.argv());
      std::fflush(stderr);
      return link == nullptr ? 42 : 43;
    });
    EXPECT_EQ(reap(pid), 42);  // 1 would be the process ended inside the library
    const std::string err = read_file(err_file);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.rfind("corvan_link_open: " + std::string(c.says) + " " + std::to_string(ident), 0),
              0u)
        << err;
    EXPECT_EQ(attachments(ident), 0);
    shmctl(ident, IPC_RMID, nullptr);
    std::remove(err_file.c_str());
  }
}
