// The monitor's window on a bare X server, beside the line of a lock-step
// run: where it opens, what it shows, what the trace records of a forcing
// clicked in it, and how it goes when closed.
#include <gtest/gtest.h>

#include "monitor/monitor_window.h"
#include "monitor/window_place.h"
#include "tests/monitor/line_fixture.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <utility>

namespace {

// One connection for the whole test, as tests/support/xwin does.
Display* display() {
  static Display* d = XOpenDisplay(nullptr);
  return d;
}

screen_rect geometry_of(unsigned long id) {
  XWindowAttributes a{};
  XGetWindowAttributes(display(), id, &a);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display(), id, DefaultRootWindow(display()), 0, 0, &x, &y, &child);
  return {x, y, a.width, a.height};
}

// Its place among the top-level windows, from the bottom.
int stacking_place(unsigned long id) {
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  XQueryTree(display(), DefaultRootWindow(display()), &root, &parent, &children, &count);
  const int place = int(std::find(children, children + count, Window(id)) - children);
  if (children) XFree(children);
  return place;
}

// (turn, value) of every change of the signal in the monitor's CSV trace.
std::vector<std::pair<long, int>> changes_of(const std::string& csv, const std::string& signal) {
  std::vector<std::pair<long, int>> found;
  for (const auto& c : read_csv_trace(csv))
    if (c.signal == signal) found.emplace_back(c.turn, c.value);
  return found;
}

}  // namespace

class MonitorWindow : public ::testing::Test {
 protected:
  void TearDown() override {
    if (run > 0 && wait_for_exit(run, 0) == -1) end_run();
    end_process(run);
    for (const auto& f : {out_file, err_file, csv_file}) unlink(f.c_str());
  }

  // corvan-run --lockstep with the monitor in manual mode as its controller,
  // for as long as the test needs: it ends the run by closing the line.
  void start() {
    run = spawn_program({build_file("runner/corvan-run"), "--lockstep", "--no-checks", "--duration",
                         "3600", "--",
                         monitor_program, "--manual", "--csv", csv_file},
                        out_file, err_file);
    line = wait_for_window("atelier", 20);
    ASSERT_NE(line, 0u) << read_file(err_file);
    monitor = wait_for_window("corvan-monitor", 20);
    ASSERT_NE(monitor, 0u) << read_file(err_file);
  }
  // Closes the line's window as a user would; the run's status.
  int end_run() {
    send_wm_delete(line);
    return wait_for_exit(run, 30);
  }
  void click(int x, int y) {
    xdotool("mousemove --window " + std::to_string(monitor) + " " + std::to_string(x) + " " +
            std::to_string(y) + " click 1");
  }

  std::string out_file = temp_path("monitor-window-out");
  std::string err_file = temp_path("monitor-window-err");
  std::string csv_file = temp_path("monitor-window-csv");
  pid_t run = -1;
  unsigned long line = 0, monitor = 0;
};

TEST_F(MonitorWindow, ClosedByTheWindowManagerOrEscapeItGoesAndTheLineIsStillServed) {
  struct way {
    const char* what;
    std::function<void(unsigned long)> close;
  };
  const std::vector<way> ways = {
      {"WM_DELETE_WINDOW", [](unsigned long id) { send_wm_delete(id); }},
      {"Escape",
       [](unsigned long id) {
         xdotool("mousemove --window " + std::to_string(id) + " 100 520 key Escape");
       }},
  };
  for (const auto& w : ways) {
    SCOPED_TRACE(w.what);
    ASSERT_NO_FATAL_FAILURE(start());
    w.close(monitor);
    EXPECT_TRUE(wait_until([] { return find_windows("corvan-monitor").empty(); }, 10))
        << "the window stays on the screen";
    // Thousands of lock-step turns, each of which waits for the monitor.
    usleep(500000);
    EXPECT_EQ(end_run(), 0) << read_file(err_file);
    EXPECT_NE(read_file(out_file).find("late answers: 0 "), std::string::npos)
        << read_file(out_file);
    long seen = 0, missed = 0;
    EXPECT_TRUE(monitor_summary(read_file(err_file), seen, missed)) << read_file(err_file);
  }
}

// The suite's screen (1280 x 1024) has no room beside the line's centred
// window: the monitor's takes the screen's left edge, over the line's
// drawing and clear of its buttons, and on top of it.
TEST_F(MonitorWindow, OpensLevelWithTheLinesWindowOnItsLeftAndOverIt) {
  ASSERT_NO_FATAL_FAILURE(start());
  const screen_rect l = geometry_of(line), m = geometry_of(monitor);
  EXPECT_NEAR(m.x, 0, 1);  // FLTK moves a window asked at x 0 to x 1
  EXPECT_EQ(m.y, l.y);
  EXPECT_LT(m.x + m.w, l.x + 740) << "the line's buttons are covered";
  EXPECT_GT(stacking_place(monitor), stacking_place(line));
}

// Each panel of the monitor holds all its signals on one page.
TEST_F(MonitorWindow, ShowsNoPageButtonsWhenEveryPanelHoldsOnePage) {
  ASSERT_NO_FATAL_FAILURE(start());
  const int top = monitor_window::panel_height - 30;
  for (int x : {70, 150, monitor_window::outputs_x + 70, monitor_window::outputs_x + 150}) {
    SCOPED_TRACE(x);
    auto pixels = window_region(monitor, x, top, 20, 20);
    ASSERT_EQ(pixels.size(), 20u * 20 * 3);
    for (size_t i = 3; i < pixels.size(); i += 3)
      ASSERT_TRUE(std::equal(pixels.begin(), pixels.begin() + 3, pixels.begin() + i))
          << "a button is drawn there";
  }
}

// An output forced and released with the window's buttons: its value in
// the trace changes in the very turn its forcing does, as the simulator
// takes it.
TEST_F(MonitorWindow, OutputForcedFromTheWindowIsTracedInTheTurnItIsForced) {
  ASSERT_NO_FATAL_FAILURE(start());
  for (int output : {out::MT, out::BZ1}) {
    const std::string name = table_signaux[input_signal_count + output];
    for (int click_count = 1; click_count <= 2; ++click_count) {
      click(monitor_window::outputs_x + monitor_window::force_x + 29,
            monitor_window::row_top(output) + 7);
      // Forced on at the first click, released at the second.
      ASSERT_TRUE(wait_until(
          [&] {
            auto forced = changes_of(csv_file, "forced." + name);
            return !forced.empty() && forced.back().second == (click_count == 1);
          },
          10))
          << name;
    }
  }
  EXPECT_EQ(end_run(), 0);
  for (const char* name : {"MT", "BZ1"}) {
    SCOPED_TRACE(name);
    const auto forced = changes_of(csv_file, std::string("forced.") + name);
    ASSERT_EQ(forced.size(), 3u);  // 0 at the first turn, 1, 0
    // The manual switches are all off: the output is 1 exactly while forced.
    EXPECT_EQ(changes_of(csv_file, name), forced);
  }
}

TEST(WindowPlace, BesideTheLineWhereTheScreenHasRoomElseAgainstItsLeftEdge) {
  struct placing {
    const char* what;
    screen_rect line, screen;
    int x, y;
  };
  const int w = 595, h = 560;
  const std::vector<placing> cases = {
      {"room on the left", {810, 440, 940, 560}, {0, 0, 2560, 1440}, 810 - w, 440},
      {"room on the right only", {100, 100, 940, 560}, {0, 0, 1920, 1080}, 1040, 100},
      {"no room on either side", {170, 232, 940, 560}, {0, 0, 1280, 1024}, 0, 232},
      {"line low on the screen", {600, 700, 940, 560}, {0, 0, 1920, 1080}, 5, 1080 - h},
      {"second screen", {2600, 100, 940, 560}, {1920, 0, 1920, 1080}, 2600 - w, 100},
      {"no room, second screen", {2410, 0, 940, 560}, {1920, 0, 1920, 1080}, 1920, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const screen_rect at = place_beside(c.line, w, h, c.screen);
    EXPECT_EQ(at.x, c.x);
    EXPECT_EQ(at.y, c.y);
    EXPECT_EQ(at.w, w);
    EXPECT_EQ(at.h, h);
  }
}
