#include "modbus/request.h"

#include <modbus.h>

namespace {

int word_at(const uint8_t* p) { return p[0] << 8 | p[1]; }

constexpr int illegal_function = MODBUS_EXCEPTION_ILLEGAL_FUNCTION;
constexpr int illegal_data_value = MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;

// Function code, address, quantity (or value): every served request but the
// write of several coils is exactly this long.
constexpr int fixed_pdu_length = 5;

// A write of several coils whose length, quantity and byte count agree.
bool coherent_coils_write(const uint8_t* pdu, int pdu_length) {
  if (pdu_length < fixed_pdu_length + 1) return false;
  const int count = word_at(pdu + 3);
  const int bytes = pdu[5];
  return count >= 1 && count <= MODBUS_MAX_WRITE_BITS && bytes == (count + 7) / 8 &&
         pdu_length == fixed_pdu_length + 1 + bytes;
}

}  // namespace

int pdu_length_of(const uint8_t* header) {
  // The length counts the unit identifier; a PDU holds 1 to 253 bytes.
  const int length = word_at(header + 4);
  return length >= 2 && length <= 254 ? length - 1 : -1;
}

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

// libmodbus would answer a bad quantity too, but only after sleeping half a
// second and throwing away whatever the client had sent meanwhile.
int refusal_of(const uint8_t* pdu, int pdu_length) {
  const int function = pdu[0];
  if (!served_function(function)) return illegal_function;
  if (function == MODBUS_FC_WRITE_MULTIPLE_COILS)
    return coherent_coils_write(pdu, pdu_length) ? 0 : illegal_data_value;
  if (pdu_length != fixed_pdu_length) return illegal_data_value;
  const int quantity = word_at(pdu + 3);
  switch (function) {
    case MODBUS_FC_READ_COILS:
    case MODBUS_FC_READ_DISCRETE_INPUTS:
      return quantity >= 1 && quantity <= MODBUS_MAX_READ_BITS ? 0 : illegal_data_value;
    case MODBUS_FC_READ_INPUT_REGISTERS:
      return quantity >= 1 && quantity <= MODBUS_MAX_READ_REGISTERS ? 0 : illegal_data_value;
    default:  // one coil: 0xFF00 sets, 0x0000 clears
      return quantity == 0xFF00 || quantity == 0 ? 0 : illegal_data_value;
  }
}

std::array<uint8_t, mbap_header_length + 2> exception_answer(const uint8_t* frame, int code) {
  const uint8_t function = frame[mbap_header_length];
  // 0x80 and above already carry the top bit: set, never added, so that
  // the code does not wrap round to another function's.
  return {frame[0], frame[1], 0, 0, 0, 3, frame[6], uint8_t(function | 0x80), uint8_t(code)};
}

std::optional<coil_write> coil_write_of(const uint8_t* pdu, int pdu_length, int coil_count) {
  if (refusal_of(pdu, pdu_length) != 0) return std::nullopt;
  const int first = word_at(pdu + 1);
  if (pdu[0] == MODBUS_FC_WRITE_SINGLE_COIL) {
    if (first >= coil_count) return std::nullopt;
    return coil_write{first, {word_at(pdu + 3) == 0xFF00}};
  }
  if (pdu[0] == MODBUS_FC_WRITE_MULTIPLE_COILS) {
    const int count = word_at(pdu + 3);
    if (first + count > coil_count) return std::nullopt;
    coil_write w{first, std::vector<uint8_t>(count)};
    modbus_set_bits_from_bytes(w.values.data(), 0, count, pdu + 6);
    return w;
  }
  return std::nullopt;
}
