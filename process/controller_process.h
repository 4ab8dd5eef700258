// Starting the controller and looking after its process: shared by the
// simulator and the tools that stand in its place or between it and the
// user's controller.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <iostream>
#include <string>
#include <vector>

// The arguments from `first` on, each followed by one blank.
std::string controller_command(int argc, char** argv, int first = 1);

// The string handed to the shell to start the controller in the background.
std::string launch_string(const std::string& command, int memory_ident);

// Launches the controller through the shell, as the simulator always has,
// and keeps the background process as a descendant (child subreaper) so
// that it can be told about, signalled and reaped. What a process looked
// after leaves behind when it ends is looked after in its turn: a wrapper
// may start the real controller in the background and exit. (An orphan
// left by a deeper descendant is adopted when one looked after ends, or at
// the end of the run.)
class controller_care {
 public:
  // program_name prefixes every line this class writes to log.
  controller_care(std::string program_name, const std::string& command, int memory_ident,
                  std::ostream& log = std::cerr);
  controller_care(const controller_care&) = delete;
  controller_care& operator=(const controller_care&) = delete;

  // Cheap enough for every turn: reaps what has ended and adopts what it
  // left behind (/proc is read only then), with one line when the
  // controller ended within its first 2 seconds.
  void poll();
  bool controller_running() const { return !running.empty(); }
  // The processes looked after still running, as poll() last saw them.
  const std::vector<pid_t>& running_pids() const { return running; }
  // How the last process looked after to end did end ("status 127 (not
  // found)", "signal 9"), and when after the launch; "" while none has
  // ended. Once none is left, that is the controller's own end.
  const std::string& last_end() const { return last_end_text; }
  std::chrono::milliseconds last_end_after() const { return last_end_time; }
  // After the run: a controller still running 3 s later gets SIGTERM, and
  // SIGKILL 2 s after that; everything launched is reaped.
  void finish();

 private:
  void reap_ended(bool during_run);
  // Reaps every process looked after that has ended, noting how the last
  // one did; false when none had.
  bool reap_once();
  void adopt_orphans();
  bool wait_all(std::chrono::milliseconds limit);
  void signal_all(int signal_number, const char* name, std::vector<pid_t>& signalled);

  std::string program;
  std::ostream& log;
  std::string command;  // as the shell runs it, for the lines written
  std::vector<pid_t> present_before;  // children that are not ours to look after
  std::vector<pid_t> running;
  std::chrono::steady_clock::time_point launched;
  std::string last_end_text;
  std::chrono::milliseconds last_end_time{0};
};

// The text of /proc/<pid>/stat, or "" once the process has ended.
std::string process_stat(pid_t pid);
// The direct children of a process, zombies included, from /proc.
std::vector<pid_t> children_of(pid_t parent);
// Those of this process.
std::vector<pid_t> child_processes();

// One phrase for a wait status: "status 127 (not found)", "signal 9", ...
std::string describe_status(int status);
