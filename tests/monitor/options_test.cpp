// The monitor's command line: what it accepts and the one line it gives
// for each kind of bad argument.
#include <gtest/gtest.h>

#include <limits>

#include "monitor/options.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

struct parsed {
  bool ok;
  monitor_options options;
  std::string error;
};

// argv as the simulator hands it over: program, the words, -automemlink 42.
parsed parse(std::vector<std::string> words, bool with_link = true) {
  words.insert(words.begin(), "corvan-monitor");
  if (with_link) {
    words.push_back("-automemlink");
    words.push_back("42");
  }
  std::vector<const char*> argv;
  for (const auto& w : words) argv.push_back(w.c_str());
  parsed p;
  p.ok = parse_monitor_options(int(argv.size()), argv.data(), p.options, p.error);
  return p;
}

}  // namespace

TEST(MonitorOptions, ControllerWordsAreThoseBetweenTheDashesAndTheAreaLink) {
  auto p = parse({"--no-window", "--", "./ctrl", "--speed", "2"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.memory_ident, 42);
  EXPECT_EQ(p.options.inner, inner_kind::controller);
  EXPECT_FALSE(p.options.window);
  EXPECT_EQ(p.options.controller_first, 3);
  EXPECT_EQ(p.options.controller_end, 6);
}

TEST(MonitorOptions, WordsAfterTheDashesAreNeverTakenAsOptions) {
  auto p = parse({"--", "./ctrl", "--force", "bogus"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_TRUE(p.options.forces.empty());
  EXPECT_TRUE(p.options.window);
}

TEST(MonitorOptions, ForcesFaultsAndTracesAreKeptInOrder) {
  auto p = parse({"--force", "p2ok=0", "--force", "MT=1", "--fault", "vh=0@5", "--fault",
                  "pp=1@1.5-2.25", "--trace", "run.vcd", "--csv", "run.csv", "--manual"});
  ASSERT_TRUE(p.ok) << p.error;
  const auto& o = p.options;
  EXPECT_EQ(o.inner, inner_kind::manual);
  ASSERT_EQ(o.forces.size(), 2u);
  EXPECT_EQ(o.forces[0], std::make_pair(int(in::p2ok), 0));
  EXPECT_EQ(o.forces[1], std::make_pair(input_signal_count + int(out::MT), 1));
  ASSERT_EQ(o.faults.size(), 2u);
  EXPECT_EQ(o.faults[0].row, in::vh);
  EXPECT_EQ(o.faults[0].value, 0);
  EXPECT_EQ(o.faults[0].from_us, 5000000);
  EXPECT_EQ(o.faults[0].until_us, std::numeric_limits<int64_t>::max());
  EXPECT_EQ(o.faults[1].row, in::pp);
  EXPECT_EQ(o.faults[1].value, 1);
  EXPECT_EQ(o.faults[1].from_us, 1500000);
  EXPECT_EQ(o.faults[1].until_us, 2250000);
  EXPECT_EQ(o.vcd_path, "run.vcd");
  EXPECT_EQ(o.csv_path, "run.csv");
}

TEST(MonitorOptions, ModbusTakesAPortAndAnOptionalHost) {
  auto p = parse({"--modbus", "1502", "--modbus-timeout", "0.5"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.inner, inner_kind::modbus);
  EXPECT_EQ(p.options.modbus_host, "127.0.0.1");
  EXPECT_EQ(p.options.modbus_port, 1502);
  EXPECT_EQ(p.options.modbus_timeout_s, 0.5);
  p = parse({"--modbus", "0.0.0.0:1502"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.modbus_host, "0.0.0.0");
}

TEST(MonitorOptions, ModbusServesThirtyTwoClientsAndClosesThoseSilentAMinuteUnlessTold) {
  auto p = parse({"--modbus", "1502"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.modbus_clients, 32);
  EXPECT_EQ(p.options.modbus_idle_s, 60.0);
  p = parse({"--modbus", "1502", "--modbus-clients", "1", "--modbus-idle", "0"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.modbus_clients, 1);
  EXPECT_EQ(p.options.modbus_idle_s, 0.0);
  p = parse({"--modbus", "1502", "--modbus-clients", "1024", "--modbus-idle", "2.5"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.modbus_clients, 1024);
  EXPECT_EQ(p.options.modbus_idle_s, 2.5);
}

TEST(MonitorOptions, EachBadArgumentIsQuotedInTheError) {
  struct bad {
    std::vector<std::string> words;
    std::string quoted;
  };
  const std::vector<bad> cases = {
      {{"--force", "p2k=0", "--manual"}, "'p2k'"},
      {{"--force", "p2ok=2", "--manual"}, "'2'"},
      {{"--force", "p2ok", "--manual"}, "'p2ok'"},
      {{"--force", "p2ok=", "--manual"}, "'p2ok='"},
      {{"--fault", "vh=0@", "--manual"}, "'vh=0@'"},
      {{"--fault", "vh=0@five", "--manual"}, "'five'"},
      {{"--fault", "vh=0@5-3", "--manual"}, "'5-3'"},
      {{"--fault", "vh=0@-1", "--manual"}, "'-1'"},
      {{"--fault", "vh=0@5-", "--manual"}, "'5-'"},
      {{"--fault", "vh=0", "--manual"}, "'vh=0'"},
      {{"--fault", "VH=0@5", "--manual"}, "'VH'"},
      {{"--fault", "vh=0@nan", "--manual"}, "'nan'"},
      {{"--speed", "--manual"}, "'--speed'"},
      {{"--manual", "--trace"}, "'--trace'"},
      {{"--csv", "--", "./ctrl"}, "'--csv'"},
      {{"--modbus", "localhost:99999"}, "'localhost:99999'"},
      {{"--modbus", ":1502"}, "':1502'"},
      {{"--modbus", "1502", "--modbus-timeout", "soon"}, "'soon'"},
      {{"--modbus-clients", "0", "--modbus", "1502"}, "'0'"},
      {{"--modbus-clients", "1025", "--modbus", "1502"}, "'1025'"},
      {{"--modbus-clients", "-3", "--modbus", "1502"}, "'-3'"},
      {{"--modbus-clients", "4x", "--modbus", "1502"}, "'4x'"},
      {{"--modbus-clients", "99999999999", "--modbus", "1502"}, "'99999999999'"},
      {{"--modbus-idle", "-1", "--modbus", "1502"}, "'-1'"},
      {{"--modbus-idle", "never", "--modbus", "1502"}, "'never'"},
      {{"--modbus", "1502", "--modbus-idle"}, "'--modbus-idle'"},
  };
  for (const auto& c : cases) {
    auto p = parse(c.words);
    SCOPED_TRACE(c.words[0] + " " + c.words[1]);
    EXPECT_FALSE(p.ok);
    EXPECT_NE(p.error.find(c.quoted), std::string::npos) << p.error;
    EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
  }
}

TEST(MonitorOptions, TheTraceAndTheCsvMayNotBeOneFile) {
  auto p = parse({"--manual", "--trace", "/tmp/run.vcd", "--csv", "/tmp/./run.vcd"});
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.error, "--trace and --csv name the same file /tmp/./run.vcd");
  EXPECT_TRUE(parse({"--manual", "--trace", "/tmp/run.vcd", "--csv", "/tmp/run.csv"}).ok);
}

TEST(MonitorOptions, ExactlyOneInnerSideIsRequired) {
  EXPECT_FALSE(parse({"--no-window"}).ok);
  EXPECT_NE(parse({"--no-window"}).error.find("--manual"), std::string::npos);
  EXPECT_FALSE(parse({"--manual", "--", "./ctrl"}).ok);
  EXPECT_FALSE(parse({"--manual", "--modbus", "1502"}).ok);
  EXPECT_FALSE(parse({"--no-window", "--"}).ok);
}

TEST(MonitorOptions, TheAreaLinkMustEndTheCommandLine) {
  auto p = parse({"--manual"}, false);
  EXPECT_FALSE(p.ok);
  EXPECT_NE(p.error.find("-automemlink"), std::string::npos);
  p = parse({"--manual", "-automemlink", "x"}, false);
  EXPECT_FALSE(p.ok);
  EXPECT_NE(p.error.find("'x'"), std::string::npos);
  p = parse({"--manual", "-automemlink", "0"}, false);
  EXPECT_FALSE(p.ok);
  p = parse({"--manual", "-automemlink", "17"}, false);
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.memory_ident, 17);
}
