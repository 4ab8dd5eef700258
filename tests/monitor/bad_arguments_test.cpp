// A bad command line ends the monitor at once: status 2, one line quoting
// the bad argument, and neither a segment nor a controller left behind.
#include <gtest/gtest.h>

#include "tests/monitor/monitor_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct bad_case {
  std::vector<std::string> words;  // between the program and -automemlink
  std::string quoted;              // what the line must quote
};

}  // namespace

TEST(BadArguments, EachKindEndsWithStatusTwoAndOneLineAndLeavesNothing) {
  const std::string pid_file = temp_path("ctrl-pid");
  const std::string controller = build_file("tests/tools/test_controller");
  const std::vector<std::string> ctrl = {"--", controller, "--pid-file", pid_file};
  auto with_ctrl = [&](std::vector<std::string> words) {
    words.insert(words.end(), ctrl.begin(), ctrl.end());
    return words;
  };
  const std::vector<bad_case> cases = {
      {with_ctrl({"--force", "p2okk=0"}), "'p2okk'"},
      {with_ctrl({"--force", "MT=2"}), "'2'"},
      {with_ctrl({"--fault", "vh=0@soon"}), "'soon'"},
      {with_ctrl({"--fault", "vh=0@5-4"}), "'5-4'"},
      {with_ctrl({"--colour"}), "'--colour'"},
      {{"--no-window", "--force", "MT=1"}, "'--manual'"},
      {with_ctrl({"--manual"}), "'--manual'"},
      {with_ctrl({"--csv", "/nonexistent/dir/run.csv"}), "/nonexistent/dir/run.csv"},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const auto& w : c.words) shown += w + " ";
    SCOPED_TRACE(shown);
    std::vector<std::string> argv = {monitor_program};
    argv.insert(argv.end(), c.words.begin(), c.words.end());
    argv.push_back("-automemlink");
    argv.push_back("12345");
    const std::string err_file = temp_path("monitor-err");
    const pid_t pid = spawn_program(argv, "", err_file);
    EXPECT_EQ(wait_for_exit(pid, 20), 2);
    const auto lines = file_lines(err_file);
    ASSERT_EQ(lines.size(), 1u) << read_file(err_file);
    EXPECT_EQ(lines[0].rfind("corvan-monitor: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(c.quoted), std::string::npos) << lines[0];
    EXPECT_EQ(segments_created_by(pid), 0);
    struct stat st;
    EXPECT_NE(stat(pid_file.c_str(), &st), 0) << "the controller was started";
    unlink(err_file.c_str());
  }
}

TEST(BadArguments, WithoutTheAreaLinkItSaysHowItIsStarted) {
  auto r = run_program({monitor_program, "--manual"}, 20);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("'-automemlink <id>'"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST(BadArguments, ModbusPortInUseIsSaidInOneLine) {
  // A listener of our own holds the port.
  const int holder = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(holder, 1), 0);
  socklen_t length = sizeof address;
  getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string port = std::to_string(ntohs(address.sin_port));

  const std::string err_file = temp_path("monitor-err");
  const pid_t pid = spawn_program({monitor_program, "--no-window", "--modbus", "127.0.0.1:" + port,
                                   "-automemlink", "12345"},
                                  "", err_file);
  EXPECT_EQ(wait_for_exit(pid, 20), 2);
  const auto lines = file_lines(err_file);
  ASSERT_EQ(lines.size(), 1u) << read_file(err_file);
  EXPECT_NE(lines[0].find(port), std::string::npos) << lines[0];
  EXPECT_EQ(segments_created_by(pid), 0);
  close(holder);
  unlink(err_file.c_str());
}
