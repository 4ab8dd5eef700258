// corvan-run's command line.
#include <gtest/gtest.h>

#include "runner/options.h"

#include <string>
#include <vector>

namespace {

run_options parse(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  return parse_options(static_cast<int>(argv.size()), argv.data());
}

std::string usage_mistake(std::vector<std::string> args) {
  try {
    parse(std::move(args));
  } catch (const usage_error& e) {
    return e.what();
  }
  return "";
}

TEST(RunOptions, EveryOptionBeforeTheControllerIsRead) {
  run_options o =
      parse({"corvan-run", "--scenario", "a.scn",      "--lockstep", "--trace",          "t.vcd",
             "--csv",      "t.csv",      "--junit",    "j.xml",      "--screenshot",     "s.png",
             "--messages", "m.txt",      "--duration", "2.5",        "--answer-timeout", "250",
             "--",         "./ctl",      "--lockstep"});
  EXPECT_EQ(o.scenario_file, "a.scn");
  EXPECT_TRUE(o.lockstep);
  EXPECT_EQ(o.trace_file, "t.vcd");
  EXPECT_EQ(o.csv_file, "t.csv");
  EXPECT_EQ(o.junit_file, "j.xml");
  EXPECT_EQ(o.screenshot_file, "s.png");
  EXPECT_EQ(o.messages_file, "m.txt");
  ASSERT_TRUE(o.duration);
  EXPECT_EQ(*o.duration, 2500000);
  EXPECT_EQ(o.answer_timeout_ms, 250);
  EXPECT_EQ(o.command_start, 19);  // the controller's own "--lockstep" is its own
}

TEST(RunOptions, DefaultsAndAControllerWithoutTheSeparator) {
  run_options o = parse({"corvan-run", "./ctl", "x"});
  EXPECT_FALSE(o.lockstep);
  EXPECT_EQ(o.answer_timeout_ms, 1000);
  EXPECT_FALSE(o.duration);
  EXPECT_EQ(o.command_start, 1);
}

TEST(RunOptions, MistakesAreNamed) {
  EXPECT_EQ(usage_mistake({"corvan-run", "--lockstep"}), "no controller to run");
  EXPECT_EQ(usage_mistake({"corvan-run", "--lockstep", "--"}), "no controller to run");
  EXPECT_EQ(usage_mistake({"corvan-run", "--fast", "--", "c"}), "unknown option --fast");
  EXPECT_EQ(usage_mistake({"corvan-run", "--scenario"}), "--scenario needs a value");
  EXPECT_EQ(usage_mistake({"corvan-run", "--duration", "1m", "--", "c"}),
            "--duration: bad number of seconds '1m'");
  EXPECT_EQ(usage_mistake({"corvan-run", "--duration", "0", "--", "c"}),
            "--duration must be more than 0");
  EXPECT_EQ(usage_mistake({"corvan-run", "--answer-timeout", "0", "--", "c"}),
            "--answer-timeout: bad number of milliseconds '0'");
}

}  // namespace
