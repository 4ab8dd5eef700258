// The real simulator binary with a real controller process, driven through
// the X server as an operator would.
#include <gtest/gtest.h>

#include "process/controller_process.h"
#include "tests/support/line_run.h"
#include "tests/support/process.h"
#include "tests/support/xwin.h"

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string corvan = build_file("app/corvan");
const std::string controller = build_file("tests/tools/test_controller");
const std::string demo = build_file("examples/demo_controller");
const std::string env = "/usr/bin/env";

bool segment_exists(int id) {
  shmid_ds ds;
  return shmctl(id, IPC_STAT, &ds) == 0;
}

// Ends, by pid, every process the test started: the simulator and, once it
// is gone, the controllers it launched, which the test inherits as their
// subreaper. A test that fails half-way leaves nothing running.
void end_every_child() {
  for (int round = 0; round < 50; ++round) {
    std::vector<pid_t> children = child_processes();
    if (children.empty()) return;
    for (pid_t child : children) {
      kill(child, SIGKILL);
      wait_for_exit(child, 5);
    }
  }
}

class Simulator : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { prctl(PR_SET_CHILD_SUBREAPER, 1); }
  void TearDown() override {
    end_every_child();
    unlink(err_file.c_str());
  }

  // Starts corvan with the given controller command line and waits for its window.
  void start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {corvan};
    argv.insert(argv.end(), args.begin(), args.end());
    pid = spawn_program(argv, "", err_file);
    window = wait_for_window("atelier", 20);
    ASSERT_NE(window, 0u) << err();
  }

  std::string err() const { return read_file(err_file); }
  bool err_has(const std::string& text, double timeout_s = 10) {
    return wait_until([&] { return err().find(text) != std::string::npos; }, timeout_s);
  }
  // The segment identifier, as the controller reported it when attaching.
  int ident() {
    std::smatch m;
    std::string e = err();
    return std::regex_search(e, m, std::regex("ident_mem=(\\d+)")) ? std::stoi(m[1]) : -1;
  }
  void click(int x, int y) {
    xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
            std::to_string(y) + " click 1");
  }
  void click_quit() { click(860, 525); }
  // Holds a panel button long enough for a turn to sample it.
  void press(int x, int y) {
    std::string w = std::to_string(window);
    xdotool("mousemove --window " + w + " " + std::to_string(x) + " " + std::to_string(y) +
            " mousedown 1");
    usleep(300000);
    xdotool("mouseup 1");
  }
  int count(const std::string& line) {
    int n = 0;
    for (const auto& l : lines())
      if (l == line) ++n;
    return n;
  }
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    std::istringstream in(err());
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }

  std::string err_file = temp_path("corvan-err");
  pid_t pid = -1;
  unsigned long window = 0;
};

}  // namespace

// With a display and without one: the arguments are checked first.
TEST_F(Simulator, WithoutArgumentItExplainsItselfAndOpensNothing) {
  for (std::vector<std::string> argv : {std::vector<std::string>{corvan},
                                        std::vector<std::string>{env, "-u", "DISPLAY", corvan}}) {
    SCOPED_TRACE(argv.size() == 1 ? "with a display" : "without a display");
    pid = spawn_program(argv, "", err_file);
    ASSERT_EQ(wait_for_exit(pid, 20), 2);
    EXPECT_EQ(err(), "Usage: corvan CONTROLLER [ARGUMENT]...\n");
    EXPECT_EQ(segments_created_by(pid), 0);
    EXPECT_TRUE(find_windows("atelier").empty());
  }
}

TEST_F(Simulator, WithoutADisplayItSaysSoAndStartsNothing) {
  std::string argv_file = temp_path("argv");
  const std::string unset_line =
      "corvan: impossible d'ouvrir l'affichage (DISPLAY non defini); "
      "lancer sous xvfb-run, ou donner DISPLAY\n";
  const std::string wrong_line =
      "corvan: impossible d'ouvrir l'affichage \":4711\"; "
      "lancer sous xvfb-run, ou donner DISPLAY\n";
  struct {
    std::vector<std::string> argv;
    std::string message;
  } cases[] = {
      {{env, "-u", "DISPLAY", corvan, controller, "--argv-file", argv_file}, unset_line},
      // A display named among the arguments is the one tried.
      {{corvan, controller, "--argv-file", argv_file, "-display", ":4711"}, wrong_line},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    pid = spawn_program(c.argv, "", err_file);
    ASSERT_EQ(wait_for_exit(pid, 20), 1);
    EXPECT_EQ(err(), c.message);
    EXPECT_EQ(segments_created_by(pid), 0);
    // A controller launched anyway would have written its arguments by now.
    usleep(500000);
    EXPECT_EQ(read_file(argv_file), "");
    EXPECT_TRUE(child_processes().empty());
  }
  unlink(argv_file.c_str());
}

// DISPLAY names no server here; the argument names the real one, and the
// controller still gets the option in its command.
TEST_F(Simulator, DisplayNamedAmongTheArgumentsIsTheOneOpened) {
  const char* real = std::getenv("DISPLAY");
  ASSERT_NE(real, nullptr);
  std::string argv_file = temp_path("argv");
  std::string env_display = std::string("DISPLAY=") + ":4711";
  std::vector<std::string> argv = {env,        env_display, corvan,   controller,
                                   "-display", real,        "--argv-file", argv_file};
  pid = spawn_program(argv, "", err_file);
  window = wait_for_window("atelier", 20);
  ASSERT_NE(window, 0u) << err();
  ASSERT_TRUE(err_has("ident_mem="));
  ASSERT_TRUE(wait_until([&] { return !read_file(argv_file).empty(); }, 10));
  EXPECT_EQ(read_file(argv_file), controller + "\n-display\n" + real + "\n--argv-file\n" +
                                      argv_file + "\n-automemlink\n" +
                                      std::to_string(ident()) + "\n");
  click_quit();
  EXPECT_EQ(wait_for_exit(pid, 20), 0);
  unlink(argv_file.c_str());
}

TEST_F(Simulator, ControllerGetsItsArgumentsSplitByTheShellAndTheSegment) {
  std::string argv_file = temp_path("argv");
  start({controller, "--argv-file " + argv_file});
  ASSERT_TRUE(err_has("ident_mem="));
  ASSERT_TRUE(wait_until([&] { return !read_file(argv_file).empty(); }, 10));
  EXPECT_EQ(read_file(argv_file), controller + "\n--argv-file\n" + argv_file +
                                      "\n-automemlink\n" + std::to_string(ident()) + "\n");
  EXPECT_NE(ident(), 0);
  click_quit();
  EXPECT_EQ(wait_for_exit(pid, 20), 0);
  unlink(argv_file.c_str());
}

TEST_F(Simulator, HoldingDcIsSeenByTheController) {
  start({controller});
  ASSERT_TRUE(err_has("controleur: dc=0"));
  xdotool("mousemove --window " + std::to_string(window) + " 755 90 mousedown 1");
  EXPECT_TRUE(err_has("controleur: dc=1"));
  xdotool("mouseup 1");
  EXPECT_TRUE(wait_until(
      [&] {
        std::string e = err();
        return e.rfind("controleur: dc=0") > e.find("controleur: dc=1");
      },
      10));
  click_quit();
  EXPECT_EQ(wait_for_exit(pid, 20), 0);
}

TEST_F(Simulator, PvStaysDownAfterOneClickAndComesUpAtTheNext) {
  start({controller});
  ASSERT_TRUE(err_has("controleur: dc=0"));
  auto pv = [&] { return window_region(window, 720, 260, 70, 20); };
  // Read while the button is being drawn, on a busy machine, the region can
  // be half drawn: it is read again until it stays the same.
  auto settled_pv = [&] {
    auto last = pv();
    for (int k = 0; k < 50; ++k) {
      usleep(100000);
      auto now = pv();
      if (now == last) break;
      last = now;
    }
    return last;
  };
  auto up = pv();
  click(755, 270);
  ASSERT_TRUE(wait_until([&] { return pv() != up; }, 10));
  auto down = settled_pv();  // the button now also shows the keyboard focus
  click(755, 270);
  EXPECT_TRUE(wait_until([&] { return pv() != down; }, 10));
  click(755, 270);
  EXPECT_TRUE(wait_until([&] { return pv() == down; }, 10));
  click_quit();
  EXPECT_EQ(wait_for_exit(pid, 20), 0);
}

TEST_F(Simulator, AboutBoxHoldsTheRunUntilClosed) {
  start({controller});
  ASSERT_TRUE(err_has("controleur: dc=0"));
  click(810, 425);  // "a propos"
  unsigned long about = wait_for_window("a propos", 10);
  ASSERT_NE(about, 0u);
  // While the box is up no turn is published: "DC" held now is not seen.
  xdotool("mousemove --window " + std::to_string(window) + " 755 90 mousedown 1");
  EXPECT_FALSE(err_has("controleur: dc=1", 1));
  xdotool("mouseup 1");
  xdotool("key --window " + std::to_string(about) + " Return");
  EXPECT_TRUE(wait_until([&] { return find_windows("a propos").empty(); }, 10, 0.1));
  click_quit();
  EXPECT_EQ(wait_for_exit(pid, 20), 0) << err();
}

TEST_F(Simulator, QuitEndsBothProcessesAndLeavesNoSegment) {
  start({controller});
  ASSERT_TRUE(err_has("controleur: dc=0"));
  int id = ident();
  ASSERT_GE(id, 0);
  click_quit();
  EXPECT_EQ(wait_for_exit(pid, 20), 0);
  EXPECT_TRUE(err_has("controleur: fin de l'echange"));
  EXPECT_TRUE(wait_until([&] { return !segment_exists(id); }, 10));
}

TEST_F(Simulator, ClosingTheWindowEndsTheRunTheSameWay) {
  start({controller});
  ASSERT_TRUE(err_has("controleur: dc=0"));
  int id = ident();
  send_wm_delete(window);
  EXPECT_EQ(wait_for_exit(pid, 20), 0);
  EXPECT_TRUE(err_has("controleur: fin de l'echange"));
  EXPECT_TRUE(wait_until([&] { return !segment_exists(id); }, 10));
}

TEST_F(Simulator, RunsWhenTheControllerCannotStartOrEndsAtOnce) {
  for (const char* command : {"/nonexistent/controller", "/bin/true"}) {
    SCOPED_TRACE(command);
    start({command});
    click_quit();
    EXPECT_EQ(wait_for_exit(pid, 20), 0);
    EXPECT_EQ(segments_created_by(pid), 0);
  }
}

TEST_F(Simulator, ControllerHoldingTheLockForEverDoesNotFreezeIt) {
  std::string pid_file = temp_path("ctrl-pid");
  start({controller, "--pid-file", pid_file, "--hold-lock"});
  ASSERT_TRUE(err_has("controleur: verrou pris"));
  pid_t stuck = 0;
  ASSERT_TRUE(wait_until([&] { return (stuck = std::atoi(read_file(pid_file).c_str())) > 0; }, 10));
  // The window still answers: "PV" toggles and "quit" ends the run.
  auto up = window_region(window, 720, 260, 70, 20);
  click(755, 270);
  EXPECT_TRUE(wait_until([&] { return window_region(window, 720, 260, 70, 20) != up; }, 10));
  click_quit();
  EXPECT_EQ(wait_for_exit(pid, 20), 0);
  kill(stuck, SIGKILL);
  unlink(pid_file.c_str());
}

// In real time, one workpiece: three of them, one at a time, are made in
// lock-step (demo_controller_test.cpp), where the line is the same.
TEST_F(Simulator, DemonstrationControllerMakesAWorkpieceAndQuitRemovesTheSegment) {
  start({demo});
  ASSERT_TRUE(err_has("ident_mem="));
  press(755, 60);  // INIT
  ASSERT_TRUE(err_has("demo: ligne prete", 60));
  press(755, 90);  // DC
  ASSERT_TRUE(err_has("demo: production", 30));
  click(760, 485);  // piece
  ASSERT_TRUE(wait_until([&] { return count("TRANSFERT") == 1; }, 60, 0.1)) << err();
  ASSERT_TRUE(wait_until([&] { return count(" DESTRUCTION") == 1; }, 60, 0.2)) << err();

  {
    SCOPED_TRACE(err());
    expect_workpieces_in_order(lines(), 1);
  }

  int id = ident();
  click_quit();
  EXPECT_EQ(wait_for_exit(pid, 20), 0);
  EXPECT_TRUE(wait_until([&] { return !segment_exists(id); }, 10));
}

// The headless session script, in real time as a person would run it, and
// shorter than half a minute.
TEST(HeadlessScript, AShortSessionClicksThroughAndSavesItsScreenshot) {
  run_result r = run_program({source_file("scripts/headless_run.sh"), demo, "20"}, 90);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.err.find("invalid"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("screenshot: "), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("demo: production"), std::string::npos) << r.err;
}
