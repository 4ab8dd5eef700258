// The Python module, run by /usr/bin/python3 on the built shared library:
// against an exchange area served here, and with the real simulator.
#include <gtest/gtest.h>

#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "tests/support/process.h"
#include "tests/support/xwin.h"

#include <signal.h>
#include <unistd.h>

#include <list>
#include <string>

namespace {

const std::string python = "/usr/bin/python3";

// The environment that finds the module and the library in the trees.
std::vector<std::string> with_module(std::vector<std::string> argv) {
  argv.insert(argv.begin(), {"/usr/bin/env", "PYTHONPATH=" + source_file("python"),
                             "CORVAN_IOLINK_LIBRARY=" + build_file("iolink/libcorvan-iolink.so.1")});
  return argv;
}

struct served_probe : ::testing::Test {
  std::list<std::string> in = input_name_list(), out = output_name_list();
  IOsharemem_server server{in, out};
  std::string out_file = temp_path("probe-out"), err_file = temp_path("probe-err");
  pid_t pid = spawn_program(with_module({python, source_file("tests/python/module_probe.py"),
                                         "-automemlink", std::to_string(server.memory_ident())}),
                            out_file, err_file);

  void TearDown() override {
    if (wait_for_exit(pid, 0) == -1) {
      kill(pid, SIGKILL);
      wait_for_exit(pid, 5);
    }
    unlink(out_file.c_str());
    unlink(err_file.c_str());
  }
  std::string said() const { return read_file(out_file); }
  bool says(const std::string& line, double timeout_s = 20) const {
    return wait_until([&] { return said().find(line + "\n") != std::string::npos; }, timeout_s);
  }
  // One turn with these buttons; true once the probe has answered it.
  bool turn(int dc, int ac, int answers) {
    server.setreset_input(in::dc, dc);
    server.setreset_input(in::ac, ac);
    server.inputs_go();
    return wait_until([&] { return server.get_outputs_clock() == answers; }, 20);
  }
};

}  // namespace

TEST_F(served_probe, NamesAreCheckedWithAClearErrorAndInputsAreNotWritable) {
  ASSERT_TRUE(says("ready")) << said() << read_file(err_file);
  EXPECT_TRUE(says("second open: LinkError: cannot open the exchange with the simulator "
                   "(Device or resource busy)"))
      << said();
  EXPECT_TRUE(says("read DC: UnknownSignal: no signal named 'DC' (inputs are lower case, "
                   "outputs upper case); did you mean 'dc'?"))
      << said();
  EXPECT_TRUE(says("read item: UnknownSignal: no signal named 'nosuch' (inputs are lower case, "
                   "outputs upper case)"))
      << said();
  EXPECT_TRUE(says("hasattr: False True")) << said();
  EXPECT_TRUE(says("write input: UnknownSignal: 'dc' is an input: the simulator sets it, the "
                   "controller only reads it"))
      << said();
  EXPECT_TRUE(says("write unknown: UnknownSignal: no signal named 'Mt' (inputs are lower case, "
                   "outputs upper case); did you mean 'MT'?"))
      << said();
  EXPECT_EQ(read_file(err_file).find("Traceback"), std::string::npos) << read_file(err_file);
}

TEST_F(served_probe, EachTurnIsReceivedAnsweredAndCountedThenTheLinkCloses) {
  ASSERT_TRUE(says("ready")) << said() << read_file(err_file);
  ASSERT_TRUE(turn(1, 0, 1)) << said();
  EXPECT_EQ(server.output_value(out::MT), 1);
  EXPECT_EQ(server.output_value(out::BZ1), 0);
  ASSERT_TRUE(turn(0, 1, 2)) << said();
  EXPECT_EQ(server.output_value(out::MT), 0);
  EXPECT_EQ(server.output_value(out::BZ1), 1);
  EXPECT_TRUE(says("turn 1 dc 1 ac 0 MT 1 BZ1 0")) << said();
  EXPECT_TRUE(says("turn 2 dc 0 ac 1 MT 0 BZ1 1")) << said();

  server.sharing_terminate();
  EXPECT_EQ(wait_for_exit(pid, 20), 0) << read_file(err_file);
  EXPECT_TRUE(says("closed: True LinkError: the link is closed", 0)) << said();
  EXPECT_EQ(server.get_outputs_clock(), 2);
}

// The example controller on the module, started by the simulator itself.
TEST(PythonExample, BeltFollowsDcAndAcOnTheRealSimulator) {
  const std::string err_file = temp_path("corvan-err");
  const pid_t pid =
      spawn_program(with_module({build_file("app/corvan"),
                                 source_file("examples/python/belt_controller.py")}),
                    "", err_file);
  auto err = [&] { return read_file(err_file); };
  auto err_has = [&](const std::string& text) {
    return wait_until([&] { return err().find(text) != std::string::npos; }, 20);
  };
  const unsigned long window = wait_for_window("atelier", 20);
  ASSERT_NE(window, 0u) << err();
  ASSERT_TRUE(err_has("ident_mem=")) << err();
  const std::string at = "mousemove --window " + std::to_string(window);
  xdotool(at + " 755 90 mousedown 1");  // DC
  EXPECT_TRUE(err_has("belt_controller: dc=1, main belt on (turn ")) << err();
  xdotool("mouseup 1");
  xdotool(at + " 755 120 mousedown 1");  // AC
  EXPECT_TRUE(err_has("belt_controller: ac=1, main belt off (turn ")) << err();
  xdotool("mouseup 1");
  xdotool(at + " 860 525 click 1");  // quit
  EXPECT_EQ(wait_for_exit(pid, 20), 0) << err();
  EXPECT_TRUE(err_has("belt_controller: end of the exchange")) << err();
  if (wait_for_exit(pid, 0) == -1) kill(pid, SIGKILL);
  unlink(err_file.c_str());
}
