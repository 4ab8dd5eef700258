// What a Modbus request asks of the map, read from its PDU (function code
// first), before or after libmodbus answers it.
#pragma once

#include <cstdint>
#include <optional>

// The functions the map serves: read coils, read discrete inputs, read input
// registers, write one coil, write several coils. Every other one gets
// "illegal function".
bool served_function(int function);

struct coil_range {
  int first;
  int count;
};

// The coils a request writes, when it is a well-formed write that lies
// inside coil_count coils (libmodbus then applies it); nothing otherwise.
std::optional<coil_range> coil_write_range(const uint8_t* pdu, int pdu_length, int coil_count);
