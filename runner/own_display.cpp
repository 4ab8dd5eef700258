#include "runner/own_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

constexpr int start_timeout_ms = 20000;  // a loaded machine can take seconds

[[noreturn]] void exec_server(int display_fd) {
  // A run killed outright must not leave its server behind; a Ctrl-C at
  // the terminal is for the run, which then stops its server itself.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  setpgid(0, 0);
  int null = open("/dev/null", O_RDWR);
  dup2(null, 0);
  dup2(null, 1);
  dup2(null, 2);
  std::string fd = std::to_string(display_fd);
  execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
         "tcp", static_cast<char*>(nullptr));
  _exit(127);
}

// The server writes its display number and a newline once it accepts
// connections; "" when it ends or stays silent.
std::string read_display_number(int fd) {
  std::string number;
  pollfd p{fd, POLLIN, 0};
  while (poll(&p, 1, start_timeout_ms) == 1) {
    char c;
    if (read(fd, &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  return number;
}

bool ended_within(pid_t pid, int tenths) {
  for (int i = 0; i < tenths; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
    usleep(100000);
  }
  return false;
}

}  // namespace

void own_display::start() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("cannot start Xvfb: no pipe");
  pid = fork();
  if (pid == 0) {
    fcntl(fds[1], F_SETFD, 0);  // the server's end survives exec
    exec_server(fds[1]);
  }
  close(fds[1]);
  std::string number = pid > 0 ? read_display_number(fds[0]) : "";
  close(fds[0]);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
    stop();
    throw std::runtime_error("cannot start Xvfb (is it installed?)");
  }
  setenv("DISPLAY", (":" + number).c_str(), 1);
}

void own_display::stop() {
  if (pid <= 0) return;
  unsetenv("DISPLAY");  // as it was: start() is only called without one
  kill(pid, SIGTERM);
  if (!ended_within(pid, 50)) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid = -1;
}
