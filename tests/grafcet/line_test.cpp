// The gluing-line chart controlling the real simulator in real time, its
// timers on the wall clock, clicked through the X server as an operator
// would. What the chart does with many workpieces and after an emergency
// stop is shown in lock-step (run_test.cpp); here one workpiece goes
// through every station's timers.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/xwin.h"

namespace {

const std::string corvan = build_file("app/corvan");
const std::string program = build_file("grafcet/corvan-grafcet");
const std::string chart = source_file("examples/grafcet/gluing_line.graf");

// Panel buttons, in window coordinates.
struct button {
  int x, y;
};
constexpr button init_button{755, 60}, dc_button{755, 90}, piece_button{760, 485},
    quit_button{860, 525};

class ChartOnTheLine : public ::testing::Test {
 protected:
  void TearDown() override { end_run(); }

  void start(const std::vector<std::string>& controller) {
    std::vector<std::string> argv = {corvan};
    argv.insert(argv.end(), controller.begin(), controller.end());
    pid = spawn_program(argv, "", err_file);
    window = wait_for_window("atelier", 20);
    ASSERT_NE(window, 0u) << read_file(err_file);
    ASSERT_TRUE(wait_until([&] { return read_file(err_file).find("ident_mem=") != std::string::npos; }, 10));
  }
  void start_chart() { start({program, "--no-window", chart}); }
  // Quits and waits for the simulator; true when it ended normally.
  bool quit() {
    click(quit_button);
    return wait_for_exit(pid, 20) == 0;
  }
  void end_run() {
    if (pid > 0 && wait_for_exit(pid, 0) == -1) {
      // Quit first so the simulator ends its controller; kill only as a last resort.
      click(quit_button);
      if (wait_for_exit(pid, 20) == -1) {
        kill(pid, SIGKILL);
        wait_for_exit(pid, 5);
      }
    }
    pid = -1;
    unlink(err_file.c_str());
  }

  void click(button b) {
    xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(b.x) + " " +
            std::to_string(b.y) + " click 1");
  }
  // Holds a button long enough for several turns to see it.
  void press(button b) {
    xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(b.x) + " " +
            std::to_string(b.y) + " mousedown 1");
    usleep(300000);
    xdotool("mouseup 1");
  }
  // How many times each line was written.
  std::map<std::string, int> simulator_messages() const {
    std::istringstream in(read_file(err_file));
    std::map<std::string, int> counts;
    for (std::string l; std::getline(in, l);) ++counts[l];
    return counts;
  }
  int count(const std::string& line) const {
    std::istringstream in(read_file(err_file));
    int n = 0;
    for (std::string l; std::getline(in, l);) n += l == line;
    return n;
  }
  // Loads workpieces one by one (the feed refuses a new one while its entry
  // is busy) and waits until they have left the line.
  void make_workpieces(int n) {
    int transferred = count("TRANSFERT"), destroyed = count(" DESTRUCTION");
    for (int k = 1; k <= n; ++k) {
      click(piece_button);
      ASSERT_TRUE(wait_until([&] { return count("TRANSFERT") == transferred + k; }, 60, 0.1)) << read_file(err_file);
    }
    ASSERT_TRUE(wait_until([&] { return count(" DESTRUCTION") == destroyed + n; }, 60.0 * n, 0.2))
        << read_file(err_file);
  }
  void initialise_and_start() {
    press(init_button);
    wait_until([] { return false; }, 3);  // the line reaches its initial position
    press(dc_button);
  }

  std::string err_file = temp_path("grafcet-line-err");
  pid_t pid = -1;
  unsigned long window = 0;
};

TEST_F(ChartOnTheLine, OneWorkpieceIsGluedLiddedAndLeavesWithTheTimersOnTheWallClock) {
  start_chart();
  initialise_and_start();
  make_workpieces(1);
  std::map<std::string, int> messages = simulator_messages();
  EXPECT_EQ(messages["PREPARATION COLLE"], 1);
  EXPECT_EQ(messages["ENCOLLAGE !"], 1);
  // Its lid off the pusher and onto the cup, laid, the next one held.
  EXPECT_EQ(messages["cap a ete couple a poussoir_vv"], 2);
  EXPECT_EQ(messages["cap a ete decouple de poussoir_vv"], 1);
  EXPECT_TRUE(quit());
}

}  // namespace
