// Cost of reading a chart, for charts of 20 000 and 60 000 steps (the time
// per step must not grow with the size), and cost of one turn of the
// evolution engine: a large generated chart (a parallel start into 20
// branches of 10 steps, synchronised back) and the gluing-line example, each
// fed inputs that keep it firing. Mean and median per turn in microseconds.
//   grafcet_bench [parse | turn]     (both without an argument)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "grafcet/engine.h"
#include "grafcet/parser.h"

namespace {

using bench_clock = std::chrono::steady_clock;
constexpr int turns = 200000;

// Branch b, step k is numbered 1 + 10 b + k; each branch waits on a mix of
// inputs, timers and edges so that the steps keep moving.
std::string generated_chart(int branches, int length) {
  std::ostringstream c;
  c << "initial step 0\n";
  std::string heads, tails;
  for (int b = 0; b < branches; ++b) {
    for (int k = 0; k < length; ++k) {
      int n = 1 + b * length + k;
      c << "step " << n << "\n";
      if (k + 1 < length) {
        const char* receptivities[] = {"te and not ts", "rise(dc) or vh", "t(X%d, 10ms)", "pp or not p1ok",
                                       "X0 or vb"};
        char text[64];
        std::snprintf(text, sizeof text, receptivities[(b + k) % 5], n);
        c << n << " -> " << n + 1 << " : " << text << "\n";
        c << n << ": " << (k % 2 ? "MT" : "MTA") << "\n";
      }
    }
    heads += (b ? ", " : "") + std::to_string(1 + b * length);
    tails += (b ? ", " : "") + std::to_string((b + 1) * length);
  }
  c << "0 -> " << heads << " : init or 1\n";
  c << tails << " -> 0 : not atu\n";
  return c.str();
}

// Grafcets of 10 steps in a ring, each step with an action; receptivities
// read steps and timers of the neighbouring grafcet, and the last step of
// each grafcet empties the next one: every kind of name the parser looks up.
std::string large_chart(int steps) {
  std::ostringstream c;
  for (int g = 0; g < steps / 10; ++g) {
    int first = 10 * g, other = 10 * ((g + 1) % (steps / 10));
    c << "grafcet g" << g << "\ninitial step " << first << "\n";
    for (int n = first + 1; n < first + 10; ++n) c << "step " << n << "\n";
    for (int n = first; n < first + 10; ++n) {
      int following = n + 1 < first + 10 ? n + 1 : first;
      c << n << " -> " << following << " : te and not X" << other + n % 10 << " or t(X" << n << ", 2s)\n";
      if (n % 2) c << n << ": MT if rise(dc)\n";
      else c << n << ": SORT\n";
    }
    c << first + 9 << ": force g" << (g + 1) % (steps / 10) << " {}\n";
  }
  return c.str();
}

void measure_parse(int steps) {
  std::string text = large_chart(steps);
  auto start = bench_clock::now();
  std::clock_t cpu_start = std::clock();
  grafcet::parse_result parsed = grafcet::parse_chart(text);
  double cpu = double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  double seconds = std::chrono::duration<double>(bench_clock::now() - start).count();
  // The processor time too: on a shared machine the wall time says little.
  std::printf("parse %6zu steps %6zu transitions %6zu actions: %.3f s (%.3f s of processor), %.2f us per step%s\n",
              parsed.model.steps.size(), parsed.model.transitions.size(), parsed.model.actions.size(), seconds, cpu,
              cpu * 1e6 / steps, parsed.errors.empty() ? "" : " (with errors!)");
}

std::string file_text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Inputs that change a little every turn, the same in every run.
class input_source {
 public:
  const grafcet::input_values& next() {
    for (int flips = 0; flips < 3; ++flips) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      int i = static_cast<int>((state >> 33) % input_signal_count);
      inputs[i] = !inputs[i];
    }
    return inputs;
  }

 private:
  uint64_t state = 12345;
  grafcet::input_values inputs{};
};

void measure(const char* name, const std::string& text) {
  grafcet::parse_result parsed = grafcet::parse_chart(text);
  if (!parsed.errors.empty()) {
    std::printf("%s: %s\n", name, grafcet::format_diagnostic("chart", parsed.errors.front()).c_str());
    return;
  }
  grafcet::engine machine(parsed.model);
  input_source source;
  std::vector<double> times(turns);
  long passes = 0, fired = 0;
  for (int t = 0; t < turns; ++t) {
    const grafcet::input_values& inputs = source.next();
    auto start = bench_clock::now();
    const grafcet::evolution& e = machine.evolve(inputs, int64_t{t} * 5);
    times[t] = std::chrono::duration<double, std::micro>(bench_clock::now() - start).count();
    passes += e.passes;
    fired += static_cast<long>(machine.fired().size());
  }
  double mean = 0;
  for (double x : times) mean += x;
  mean /= turns;
  std::nth_element(times.begin(), times.begin() + turns / 2, times.end());
  std::printf("%-34s %4zu steps %4zu transitions: %.2f us mean, %.2f us median per turn "
              "(%.2f passes, %.2f firings per turn)\n",
              name, parsed.model.steps.size(), parsed.model.transitions.size(), mean, times[turns / 2],
              double(passes) / turns, double(fired) / turns);
}

}  // namespace

int main(int argc, char** argv) {
  std::string only = argc > 1 ? argv[1] : "";
  if (only != "" && only != "parse" && only != "turn") {
    std::fprintf(stderr, "usage: grafcet_bench [parse | turn]\n");
    return 2;
  }
  if (only != "turn") {
    measure_parse(20000);
    measure_parse(60000);
  }
  if (only != "parse") {
    measure("20 parallel branches of 10 steps", generated_chart(20, 10));
    measure("gluing line", file_text(CORVAN_SOURCE_DIR "/examples/grafcet/gluing_line.graf"));
  }
  return 0;
}
