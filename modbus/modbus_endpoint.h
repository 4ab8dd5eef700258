// The line's signals served over Modbus TCP, so that a PLC, an HMI or any
// Modbus client can be the controller. Map (0-based addresses, in the order
// of the signal table):
//   discrete inputs 0-22   the 23 inputs
//   coils 0-13             the 14 outputs (read and write)
//   input registers 0-1    the simulator's turn counter (low 16 bits in 0)
//   input register 2       turns per second over the last second
// Anything else is answered with the standard exception (illegal data
// address, illegal function for a kind of data that is not mapped or a
// function not served, illegal data value for a malformed request).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct coil_write;

// How many clients are served at once, and for how long they may stay silent.
struct client_limits {
  // A client connecting when this many are connected gets in: the one
  // silent the longest is closed, so that a PLC always finds its way in.
  int max_clients = 32;
  // A client that sends nothing for this long is closed; 0: never.
  double idle_s = 60;
};

class modbus_endpoint {
 public:
  // Listens on host:port (a dotted IPv4 address; 0.0.0.0 for every
  // interface) and serves each client in a thread of its own. With
  // timeout_s > 0, outputs() gives all 0 once no client has written a coil
  // for that long, counted from the first write. Throws std::runtime_error
  // with one line when it cannot listen.
  modbus_endpoint(const std::string& host, int port, double timeout_s, client_limits limits = {});
  // Stops serving, closes every socket and joins every thread.
  ~modbus_endpoint();
  modbus_endpoint(const modbus_endpoint&) = delete;
  modbus_endpoint& operator=(const modbus_endpoint&) = delete;

  // Once per simulator turn: the inputs as the controller sees them, the
  // turn counter and the turns per second over the last second.
  void publish(const std::array<int, 23>& inputs, uint32_t turn, int turns_per_second);
  // The outputs as the coils hold them, or all 0 while the watchdog has
  // tripped (one stderr line when it trips; the next coil write restores).
  std::array<int, 14> outputs();

  // The clients connected now.
  int client_count();
  enum class watchdog_state { off, waiting_first_write, fed, tripped };
  watchdog_state watchdog();

  // "[HOST:]PORT" with 127.0.0.1 as the default host and a port in
  // 1..65535; false with a one-line reason in error otherwise.
  static bool parse_address(const std::string& arg, std::string& host, int& port,
                            std::string& error);

 private:
  // What every client reads and writes, guarded by the endpoint's mutex.
  struct image {
    std::array<uint8_t, 23> inputs{};
    std::array<uint8_t, 14> coils{};
    std::array<uint16_t, 3> registers{};
  };
  struct client;

  void accept_clients();
  void take_client();
  void make_room();
  void serve(client& c);
  bool answer(client& c, const uint8_t* frame, int length);
  void leave(client& c);
  void wake_acceptor(char why);
  void reap_finished_clients();
  image snapshot();
  void store_coils(const coil_write& write);
  bool silent_too_long() const;

  std::mutex lock;  // guards the image and the watchdog
  image shared;
  double timeout_s;
  std::optional<std::chrono::steady_clock::time_point> last_coil_write;  // none before the first
  bool tripped = false;

  const client_limits limits;
  int listen_socket = -1;
  // Wakes the accepting thread: to stop, or to reap a client that has left.
  int wake_pipe[2] = {-1, -1};
  std::thread acceptor;
  // Guards the list (changed by the acceptor, then the destructor) and each
  // client's socket (closed by its own thread).
  std::mutex clients_lock;
  std::list<std::unique_ptr<client>> clients;
};
