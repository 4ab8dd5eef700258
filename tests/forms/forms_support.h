// Helpers for the forms tests: a scratch directory to work in, commands run
// with their output, and scripted clicks for modal loops.
#pragma once

#include "tests/support/process.h"  // read_file

#include <functional>
#include <string>
#include <vector>

class Fl_Widget;
class Fl_Window;

// A new directory under /tmp, made the current one; removed afterwards and
// the previous current directory restored.
class scratch_dir {
 public:
  scratch_dir();
  ~scratch_dir();
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

struct command_result {
  int status;  // exit status, -1 when it did not exit normally
  std::string output;  // standard output and error together
};
command_result run_command(const std::string& command);

void write_file(const std::string& name, const std::string& text);
bool file_exists(const std::string& name);

// Runs its steps one by one from toolkit timeouts, 50 ms apart, so that a
// modal loop started after start() handles each step's click before the
// next step runs.
class click_script {
 public:
  explicit click_script(std::vector<std::function<void()>> steps);
  ~click_script();
  click_script(const click_script&) = delete;
  click_script& operator=(const click_script&) = delete;
  void start();
  // Number of steps run so far.
  std::size_t done() const { return next_; }

 private:
  static void tick(void* self);
  std::vector<std::function<void()>> steps_;
  std::size_t next_ = 0;
};

// Sends the window what a window manager sends when the user closes it.
void close_by_window_manager(Fl_Window* window);

// Steps for a modal loop that closing its window must end: the close, half a
// second of nothing, then `fallback` (the loop's own way out), so that a loop
// deaf to the close still ends. The close ended it when fewer than
// close_script_steps steps ran.
constexpr std::size_t close_script_steps = 11;
std::vector<std::function<void()>> close_then(std::function<void()> close,
                                              std::function<void()> fallback);

// Empties the Forms queue, so no click of an earlier test is read.
void drain_queue();
// The first widget, at any depth, whose label is label; null when none.
Fl_Widget* find_by_label(Fl_Window* window, const std::string& label);
// The first widget, at any depth, that is of type T.
template <class T>
T* find_widget(Fl_Window* window);
// The modal dialog being shown, if any.
Fl_Window* modal_dialog();
