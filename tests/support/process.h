// Child processes for tests that cross process boundaries.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// The build tree of the binaries under test (set by CTest), or ".".
std::string build_file(const std::string& relative);
std::string source_file(const std::string& relative);

// Starts argv[0] (a path) with stdout and stderr sent to the given files
// ("" keeps the test's own streams; one file for both gets both in the order
// they were written). Returns the child's pid.
pid_t spawn_program(const std::vector<std::string>& argv, const std::string& stdout_file = "",
                    const std::string& stderr_file = "");

// Waits for the child; returns its exit status, 128 + signal when killed,
// or -1 when it is still running after timeout_s seconds.
int wait_for_exit(pid_t pid, double timeout_s);

struct run_result {
  int status;  // as wait_for_exit; a child still running at the timeout is killed
  std::string out;
  std::string err;
};
run_result run_program(const std::vector<std::string>& argv, double timeout_s);

// Polls cond every poll_s seconds until it holds or timeout_s has passed.
bool wait_until(const std::function<bool()>& cond, double timeout_s, double poll_s = 0.01);

std::string read_file(const std::string& path);
// A fresh, empty file name in the temporary directory.
std::string temp_path(const std::string& stem);
