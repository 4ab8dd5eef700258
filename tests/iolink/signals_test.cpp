#include <gtest/gtest.h>

#include "iolink/signals.h"

#include <cstring>
#include <vector>

TEST(SignalTable, InputsAreTheTwentyThreeNamesInIndexOrder) {
  auto list = input_name_list();
  std::vector<std::string> names(list.begin(), list.end());
  const std::vector<std::string> expected = {
      "b1s", "b1e", "b2e", "b2s", "b3e", "b3s", "p1ok", "p2ok", "p3ok", "te", "ts", "vh",
      "vb",  "ph",  "pb",  "pp",  "vide", "dc", "ac",   "atu",  "timer10t", "init", "colle"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(names[in::timer10t], "timer10t");
  EXPECT_EQ(names[in::colle], "colle");
  EXPECT_EQ(names[in::vide], "vide");
}

TEST(SignalTable, OutputsAreTheFourteenNamesInIndexOrder) {
  auto list = output_name_list();
  std::vector<std::string> names(list.begin(), list.end());
  const std::vector<std::string> expected = {"DEPOSE", "MTA",  "MT",   "ASPI", "RENT",
                                             "SORT",   "DESV", "MONV", "DESP", "MONP",
                                             "BZ1",    "BZ2",  "BZ3",  "TIMER10"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(names[out::TIMER10], "TIMER10");
  EXPECT_EQ(names[out::ASPI], "ASPI");
}

TEST(SignalTable, RowsAreZeroPaddedFieldsOfThirtySevenBytes) {
  for (const auto& row : table_signaux) {
    size_t len = std::strlen(row);
    EXPECT_LE(len, 8u);
    for (size_t i = len; i < signal_name_field; ++i) EXPECT_EQ(row[i], '\0') << row;
  }
}

TEST(SignalTable, ActuatorsStartOff) {
  for (int32_t v : actionneur) EXPECT_EQ(v, 0);
}
