#include "tests/modbus/modbus_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

}  // namespace

int free_port() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = loopback(0);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  close(s);
  return ntohs(a.sin_port);
}

test_client::test_client(int port, int unit) : ctx(modbus_new_tcp("127.0.0.1", port)) {
  modbus_set_slave(ctx, unit);
  modbus_set_response_timeout(ctx, 2, 0);
  is_connected = modbus_connect(ctx) == 0;
}

test_client::~test_client() {
  modbus_close(ctx);
  modbus_free(ctx);
}

int raw_connection(int port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = loopback(port);
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(s);
    return -1;
  }
  return s;
}

std::vector<std::string> mbpoll_command(int port, const std::vector<std::string>& args,
                                        const std::string& value) {
  std::vector<std::string> argv = {
      "/usr/bin/mbpoll", "-m", "tcp", "-p", std::to_string(port), "-0", "-1", "-o", "2"};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back("127.0.0.1");
  // mbpoll takes the values to write after the host.
  if (!value.empty()) argv.push_back(value);
  return argv;
}
