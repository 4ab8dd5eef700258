#include "modbus/modbus_endpoint.h"

#include "modbus/request.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <modbus.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <iostream>
#include <stdexcept>

namespace {

struct context_free {
  void operator()(modbus_t* ctx) const { modbus_free(ctx); }
};
struct mapping_free {
  void operator()(modbus_mapping_t* map) const { modbus_mapping_free(map); }
};

std::string where(const std::string& host, int port) { return host + ":" + std::to_string(port); }

bool all_digits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

using steady = std::chrono::steady_clock;

constexpr char stop_byte = 's';
constexpr char reap_byte = 'r';
// Within a frame each byte must follow the one before within this time, as
// with libmodbus's own receive.
constexpr int byte_wait_ms = 500;

// False when nothing came within wait_ms (-1: waits for ever). The end of
// the connection counts as readable.
bool readable_within(int s, int wait_ms) {
  pollfd p{s, POLLIN, 0};
  for (;;) {
    const int ready = poll(&p, 1, wait_ms);
    if (ready >= 0) return ready == 1;
    if (errno != EINTR) return false;
  }
}

// False when the client leaves, fails or stalls before n bytes have come.
bool read_bytes(int s, uint8_t* into, int n) {
  while (n > 0) {
    if (!readable_within(s, byte_wait_ms)) return false;
    const ssize_t got = recv(s, into, n, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    into += got;
    n -= int(got);
  }
  return true;
}

}  // namespace

// One connected client: its socket, its libmodbus context and map, and the
// thread that answers it. The socket is closed by that thread, under the
// clients' lock, so that a shutdown by the acceptor or the destructor never
// meets a descriptor reused meanwhile.
struct modbus_endpoint::client {
  explicit client(int s) : socket(s), last_heard(steady::now()) {}
  int socket;  // -1 once closed
  bool closing = false;  // shut down to make room, or by the destructor
  std::atomic<steady::time_point> last_heard;  // the last request, or the connection
  std::atomic<bool> finished{false};
  std::unique_ptr<modbus_t, context_free> context;
  std::unique_ptr<modbus_mapping_t, mapping_free> map;
  std::thread thread;
};

modbus_endpoint::modbus_endpoint(const std::string& host, int port, double timeout,
                                 client_limits limits)
    : timeout_s(timeout), limits(limits) {
  if (port < 1 || port > 65535)
    throw std::runtime_error("modbus: port " + std::to_string(port) + " is not in 1..65535");
  std::unique_ptr<modbus_t, context_free> ctx(modbus_new_tcp(host.c_str(), port));
  if (!ctx) throw std::runtime_error("modbus: bad address " + where(host, port));
  // A burst of connections waits in the queue instead of having its
  // connection requests dropped and retried a second later.
  listen_socket = modbus_tcp_listen(ctx.get(), SOMAXCONN);
  if (listen_socket < 0)
    throw std::runtime_error("modbus: cannot listen on " + where(host, port) + ": " +
                             std::strerror(errno));
  // The monitor starts other programs: they must not inherit the port.
  fcntl(listen_socket, F_SETFD, FD_CLOEXEC);
  // Non-blocking: a client leaving never waits on a full pipe.
  if (pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    close(listen_socket);
    throw std::runtime_error(std::string("modbus: no pipe: ") + std::strerror(errno));
  }
  acceptor = std::thread(&modbus_endpoint::accept_clients, this);
}

modbus_endpoint::~modbus_endpoint() {
  wake_acceptor(stop_byte);
  acceptor.join();
  // A client thread waits for a request; shutting its socket down ends it.
  {
    std::lock_guard<std::mutex> hold(clients_lock);
    for (auto& c : clients)
      if (c->socket >= 0) shutdown(c->socket, SHUT_RDWR);
  }
  for (auto& c : clients) c->thread.join();
  close(listen_socket);
  close(wake_pipe[0]);
  close(wake_pipe[1]);
}

void modbus_endpoint::wake_acceptor(char why) {
  while (write(wake_pipe[1], &why, 1) < 0 && errno == EINTR) {
  }
}

void modbus_endpoint::accept_clients() {
  pollfd watched[2] = {{listen_socket, POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
  for (;;) {
    if (poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      std::cerr << "modbus: no longer accepting clients: " << std::strerror(errno) << std::endl;
      return;
    }
    if (watched[1].revents) {
      char why[64];
      const ssize_t n = read(wake_pipe[0], why, sizeof why);
      if (n > 0 && std::memchr(why, stop_byte, n)) return;
      reap_finished_clients();
    }
    if (watched[0].revents) take_client();
  }
}

void modbus_endpoint::take_client() {
  int s = accept4(listen_socket, nullptr, nullptr, SOCK_CLOEXEC);
  if (s < 0) {
    // Out of descriptors, most likely: give the clients time to leave
    // rather than spin on a listening socket that stays readable.
    if (errno != EINTR && errno != ECONNABORTED)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return;
  }
  // A request and its answer are one small segment each: do not let Nagle
  // hold the answer back.
  int on = 1;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  std::lock_guard<std::mutex> hold(clients_lock);
  make_room();
  clients.push_back(std::make_unique<client>(s));
  client& c = *clients.back();
  c.thread = std::thread([this, &c] { serve(c); });
}

// Called with the clients' lock held, before a new client joins.
void modbus_endpoint::make_room() {
  client* longest_silent = nullptr;
  int open = 0;
  for (auto& c : clients) {
    if (c->socket < 0 || c->closing) continue;
    ++open;
    if (!longest_silent || c->last_heard.load() < longest_silent->last_heard.load())
      longest_silent = c.get();
  }
  if (open < limits.max_clients || !longest_silent) return;
  // Its thread sees the end of the connection, closes it and leaves.
  shutdown(longest_silent->socket, SHUT_RDWR);
  longest_silent->closing = true;
}

void modbus_endpoint::reap_finished_clients() {
  std::lock_guard<std::mutex> hold(clients_lock);
  for (auto it = clients.begin(); it != clients.end();) {
    if (!(*it)->finished) {
      ++it;
      continue;
    }
    (*it)->thread.join();
    it = clients.erase(it);
  }
}

int modbus_endpoint::client_count() {
  std::lock_guard<std::mutex> hold(clients_lock);
  return int(std::count_if(clients.begin(), clients.end(),
                           [](const auto& c) { return c->socket >= 0 && !c->closing; }));
}

// Each client answers from its own copy of the image, refreshed before each
// request, so that a client slow to read its answers (the send blocks) never
// holds the lock the others and the simulator need. Only the coils a request
// writes go back to the shared image, so that clients writing at once never
// undo each other's coils.
void modbus_endpoint::serve(client& c) {
  const int s = c.socket;
  // The context only wraps the accepted socket: its address is never used.
  c.context.reset(modbus_new_tcp("127.0.0.1", 502));
  c.map.reset(
      modbus_mapping_new(shared.coils.size(), shared.inputs.size(), 0, shared.registers.size()));
  const int idle_ms =
      limits.idle_s > 0 ? int(std::min(std::ceil(limits.idle_s * 1000), double(INT_MAX))) : -1;
  if (c.context && c.map) {
    modbus_set_socket(c.context.get(), s);
    // Framed by the header's length, whatever the function: a request this
    // server does not know leaves the next one intact. (libmodbus's own
    // receive frames by function code, and waits with select(), which
    // aborts on a descriptor past 1023.) The loop ends when
    // the client leaves, stays silent past the idle limit, sends something
    // that is not Modbus TCP or stalls mid-frame; the others never notice.
    uint8_t frame[MODBUS_TCP_MAX_ADU_LENGTH];
    while (readable_within(s, idle_ms) && read_bytes(s, frame, mbap_header_length)) {
      const int pdu_length = pdu_length_of(frame);
      if (pdu_length < 0 || !read_bytes(s, frame + mbap_header_length, pdu_length)) break;
      c.last_heard = steady::now();
      if (!answer(c, frame, mbap_header_length + pdu_length)) break;
    }
  }
  leave(c);
}

// False when the answer cannot be sent.
bool modbus_endpoint::answer(client& c, const uint8_t* frame, int length) {
  const uint8_t* pdu = frame + mbap_header_length;
  const int pdu_length = length - mbap_header_length;
  if (const int refusal = refusal_of(pdu, pdu_length)) {
    const auto exception = exception_answer(frame, refusal);
    return send(c.socket, exception.data(), exception.size(), MSG_NOSIGNAL) ==
           ssize_t(exception.size());
  }
  // A write counts before its answer leaves: a client that reads its
  // answer then asks the line finds the line already told.
  auto write = coil_write_of(pdu, pdu_length, shared.coils.size());
  if (write) store_coils(*write);
  image now = snapshot();
  std::copy(now.inputs.begin(), now.inputs.end(), c.map->tab_input_bits);
  std::copy(now.coils.begin(), now.coils.end(), c.map->tab_bits);
  std::copy(now.registers.begin(), now.registers.end(), c.map->tab_input_registers);
  return modbus_reply(c.context.get(), frame, length, c.map.get()) >= 0;
}

// The connection is closed at once, not when the next client comes: the
// client sees its end and no socket lingers half-closed.
void modbus_endpoint::leave(client& c) {
  {
    std::lock_guard<std::mutex> hold(clients_lock);
    close(c.socket);
    c.socket = -1;
  }
  c.finished = true;
  wake_acceptor(reap_byte);
}

modbus_endpoint::image modbus_endpoint::snapshot() {
  std::lock_guard<std::mutex> hold(lock);
  return shared;
}

void modbus_endpoint::store_coils(const coil_write& write) {
  std::lock_guard<std::mutex> hold(lock);
  std::copy(write.values.begin(), write.values.end(), shared.coils.begin() + write.first);
  last_coil_write = steady::now();
}

// Called with the lock held. Nothing to hold back before the first write:
// the coils are all 0 until then.
bool modbus_endpoint::silent_too_long() const {
  if (timeout_s <= 0 || !last_coil_write) return false;
  return std::chrono::duration<double>(steady::now() - *last_coil_write).count() > timeout_s;
}

void modbus_endpoint::publish(const std::array<int, 23>& inputs, uint32_t turn,
                              int turns_per_second) {
  std::lock_guard<std::mutex> hold(lock);
  for (size_t i = 0; i < inputs.size(); ++i) shared.inputs[i] = inputs[i] != 0;
  shared.registers[0] = turn & 0xFFFF;
  shared.registers[1] = turn >> 16;
  shared.registers[2] = std::clamp(turns_per_second, 0, 0xFFFF);
}

std::array<int, 14> modbus_endpoint::outputs() {
  std::lock_guard<std::mutex> hold(lock);
  const bool silent = silent_too_long();
  if (silent && !tripped)
    std::cerr << "modbus: no coil written for " << timeout_s
              << " s: every output held at 0 until the next write" << std::endl;
  tripped = silent;
  std::array<int, 14> values{};
  if (!silent) std::copy(shared.coils.begin(), shared.coils.end(), values.begin());
  return values;
}

modbus_endpoint::watchdog_state modbus_endpoint::watchdog() {
  std::lock_guard<std::mutex> hold(lock);
  if (timeout_s <= 0) return watchdog_state::off;
  if (!last_coil_write) return watchdog_state::waiting_first_write;
  return silent_too_long() ? watchdog_state::tripped : watchdog_state::fed;
}

bool modbus_endpoint::parse_address(const std::string& arg, std::string& host, int& port,
                                    std::string& error) {
  size_t colon = arg.rfind(':');
  std::string host_part = colon == std::string::npos ? "127.0.0.1" : arg.substr(0, colon);
  std::string port_part = colon == std::string::npos ? arg : arg.substr(colon + 1);
  in_addr parsed;
  if (inet_pton(AF_INET, host_part.c_str(), &parsed) != 1) {
    error = "bad Modbus address '" + arg + "': the host must be an IPv4 address such as 127.0.0.1";
    return false;
  }
  // At most 5 digits: no overflow before the range check.
  if (!all_digits(port_part) || port_part.size() > 5 || std::stoi(port_part) < 1 ||
      std::stoi(port_part) > 65535) {
    error = "bad Modbus address '" + arg + "': the port must be a number from 1 to 65535";
    return false;
  }
  host = host_part;
  port = std::stoi(port_part);
  return true;
}
