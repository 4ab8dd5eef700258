#include "tests/forms/forms_support.h"

#include "tests/support/xwin.h"

#include <FL/Fl.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

scratch_dir::scratch_dir() {
  char pattern[] = "/tmp/corvan-forms-XXXXXX";
  const char* made = mkdtemp(pattern);
  path_ = made ? made : "";
  char* here = getcwd(nullptr, 0);
  previous_ = here ? here : "/";
  std::free(here);
  if (!path_.empty() && chdir(path_.c_str()) != 0) path_.clear();
}

scratch_dir::~scratch_dir() {
  if (chdir(previous_.c_str()) != 0) return;
  if (!path_.empty()) run_command("rm -rf '" + path_ + "'");
}

command_result run_command(const std::string& command) {
  command_result result{-1, ""};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
  int status = pclose(pipe);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

void write_file(const std::string& name, const std::string& text) {
  std::ofstream(name, std::ios::binary) << text;
}

bool file_exists(const std::string& name) { return access(name.c_str(), F_OK) == 0; }

click_script::click_script(std::vector<std::function<void()>> steps) : steps_(std::move(steps)) {}

click_script::~click_script() { Fl::remove_timeout(tick, this); }

void click_script::start() { Fl::add_timeout(0.05, tick, this); }

void click_script::tick(void* self) {
  auto* script = static_cast<click_script*>(self);
  if (script->next_ == script->steps_.size()) return;
  script->steps_[script->next_++]();
  Fl::add_timeout(0.05, tick, self);
}

void close_by_window_manager(Fl_Window* window) { send_wm_delete(fl_xid(window)); }

std::vector<std::function<void()>> close_then(std::function<void()> close,
                                              std::function<void()> fallback) {
  std::vector<std::function<void()>> steps(close_script_steps, [] {});
  steps.front() = std::move(close);
  steps.back() = std::move(fallback);
  return steps;
}

void drain_queue() {
  Fl::check();
  while (Fl::readqueue()) {
  }
}

static Fl_Widget* find_in(Fl_Group* group, const std::function<bool(Fl_Widget*)>& wanted) {
  for (int i = 0; i < group->children(); ++i) {
    Fl_Widget* child = group->child(i);
    if (wanted(child)) return child;
    if (Fl_Group* inner = child->as_group())
      if (Fl_Widget* found = find_in(inner, wanted)) return found;
  }
  return nullptr;
}

Fl_Widget* find_by_label(Fl_Window* window, const std::string& label) {
  if (!window) return nullptr;
  return find_in(window, [&](Fl_Widget* w) { return w->label() && label == w->label(); });
}

template <class T>
T* find_widget(Fl_Window* window) {
  if (!window) return nullptr;
  return static_cast<T*>(
      find_in(window, [](Fl_Widget* w) { return dynamic_cast<T*>(w) != nullptr; }));
}
template Fl_Input* find_widget<Fl_Input>(Fl_Window*);
template Fl_Browser* find_widget<Fl_Browser>(Fl_Window*);

Fl_Window* modal_dialog() { return Fl::modal(); }
