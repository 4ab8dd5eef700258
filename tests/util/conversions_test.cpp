#include <gtest/gtest.h>

#include "util/Stringpp.h"

#include <climits>
#include <cmath>
#include <memory>

TEST(DecimalToNumber, LenientDigitArithmetic) {
  EXPECT_EQ(Stol("-12"), -12);
  EXPECT_EQ(Stol(""), 0);
  EXPECT_EQ(Stol("-"), 0);
  EXPECT_EQ(Stoi("12a"), 169);
}

TEST(DecimalToNumber, ValuesBeyondTheResultWidthWrapAround) {
  EXPECT_EQ(Stoi("4294967297"), 1);
  EXPECT_EQ(Stoi("2147483648"), INT_MIN);
  EXPECT_EQ(Stol("9223372036854775808"), LONG_MIN);
  EXPECT_EQ(Stoll("-9223372036854775808"), LLONG_MIN);
}

TEST(DecimalToNumber, StodReadsDigitsAndSeparators) {
  EXPECT_DOUBLE_EQ(Stod(" -3,25", ','), -3.25);
  EXPECT_DOUBLE_EQ(Stod("12", '.'), 12);
  EXPECT_DOUBLE_EQ(Stod("1.2.3", '.'), 12.3);
  EXPECT_DOUBLE_EQ(Stod("2.5x7", '.'), 2.5);
  EXPECT_DOUBLE_EQ(Stod("1.", '.'), 1);
  EXPECT_EQ(Stod("   ", '.'), 0);
}

TEST(HexToNumber, EveryCharacterShifts) {
  EXPECT_EQ(Stouhex("1F"), 31);
  EXPECT_EQ(Stouhex("1G"), 16);
  EXPECT_EQ(Stouhex("100000001"), 1);
  EXPECT_EQ(Stoshex("F"), -1);
  EXPECT_EQ(Stoshex("7"), 7);
  EXPECT_EQ(Stoshex("FF"), -1);
  EXPECT_EQ(Stoshex("80"), -128);
  EXPECT_EQ(Stoshex("FFFFFFFF"), -1);
  EXPECT_EQ(Stoshex(""), 0);
}

TEST(HexToNumber, MarkersChooseHexOrDecimal) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(Stohex("1Fh", "h"), 31);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  testing::internal::CaptureStderr();
  EXPECT_EQ(Stohex("-42", "h"), -42);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Decimal Conversion -42\n");
  EXPECT_EQ(Stoloruhex("0x", "0x1F"), 31);
  EXPECT_EQ(Stoloruhex("0x", "7f0x10"), 16);
  EXPECT_EQ(Stoloruhex("0x", "25"), 25);
}

TEST(BinaryToNumber, UnsignedAndTwosComplement) {
  EXPECT_EQ(Stoubin("101"), 5u);
  EXPECT_EQ(Stosbin("11"), -1);
  EXPECT_EQ(Stosbin("10"), -2);
  EXPECT_EQ(Stosbin("1011"), -5);
  EXPECT_EQ(Stosbin("0101"), 5);
}

TEST(NumberToString, DecimalLetterAndBitForms) {
  EXPECT_EQ(long2S(-5), "-5");
  EXPECT_EQ(long2S(LONG_MIN), "-9223372036854775808");
  EXPECT_EQ(unslongbyS(0), "A");
  EXPECT_EQ(unslongbyS(9), "BB");
  EXPECT_EQ(unslongbyS(64), "BAA");
  EXPECT_EQ(bin8toS(5), "00000101");
  EXPECT_EQ(bin8toS(-128), "10000000");
  const std::unique_ptr<char[]> a(Stoa(std::string("ab\0c", 4)));
  EXPECT_EQ(std::string(a.get(), 5), std::string("ab\0c\0", 5));
}

TEST(NumberToString, HexDigitsFixedWidthTwosComplementWhenNegative) {
  EXPECT_EQ(hex1toS(26), "a");
  EXPECT_EQ(hex2toS(0x1ab), "ab");
  EXPECT_EQ(hex4toS(0x2a), "002a");
  EXPECT_EQ(hex8toS(0x123456789L), "23456789");
  EXPECT_EQ(hex1toS(-1), "f");
  EXPECT_EQ(hex4toS(INT_MIN), "0000");
  EXPECT_EQ(hex8toS(-2), "fffffffe");
}

TEST(NumberToString, DtoSRoundsExactHalfDown) {
  EXPECT_EQ(dtoS(2.5, 2), "2.50");
  EXPECT_EQ(dtoS(-0.125, 1), "-0.1");
  EXPECT_EQ(dtoS(0.999, 2), "1.00");
  EXPECT_EQ(dtoS(3.2, 0), "3.");
  EXPECT_EQ(dtoS(0.75, 1), "0.7");
  EXPECT_EQ(dtoS(0.76, 1), "0.8");
  EXPECT_EQ(dtoS(-9.96, 1), "-10.0");
}

TEST(NumberToString, DtoSOutsideItsBounds) {
  EXPECT_EQ(dtoS(1.5, -3), "1.");
  EXPECT_EQ(dtoS(0.123456789012, 12), "0.123456789");
  EXPECT_EQ(dtoS(1e20, 1), "100000000000000000000.0");
  EXPECT_EQ(dtoS(NAN, 2), "nan");
  EXPECT_EQ(dtoS(-INFINITY, 2), "-inf");
}

TEST(NumberToString, CharBeforeStringComesFirst) {
  const std::string s = "bc";
  EXPECT_EQ('a' + s, "abc");
}
