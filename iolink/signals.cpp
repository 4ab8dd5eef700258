#include "iolink/signals.h"

const char table_signaux[input_signal_count + output_signal_count][signal_name_field] = {
    "b1s",    "b1e",  "b2e",  "b2s",  "b3e",  "b3s",  "p1ok",     "p2ok",
    "p3ok",   "te",   "ts",   "vh",   "vb",   "ph",   "pb",       "pp",
    "vide",   "dc",   "ac",   "atu",  "timer10t", "init", "colle",
    "DEPOSE", "MTA",  "MT",   "ASPI", "RENT", "SORT", "DESV",     "MONV",
    "DESP",   "MONP", "BZ1",  "BZ2",  "BZ3",  "TIMER10"};

int32_t actionneur[output_signal_count] = {};

std::list<std::string> input_name_list() {
  std::list<std::string> names;
  for (int row = 0; row < input_signal_count; ++row) names.emplace_back(table_signaux[row]);
  return names;
}

std::list<std::string> output_name_list() {
  std::list<std::string> names;
  for (int row = input_signal_count; row < input_signal_count + output_signal_count; ++row)
    names.emplace_back(table_signaux[row]);
  return names;
}
