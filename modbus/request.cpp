#include "modbus/request.h"

#include <modbus.h>

namespace {

int word_at(const uint8_t* p) { return p[0] << 8 | p[1]; }

}  // namespace

bool served_function(int function) {
  switch (function) {
    case MODBUS_FC_READ_COILS:
    case MODBUS_FC_READ_DISCRETE_INPUTS:
    case MODBUS_FC_READ_INPUT_REGISTERS:
    case MODBUS_FC_WRITE_SINGLE_COIL:
    case MODBUS_FC_WRITE_MULTIPLE_COILS:
      return true;
    default:
      return false;
  }
}

std::optional<coil_range> coil_write_range(const uint8_t* pdu, int pdu_length, int coil_count) {
  if (pdu_length < 5) return std::nullopt;
  int first = word_at(pdu + 1);
  if (pdu[0] == MODBUS_FC_WRITE_SINGLE_COIL) {
    // 0xFF00 sets, 0x0000 clears; libmodbus refuses any other value.
    int value = word_at(pdu + 3);
    bool valid = first < coil_count && (value == 0xFF00 || value == 0);
    return valid ? std::optional<coil_range>({first, 1}) : std::nullopt;
  }
  if (pdu[0] == MODBUS_FC_WRITE_MULTIPLE_COILS && pdu_length >= 6) {
    int count = word_at(pdu + 3);
    int bytes = pdu[5];
    bool valid = count >= 1 && count <= MODBUS_MAX_WRITE_BITS && bytes == (count + 7) / 8 &&
                 pdu_length >= 6 + bytes && first + count <= coil_count;
    return valid ? std::optional<coil_range>({first, count}) : std::nullopt;
  }
  return std::nullopt;
}
