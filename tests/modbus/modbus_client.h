// Clients of the Modbus endpoint for the tests: libmodbus on 127.0.0.1 and
// raw sockets for the clients that misbehave.
#pragma once

#include <modbus.h>

#include <string>
#include <vector>

// A port nobody listens on right now.
int free_port();

// A libmodbus client connected to 127.0.0.1:port (connected() tells), with
// a 2 s answer timeout so that a missing answer fails instead of hanging.
class test_client {
 public:
  explicit test_client(int port, int unit = 1);
  ~test_client();
  test_client(const test_client&) = delete;
  test_client& operator=(const test_client&) = delete;

  bool connected() const { return is_connected; }
  modbus_t* get() const { return ctx; }

 private:
  modbus_t* ctx;
  bool is_connected;
};

// A plain TCP connection to 127.0.0.1:port; -1 on failure.
int raw_connection(int port);

// The command line of one mbpoll request to 127.0.0.1:port (PDU addresses,
// once, 2 s timeout): a read, or a write of value when one is given.
std::vector<std::string> mbpoll_command(int port, const std::vector<std::string>& args,
                                        const std::string& value = "");
