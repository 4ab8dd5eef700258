// Second real processes and a ready-made link for the exchange-area tests.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <functional>

#include "iolink/IOshare_area.h"
#include "iolink/IOsharemem_client.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"

// Runs body in a forked child that ends with body's result. The child is
// killed when the test process dies, so a hung or failed test leaves no
// stopped or sleeping child behind.
inline pid_t fork_child(const std::function<int()>& body) {
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(99);
    _exit(body());
  }
  return pid;
}

// Exit status of a child, or 128 + signal.
inline int reap(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline void kill_and_reap(pid_t pid) {
  kill(pid, SIGKILL);
  reap(pid);
}

// A pipe carrying bytes one way, between the test and one child.
class pipe_channel {
 public:
  pipe_channel() {
    if (pipe(fds) != 0) fds[0] = fds[1] = -1;
  }
  ~pipe_channel() {
    close(fds[0]);
    close(fds[1]);
  }
  pipe_channel(const pipe_channel&) = delete;
  pipe_channel& operator=(const pipe_channel&) = delete;

  bool send_bytes(const void* data, std::size_t size) {
    return write(fds[1], data, size) == static_cast<ssize_t>(size);
  }
  // False when the bytes do not all come within 30 s (the sender died or hung).
  bool receive_bytes(void* data, std::size_t size) {
    auto* at = static_cast<char*>(data);
    while (size > 0) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 30000) != 1) return false;
      ssize_t n = read(fds[0], at, size);
      if (n <= 0) return false;
      at += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }
  bool send(int value) { return send_bytes(&value, sizeof value); }
  // -1 when nothing comes.
  int receive() {
    int value = -1;
    return receive_bytes(&value, sizeof value) ? value : -1;
  }

 private:
  int fds[2];
};

// A raw attachment of the area, as a separate program would make it.
inline IOshare_area* attach_area(int ident) {
  void* at = shmat(ident, nullptr, 0);
  return at == reinterpret_cast<void*>(-1) ? nullptr : static_cast<IOshare_area*>(at);
}

// A 32-bit word of the area at a byte offset, read as a second program would.
inline int32_t word_at(const unsigned char* bytes, std::size_t offset) {
  int32_t value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

// The line's server, a raw attachment of its area, and a controller.
struct line_link {
  std::list<std::string> in = input_name_list(), out = output_name_list();
  IOsharemem_server server{in, out};
  IOshare_area* area = attach_area(server.memory_ident());
  IOsharemem_client client{server.memory_ident()};
};
