// The endpoint on 127.0.0.1 with libmodbus clients and misbehaving raw ones.
#include <gtest/gtest.h>

#include "modbus/modbus_endpoint.h"
#include "tests/modbus/modbus_client.h"
#include "tests/support/process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using outputs_t = std::array<int, 14>;

std::array<int, 23> inputs_with(std::initializer_list<int> set) {
  std::array<int, 23> values{};
  for (int i : set) values[i] = 1;
  return values;
}

class Endpoint : public ::testing::Test {
 protected:
  int port = free_port();
  modbus_endpoint server{"127.0.0.1", port, 0};
};

using bytes = std::vector<uint8_t>;

// A whole Modbus TCP frame: MBAP header (transaction, protocol 0, length,
// unit) and PDU.
bytes frame(int transaction, int unit, const bytes& pdu) {
  const size_t length = pdu.size() + 1;
  bytes f(7 + pdu.size());
  f[0] = uint8_t(transaction >> 8);
  f[1] = uint8_t(transaction);
  f[4] = uint8_t(length >> 8);
  f[5] = uint8_t(length);
  f[6] = uint8_t(unit);
  std::copy(pdu.begin(), pdu.end(), f.begin() + 7);
  return f;
}

bool send_all(int s, const bytes& data) {
  return send(s, data.data(), data.size(), MSG_NOSIGNAL) == ssize_t(data.size());
}

// The next frame the server sends on s, as its header's length says; empty
// when the connection ends or nothing comes within 2 s.
bytes next_frame(int s) {
  bytes f(7);
  auto read_exactly = [&](size_t from) {
    for (size_t got = from; got < f.size();) {
      pollfd p{s, POLLIN, 0};
      if (poll(&p, 1, 2000) != 1) return false;
      const ssize_t n = recv(s, f.data() + got, f.size() - got, 0);
      if (n <= 0) return false;
      got += size_t(n);
    }
    return true;
  };
  if (!read_exactly(0)) return {};
  f.resize(6 + (f[4] << 8 | f[5]));
  return read_exactly(7) ? f : bytes{};
}

// True when the server ends the connection within 2 s: s reads its end.
bool closed_by_server(int s) {
  pollfd p{s, POLLIN, 0};
  char byte;
  return poll(&p, 1, 2000) == 1 && recv(s, &byte, 1, 0) == 0;
}

const bytes read_input_17 = {0x02, 0x00, 0x11, 0x00, 0x01};

// The call failed with this Modbus exception (errno carries it).
testing::AssertionResult refused_with(int rc, int exception) {
  if (rc != -1) return testing::AssertionFailure() << "answered (" << rc << ")";
  if (errno != exception)
    return testing::AssertionFailure() << "failed with " << modbus_strerror(errno);
  return testing::AssertionSuccess();
}

}  // namespace

// ------------------------------------------------------------------ the map

TEST_F(Endpoint, DiscreteInputsAreThePublishedInputsInSignalOrder) {
  server.publish(inputs_with({0, 9, 17, 22}), 1, 200);
  test_client c(port);
  ASSERT_TRUE(c.connected());
  uint8_t bits[23];
  ASSERT_EQ(modbus_read_input_bits(c.get(), 0, 23, bits), 23);
  for (int i = 0; i < 23; ++i) EXPECT_EQ(bits[i], i == 0 || i == 9 || i == 17 || i == 22) << i;
  ASSERT_EQ(modbus_read_input_bits(c.get(), 17, 1, bits), 1);
  EXPECT_EQ(bits[0], 1);

  server.publish(inputs_with({}), 2, 200);
  ASSERT_EQ(modbus_read_input_bits(c.get(), 17, 1, bits), 1);
  EXPECT_EQ(bits[0], 0);
}

TEST_F(Endpoint, TurnCounterIsSplitLowWordFirstAndTurnsPerSecondFollows) {
  test_client c(port);
  ASSERT_TRUE(c.connected());
  uint16_t regs[3];
  server.publish(inputs_with({}), 0x89ABCDEF, 199);
  ASSERT_EQ(modbus_read_input_registers(c.get(), 0, 3, regs), 3);
  EXPECT_EQ(regs[0], 0xCDEF);
  EXPECT_EQ(regs[1], 0x89AB);
  EXPECT_EQ(regs[2], 199);
  server.publish(inputs_with({}), 70000, 0);
  ASSERT_EQ(modbus_read_input_registers(c.get(), 0, 2, regs), 2);
  EXPECT_EQ(regs[0], 70000 - 65536);
  EXPECT_EQ(regs[1], 1);
}

TEST_F(Endpoint, CoilsWrittenAreTheOutputsAndReadBack) {
  EXPECT_EQ(server.outputs(), outputs_t{});
  test_client c(port);
  ASSERT_TRUE(c.connected());
  ASSERT_EQ(modbus_write_bit(c.get(), 4, 1), 1);  // RENT
  const uint8_t jacks[3] = {1, 0, 1};
  ASSERT_EQ(modbus_write_bits(c.get(), 10, 3, jacks), 3);  // BZ1 BZ2 BZ3
  outputs_t expected{};
  expected[4] = expected[10] = expected[12] = 1;
  EXPECT_EQ(server.outputs(), expected);

  uint8_t coils[14];
  ASSERT_EQ(modbus_read_bits(c.get(), 0, 14, coils), 14);
  for (int i = 0; i < 14; ++i) EXPECT_EQ(coils[i], expected[i]) << i;

  ASSERT_EQ(modbus_write_bit(c.get(), 4, 0), 1);
  expected[4] = 0;
  EXPECT_EQ(server.outputs(), expected);
}

TEST_F(Endpoint, EveryUnitIdentifierIsAnswered) {
  server.publish(inputs_with({}), 42, 0);
  for (int unit : {0, 1, 17, 247, 255}) {
    SCOPED_TRACE(unit);
    test_client c(port, unit);
    ASSERT_TRUE(c.connected());
    uint16_t turn;
    ASSERT_EQ(modbus_read_input_registers(c.get(), 0, 1, &turn), 1) << modbus_strerror(errno);
    EXPECT_EQ(turn, 42);
  }
}

// ----------------------------------------------------------- the exceptions

TEST_F(Endpoint, ReadsPastTheMapGetIllegalDataAddress) {
  test_client c(port);
  ASSERT_TRUE(c.connected());
  uint8_t bits[32];
  uint16_t regs[8];
  EXPECT_TRUE(refused_with(modbus_read_input_bits(c.get(), 0, 24, bits), EMBXILADD));
  EXPECT_TRUE(refused_with(modbus_read_input_bits(c.get(), 23, 1, bits), EMBXILADD));
  EXPECT_TRUE(refused_with(modbus_read_bits(c.get(), 0, 15, bits), EMBXILADD));
  EXPECT_TRUE(refused_with(modbus_read_bits(c.get(), 14, 1, bits), EMBXILADD));
  EXPECT_TRUE(refused_with(modbus_read_input_registers(c.get(), 0, 4, regs), EMBXILADD));
  EXPECT_TRUE(refused_with(modbus_read_input_registers(c.get(), 3, 1, regs), EMBXILADD));
  // The connection still serves after the exceptions.
  EXPECT_EQ(modbus_read_input_bits(c.get(), 22, 1, bits), 1);
}

TEST_F(Endpoint, WritesPastTheMapGetIllegalDataAddressAndChangeNothing) {
  test_client c(port);
  ASSERT_TRUE(c.connected());
  const uint8_t ones[2] = {1, 1};
  EXPECT_TRUE(refused_with(modbus_write_bit(c.get(), 14, 1), EMBXILADD));
  EXPECT_TRUE(refused_with(modbus_write_bits(c.get(), 13, 2, ones), EMBXILADD));
  EXPECT_EQ(server.outputs(), outputs_t{});
}

TEST_F(Endpoint, FunctionsTheMapDoesNotServeGetIllegalFunction) {
  test_client c(port);
  ASSERT_TRUE(c.connected());
  uint16_t regs[2] = {1, 2};
  uint8_t id[64];
  EXPECT_TRUE(refused_with(modbus_read_registers(c.get(), 0, 1, regs), EMBXILFUN));
  EXPECT_TRUE(refused_with(modbus_write_register(c.get(), 0, 1), EMBXILFUN));
  EXPECT_TRUE(refused_with(modbus_write_registers(c.get(), 0, 2, regs), EMBXILFUN));
  EXPECT_TRUE(refused_with(modbus_mask_write_register(c.get(), 0, 1, 2), EMBXILFUN));
  EXPECT_TRUE(refused_with(modbus_report_slave_id(c.get(), sizeof id, id), EMBXILFUN));
  EXPECT_EQ(modbus_write_bit(c.get(), 0, 1), 1);
}

// Requests are framed by the header's length, whatever their function: one
// the map does not serve never eats into the next, which is answered with
// its own transaction id. HMIs ask for the device identification on
// connecting.
TEST_F(Endpoint, FunctionsNotServedGetIllegalFunctionAndTheNextRequestIsAnswered) {
  struct unserved {
    const char* what;
    bytes pdu;
    bytes answer;  // function code with the top bit set, exception 01
  };
  const std::vector<unserved> cases = {
      {"read device identification", {0x2B, 0x0E, 0x01, 0x00}, {0xAB, 0x01}},
      {"diagnostics, echo", {0x08, 0x00, 0x00, 0x12, 0x34}, {0x88, 0x01}},
      {"read file record", {0x14, 0x07, 0x06, 0x00, 0x04, 0x00, 0x01, 0x00, 0x02}, {0x94, 0x01}},
      {"function 0", {0x00}, {0x80, 0x01}},
      {"function 0x81", {0x81, 0x00, 0x00}, {0x81, 0x01}},
      {"function 0xFF", {0xFF, 0x01}, {0xFF, 0x01}},
  };
  server.publish(inputs_with({17}), 1, 200);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int s = raw_connection(port);
    ASSERT_GE(s, 0);
    bytes both = frame(0x1201, 5, c.pdu);
    bytes next = frame(0x1202, 5, read_input_17);
    both.insert(both.end(), next.begin(), next.end());
    ASSERT_TRUE(send_all(s, both));
    EXPECT_EQ(next_frame(s), frame(0x1201, 5, c.answer));
    EXPECT_EQ(next_frame(s), frame(0x1202, 5, {0x02, 0x01, 0x01}));
    close(s);
  }
}

// Each is answered at once, without libmodbus's half-second pause that
// throws away what the client sent meanwhile.
TEST_F(Endpoint, MalformedRequestsGetIllegalDataValueChangeNothingAndTheNextIsAnswered) {
  struct malformed {
    const char* what;
    bytes pdu;
  };
  const std::vector<malformed> cases = {
      {"3 coils written with 2 bytes", {0x0F, 0x00, 0x00, 0x00, 0x03, 0x02, 0x07, 0x00}},
      {"9 coils written with 1 byte", {0x0F, 0x00, 0x00, 0x00, 0x09, 0x01, 0xFF}},
      {"byte count past the frame", {0x0F, 0x00, 0x00, 0x00, 0x03, 0x01}},
      {"bytes past the byte count", {0x0F, 0x00, 0x00, 0x00, 0x03, 0x01, 0x07, 0x07}},
      {"no coil written", {0x0F, 0x00, 0x00, 0x00, 0x00, 0x00}},
      {"coil value neither on nor off", {0x05, 0x00, 0x04, 0x12, 0x34}},
      {"0 coils read", {0x01, 0x00, 0x00, 0x00, 0x00}},
      {"2001 inputs read", {0x02, 0x00, 0x00, 0x07, 0xD1}},
      {"126 registers read", {0x04, 0x00, 0x00, 0x00, 0x7E}},
      {"read cut short", {0x01, 0x00, 0x00, 0x00}},
      {"read with a byte too many", {0x01, 0x00, 0x00, 0x00, 0x01, 0x00}},
  };
  server.publish(inputs_with({17}), 1, 200);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int s = raw_connection(port);
    ASSERT_GE(s, 0);
    bytes both = frame(7, 1, c.pdu);
    bytes next = frame(8, 1, read_input_17);
    both.insert(both.end(), next.begin(), next.end());
    ASSERT_TRUE(send_all(s, both));
    EXPECT_EQ(next_frame(s), frame(7, 1, {uint8_t(c.pdu[0] | 0x80), 0x03}));
    EXPECT_EQ(next_frame(s), frame(8, 1, {0x02, 0x01, 0x01}));
    close(s);
  }
  EXPECT_EQ(server.outputs(), outputs_t{});
}

// ---------------------------------------------- clients that misbehave

// Its end of the connection is closed at once, not when the next client
// connects: nothing lingers half-closed, and the client sees the end.
TEST_F(Endpoint, ClientThatLeavesOrIsDroppedIsLetGoAtOnce) {
  struct leaving {
    const char* what;
    bytes sent;
    bool half_close;
  };
  const std::vector<leaving> cases = {
      {"leaves after a request", frame(1, 1, read_input_17), true},
      {"leaves mid-frame", {0x00, 0x01, 0x00}, true},
      {"length 0 in the header", {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}, false},
      {"length past any frame", {0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int s = raw_connection(port);
    ASSERT_GE(s, 0);
    ASSERT_TRUE(send_all(s, c.sent));
    if (c.half_close) shutdown(s, SHUT_WR);
    if (c.sent.size() > 7) {
      EXPECT_FALSE(next_frame(s).empty()) << "the request is answered first";
    }
    EXPECT_TRUE(closed_by_server(s));
    EXPECT_TRUE(wait_until([&] { return server.client_count() == 0; }, 2));
    close(s);
  }
}


TEST_F(Endpoint, GarbageFromOneClientLeavesTheOthersServed) {
  test_client before(port);
  ASSERT_TRUE(before.connected());
  int rogue = raw_connection(port);
  ASSERT_GE(rogue, 0);
  const char garbage[] = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n\xff\xff\x00\x01\x02";
  ASSERT_EQ(send(rogue, garbage, sizeof garbage, 0), static_cast<ssize_t>(sizeof garbage));

  uint8_t bit;
  EXPECT_EQ(modbus_read_input_bits(before.get(), 0, 1, &bit), 1);
  test_client after(port);
  ASSERT_TRUE(after.connected());
  EXPECT_EQ(modbus_write_bit(after.get(), 2, 1), 1);
  EXPECT_EQ(server.outputs()[2], 1);
  close(rogue);
}

TEST_F(Endpoint, ClientLeavingMidFrameLeavesTheOthersServed) {
  test_client other(port);
  ASSERT_TRUE(other.connected());
  int leaving = raw_connection(port);
  ASSERT_GE(leaving, 0);
  // The first five bytes of "write coil 4 on": the frame never completes.
  const uint8_t half[] = {0x00, 0x01, 0x00, 0x00, 0x00};
  ASSERT_EQ(send(leaving, half, sizeof half, 0), 5);
  close(leaving);

  uint8_t bit;
  EXPECT_EQ(modbus_read_bits(other.get(), 4, 1, &bit), 1);
  EXPECT_EQ(bit, 0);
  test_client next(port);
  ASSERT_TRUE(next.connected());
  EXPECT_EQ(modbus_read_bits(next.get(), 4, 1, &bit), 1);
}

// Their connections are reset under the requests still queued: each ends
// its own thread only.
TEST_F(Endpoint, ClientsLeavingWithRequestsUnansweredLeaveTheOthersServed) {
  // Two "read discrete inputs 0-22" requests in one segment.
  const uint8_t requests[] = {0x00, 0x01, 0x00, 0x00, 0x00, 0x06, 0x01, 0x02,
                              0x00, 0x00, 0x00, 0x17, 0x00, 0x02, 0x00, 0x00,
                              0x00, 0x06, 0x01, 0x02, 0x00, 0x00, 0x00, 0x17};
  for (int i = 0; i < 20; ++i) {
    int gone = raw_connection(port);
    ASSERT_GE(gone, 0);
    ASSERT_EQ(send(gone, requests, sizeof requests, 0), static_cast<ssize_t>(sizeof requests));
    close(gone);
  }
  test_client other(port);
  ASSERT_TRUE(other.connected());
  uint8_t bits[23];
  EXPECT_EQ(modbus_read_input_bits(other.get(), 0, 23, bits), 23);
}

// A client that sends a long frame a byte at a time holds its own thread for
// seconds; a server answering one client at a time would make the others
// miss their 2 s answer timeout meanwhile.
TEST_F(Endpoint, ClientTricklingAFrameDoesNotHoldTheOthersUp) {
  int slow = raw_connection(port);
  ASSERT_GE(slow, 0);
  // Header of "write 1968 coils from 0": 246 data bytes follow.
  const uint8_t header[] = {0x00, 0x07, 0x00, 0x00, 0x00, 0xFD, 0x01,
                            0x0F, 0x00, 0x00, 0x07, 0xB0, 0xF6};
  ASSERT_EQ(send(slow, header, sizeof header, 0), static_cast<ssize_t>(sizeof header));
  std::atomic<bool> stop{false};
  std::thread trickle([&] {
    const uint8_t byte = 0;
    for (int i = 0; i < 40 && !stop; ++i) {
      send(slow, &byte, 1, MSG_NOSIGNAL);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });

  test_client other(port);
  ASSERT_TRUE(other.connected());
  int answered = 0;
  for (int i = 0; i < 10; ++i) {
    uint8_t bits[23];
    answered += modbus_read_input_bits(other.get(), 0, 23, bits) == 23;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  stop = true;
  trickle.join();
  close(slow);
  EXPECT_EQ(answered, 10);
}

TEST_F(Endpoint, EightClientsPollingAtOnceAreAllAnswered) {
  constexpr int clients = 8, rounds = 200;
  std::atomic<int> answered{0};
  std::vector<std::thread> threads;
  server.publish(inputs_with({17}), 5, 200);
  for (int k = 0; k < clients; ++k) {
    threads.emplace_back([&, k] {
      test_client c(port);
      if (!c.connected()) return;
      for (int r = 0; r < rounds; ++r) {
        uint8_t bits[23], mine;
        // Each client owns coil k, finds it as it wrote it (writes to other
        // coils never undo it) and leaves it on after the last round.
        bool ok = modbus_read_input_bits(c.get(), 0, 23, bits) == 23 && bits[17] == 1 &&
                  modbus_write_bit(c.get(), k, r % 2 == 1) == 1 &&
                  modbus_read_bits(c.get(), k, 1, &mine) == 1 && mine == r % 2;
        answered += ok;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(answered, clients * rounds);
  outputs_t expected{};
  for (int k = 0; k < clients; ++k) expected[k] = 1;
  EXPECT_EQ(server.outputs(), expected);
}

// --------------------------------------------------------- many clients

TEST(EndpointClients, ClientConnectingWhenAllPlacesAreTakenGetsInAndTheLongestSilentGoes) {
  int port = free_port();
  modbus_endpoint server("127.0.0.1", port, 0);  // the default: 32 clients
  std::vector<std::unique_ptr<test_client>> clients;
  uint8_t bit;
  // Each asks once, in turn: the first is the one silent the longest.
  for (int k = 0; k < 32; ++k) {
    clients.push_back(std::make_unique<test_client>(port));
    ASSERT_TRUE(clients.back()->connected());
    ASSERT_EQ(modbus_read_bits(clients.back()->get(), 0, 1, &bit), 1) << k;
  }
  EXPECT_EQ(server.client_count(), 32);
  test_client plc(port);
  ASSERT_TRUE(plc.connected());
  EXPECT_EQ(modbus_write_bit(plc.get(), 3, 1), 1);
  EXPECT_EQ(server.outputs()[3], 1);
  EXPECT_EQ(modbus_read_bits(clients[0]->get(), 0, 1, &bit), -1);
  for (int k = 1; k < 32; ++k) EXPECT_EQ(modbus_read_bits(clients[k]->get(), 3, 1, &bit), 1) << k;
  EXPECT_TRUE(wait_until([&] { return server.client_count() == 32; }, 2));
}

TEST(EndpointClients, ClientSilentPastTheIdleLimitIsClosedAndOneThatKeepsAskingStays) {
  int port = free_port();
  modbus_endpoint server("127.0.0.1", port, 0, client_limits{4, 0.5});
  int silent = raw_connection(port);
  ASSERT_GE(silent, 0);
  test_client asking(port);
  ASSERT_TRUE(asking.connected());
  int answered = 0;
  for (int k = 0; k < 12; ++k) {
    uint8_t bit;
    answered += modbus_read_bits(asking.get(), 0, 1, &bit) == 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(answered, 12);
  EXPECT_TRUE(closed_by_server(silent));
  EXPECT_EQ(server.client_count(), 1);
  close(silent);
}

// A burst of connections larger than a small listen queue: none has its
// connection request dropped, which the kernel would only retry a second
// later.
TEST(EndpointClients, ThousandConnectionsAtOnceAreAllEstablishedWithoutARetry) {
  constexpr int count = 1000;
  rlimit files;
  getrlimit(RLIMIT_NOFILE, &files);
  if (files.rlim_cur < 2 * count) {
    files.rlim_cur = std::min<rlim_t>(files.rlim_max, 2 * count);
    setrlimit(RLIMIT_NOFILE, &files);
  }
  int port = free_port();
  modbus_endpoint server("127.0.0.1", port, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::vector<pollfd> sockets;
  const auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < count; ++k) {
    int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(s, 0) << k;
    connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    sockets.push_back({s, POLLOUT, 0});
  }
  int established = 0;
  for (auto& p : sockets) {
    int error = -1;
    socklen_t size = sizeof error;
    if (poll(&p, 1, 5000) == 1) getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &size);
    established += error == 0;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(established, count);
  EXPECT_LT(took.count(), 1.0) << "a connection request was dropped and retried";
  for (auto& p : sockets) close(p.fd);
  test_client after(port);
  ASSERT_TRUE(after.connected());
  uint8_t bit;
  EXPECT_EQ(modbus_read_bits(after.get(), 0, 1, &bit), 1);
}

// ---------------------------------------------------------------- watchdog

TEST(EndpointWatchdog, SaysNothingAndHoldsNothingBeforeTheFirstCoilWrite) {
  int port = free_port();
  modbus_endpoint server("127.0.0.1", port, 0.2);
  test_client c(port);
  ASSERT_TRUE(c.connected());
  testing::internal::CaptureStderr();
  for (int k = 0; k < 10; ++k) {
    uint8_t coils[14];
    modbus_read_bits(c.get(), 0, 14, coils);
    server.outputs();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(server.watchdog(), modbus_endpoint::watchdog_state::waiting_first_write);
  ASSERT_EQ(modbus_write_bit(c.get(), 6, 1), 1);
  EXPECT_EQ(server.watchdog(), modbus_endpoint::watchdog_state::fed);
  EXPECT_EQ(server.outputs()[6], 1);
}


TEST(EndpointWatchdog, SilenceZeroesTheOutputsOnceAndTheNextWriteRestoresThemAll) {
  int port = free_port();
  modbus_endpoint server("127.0.0.1", port, 0.3);
  test_client c(port);
  ASSERT_TRUE(c.connected());
  const uint8_t belts[3] = {0, 1, 1};  // MTA MT
  ASSERT_EQ(modbus_write_bits(c.get(), 0, 3, belts), 3);
  outputs_t expected{};
  expected[1] = expected[2] = 1;
  EXPECT_EQ(server.outputs(), expected);

  testing::internal::CaptureStderr();
  // Reads are not writes: they do not keep the outputs alive.
  uint8_t coils[14];
  bool tripped = wait_until(
      [&] {
        modbus_read_bits(c.get(), 0, 14, coils);
        return server.outputs() == outputs_t{};
      },
      10);
  server.outputs();
  EXPECT_EQ(server.watchdog(), modbus_endpoint::watchdog_state::tripped);
  // A refused write does not count either.
  EXPECT_TRUE(refused_with(modbus_write_bit(c.get(), 14, 1), EMBXILADD));
  EXPECT_EQ(server.outputs(), outputs_t{});
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(tripped);
  EXPECT_EQ(err,
            "modbus: no coil written for 0.3 s: every output held at 0 until the next write\n");

  // The coils kept what the client wrote.
  ASSERT_EQ(modbus_read_bits(c.get(), 0, 3, coils), 3);
  EXPECT_EQ(coils[1], 1);
  EXPECT_EQ(coils[2], 1);
  // One write to another coil, and all of them count again.
  ASSERT_EQ(modbus_write_bit(c.get(), 4, 1), 1);
  expected[4] = 1;
  EXPECT_EQ(server.outputs(), expected);
  EXPECT_EQ(server.watchdog(), modbus_endpoint::watchdog_state::fed);
}

TEST(EndpointWatchdog, WithoutTimeoutSilenceKeepsTheOutputs) {
  int port = free_port();
  modbus_endpoint server("127.0.0.1", port, 0);
  test_client c(port);
  ASSERT_TRUE(c.connected());
  ASSERT_EQ(modbus_write_bit(c.get(), 2, 1), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(server.outputs()[2], 1);
  EXPECT_EQ(server.watchdog(), modbus_endpoint::watchdog_state::off);
}

// ------------------------------------------------------------- lifecycle

TEST(EndpointLifecycle, PortAlreadyInUseIsSaidInOneLine) {
  int port = free_port();
  modbus_endpoint first("127.0.0.1", port, 0);
  try {
    modbus_endpoint second("127.0.0.1", port, 0);
    FAIL() << "a second endpoint listens on the same port";
  } catch (const std::runtime_error& e) {
    std::string message = e.what();
    EXPECT_EQ(message, "modbus: cannot listen on 127.0.0.1:" + std::to_string(port) +
                           ": Address already in use");
  }
}

TEST(EndpointLifecycle, PortsOutsideTheRangeAreRefused) {
  EXPECT_THROW(modbus_endpoint("127.0.0.1", 0, 0), std::runtime_error);
  EXPECT_THROW(modbus_endpoint("127.0.0.1", 65536, 0), std::runtime_error);
}

TEST(EndpointLifecycle, DestroyingItDropsItsClientsAndFreesThePort) {
  int port = free_port();
  auto server = std::make_unique<modbus_endpoint>("127.0.0.1", port, 0);
  test_client c(port);
  ASSERT_TRUE(c.connected());
  uint8_t bit;
  ASSERT_EQ(modbus_read_bits(c.get(), 0, 1, &bit), 1);
  server.reset();
  EXPECT_EQ(modbus_read_bits(c.get(), 0, 1, &bit), -1);
  EXPECT_LT(raw_connection(port), 0);
  // The port is free at once for the next run.
  modbus_endpoint again("127.0.0.1", port, 0);
  test_client d(port);
  EXPECT_TRUE(d.connected());
}
