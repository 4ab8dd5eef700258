// The demonstration controller against the real line in lock-step, the
// operator's clicks given by scenarios: a normal run, an emergency stop and
// a suction failure, each followed by the operator's recovery. What it says
// and what the simulator prints are read in the order they were written.
#include <gtest/gtest.h>

#include "tests/support/line_run.h"
#include "tests/support/process.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string runner = build_file("runner/corvan-run");
const std::string demo = build_file("examples/demo_controller");

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

// One lock-step run of the controller against a scenario given as text.
// The controller's lines and the simulator's messages are read as one
// stream, in the order they were written: the controller's standard error
// goes straight to the run's (not through the runner's copy of it), and
// each turn the runner waits for the controller's answer before it moves
// the line, so the two never write at the same time.
struct demo_run {
  int status;
  std::string log;  // both, then the verdict

  std::vector<std::string> lines() const { return text_lines(log); }
  int count(const std::string& line) const { return count_lines(log, line); }
  int count_starting(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : lines()) n += l.rfind(prefix, 0) == 0;
    return n;
  }
};

demo_run run_demo(const std::string& scenario_text) {
  std::string scenario = temp_path("demo-scenario"), log = temp_path("demo-log");
  std::ofstream(scenario) << scenario_text;
  pid_t pid = spawn_program({runner, "--lockstep", "--scenario", scenario, "--", demo + " 2>&1"},
                            log, log);
  int status = wait_for_exit(pid, 30);
  if (status == -1) {
    kill(pid, SIGKILL);
    wait_for_exit(pid, 5);
  }
  demo_run run{status, read_file(log)};
  unlink(scenario.c_str());
  unlink(log.c_str());
  // A late answer would let the two write at once.
  EXPECT_NE(run.log.find("late answers: 0 "), std::string::npos) << run.log;
  // In the sanitizer build a process reports its faults and leaks, prefixed
  // with its pid, on the same stream; the controller's name its source.
  EXPECT_FALSE(std::regex_search(run.log, std::regex("==[0-9]+=="))) << run.log;
  EXPECT_EQ(run.log.find("demo_controller.cpp"), std::string::npos) << run.log;
  return run;
}

// INIT, then DC once the line is home.
constexpr const char* init_and_start =
    "at 0.5 press INIT for 0.3\n"
    "at 3 press DC for 0.3\n";
// The operator clears the line: "interv." held for a few turns. It also
// clears every lid that drops into the pusher's slot, so the magazine gets
// three new ones, one at a time as the top frees.
std::string intervene(double at) {
  std::ostringstream s;
  s << "at " << at << " press interv. for 0.3\n";
  for (int k = 0; k < 3; ++k) s << "at " << at + 0.3 + 0.4 * k << " click couvercle\n";
  return s.str();
}

// Each workpiece that left the line had its lid laid on its glue before,
// and there are as many lids laid as workpieces gone.
void expect_every_departure_lidded(const demo_run& run) {
  int laid = 0, departed = 0, bead = 0;
  for (const auto& l : run.lines()) {
    if (l == glued) ++bead;
    if (l == lidded) {
      ++laid;
      EXPECT_LE(laid, bead) << "a lid laid on a workpiece without glue";
    }
    if (l == gone) {
      ++departed;
      EXPECT_LE(departed, laid) << "workpiece " << departed << " left without its lid\n" << run.log;
    }
  }
}

// A line starting with each text comes, after the one before it.
void expect_in_order(const demo_run& run, const std::vector<std::string>& expected) {
  const auto l = run.lines();
  auto from = l.begin();
  std::string before = "the start";
  for (const auto& line : expected) {
    auto found =
        std::find_if(from, l.end(), [&](const std::string& x) { return x.rfind(line, 0) == 0; });
    ASSERT_NE(found, l.end()) << "\"" << line << "\" not after \"" << before << "\"\n" << run.log;
    from = found + 1;
    before = line;
  }
}

}  // namespace

// The second and third workpieces are loaded as soon as the feed belt takes
// them (every 8 s); AC comes once the third is on the main belt.
TEST(DemoController, ThreeWorkpiecesAreGluedLiddedAndLeaveBeforeAcStopsTheLine) {
  demo_run run = run_demo(std::string(init_and_start) +
                          "at 4 click piece\nat 12 click piece\nat 20 click piece\n"
                          "at 23 press AC for 0.3\nend 60\n"
                          "expect \"TRANSFERT\" count 3 by 23\n");
  EXPECT_EQ(run.status, 0) << run.log;
  expect_in_order(run, {"demo: ligne prete", "demo: production", "demo: arret"});
  // The belt ran until the last one had left the line.
  expect_in_order(run, {gone, gone, gone, "demo: arret"});
  EXPECT_EQ(run.count(gone), 3) << run.log;
  EXPECT_EQ(run.count(glued), 3);
  EXPECT_EQ(run.count(lidded), 3);
  expect_workpieces_in_order(run.lines(), 3);
  expect_every_departure_lidded(run);
  EXPECT_EQ(run.count_starting("demo: couvercle perdu"), 0);
}

// The first workpiece is glued at 8.3 s and the cup has held its lid since
// 3.7 s: ATU at 9 s, before the lid is laid (10.7 s).
TEST(DemoController, AfterAnEmergencyStopInterventionAndInitThreeNewWorkpiecesComplete) {
  demo_run run = run_demo(std::string(init_and_start) + "at 4 click piece\n" +
                          "at 9 press ATU for 0.3\n" + intervene(10) +
                          "at 12 press INIT for 0.3\nat 16 press DC for 0.3\n"
                          "at 17 click piece\nat 25 click piece\nat 33 click piece\nend 60\n"
                          "expect \" DESTRUCTION\" count 3 by 60\n");
  EXPECT_EQ(run.status, 0) << run.log;
  expect_in_order(run, {transfer, glued, "demo: arret d'urgence"});
  expect_in_order(run, {lid_on_cup, "demo: arret d'urgence"});
  EXPECT_NE(run.log.find("\"interv.\", puis INIT"), std::string::npos);
  // Suction cut: the lid falls off the cup.
  expect_in_order(run, {"demo: arret d'urgence", lid_off_cup, "demo: ligne prete",
                        "demo: production"});
  // Nothing is left from before the stop: the controller fetches a new lid.
  EXPECT_EQ(run.log.find("la ventouse tient un couvercle"), std::string::npos);
  EXPECT_EQ(run.count(transfer), 4) << run.log;
  EXPECT_EQ(run.count(gone), 3) << run.log;
  EXPECT_EQ(run.count(lidded), 3);
  EXPECT_EQ(run.count(glued), 4);  // the first one was glued, then cleared away
  expect_every_departure_lidded(run);
}

TEST(DemoController, ALidLostToSuctionFailureStopsTheLineUntilCleared) {
  demo_run run = run_demo(std::string(init_and_start) + "at 4 click piece\n" +
                          // the suction fails and stays failed
                          "at 9 toggle PV\n"
                          // Nothing is sent on: a new workpiece stays on the feed belt (it
                          // would reach the main belt in about 2.2 s) and the one waiting
                          // for that lid does not leave without it.
                          "at 9.5 click piece\n"
                          "expect \"TRANSFERT\" count 1 by 13.5\n"
                          "expect \" DESTRUCTION\" count 0 by 13.5\n"
                          "expect \"ENCOLLAGE !\" count 0 by 13.5\n"
                          "at 13.5 toggle PV\n" +
                          intervene(14) +
                          "at 16 press INIT for 0.3\nat 20 press DC for 0.3\n"
                          "at 21 click piece\nat 29 click piece\nend 60\n");
  EXPECT_EQ(run.status, 0) << run.log;
  const std::string lost =
      "demo: couvercle perdu par la ventouse (vide retombe): production arretee. Le couvercle "
      "tombe peut bloquer le tapis: relacher PV, degager la ligne avec \"interv.\", puis INIT";
  expect_in_order(run, {transfer, glued, lost, "demo: ligne prete", "demo: production"});
  expect_in_order(run, {lid_on_cup, lost});
  EXPECT_EQ(run.count(transfer), 3) << run.log;
  EXPECT_EQ(run.count(gone), 2) << run.log;
  EXPECT_EQ(run.count(lidded), 2);
  expect_every_departure_lidded(run);
}

// INIT in production: the workpiece has just reached the main belt (6.2 s)
// and the cup holds a lid; both are found again from the sensors.
TEST(DemoController, InitCarriesOnAWorkpieceAlreadyOnTheMainBeltAndKeepsTheHeldLid) {
  demo_run run = run_demo(std::string(init_and_start) + "at 4 click piece\n" +
                          "at 6.5 press INIT for 0.3\nat 8 press DC for 0.3\nend 30\n"
                          "expect \" DESTRUCTION\" count 1 by 30\n");
  EXPECT_EQ(run.status, 0) << run.log;
  expect_in_order(run, {"demo: ligne prete", transfer, "demo: ligne prete", "demo: production"});
  expect_in_order(run, {lid_on_cup, transfer, "demo: ligne prete"});
  EXPECT_EQ(run.count("demo: piece a l'entree ou en station 1: elle sera encollee"), 1);
  EXPECT_EQ(run.count("demo: la ventouse tient un couvercle: il sera pose"), 1);
  EXPECT_EQ(run.count(gone), 1) << run.log;
  EXPECT_EQ(run.count(glued), 1);
  EXPECT_EQ(run.count(lidded), 1);
  // The first lid the cup let go was the one it held at INIT, laid on the
  // glue rather than dropped.
  auto l = run.lines();
  auto off = std::find(l.begin(), l.end(), lid_off_cup);
  ASSERT_NE(off, l.end());
  ASSERT_NE(off + 1, l.end());
  EXPECT_EQ(*(off + 1), lidded);
  EXPECT_EQ(std::count(l.begin(), off, lid_on_cup), 1);
  expect_every_departure_lidded(run);
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
  for (const char* name : {"three_workpieces", "emergency_stop"}) {
    SCOPED_TRACE(name);
    std::string scenario = source_file("examples/scenarios/" + std::string(name) + ".scn");
    std::vector<std::string> traces;
    for (int run = 0; run < 2; ++run) {
      std::string csv = temp_path("demo-trace");
      run_result r = run_program(
          {runner, "--lockstep", "--csv", csv, "--scenario", scenario, "--", demo}, 30);
      EXPECT_EQ(r.status, 0) << r.out << r.err;
      traces.push_back(read_file(csv));
      unlink(csv.c_str());
    }
    EXPECT_GT(traces[0].size(), 1000u);
    EXPECT_EQ(first_difference(traces[0], traces[1]), "");
  }
}

// INIT twice in production, at turns chosen in virtual time: first with the
// workpiece just past "pp", then with it glued and still at station 1. Its
// bead is not waited for in vain: it goes on, gets its lid and leaves.
TEST(DemoControllerInVirtualTime, InitFindsTheWorkpieceAtTheEntryThenGluedAtStationOne) {
  demo_run r = run_demo(
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
      "expect \" DESTRUCTION\" count 1 by 30\n");
  EXPECT_EQ(r.status, 0) << r.log;
  EXPECT_EQ(r.count("demo: piece a l'entree ou en station 1: elle sera encollee"), 2)
      << r.log;
  EXPECT_EQ(r.count("demo: la piece en station 1 avait deja son cordon de colle"), 1)
      << r.log;
  // Glued, then lidded: the second INIT came between the two.
  EXPECT_LT(r.log.find(glued), r.log.find(lidded)) << r.log;
}

// INIT while a glued workpiece waits at station 2 for the lid the cup is
// bringing down: nothing tells any more whether it carries glue, so it gets
// no lid and is not pressed; the lid is kept for the next workpiece.
TEST(DemoControllerInVirtualTime, InitLetsAWorkpieceOfUnknownContentsGoWithoutLidOrPress) {
  demo_run r = run_demo(
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
      "expect \"cap a ete couple a poussoir_vv\" count 2 by 40\n");
  EXPECT_EQ(r.status, 0) << r.log;
  EXPECT_EQ(r.count("demo: la ventouse tient un couvercle: il sera pose"), 1) << r.log;
  EXPECT_EQ(r.count("demo: piece en station 2 d'avant INIT: elle passe sans couvercle"),
            1)
      << r.log;
  EXPECT_EQ(
      r.count("demo: piece en station 3 sans couvercle connu: elle passe sans pressage"),
      1)
      << r.log;
  // The first workpiece left before any lid was let go; the held lid went
  // onto the second one's glue.
  EXPECT_LT(r.log.find(gone), r.log.find(lid_off_cup)) << r.log;
  EXPECT_EQ(r.log.find(lid_off_cup + "\n" + lidded), r.log.find(lid_off_cup)) << r.log;
}
