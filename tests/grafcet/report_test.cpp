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

}  // namespace
