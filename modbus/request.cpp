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

std::optional<coil_write> coil_write_of(const uint8_t* pdu, int pdu_length, int coil_count) {
  if (pdu_length < 5) return std::nullopt;
  int first = word_at(pdu + 1);
  if (pdu[0] == MODBUS_FC_WRITE_SINGLE_COIL) {
    // 0xFF00 sets, 0x0000 clears; libmodbus refuses any other value.
    int value = word_at(pdu + 3);
    if (first >= coil_count || (value != 0xFF00 && value != 0)) return std::nullopt;
    return coil_write{first, {value == 0xFF00}};
  }
  if (pdu[0] == MODBUS_FC_WRITE_MULTIPLE_COILS && pdu_length >= 6) {
    int count = word_at(pdu + 3);
    int bytes = pdu[5];
    bool valid = count >= 1 && count <= MODBUS_MAX_WRITE_BITS && bytes == (count + 7) / 8 &&
                 pdu_length >= 6 + bytes && first + count <= coil_count;
    if (!valid) return std::nullopt;
    coil_write w{first, std::vector<uint8_t>(count)};
    modbus_set_bits_from_bytes(w.values.data(), 0, count, pdu + 6);
    return w;
  }
  return std::nullopt;
}
