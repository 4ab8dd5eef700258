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

}  // namespace

// One connected client: its socket and the thread that answers it. The
// socket is closed by whoever joins the thread, never by the thread itself,
// so that a shutdown from the destructor never meets a reused descriptor.
struct modbus_endpoint::client {
  explicit client(int s) : socket(s) {}
  int socket;
  std::atomic<bool> finished{false};
  std::thread thread;
};

modbus_endpoint::modbus_endpoint(const std::string& host, int port, double timeout)
    : timeout_s(timeout), last_coil_write(std::chrono::steady_clock::now()) {
  if (port < 1 || port > 65535)
    throw std::runtime_error("modbus: port " + std::to_string(port) + " is not in 1..65535");
  std::unique_ptr<modbus_t, context_free> ctx(modbus_new_tcp(host.c_str(), port));
  if (!ctx) throw std::runtime_error("modbus: bad address " + where(host, port));
  listen_socket = modbus_tcp_listen(ctx.get(), 16);
  if (listen_socket < 0)
    throw std::runtime_error("modbus: cannot listen on " + where(host, port) + ": " +
                             std::strerror(errno));
  // The monitor starts other programs: they must not inherit the port.
  fcntl(listen_socket, F_SETFD, FD_CLOEXEC);
  if (pipe2(wake_pipe, O_CLOEXEC) != 0) {
    close(listen_socket);
    throw std::runtime_error(std::string("modbus: no pipe: ") + std::strerror(errno));
  }
  acceptor = std::thread(&modbus_endpoint::accept_clients, this);
}

modbus_endpoint::~modbus_endpoint() {
  char stop = 1;
  while (write(wake_pipe[1], &stop, 1) < 0 && errno == EINTR) {
  }
  acceptor.join();
  // A client thread waits in a receive; shutting its socket down ends it.
  for (auto& c : clients) shutdown(c->socket, SHUT_RDWR);
  for (auto& c : clients) {
    c->thread.join();
    close(c->socket);
  }
  close(listen_socket);
  close(wake_pipe[0]);
  close(wake_pipe[1]);
}

void modbus_endpoint::accept_clients() {
  pollfd watched[2] = {{listen_socket, POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
  for (;;) {
    if (poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      std::cerr << "modbus: no longer accepting clients: " << std::strerror(errno) << std::endl;
      return;
    }
    if (watched[1].revents) return;
    reap_finished_clients();
    int s = accept4(listen_socket, nullptr, nullptr, SOCK_CLOEXEC);
    if (s < 0) {
      // Out of descriptors, most likely: give the clients time to leave
      // rather than spin on a listening socket that stays readable.
      if (errno != EINTR && errno != ECONNABORTED)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    // A request and its answer are one small segment each: do not let Nagle
    // hold the answer back.
    int on = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    clients.push_back(std::make_unique<client>(s));
    client& c = *clients.back();
    c.thread = std::thread([this, &c] { serve(c); });
  }
}

void modbus_endpoint::reap_finished_clients() {
  for (auto it = clients.begin(); it != clients.end();) {
    if (!(*it)->finished) {
      ++it;
      continue;
    }
    (*it)->thread.join();
    close((*it)->socket);
    it = clients.erase(it);
  }
}

// Each client answers from its own copy of the image, refreshed before each
// request, so that a client slow to read its answers (the send blocks) never
// holds the lock the others and the simulator need. Only the coils a request
// writes go back to the shared image, so that clients writing at once never
// undo each other's coils.
void modbus_endpoint::serve(client& c) {
  // The context only wraps the accepted socket: its address is never used.
  std::unique_ptr<modbus_t, context_free> ctx(modbus_new_tcp("127.0.0.1", 502));
  std::unique_ptr<modbus_mapping_t, mapping_free> map(
      modbus_mapping_new(shared.coils.size(), shared.inputs.size(), 0, shared.registers.size()));
  if (ctx && map) {
    modbus_set_socket(ctx.get(), c.socket);
    int header = modbus_get_header_length(ctx.get());
    uint8_t request[MODBUS_TCP_MAX_ADU_LENGTH];
    for (;;) {
      // -1: the client left, sent something that is not Modbus, or stalled
      // mid-frame; this client is dropped, the others never notice.
      int length = modbus_receive(ctx.get(), request);
      if (length < 0) break;
      if (length == 0) continue;
      if (!served_function(request[header])) {
        if (modbus_reply_exception(ctx.get(), request, MODBUS_EXCEPTION_ILLEGAL_FUNCTION) < 0)
          break;
        continue;
      }
      // A write counts before its answer leaves: a client that reads its
      // answer then asks the line finds the line already told.
      auto write = coil_write_of(request + header, length - header, shared.coils.size());
      if (write) store_coils(*write);
      image now = snapshot();
      std::copy(now.inputs.begin(), now.inputs.end(), map->tab_input_bits);
      std::copy(now.coils.begin(), now.coils.end(), map->tab_bits);
      std::copy(now.registers.begin(), now.registers.end(), map->tab_input_registers);
      if (modbus_reply(ctx.get(), request, length, map.get()) < 0) break;
    }
  }
  c.finished = true;
}

modbus_endpoint::image modbus_endpoint::snapshot() {
  std::lock_guard<std::mutex> hold(lock);
  return shared;
}

void modbus_endpoint::store_coils(const coil_write& write) {
  std::lock_guard<std::mutex> hold(lock);
  std::copy(write.values.begin(), write.values.end(), shared.coils.begin() + write.first);
  last_coil_write = std::chrono::steady_clock::now();
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
  std::chrono::duration<double> silence = std::chrono::steady_clock::now() - last_coil_write;
  bool silent = timeout_s > 0 && silence.count() > timeout_s;
  if (silent && !tripped)
    std::cerr << "modbus: no coil written for " << timeout_s
              << " s: every output held at 0 until the next write" << std::endl;
  tripped = silent;
  std::array<int, 14> values{};
  if (!silent) std::copy(shared.coils.begin(), shared.coils.end(), values.begin());
  return values;
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
