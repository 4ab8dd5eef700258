// The Modbus endpoint seen from one libmodbus client on localhost:
//   - round trips per second of "read the 23 discrete inputs, then write the
//     14 coils", the scan of a PLC driving the line;
//   - the delay from a coil write to a turn loop that calls outputs() every
//     5 ms seeing it (the endpoint's share of a write reaching the line);
//   - the endpoint's cost on the turn's path: publish() and outputs();
//   - connections: clients that connect, ask once and leave, one after
//     another; then 1000 connecting at once (established, and the server
//     back to its 32 clients).
// With --line, against a running corvan-monitor --modbus --csv instead: the
// delay in simulator turns from a coil write to the simulator's side taking
// it (as the monitor's trace records the outputs it sends).
// Usage: modbus_bench [PORT]   (default: the first free port from 15020)
//        modbus_bench --line PORT TRACE.csv
#include "modbus/modbus_endpoint.h"

#include <arpa/inet.h>
#include <modbus.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench_clock = std::chrono::steady_clock;
using std::chrono::duration;

std::unique_ptr<modbus_endpoint> listen_from(int first_port, int& port) {
  for (port = first_port; port < first_port + 100; ++port) {
    try {
      return std::make_unique<modbus_endpoint>("127.0.0.1", port, 0);
    } catch (const std::runtime_error&) {
      // in use: try the next one
    }
  }
  return nullptr;
}

double median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

double percentile(std::vector<double> v, double p) {
  size_t k = std::min(v.size() - 1, static_cast<size_t>(p * v.size()));
  std::nth_element(v.begin(), v.begin() + k, v.end());
  return v[k];
}

void scan_rate(modbus_t* client) {
  constexpr int scans = 20000;
  uint8_t inputs[23], coils[14] = {};
  int failed = 0;
  auto start = bench_clock::now();
  for (int i = 0; i < scans; ++i) {
    coils[i % 14] ^= 1;
    failed += modbus_read_input_bits(client, 0, 23, inputs) != 23;
    failed += modbus_write_bits(client, 0, 14, coils) != 14;
  }
  double s = duration<double>(bench_clock::now() - start).count();
  std::printf(
      "  read 23 inputs + write 14 coils  %8.0f scans/s, %.0f requests/s  (%d in %.2f s, %d "
      "failed)\n",
      scans / s, 2 * scans / s, scans, s, failed);
}

// A turn loop like the monitor's: outputs() every 5 ms, noting when coil 0
// is first seen in the state just written.
void write_to_turn_delay(modbus_endpoint& endpoint, modbus_t* client) {
  constexpr int writes = 200;
  std::atomic<bool> running{true};
  std::atomic<int> wanted{-1};
  std::atomic<int64_t> seen_ns{0};
  std::thread turns([&] {
    auto next = bench_clock::now();
    while (running) {
      int w = wanted;
      if (w >= 0 && endpoint.outputs()[0] == w) {
        seen_ns = (bench_clock::now().time_since_epoch()).count();
        wanted = -1;
      }
      next += std::chrono::milliseconds(5);
      std::this_thread::sleep_until(next);
    }
  });
  std::vector<double> write_ms, seen_ms;
  for (int i = 0; i < writes; ++i) {
    int value = (i + 1) % 2;
    seen_ns = 0;
    auto start = bench_clock::now();
    wanted = value;
    modbus_write_bit(client, 0, value);
    write_ms.push_back(duration<double, std::milli>(bench_clock::now() - start).count());
    while (seen_ns == 0) std::this_thread::sleep_for(std::chrono::microseconds(100));
    auto seen = bench_clock::time_point(bench_clock::duration(seen_ns.load()));
    seen_ms.push_back(duration<double, std::milli>(seen - start).count());
    // Writes land at random points of the 5 ms turn.
    std::this_thread::sleep_for(std::chrono::microseconds(1000 + 977 * (i % 7)));
  }
  running = false;
  turns.join();
  std::printf("  coil write round trip            %8.3f ms median, %.3f ms 99th percentile\n",
              median(write_ms), percentile(write_ms, 0.99));
  std::printf("  write to a 5 ms turn seeing it   %8.3f ms median, %.3f ms max  (%d writes)\n",
              median(seen_ms), *std::max_element(seen_ms.begin(), seen_ms.end()), writes);
}

void turn_path_cost(modbus_endpoint& endpoint) {
  constexpr int calls = 200000;
  std::array<int, 23> inputs{};
  int sum = 0;
  auto start = bench_clock::now();
  for (int i = 0; i < calls; ++i) {
    inputs[i % 23] ^= 1;
    endpoint.publish(inputs, i, 200);
  }
  double publish_ns = duration<double, std::nano>(bench_clock::now() - start).count() / calls;
  start = bench_clock::now();
  for (int i = 0; i < calls; ++i) sum += endpoint.outputs()[i % 14];
  double outputs_ns = duration<double, std::nano>(bench_clock::now() - start).count() / calls;
  std::printf("  publish()                        %8.1f ns per call\n", publish_ns);
  std::printf("  outputs()                        %8.1f ns per call  (%d)\n", outputs_ns, sum);
}

void quick_clients(int port) {
  constexpr int quick = 2000;
  int failed = 0;
  auto start = bench_clock::now();
  for (int i = 0; i < quick; ++i) {
    modbus_t* c = modbus_new_tcp("127.0.0.1", port);
    uint8_t bit;
    failed += modbus_connect(c) != 0 || modbus_read_bits(c, 0, 1, &bit) != 1;
    modbus_close(c);
    modbus_free(c);
  }
  double s = duration<double>(bench_clock::now() - start).count();
  std::printf("  connect, ask once, leave         %8.0f clients/s  (%d in %.2f s, %d failed)\n",
              quick / s, quick, s, failed);
}

void connection_burst(modbus_endpoint& endpoint, int port) {
  constexpr int burst = 1000;
  rlimit files;
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 2 * burst));
  setrlimit(RLIMIT_NOFILE, &files);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::vector<pollfd> sockets;
  const auto start = bench_clock::now();
  for (int i = 0; i < burst; ++i) {
    int c = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (c < 0) break;
    connect(c, reinterpret_cast<sockaddr*>(&address), sizeof address);
    sockets.push_back({c, POLLOUT, 0});
  }
  int established = 0;
  for (auto& p : sockets) established += poll(&p, 1, 5000) == 1 && !(p.revents & POLLERR);
  double connected_ms = duration<double, std::milli>(bench_clock::now() - start).count();
  while (endpoint.client_count() > 32 && bench_clock::now() - start < std::chrono::seconds(10))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  double settled_ms = duration<double, std::milli>(bench_clock::now() - start).count();
  std::printf(
      "  %d connecting at once            %8.1f ms until established (%d), %.1f ms until %d "
      "served\n",
      burst, connected_ms, established, settled_ms, endpoint.client_count());
  for (auto& p : sockets) close(p.fd);
}

// The turns at which the trace recorded each change of signal.
std::vector<long> trace_turns(const std::string& csv, const std::string& signal) {
  std::vector<long> turns;
  std::ifstream in(csv);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string time, turn, name;
    if (std::getline(fields, time, ',') && std::getline(fields, turn, ',') &&
        std::getline(fields, name, ',') && name == signal && time != "time_us")
      turns.push_back(std::stol(turn));
  }
  return turns;
}

// TIMER10 (coil 13) only restarts the 10 s timer: toggling it disturbs
// nothing on the line.
int line_delay(int port, const std::string& csv) {
  constexpr int writes = 100, timer10 = 13;
  modbus_t* client = modbus_new_tcp("127.0.0.1", port);
  if (modbus_connect(client) != 0) {
    std::fprintf(stderr, "modbus_bench: cannot connect: %s\n", modbus_strerror(errno));
    return 1;
  }
  size_t before = trace_turns(csv, "TIMER10").size();
  std::vector<long> written_at;
  for (int i = 0; i < writes; ++i) {
    uint16_t turn[2];
    if (modbus_read_input_registers(client, 0, 2, turn) != 2) break;
    if (modbus_write_bit(client, timer10, (i + 1) % 2) != 1) break;
    written_at.push_back(turn[1] << 16 | turn[0]);
    // Three turns and a bit: each write its own turn, at a varying point of it.
    std::this_thread::sleep_for(std::chrono::microseconds(15000 + 1000 * (i % 5)));
  }
  modbus_close(client);
  modbus_free(client);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the trace catches up
  std::vector<long> recorded = trace_turns(csv, "TIMER10");
  recorded.erase(recorded.begin(), recorded.begin() + std::min(before, recorded.size()));
  if (recorded.size() != written_at.size()) {
    std::fprintf(stderr, "modbus_bench: %zu writes, %zu changes of TIMER10 in %s\n",
                 written_at.size(), recorded.size(), csv.c_str());
    return 1;
  }
  std::vector<double> delay;
  for (size_t i = 0; i < recorded.size(); ++i) delay.push_back(recorded[i] - written_at[i]);
  std::printf(
      "modbus_bench: coil write to the simulator's side, %zu writes through corvan-monitor\n",
      delay.size());
  std::printf("  turns after the last turn read before the write: median %.0f, max %.0f\n",
              median(delay), *std::max_element(delay.begin(), delay.end()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--line") return line_delay(std::atoi(argv[2]), argv[3]);
  int port = 0;
  auto endpoint = listen_from(argc > 1 ? std::atoi(argv[1]) : 15020, port);
  if (!endpoint) {
    std::fprintf(stderr, "modbus_bench: no free port\n");
    return 1;
  }
  modbus_t* client = modbus_new_tcp("127.0.0.1", port);
  if (modbus_connect(client) != 0) {
    std::fprintf(stderr, "modbus_bench: cannot connect: %s\n", modbus_strerror(errno));
    return 1;
  }
  std::printf("modbus_bench: one libmodbus client on 127.0.0.1:%d\n", port);
  scan_rate(client);
  write_to_turn_delay(*endpoint, client);
  turn_path_cost(*endpoint);
  modbus_close(client);
  modbus_free(client);
  quick_clients(port);
  connection_burst(*endpoint, port);
  return 0;
}
