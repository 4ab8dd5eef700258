// What a Modbus TCP request is and asks of the map, read from its bytes
// before libmodbus answers it: the frame's length from its MBAP header, the
// exception a request gets without reaching the map, and the coils it writes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The MBAP header before every PDU: transaction id, protocol id, length of
// what follows it (unit identifier and PDU), unit identifier.
constexpr int mbap_header_length = 7;

// The PDU's length (function code included) that the header announces, or
// -1 when its length field is outside 2..254: not a Modbus TCP frame.
int pdu_length_of(const uint8_t* header);

// The functions the map serves: read coils, read discrete inputs, read input
// registers, write one coil, write several coils. Every other one gets
// "illegal function".
bool served_function(int function);

// The exception code a request gets before libmodbus sees it, or 0:
// 1 (illegal function) for a function the map does not serve, 3 (illegal
// data value) for a served one whose length, quantity, byte count or coil
// value is not what the protocol allows. Addresses are libmodbus's to check.
int refusal_of(const uint8_t* pdu, int pdu_length);

// The exception answer to a whole frame (header and PDU): the request's
// transaction id and unit, its function code with the top bit set.
std::array<uint8_t, mbap_header_length + 2> exception_answer(const uint8_t* frame, int code);

struct coil_write {
  int first;
  std::vector<uint8_t> values;  // 0 or 1, for coils first, first + 1, ...
};

// The coils a request writes and their new values, when it is a well-formed
// write that lies inside coil_count coils (libmodbus then accepts it);
// nothing otherwise.
std::optional<coil_write> coil_write_of(const uint8_t* pdu, int pdu_length, int coil_count);
