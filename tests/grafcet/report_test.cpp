// What a running chart prints besides its outputs, turn by turn: each
// thing once when it happens, not at every turn it lasts.
#include "tests/grafcet/chart_fixture.h"

#include "grafcet/run_report.h"

namespace {

class ChartReport : public ChartRun {
 protected:
  void load(const std::string& text) {
    ChartRun::load(text);
    report = std::make_unique<grafcet::run_report>(parsed.model);
  }

  std::vector<std::string> lines(const std::vector<std::string>& on = {}) { return report->after(turn(on)); }

  std::unique_ptr<grafcet::run_report> report;
};

using printed = std::vector<std::string>;

TEST_F(ChartReport, UnstableChartIsReportedWhenItStartsAndWhenItSettles) {
  load("initial step 0\nstep 1\nstep 2\n0 -> 1 : dc\n1 -> 2 : 1\n2 -> 1 : dc\n2 -> 0 : ac\n");
  EXPECT_EQ(lines(), printed{});
  EXPECT_EQ(lines({"dc"}), printed{"unstable chart after 100 passes, steps going round: 1 2"});
  EXPECT_EQ(lines({"dc"}), printed{}) << "not again while it goes on";
  EXPECT_EQ(lines({"dc"}), printed{});
  EXPECT_EQ(lines(), printed{"chart stable again after 3 unstable turns, outputs follow it again"});
  EXPECT_EQ(lines(), printed{});
  lines({"ac"});
  EXPECT_EQ(lines({"dc"}), printed{"unstable chart after 100 passes, steps going round: 1 2"})
      << "a new episode is reported again";
  EXPECT_EQ(lines(), printed{"chart stable again after 1 unstable turn, outputs follow it again"});
}

TEST_F(ChartReport, ForcingConflictIsReportedOnceNamingBothSteps) {
  load("grafcet safety\ninitial step 0\nstep 1\n0 -> 1 : atu\n1 -> 0 : init\n1: force line {}\n"
       "grafcet modes\ninitial step 5\nstep 6\n5 -> 6 : ac\n6 -> 5 : init\n6: force line {11, 10}\n"
       "grafcet line\ninitial step 10\nstep 11\n10 -> 11 : dc\n11 -> 10 : ac\n");
  lines();
  lines({"atu"});
  EXPECT_EQ(lines({"ac"}), printed{"grafcet 'line' is forced by step 1 {} and step 6 {11, 10} at once: "
                                   "the order written last, step 6's, applies"});
  EXPECT_EQ(lines(), printed{}) << "not at every turn it lasts";
  lines({"init"});
  lines({"atu"});
  EXPECT_EQ(lines({"ac"}), printed{}) << "nor when it comes back: the chart is the same";
}

TEST_F(ChartReport, StoredConflictIsReportedOnceNamingBothSteps) {
  load("grafcet a\ninitial step 0\nstep 1\n0 -> 1 : dc\n1 -> 0 : ac\n1: MT := 1 on entry\n"
       "grafcet b\ninitial step 5\nstep 6\n5 -> 6 : dc\n6 -> 5 : ac\n6: MT := 0 on entry\n");
  lines();
  EXPECT_EQ(lines({"dc"}), printed{"MT is set to 1 by step 1 and to 0 by step 6 on entry in one clearing: 0 applies"});
  lines({"ac"});
  EXPECT_EQ(lines({"dc"}), printed{}) << "once";
}

}  // namespace
