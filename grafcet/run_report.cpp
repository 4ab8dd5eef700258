#include "grafcet/run_report.h"

namespace grafcet {

run_report::run_report(const chart& m) : model(m) {}

// An unstable chart is reported at the first turn it goes round; while it
// stays so its outputs are held, so the turn it settles is reported too, and
// a later episode is reported again.
std::vector<std::string> run_report::after(const evolution& e) {
  std::vector<std::string> lines;
  if (e.unstable && unstable_turns == 0) {
    std::string line = "unstable chart after " + std::to_string(engine::max_passes) + " passes, steps going round:";
    for (int n : e.cycling_steps) line += " " + std::to_string(n);
    lines.push_back(line);
  }
  if (!e.unstable && unstable_turns > 0)
    lines.push_back("chart stable again after " + std::to_string(unstable_turns) + " unstable turn" +
                    (unstable_turns > 1 ? "s" : "") + ", outputs follow it again");
  unstable_turns = e.unstable ? unstable_turns + 1 : 0;
  return lines;
}

}  // namespace grafcet
