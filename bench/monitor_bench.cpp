// The monitor between a stand-in simulator (this program, with the
// simulator's own server code and a 5 ms turn) and an inner controller (this
// program again, relaunched as "echo"), over 10 000 turns: missed turns,
// delay each way, the monitor's CPU share; then the cost of recording one
// turn's trace.
//
//   monitor_bench [turns]        (corvan-monitor is looked for in ../monitor)
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <list>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "iolink/IOsharemem_client.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"
#include "trace/signal_trace.h"
#include "process/controller_process.h"
#include "trace/trace_writer.h"

namespace {

using bench_clock = std::chrono::steady_clock;
constexpr int code_mask = (1 << output_signal_count) - 1;
constexpr auto turn_period = std::chrono::milliseconds(5);

// steady_clock is CLOCK_MONOTONIC: the same clock in every process.
int64_t now_us() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             bench_clock::now().time_since_epoch())
      .count();
}

// The inner controller: echoes inputs 0-13 on outputs 0-13 and notes, per
// turn, the code, when it was copied and when its answer was written.
int echo(const std::string& log_file, int ident) {
  IOsharemem_client link(ident);
  std::vector<int64_t> rows;
  for (;;) {
    link.wait_for_turn(20000);
    const int r = link.receive();
    if (r < 0) break;
    if (r == 0) continue;
    const int64_t copied = now_us();
    int code = 0;
    for (int bit = 0; bit < output_signal_count; ++bit)
      code |= link.input_is_set(table_signaux[bit]) << bit;
    for (int bit = 0; bit < output_signal_count; ++bit)
      link.setreset_output(table_signaux[input_signal_count + bit], (code >> bit) & 1);
    link.outputs_refresh();
    rows.insert(rows.end(), {code, copied, now_us()});
  }
  std::ofstream log(log_file);
  for (size_t i = 0; i + 2 < rows.size(); i += 3)
    log << rows[i] << ' ' << rows[i + 1] << ' ' << rows[i + 2] << '\n';
  return 0;
}

std::string own_path() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./monitor_bench";
  path[n] = '\0';
  return path;
}

// Seconds of CPU the process has used so far.
double cpu_seconds(pid_t pid) {
  const std::string stat = process_stat(pid);
  if (stat.empty()) return 0;
  // Fields after the command's closing parenthesis: state is field 3,
  // utime and stime fields 14 and 15.
  std::istringstream rest(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int k = 3; k <= 15 && rest >> field; ++k) {
    if (k == 14) utime = std::stol(field);
    if (k == 15) stime = std::stol(field);
  }
  return double(utime + stime) / sysconf(_SC_CLK_TCK);
}

struct summary {
  double mean = 0, p99 = 0, max = 0;
};

summary summarise(std::vector<double> v) {
  summary s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  for (double x : v) s.mean += x / v.size();
  s.p99 = v[v.size() * 99 / 100];
  s.max = v.back();
  return s;
}

class stand_in {
 public:
  stand_in() : link(ins, outs) {}

  int memory_ident() { return link.memory_ident(); }
  // Publishes code and reads the outputs as the simulator does, then polls
  // them until the next turn to see when the answer to code arrives.
  int turn(int code, int64_t& published, int64_t& answered) {
    for (int bit = 0; bit < output_signal_count; ++bit) link.setreset_input(bit, (code >> bit) & 1);
    published = now_us();
    link.inputs_go();
    const int seen = outputs();
    answered = -1;
    // A full pause after each turn, as the simulator makes it.
    const auto next = bench_clock::now() + turn_period;
    while (bench_clock::now() < next) {
      if (answered < 0 && outputs() == code) answered = now_us();
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return seen;
  }
  void end() { link.sharing_terminate(); }

 private:
  int outputs() {
    int value = 0;
    for (int bit = 0; bit < output_signal_count; ++bit) value |= (link.output_value(bit) == 1) << bit;
    return value;
  }
  std::list<std::string> ins = input_name_list(), outs = output_name_list();
  IOsharemem_server link;
};

void exchange_figures(int turns) {
  const std::string self = own_path();
  const std::string monitor = self.substr(0, self.rfind('/')) + "/../monitor/corvan-monitor";
  const std::string log = "/tmp/monitor_bench_echo_" + std::to_string(getpid());
  const std::string err = log + ".err";
  stand_in sim;
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 2);
    const std::string ident = std::to_string(sim.memory_ident());
    execl(monitor.c_str(), monitor.c_str(), "--no-window", "--", self.c_str(), "echo", log.c_str(),
          "-automemlink", ident.c_str(), nullptr);
    _exit(127);
  }
  // Until the monitor and its controller answer.
  int64_t published, answered;
  int first = 0;
  for (int k = 1; k <= 4000 && first == 0; ++k)
    if (sim.turn(k & code_mask, published, answered) == ((k - 1) & code_mask) && k > 1) first = k + 1;
  if (first == 0) {
    std::printf("the monitor never answered (see %s)\n", err.c_str());
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return;
  }
  std::vector<int64_t> publish_time(turns), answer_time(turns);
  std::vector<int> lag(turns);
  const double cpu_before = cpu_seconds(pid);
  const auto wall_before = bench_clock::now();
  for (int i = 0; i < turns; ++i) {
    const int seen = sim.turn((first + i) & code_mask, publish_time[i], answer_time[i]);
    lag[i] = ((first + i) - seen) & code_mask;  // turns since the answered code was published
  }
  const double cpu = cpu_seconds(pid) - cpu_before;
  const double wall = std::chrono::duration<double>(bench_clock::now() - wall_before).count();
  sim.end();
  int status = 0;
  waitpid(pid, &status, 0);

  std::vector<double> inward, outward;
  std::ifstream in(log);
  for (int64_t code, copied, written; in >> code >> copied >> written;) {
    const int i = int((code - first) & code_mask);
    if (i < 0 || i >= turns) continue;
    inward.push_back(double(copied - publish_time[i]));
    if (answer_time[i] >= 0) outward.push_back(double(answer_time[i] - written));
  }
  int late = 0;
  for (int k : lag) late += k > 1;
  std::ifstream monitor_err(err);
  std::string line, last_line;
  while (std::getline(monitor_err, line))
    if (line.find("missed") != std::string::npos) last_line = line;
  std::remove(log.c_str());
  std::remove(err.c_str());

  const summary a = summarise(inward), b = summarise(outward);
  std::printf("turns: %d of 5 ms, the monitor said: %s\n", turns, last_line.c_str());
  std::printf("turns the inner controller saw: %zu of %d\n", inward.size(), turns);
  std::printf("inward delay (publication -> inner copy): mean %.0f us, p99 %.0f us, max %.0f us"
              " = %.2f turn at most\n", a.mean, a.p99, a.max, a.max / 5000);
  std::printf("outward delay (inner write -> outer area): mean %.0f us, p99 %.0f us, max %.0f us"
              " = %.2f turn at most\n", b.mean, b.p99, b.max, b.max / 5000);
  std::printf("answers read by the simulator later than the next turn: %d of %d\n", late, turns);
  std::printf("monitor CPU: %.2f s over %.1f s = %.2f %% of a core\n", cpu, wall,
              100 * cpu / wall);
}

// One turn's trace: set every variable, then sample.
void trace_figures() {
  const std::string vcd = "/tmp/monitor_bench.vcd", csv = "/tmp/monitor_bench.csv";
  const int turns = 100000;
  // Changes per turn: none, one input (a sensor of a moving part), all 74.
  const char* patterns[] = {"no signal changing", "one signal changing", "all 74 variables changing"};
  for (int pattern = 0; pattern < 3; ++pattern) {
    trace_writer writer(vcd, csv);
    signal_trace trace(writer);
    signal_trace::input_values inputs{};
    signal_trace::output_values outputs{};
    std::array<bool, signal_trace::rows> held{};
    const auto start = bench_clock::now();
    for (int t = 0; t < turns; ++t) {
      if (pattern == 1) inputs[t % input_signal_count] ^= 1;
      if (pattern == 2) {
        inputs.fill(t & 1);
        outputs.fill(t & 1);
        held.fill(t & 1);
      }
      trace.record(uint64_t(t) * 5000, uint32_t(t + 1), inputs, outputs, held);
    }
    writer.flush();
    const double ns = std::chrono::duration<double, std::nano>(bench_clock::now() - start).count();
    std::printf("recording one turn's trace (VCD and CSV), %s: %.0f ns\n", patterns[pattern],
                ns / turns);
  }
  std::remove(vcd.c_str());
  std::remove(csv.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::strcmp(argv[1], "echo") == 0) return echo(argv[2], std::atoi(argv[4]));
  const int turns = argc > 1 ? std::atoi(argv[1]) : 10000;
  exchange_figures(turns);
  trace_figures();
}
