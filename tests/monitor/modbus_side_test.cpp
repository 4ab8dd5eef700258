// The line the monitor's window gives on its Modbus server: the clients
// connected and the watchdog's state, as they change.
#include <gtest/gtest.h>

#include "monitor/modbus_side.h"
#include "tests/modbus/modbus_client.h"
#include "tests/support/process.h"

#include <memory>

TEST(ModbusSideStatus, CountsTheClientsAndFollowsTheWatchdog) {
  const int port = free_port();
  modbus_side side("127.0.0.1", port, 0.3, client_limits{});
  EXPECT_EQ(side.status(), "clients: 0    watchdog 0.3 s: armed at the first coil write");
  auto first = std::make_unique<test_client>(port);
  test_client second(port);
  ASSERT_TRUE(first->connected() && second.connected());
  EXPECT_TRUE(wait_until([&] { return side.status().rfind("clients: 2 ", 0) == 0; }, 2))
      << side.status();
  ASSERT_EQ(modbus_write_bit(second.get(), 1, 1), 1);
  EXPECT_EQ(side.status(), "clients: 2    watchdog 0.3 s: coils written in time");
  first.reset();
  EXPECT_TRUE(wait_until(
      [&] { return side.status() == "clients: 1    watchdog 0.3 s: tripped, every output at 0"; },
      5))
      << side.status();
}

TEST(ModbusSideStatus, SaysSoWhenThereIsNoWatchdog) {
  const int port = free_port();
  modbus_side side("127.0.0.1", port, 0, client_limits{});
  EXPECT_EQ(side.status(), "clients: 0    no watchdog");
}
