// Shared by the monitor's process tests: the programs under test, the
// monitor's stderr, and the checks that nothing is left behind.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/line_run.h"
#include "tests/support/process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline const std::string monitor_program = build_file("monitor/corvan-monitor");
inline const std::string echo_controller = build_file("tests/monitor/turn_echo_controller");

// Ends a process the test started if it is still there, whatever happened.
inline void end_process(pid_t pid) {
  if (pid > 0 && wait_for_exit(pid, 0) == -1) {
    kill(pid, SIGKILL);
    wait_for_exit(pid, 5);
  }
}

// A lock-step run of the scenario file by corvan-run, with the monitor and
// its options in front of the demonstration controller; the simulator's
// messages go to messages_file.
inline run_result run_through_monitor(const std::string& scenario,
                                      const std::vector<std::string>& monitor_options,
                                      const std::string& messages_file) {
  std::vector<std::string> argv = {build_file("runner/corvan-run"), "--lockstep", "--scenario",
                                   scenario, "--messages", messages_file, "--", monitor_program,
                                   "--no-window"};
  argv.insert(argv.end(), monitor_options.begin(), monitor_options.end());
  argv.insert(argv.end(), {"--", build_file("examples/demo_controller")});
  return run_program(argv, 30);
}

// The monitor's last line: "corvan-monitor: N turns seen, M missed".
inline bool monitor_summary(const std::string& err, long& seen, long& missed) {
  const auto at = err.rfind("corvan-monitor: ");
  return at != std::string::npos &&
         std::sscanf(err.c_str() + at, "corvan-monitor: %ld turns seen, %ld missed", &seen,
                     &missed) == 2;
}

// A TCP port on 127.0.0.1 that nothing listens on at the moment.
inline int free_local_port() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  close(s);
  return ntohs(address.sin_port);
}
