// The demonstration controller against the real simulator, clicked through
// the X server as an operator would: a normal run, an emergency stop and a
// suction failure, each followed by the operator's recovery.
#include <gtest/gtest.h>

#include "tests/support/process.h"
#include "tests/support/xwin.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string corvan = build_file("app/corvan");
const std::string demo = build_file("examples/demo_controller");

// Panel buttons, in window coordinates.
struct point {
  int x, y;
};
constexpr point init_button{755, 60}, dc_button{755, 90}, ac_button{755, 120},
    atu_button{755, 150}, pv_button{755, 270}, piece_button{760, 485}, lid_button{860, 485},
    intervention_button{760, 525}, quit_button{860, 525};

// The messages that follow a workpiece along the line.
const std::string transfer = "TRANSFERT", glued = "PREPARATION COLLE", lidded = "ENCOLLAGE !",
                  gone = " DESTRUCTION", lid_on_cup = "cap a ete couple a poussoir_vv",
                  lid_off_cup = "cap a ete decouple de poussoir_vv";

int count_lines(const std::string& text, const std::string& line) {
  std::istringstream in(text);
  int n = 0;
  for (std::string l; std::getline(in, l);)
    if (l == line) ++n;
  return n;
}

class DemoController : public ::testing::Test {
 protected:
  void SetUp() override {
    pid = spawn_program({corvan, demo}, "", err_file);
    window = wait_for_window("atelier", 20);
    ASSERT_NE(window, 0u) << err();
    ASSERT_TRUE(err_has("ident_mem=", 20)) << err();
    ASSERT_TRUE(wait_until([&] { return (controller = child_of(pid)) > 0; }, 10));
  }
  // The simulator ends its controller with the run; both are ended by pid
  // if the test left them running.
  void TearDown() override {
    if (window != 0 && wait_for_exit(pid, 0) == -1) click(quit_button);
    if (wait_for_exit(pid, 20) == -1) {
      kill(pid, SIGKILL);
      wait_for_exit(pid, 5);
    }
    if (controller > 0 && !wait_until([&] { return kill(controller, 0) != 0; }, 5))
      kill(controller, SIGKILL);
    // In the sanitizer build the controller reports its faults and leaks,
    // prefixed with its pid, on the same stream.
    if (controller > 0) {
      EXPECT_EQ(err().find("==" + std::to_string(controller) + "=="), std::string::npos) << err();
    }
    EXPECT_EQ(err().find("demo_controller.cpp"), std::string::npos) << err();
    unlink(err_file.c_str());
  }

  std::string err() const { return read_file(err_file); }
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::istringstream in(err());
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }
  int count(const std::string& line) const { return count_lines(err(), line); }
  int count_starting(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : lines())
      if (l.rfind(prefix, 0) == 0) ++n;
    return n;
  }
  bool err_has(const std::string& text, double timeout_s) {
    return wait_until([&] { return err().find(text) != std::string::npos; }, timeout_s, 0.05);
  }
  bool reaches(const std::string& line, int n, double timeout_s) {
    return wait_until([&] { return count(line) >= n; }, timeout_s, 0.1);
  }
  // The simulator keeps the controller it starts as its own child.
  static pid_t child_of(pid_t parent) {
    std::string p = std::to_string(parent);
    return std::atoi(read_file("/proc/" + p + "/task/" + p + "/children").c_str());
  }

  void click(point p) {
    xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(p.x) + " " +
            std::to_string(p.y) + " click 1");
  }
  // Holds a panel button long enough for a turn to sample it.
  void press(point p) {
    xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(p.x) + " " +
            std::to_string(p.y) + " mousedown 1");
    usleep(300000);
    xdotool("mouseup 1");
  }

  void init_and_start() {
    int ready = count("demo: ligne prete");
    press(init_button);
    ASSERT_TRUE(reaches("demo: ligne prete", ready + 1, 60)) << err();
    int producing = count("demo: production");
    press(dc_button);
    ASSERT_TRUE(reaches("demo: production", producing + 1, 30)) << err();
  }
  // "piece" is refused while the feed belt's entry is busy: each click waits
  // until the previous workpiece has reached the main belt.
  void load_workpieces(int n) {
    int first = count(transfer);
    for (int k = 1; k <= n; ++k) {
      click(piece_button);
      ASSERT_TRUE(reaches(transfer, first + k, 60)) << err();
    }
  }
  // The operator clears the line: "interv." held for a few turns. While it
  // is held it also clears every lid that drops into the pusher's slot, so
  // the magazine gets three new ones, one at a time as the top frees.
  void intervene() {
    press(intervention_button);
    for (int k = 0; k < 3; ++k) {
      click(lid_button);
      usleep(400000);
    }
  }

  // Each workpiece that left the line had its lid laid on its glue before,
  // and there are as many lids laid as workpieces gone.
  void expect_every_departure_lidded() {
    int laid = 0, departed = 0, bead = 0;
    for (const auto& l : lines()) {
      if (l == glued) ++bead;
      if (l == lidded) {
        ++laid;
        EXPECT_LE(laid, bead) << "a lid laid on a workpiece without glue";
      }
      if (l == gone) {
        ++departed;
        EXPECT_LE(departed, laid) << "workpiece " << departed << " left without its lid\n" << err();
      }
    }
  }

  std::string err_file = temp_path("demo-err");
  pid_t pid = -1;
  pid_t controller = -1;
  unsigned long window = 0;
};

}  // namespace

TEST_F(DemoController, ThreeWorkpiecesAreGluedLiddedAndLeaveBeforeAcStopsTheLine) {
  init_and_start();
  load_workpieces(3);
  press(ac_button);
  ASSERT_TRUE(err_has("demo: arret\n", 120)) << err();
  // The belt ran until the last one had left the line.
  EXPECT_EQ(count(gone), 3) << err();
  EXPECT_EQ(count(glued), 3);
  EXPECT_EQ(count(lidded), 3);
  expect_every_departure_lidded();
  EXPECT_EQ(count_starting("demo: couvercle perdu"), 0);
}

TEST_F(DemoController, AfterAnEmergencyStopInterventionAndInitThreeNewWorkpiecesComplete) {
  init_and_start();
  load_workpieces(1);
  // The first workpiece glued and the cup holding its lid: emergency stop.
  ASSERT_TRUE(reaches(glued, 1, 60)) << err();
  ASSERT_TRUE(reaches(lid_on_cup, 1, 60)) << err();
  press(atu_button);
  ASSERT_TRUE(err_has("demo: arret d'urgence", 10)) << err();
  EXPECT_NE(err().find("\"interv.\", puis INIT"), std::string::npos);
  // Suction cut: the lid falls off the cup.
  ASSERT_TRUE(reaches(lid_off_cup, 1, 10)) << err();

  intervene();
  init_and_start();
  // Nothing is left from before the stop: the controller fetches a new lid.
  EXPECT_EQ(err().find("la ventouse tient un couvercle"), std::string::npos);
  load_workpieces(3);
  ASSERT_TRUE(reaches(gone, 3, 150)) << err();
  EXPECT_EQ(count(lidded), 3);
  EXPECT_EQ(count(glued), 4);  // the first one was glued, then cleared away
  expect_every_departure_lidded();
}

TEST_F(DemoController, ALidLostToSuctionFailureStopsTheLineUntilCleared) {
  init_and_start();
  load_workpieces(1);
  ASSERT_TRUE(reaches(glued, 1, 60)) << err();
  ASSERT_TRUE(reaches(lid_on_cup, 1, 60)) << err();
  click(pv_button);  // the suction fails and stays failed
  ASSERT_TRUE(err_has("demo: couvercle perdu", 10)) << err();
  EXPECT_NE(err().find("relacher PV, degager la ligne avec \"interv.\", puis INIT"),
            std::string::npos);
  // Nothing is sent on: a new workpiece stays on the feed belt (it would
  // reach the main belt in about 2.2 s) and the one waiting for that lid
  // does not leave without it.
  click(piece_button);
  EXPECT_FALSE(reaches(transfer, 2, 4)) << err();
  EXPECT_EQ(count(gone), 0);
  EXPECT_EQ(count(lidded), 0);

  click(pv_button);
  intervene();
  init_and_start();
  load_workpieces(2);
  ASSERT_TRUE(reaches(gone, 2, 120)) << err();
  EXPECT_EQ(count(lidded), 2);
  expect_every_departure_lidded();
}

TEST_F(DemoController, InitCarriesOnAWorkpieceAlreadyOnTheMainBeltAndKeepsTheHeldLid) {
  init_and_start();
  load_workpieces(1);
  ASSERT_TRUE(reaches(lid_on_cup, 1, 60)) << err();
  // INIT in production: the workpiece has just reached the main belt and the
  // cup holds a lid; both are found again from the sensors.
  init_and_start();
  EXPECT_EQ(count("demo: piece a l'entree ou en station 1: elle sera encollee"), 1);
  EXPECT_EQ(count("demo: la ventouse tient un couvercle: il sera pose"), 1);
  ASSERT_TRUE(reaches(gone, 1, 60)) << err();
  EXPECT_EQ(count(glued), 1);
  EXPECT_EQ(count(lidded), 1);
  // The first lid the cup let go was the one it held at INIT, laid on the
  // glue rather than dropped.
  auto l = lines();
  auto off = std::find(l.begin(), l.end(), lid_off_cup);
  ASSERT_NE(off, l.end());
  ASSERT_NE(off + 1, l.end());
  EXPECT_EQ(*(off + 1), lidded);
  EXPECT_EQ(std::count(l.begin(), off, lid_on_cup), 1);
  expect_every_departure_lidded();
}

namespace {

// The first line where two texts differ, with both versions; "" if equal.
std::string first_difference(const std::string& a, const std::string& b) {
  std::istringstream in_a(a), in_b(b);
  std::string la, lb;
  for (int n = 1;; ++n) {
    bool more_a = static_cast<bool>(std::getline(in_a, la));
    bool more_b = static_cast<bool>(std::getline(in_b, lb));
    if (!more_a && !more_b) return "";
    if (more_a != more_b || la != lb)
      return "line " + std::to_string(n) + ": \"" + la + "\" / \"" + lb + "\"";
  }
}

}  // namespace

// In virtual time (each turn waits for the controller's answer) the
// controller's waits are counted on the simulator's clock only: two runs of
// a scenario give the same signals, turn for turn.
TEST(DemoControllerInVirtualTime, PassesTheBundledScenariosAndRepeatsThemTurnForTurn) {
  const std::string runner = build_file("runner/corvan-run");
  for (const char* name : {"three_workpieces", "emergency_stop"}) {
    SCOPED_TRACE(name);
    std::string scenario = source_file("examples/scenarios/" + std::string(name) + ".scn");
    std::vector<std::string> traces;
    for (int run = 0; run < 2; ++run) {
      std::string csv = temp_path("demo-trace");
      run_result r = run_program(
          {runner, "--lockstep", "--csv", csv, "--scenario", scenario, "--", demo}, 120);
      EXPECT_EQ(r.status, 0) << r.out << r.err;
      traces.push_back(read_file(csv));
      unlink(csv.c_str());
    }
    EXPECT_GT(traces[0].size(), 1000u);
    EXPECT_EQ(first_difference(traces[0], traces[1]), "");
  }
}

namespace {

// A lock-step run of the controller against a scenario given as text; the
// simulator's messages are returned in messages.
run_result run_in_virtual_time(const std::string& scenario_text, std::string& messages) {
  std::string scenario = temp_path("demo-scenario");
  std::ofstream(scenario) << scenario_text;
  std::string messages_file = temp_path("demo-messages");
  run_result r = run_program({build_file("runner/corvan-run"), "--lockstep", "--messages",
                              messages_file, "--scenario", scenario, "--", demo},
                             120);
  messages = read_file(messages_file);
  unlink(scenario.c_str());
  unlink(messages_file.c_str());
  return r;
}

}  // namespace

// INIT twice in production, at turns chosen in virtual time: first with the
// workpiece just past "pp", then with it glued and still at station 1. Its
// bead is not waited for in vain: it goes on, gets its lid and leaves.
TEST(DemoControllerInVirtualTime, InitFindsTheWorkpieceAtTheEntryThenGluedAtStationOne) {
  std::string messages;
  run_result r = run_in_virtual_time(
      "at 0.5 press INIT for 0.5\n"
      "at 3 press DC for 0.5\n"
      "at 4 click piece\n"
      // the workpiece has covered "pp" since 6.17 s
      "at 6.5 press INIT for 0.3\n"
      "at 8 press DC for 0.3\n"
      // glued at 9.80 s, at station 1 until 10.84 s
      "at 10 press INIT for 0.3\n"
      "at 11 press DC for 0.3\n"
      "end 30\n"
      "expect \"PREPARATION COLLE\" count 1 by 30\n"
      "expect \"ENCOLLAGE !\" count 1 by 30\n"
      "expect \" DESTRUCTION\" count 1 by 30\n",
      messages);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(count_lines(r.err, "demo: piece a l'entree ou en station 1: elle sera encollee"), 2)
      << r.err;
  EXPECT_EQ(count_lines(r.err, "demo: la piece en station 1 avait deja son cordon de colle"), 1)
      << r.err;
  // Glued, then lidded: the second INIT came between the two.
  EXPECT_LT(messages.find(glued), messages.find(lidded)) << messages;
}

// INIT while a glued workpiece waits at station 2 for the lid the cup is
// bringing down: nothing tells any more whether it carries glue, so it gets
// no lid and is not pressed; the lid is kept for the next workpiece.
TEST(DemoControllerInVirtualTime, InitLetsAWorkpieceOfUnknownContentsGoWithoutLidOrPress) {
  std::string messages;
  run_result r = run_in_virtual_time(
      "at 0.5 press INIT for 0.5\n"
      "at 3 press DC for 0.5\n"
      "at 4 click piece\n"
      // at station 2 from 10.28 s, its lid laid at 10.74 s
      "at 10.4 press INIT for 0.3\n"
      "at 11.5 press DC for 0.3\n"
      "at 12 click piece\n"
      "end 40\n"
      "expect \"ENCOLLAGE !\" count 1 by 40\n"
      "expect \" DESTRUCTION\" count 2 by 40\n"
      "expect \"cap a ete couple a poussoir_vv\" count 2 by 40\n",
      messages);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(count_lines(r.err, "demo: la ventouse tient un couvercle: il sera pose"), 1) << r.err;
  EXPECT_EQ(count_lines(r.err, "demo: piece en station 2 d'avant INIT: elle passe sans couvercle"),
            1)
      << r.err;
  EXPECT_EQ(
      count_lines(r.err, "demo: piece en station 3 sans couvercle connu: elle passe sans pressage"),
      1)
      << r.err;
  // The first workpiece left before any lid was let go; the held lid went
  // onto the second one's glue.
  EXPECT_LT(messages.find(gone), messages.find(lid_off_cup)) << messages;
  EXPECT_EQ(messages.find(lid_off_cup + "\n" + lidded), messages.find(lid_off_cup)) << messages;
}
