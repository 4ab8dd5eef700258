// The controller's standard error, passed on to ours as it comes, with its
// last lines kept: they tell why a controller ended before it ran.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class stderr_tail {
 public:
  // pass_on false keeps the last lines only.
  explicit stderr_tail(bool pass_on = true);
  // Stops passing on, even if a process the controller left behind still
  // holds the pipe.
  ~stderr_tail();
  stderr_tail(const stderr_tail&) = delete;
  stderr_tail& operator=(const stderr_tail&) = delete;

  // Runs start with file descriptor 2 in the pipe, so that whatever it
  // starts writes its standard error there; ours is back afterwards.
  void hand_to(const std::function<void()>& start);
  // The last lines written (at most max_lines, each cut to max_line_length).
  std::vector<std::string> last_lines() const;

  static constexpr size_t max_lines = 10;
  static constexpr size_t max_line_length = 300;

 private:
  void pass_on();
  bool pass_on_once();
  void keep(const char* bytes, size_t n);

  bool passing_on;
  int our_stderr = -1;  // where the lines are passed on to
  int pipe_ends[2] = {-1, -1};
  int stop_ends[2] = {-1, -1};
  std::thread reader;
  mutable std::mutex lock;
  std::vector<std::string> lines;
  std::string partial;
};
