// The vocabulary of the exchange with the controller: 23 inputs (sensors and
// push-buttons) and 14 outputs (actuator commands), by name and by index.
#pragma once

#include <cstdint>
#include <list>
#include <string>

constexpr int input_signal_count = 23;
constexpr int output_signal_count = 14;
constexpr int signal_name_field = 37;

// Rows 0 to 22 are the inputs, rows 23 to 36 the outputs, in index order.
extern const char table_signaux[input_signal_count + output_signal_count][signal_name_field];

// Output values read in the current turn, by output index; all 0 before the
// first read. An output is on when its value is exactly 1.
extern int32_t actionneur[output_signal_count];

// Input indices.
namespace in {
enum : int {
  b1s, b1e, b2e, b2s, b3e, b3s, p1ok, p2ok, p3ok, te, ts, vh, vb, ph, pb, pp,
  vide, dc, ac, atu, timer10t, init, colle
};
}

// Output indices.
namespace out {
enum : int {
  DEPOSE, MTA, MT, ASPI, RENT, SORT, DESV, MONV, DESP, MONP, BZ1, BZ2, BZ3, TIMER10
};
}

// The names handed to the exchange area, in index order.
std::list<std::string> input_name_list();
std::list<std::string> output_name_list();
