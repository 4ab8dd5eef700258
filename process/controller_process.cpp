#include "process/controller_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <thread>

namespace {

using care_clock = std::chrono::steady_clock;

// A controller that ends this soon after its launch most likely never ran.
constexpr auto early_end = std::chrono::seconds(2);
constexpr auto grace_after_run = std::chrono::seconds(3);
constexpr auto grace_after_term = std::chrono::seconds(2);
constexpr auto reap_poll = std::chrono::milliseconds(10);

// The parent pid from /proc/<pid>/stat; the command name may hold blanks
// and parentheses, so the fields are read after its last ')'.
pid_t parent_of(pid_t pid) {
  const std::string stat = process_stat(pid);
  const auto name_end = stat.rfind(')');
  if (name_end == std::string::npos) return -1;
  std::istringstream fields(stat.substr(name_end + 1));
  char state = 0;
  pid_t parent = -1;
  fields >> state >> parent;
  return parent;
}

bool contains(const std::vector<pid_t>& pids, pid_t pid) {
  return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

}  // namespace

std::string controller_command(int argc, char** argv, int first) {
  std::string command;
  for (int i = first; i < argc; ++i) {
    command += argv[i];
    command += ' ';
  }
  return command;
}

std::string launch_string(const std::string& command, int memory_ident) {
  return command + " -automemlink " + std::to_string(memory_ident) + " &";
}

// Read with read(2): for a process that has just ended it fails with ESRCH,
// which a file stream would throw from.
std::string process_stat(pid_t pid) {
  const int fd = open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "";
  char buffer[1024];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  close(fd);
  return n > 0 ? std::string(buffer, size_t(n)) : "";
}

std::vector<pid_t> children_of(pid_t parent) {
  std::vector<pid_t> children;
  DIR* proc = opendir("/proc");
  if (!proc) return children;
  while (dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || pid <= 0) continue;
    if (parent_of(pid_t(pid)) == parent) children.push_back(pid_t(pid));
  }
  closedir(proc);
  return children;
}

std::vector<pid_t> child_processes() { return children_of(getpid()); }

std::string describe_status(int status) {
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  const int code = WEXITSTATUS(status);
  std::string text = "status " + std::to_string(code);
  if (code == 127) text += " (not found)";
  if (code == 126) text += " (not executable)";
  return text;
}

controller_care::controller_care(std::string program_name, const std::string& command_line,
                                 int memory_ident, std::ostream& log)
    : program(std::move(program_name)), log(log), command(launch_string(command_line, memory_ident)) {
  command.erase(command.size() - 2);  // the " &" is the shell's business
  // The shell exits at once and its background child would go to init:
  // as a subreaper this process inherits it instead.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  present_before = child_processes();
  launched = care_clock::now();
  int ignored = std::system((command + " &").c_str());
  (void)ignored;
  adopt_orphans();
}

void controller_care::adopt_orphans() {
  for (pid_t pid : child_processes())
    if (!contains(present_before, pid) && !contains(running, pid)) running.push_back(pid);
}

bool controller_care::reap_once() {
  bool reaped = false;
  for (pid_t pid : std::vector<pid_t>(running)) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != pid) continue;
    running.erase(std::remove(running.begin(), running.end(), pid), running.end());
    last_end_text = describe_status(status);
    last_end_time =
        std::chrono::duration_cast<std::chrono::milliseconds>(care_clock::now() - launched);
    reaped = true;
  }
  return reaped;
}

void controller_care::poll() { reap_ended(true); }

// A process that ends hands its children to us before it can be reaped, so
// they are adopted right after: a wrapper that starts the controller in the
// background and exits leaves the controller looked after. The controller
// has ended only when nothing is left.
void controller_care::reap_ended(bool during_run) {
  bool ended = false;
  while (reap_once()) {
    ended = true;
    adopt_orphans();
  }
  if (during_run && ended && running.empty() && last_end_time < early_end)
    log << program << ": the controller ended after " << last_end_time.count() << " ms with "
        << last_end_text << ": " << command << std::endl;
}

bool controller_care::wait_all(std::chrono::milliseconds limit) {
  const auto deadline = care_clock::now() + limit;
  for (;;) {
    adopt_orphans();  // a controller's own children left behind come to us
    reap_ended(false);
    if (running.empty()) return true;
    if (care_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(reap_poll);
  }
}

// One line per process and signal: orphans adopted meanwhile get theirs too.
void controller_care::signal_all(int signal_number, const char* name,
                                 std::vector<pid_t>& signalled) {
  for (pid_t pid : running) {
    if (contains(signalled, pid)) continue;
    log << program << ": the controller (pid " << pid << ") is still running; sending "
              << name << std::endl;
    kill(pid, signal_number);
    signalled.push_back(pid);
  }
}

void controller_care::finish() {
  if (wait_all(grace_after_run)) return;
  std::vector<pid_t> terminated, killed;
  signal_all(SIGTERM, "SIGTERM", terminated);
  if (wait_all(grace_after_term)) return;
  // SIGKILL cannot be refused; what remains after it is an orphan that
  // reached us meanwhile, and gets its own.
  for (int round = 0; round < 100 && !running.empty(); ++round) {
    signal_all(SIGKILL, "SIGKILL", killed);
    wait_all(reap_poll * 10);
  }
}
