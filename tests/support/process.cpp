#include "tests/support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string env_or(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v ? v : fallback;
}

void redirect(const std::string& file, int fd) {
  if (file.empty()) return;
  int f = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (f < 0) _exit(126);
  dup2(f, fd);
  close(f);
}

}  // namespace

std::string build_file(const std::string& relative) {
  return env_or("CORVAN_BUILD_DIR", ".") + "/" + relative;
}

std::string source_file(const std::string& relative) {
  return env_or("CORVAN_SOURCE_DIR", ".") + "/" + relative;
}

pid_t spawn_program(const std::vector<std::string>& argv, const std::string& stdout_file,
                    const std::string& stderr_file) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    redirect(stdout_file, 1);
    if (!stderr_file.empty() && stderr_file == stdout_file)
      dup2(1, 2);  // one stream: what both say, in the order it was written
    else
      redirect(stderr_file, 2);
    execv(args[0], args.data());
    _exit(127);
  }
  return pid;
}

int wait_for_exit(pid_t pid, double timeout_s) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_s);
  for (;;) {
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) {
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    }
    if (r < 0) return -2;
    if (std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

run_result run_program(const std::vector<std::string>& argv, double timeout_s) {
  std::string out = temp_path("out"), err = temp_path("err");
  pid_t pid = spawn_program(argv, out, err);
  int status = wait_for_exit(pid, timeout_s);
  if (status == -1) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  run_result r{status, read_file(out), read_file(err)};
  unlink(out.c_str());
  unlink(err.c_str());
  return r;
}

bool wait_until(const std::function<bool()>& cond, double timeout_s, double poll_s) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_s);
  while (!cond()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::duration<double>(poll_s));
  }
  return true;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string temp_path(const std::string& stem) {
  static int counter = 0;
  std::string dir = env_or("TMPDIR", "/tmp");
  std::string path = dir + "/corvan-test-" + std::to_string(getpid()) + "-" +
                     std::to_string(counter++) + "-" + stem;
  unlink(path.c_str());
  return path;
}
