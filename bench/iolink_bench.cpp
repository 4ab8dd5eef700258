// Time of one receive copy and one setreset_input on the exchange area,
// uncontended, server and controller in one process. Medians in nanoseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "iolink/IOsharemem_client.h"
#include "iolink/IOsharemem_server.h"
#include "iolink/signals.h"

namespace {

using bench_clock = std::chrono::steady_clock;
constexpr int samples = 200000;

template <class Before, class Timed>
double median_ns(Before before, Timed timed) {
  std::vector<double> times(samples);
  for (int i = 0; i < samples; ++i) {
    before(i);
    const auto start = bench_clock::now();
    timed(i);
    times[i] = std::chrono::duration<double, std::nano>(bench_clock::now() - start).count();
  }
  std::nth_element(times.begin(), times.begin() + samples / 2, times.end());
  return times[samples / 2];
}

}  // namespace

int main() {
  auto in = input_name_list(), out = output_name_list();
  IOsharemem_server server(in, out);
  IOsharemem_client client(server.memory_ident());
  long received = 0;

  const double clock_ns = median_ns([](int) {}, [](int) {});
  const double set_ns = median_ns([](int) {},
                                  [&](int i) { server.setreset_input(i % input_signal_count, i & 1); });
  const double receive_ns =
      median_ns([&](int) { server.inputs_go(); }, [&](int) { received += client.receive(); });

  std::printf("iolink_bench: median of %d samples, timer overhead included\n", samples);
  std::printf("  empty timed interval      %8.1f ns\n", clock_ns);
  std::printf("  setreset_input            %8.1f ns\n", set_ns);
  std::printf("  receive (copy of %d)      %8.1f ns\n", input_signal_count, receive_ns);
  if (received != samples) std::printf("  warning: %ld of %d receives copied\n", received, samples);
  server.sharing_terminate();
  return 0;
}
