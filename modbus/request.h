// What a Modbus request asks of the map, read from its PDU (function code
// first) before libmodbus answers it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// The functions the map serves: read coils, read discrete inputs, read input
// registers, write one coil, write several coils. Every other one gets
// "illegal function".
bool served_function(int function);

struct coil_write {
  int first;
  std::vector<uint8_t> values;  // 0 or 1, for coils first, first + 1, ...
};

// The coils a request writes and their new values, when it is a well-formed
// write that lies inside coil_count coils (libmodbus then accepts it);
// nothing otherwise.
std::optional<coil_write> coil_write_of(const uint8_t* pdu, int pdu_length, int coil_count);
