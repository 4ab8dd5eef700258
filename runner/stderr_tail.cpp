#include "runner/stderr_tail.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

stderr_tail::stderr_tail(bool pass_on) : passing_on(pass_on), our_stderr(fcntl(2, F_DUPFD_CLOEXEC, 3)) {
  if (our_stderr < 0 || pipe2(pipe_ends, O_CLOEXEC) != 0 || pipe2(stop_ends, O_CLOEXEC) != 0)
    throw std::runtime_error("no pipe for the controller's standard error");
  reader = std::thread(&stderr_tail::pass_on, this);
}

stderr_tail::~stderr_tail() {
  if (pipe_ends[1] >= 0) close(pipe_ends[1]);
  char stop = 1;
  while (write(stop_ends[1], &stop, 1) < 0 && errno == EINTR) {
  }
  reader.join();
  for (int fd : {pipe_ends[0], stop_ends[0], stop_ends[1], our_stderr}) close(fd);
}

void stderr_tail::hand_to(const std::function<void()>& start) {
  dup2(pipe_ends[1], 2);  // without close-on-exec: the controller inherits it
  start();
  dup2(our_stderr, 2);
  // Only the controller's side holds the pipe now: its end is our end of file.
  close(pipe_ends[1]);
  pipe_ends[1] = -1;
}

std::vector<std::string> stderr_tail::last_lines() const {
  std::lock_guard<std::mutex> hold(lock);
  std::vector<std::string> all = lines;
  if (!partial.empty()) all.push_back(partial);
  if (all.size() > max_lines) all.erase(all.begin(), all.end() - max_lines);
  return all;
}

// Until every writer has closed the pipe or the tail is stopped.
void stderr_tail::pass_on() {
  pollfd watched[2] = {{pipe_ends[0], POLLIN, 0}, {stop_ends[0], POLLIN, 0}};
  for (;;) {
    if (poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watched[0].revents && !pass_on_once()) return;
    if (watched[1].revents) return;
  }
}

// One read from the pipe, written out and kept; false at its end.
bool stderr_tail::pass_on_once() {
  char buffer[4096];
  const ssize_t n = read(pipe_ends[0], buffer, sizeof buffer);
  if (n < 0 && errno == EINTR) return true;
  if (n <= 0) return false;
  for (ssize_t written = passing_on ? 0 : n; written < n;) {
    const ssize_t w = write(our_stderr, buffer + written, size_t(n - written));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    written += w;
  }
  keep(buffer, size_t(n));
  return true;
}

void stderr_tail::keep(const char* bytes, size_t n) {
  std::lock_guard<std::mutex> hold(lock);
  for (size_t i = 0; i < n; ++i) {
    if (bytes[i] != '\n') {
      if (partial.size() < max_line_length) partial += bytes[i];
      continue;
    }
    lines.push_back(partial);
    partial.clear();
    if (lines.size() > max_lines) lines.erase(lines.begin());
  }
}
