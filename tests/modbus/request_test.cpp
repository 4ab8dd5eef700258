// What the endpoint reads in a request before libmodbus answers it, and the
// address on its command line: no socket involved.
#include <gtest/gtest.h>

#include "modbus/modbus_endpoint.h"
#include "modbus/request.h"

#include <modbus.h>

#include <vector>

namespace {

std::optional<coil_write> write_of(const std::vector<uint8_t>& pdu) {
  return coil_write_of(pdu.data(), static_cast<int>(pdu.size()), 14);
}

using values = std::vector<uint8_t>;

}  // namespace

TEST(CoilWrite, SingleCoilWithAValidValueInsideTheMap) {
  auto on = write_of({0x05, 0x00, 0x04, 0xFF, 0x00});
  ASSERT_TRUE(on);
  EXPECT_EQ(on->first, 4);
  EXPECT_EQ(on->values, values{1});
  auto last_off = write_of({0x05, 0x00, 0x0D, 0x00, 0x00});
  ASSERT_TRUE(last_off);
  EXPECT_EQ(last_off->first, 13);
  EXPECT_EQ(last_off->values, values{0});

  EXPECT_FALSE(write_of({0x05, 0x00, 0x0E, 0xFF, 0x00}));  // coil 14: past the map
  EXPECT_FALSE(write_of({0x05, 0x01, 0x00, 0xFF, 0x00}));  // coil 256
  EXPECT_FALSE(write_of({0x05, 0x00, 0x04, 0x00, 0x01}));  // neither on nor off
  EXPECT_FALSE(write_of({0x05, 0x00, 0x04, 0xFF}));        // cut short
}

TEST(CoilWrite, SeveralCoilsUnpackedLowBitFirst) {
  // 14 coils: 0xA5 = coils 0 2 5 7 on, 0x21 = coils 8 13 on.
  auto all = write_of({0x0F, 0x00, 0x00, 0x00, 0x0E, 0x02, 0xA5, 0x21});
  ASSERT_TRUE(all);
  EXPECT_EQ(all->first, 0);
  EXPECT_EQ(all->values, (values{1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 0, 0, 0, 1}));
  // Bits past the count in the last byte are ignored.
  auto tail = write_of({0x0F, 0x00, 0x0A, 0x00, 0x04, 0x01, 0xF6});
  ASSERT_TRUE(tail);
  EXPECT_EQ(tail->first, 10);
  EXPECT_EQ(tail->values, (values{0, 1, 1, 0}));
}

TEST(CoilWrite, SeveralCoilsNeedAMatchingByteCountAndToEndInsideTheMap) {
  EXPECT_FALSE(write_of({0x0F, 0x00, 0x0A, 0x00, 0x05, 0x01, 0x1F}));  // ends at coil 14
  EXPECT_FALSE(write_of({0x0F, 0x00, 0x00, 0x00, 0x00, 0x00}));        // no coil at all
  EXPECT_FALSE(write_of({0x0F, 0x00, 0x00, 0x00, 0x0E, 0x01, 0xFF}));  // 14 coils in 1 byte
  EXPECT_FALSE(write_of({0x0F, 0x00, 0x00, 0x00, 0x0E, 0x02, 0xFF}));  // a byte missing
}

TEST(Framing, HeaderLengthAnnouncesAPduOf1To253Bytes) {
  const std::vector<std::pair<int, int>> cases = {
      {0, -1}, {1, -1}, {2, 1}, {6, 5}, {254, 253}, {255, -1}, {0x0102, -1}, {0xFFFF, -1}};
  for (const auto& [length, pdu] : cases) {
    SCOPED_TRACE(length);
    const uint8_t header[7] = {0x12, 0x34, 0, 0, uint8_t(length >> 8), uint8_t(length), 1};
    EXPECT_EQ(pdu_length_of(header), pdu);
  }
}

TEST(ModbusAddress, PortAloneListensOnLoopback) {
  std::string host, error;
  int port = 0;
  ASSERT_TRUE(modbus_endpoint::parse_address("1502", host, port, error));
  EXPECT_EQ(host, "127.0.0.1");
  EXPECT_EQ(port, 1502);
  ASSERT_TRUE(modbus_endpoint::parse_address("0.0.0.0:65535", host, port, error));
  EXPECT_EQ(host, "0.0.0.0");
  EXPECT_EQ(port, 65535);
  ASSERT_TRUE(modbus_endpoint::parse_address("192.168.1.20:1", host, port, error));
  EXPECT_EQ(host, "192.168.1.20");
  EXPECT_EQ(port, 1);
}

TEST(ModbusAddress, MalformedAddressesAreRefusedWithTheArgumentQuoted) {
  for (const char* bad : {"", "0", "65536", "99999999999", "+1502", "15o2", "1502 ", "-1",
                          "127.0.0.1:", "127.0.0.1:0"}) {
    SCOPED_TRACE(bad);
    std::string host = "unchanged", error;
    int port = 7;
    EXPECT_FALSE(modbus_endpoint::parse_address(bad, host, port, error));
    EXPECT_EQ(error, "bad Modbus address '" + std::string(bad) +
                         "': the port must be a number from 1 to 65535");
    EXPECT_EQ(host, "unchanged");
    EXPECT_EQ(port, 7);
  }
  for (const char* bad : {":1502", "localhost:1502", "256.0.0.1:1502", "1.2.3:1502", "::1:1502"}) {
    SCOPED_TRACE(bad);
    std::string host, error;
    int port;
    EXPECT_FALSE(modbus_endpoint::parse_address(bad, host, port, error));
    EXPECT_EQ(error, "bad Modbus address '" + std::string(bad) +
                         "': the host must be an IPv4 address such as 127.0.0.1");
  }
}
