// The endpoint on 127.0.0.1 with libmodbus clients and misbehaving raw ones.
#include <gtest/gtest.h>

#include "modbus/modbus_endpoint.h"
#include "tests/modbus/modbus_client.h"
#include "tests/support/process.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
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

// ---------------------------------------------- clients that misbehave

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

// ---------------------------------------------------------------- watchdog

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
}

TEST(EndpointWatchdog, WithoutTimeoutSilenceKeepsTheOutputs) {
  int port = free_port();
  modbus_endpoint server("127.0.0.1", port, 0);
  test_client c(port);
  ASSERT_TRUE(c.connected());
  ASSERT_EQ(modbus_write_bit(c.get(), 2, 1), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(server.outputs()[2], 1);
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
