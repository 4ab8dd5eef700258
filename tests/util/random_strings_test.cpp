#include <gtest/gtest.h>

#include "util/Stringpp.h"

#include <cstdlib>
#include <random>

// Property checks over random strings (fixed seed). Under the sanitizers
// they also show that nothing reads out of bounds or overflows.
namespace {

// Random strings over an alphabet; "" stands for all 256 byte values.
class RandomStrings {
 public:
  explicit RandomStrings(std::string alphabet) : alphabet_(std::move(alphabet)) {}
  std::string next(std::size_t max_length) {
    std::string s(rng_() % (max_length + 1), '\0');
    for (char& c : s)
      c = alphabet_.empty() ? char(rng_() % 256) : alphabet_[rng_() % alphabet_.size()];
    return s;
  }

 private:
  std::string alphabet_;
  std::mt19937 rng_{20240611};
};

const int kCount = 2000;

// A cut record joins back into s; without a cut, it is s and rest is empty.
void expect_reassembles(const std::string& s, bool cut, const std::string& head,
                        char sep, const std::string& rest) {
  EXPECT_EQ(cut ? head + sep + rest : head, s);
  if (!cut) {
    EXPECT_EQ(rest, "");
  }
}

}  // namespace

TEST(RandomStrings, RecordsReassembleTheirInput) {
  RandomStrings bytes("");
  for (int i = 0; i < kCount; ++i) {
    const std::string s = bytes.next(40);
    // A byte of s itself half of the time, so that most strings are cut.
    const char sep = i % 2 || s.empty() ? '/' : s[s.size() / 2];
    const bool cut = s.find(sep) != std::string::npos;
    std::string rest;
    std::string head = next_record(s, sep, rest);
    expect_reassembles(s, cut, head, sep, rest);
    head = last_record(s, sep, rest);
    expect_reassembles(s, cut, head, sep, rest);
    EXPECT_EQ(rest.find(sep), std::string::npos);
    char found = 0;
    head = next_record(s, "/;", rest, found);
    expect_reassembles(s, s.find_first_of("/;") != std::string::npos, head, found, rest);
  }
}

TEST(RandomStrings, TokensConsumeTheInputStepByStep) {
  RandomStrings text(" ab_1+(\xe9");
  for (int i = 0; i < kCount; ++i) {
    std::string rest = text.next(30);
    while (!rest.empty()) {
      const std::string before = rest;
      const std::string token = next_Stringtoken(before, ' ', &rest);
      ASSERT_LT(rest.size(), before.size());
      // The token ends right where the rest begins.
      const std::string consumed = before.substr(0, before.size() - rest.size());
      ASSERT_GE(consumed.size(), token.size());
      EXPECT_EQ(consumed.substr(consumed.size() - token.size()), token);
    }
  }
}

TEST(RandomStrings, EditingAndChecksStayConsistent) {
  RandomStrings bytes("");
  RandomStrings digits("0189aF-h ");
  for (int i = 0; i < kCount; ++i) {
    const std::string s = i % 2 ? bytes.next(40) : digits.next(12);
    std::string ascii;
    for (char c : s)
      if (static_cast<unsigned char>(c) < 128) ascii += c;
    EXPECT_EQ(downcase(upcase(s)), downcase(ascii));
    const std::string trimmed = cancel_begin_end_spaces(s);
    EXPECT_EQ(cancel_begin_end_spaces(" " + trimmed + " "), trimmed);
    const std::string piece = my_at(s, i % 7 - 2, i % 11);
    EXPECT_NE(s.find(piece), std::string::npos);
    EXPECT_EQ(substitute_string(s, piece, piece), s);
    EXPECT_EQ(substitute_token(s, piece, piece), s);
    EXPECT_EQ(s.rfind(supress_filename_extension(s), 0), 0u);
    // Both wrap around, so the 32-bit result is the low half of the long one.
    EXPECT_EQ(Stoi(s), static_cast<int>(Stol(s)));
    if (checkint(s) && s.size() < 19) {
      EXPECT_EQ(Stol(s), std::strtol(s.c_str(), nullptr, 10)) << s;
    }
    if (checkhexintel(s)) {
      EXPECT_TRUE(checkhex(s.substr(0, s.size() - 1)));
    }
  }
}

TEST(RandomStrings, CheckdoubleMatchesAFullStrtodRead) {
  RandomStrings numbers(" -.0123456789");
  for (int i = 0; i < kCount; ++i) {
    const std::string s = numbers.next(12);
    char* end = nullptr;
    const double expected = std::strtod(s.c_str(), &end);
    const bool read_in_full = end != s.c_str() && *end == '\0';
    ASSERT_EQ(checkdouble(s), read_in_full ? 1 : 0) << '"' << s << '"';
    if (read_in_full) {
      EXPECT_EQ(Stod(s, '.'), expected) << s;
    }
  }
}

TEST(RandomStrings, RelativePathsAlwaysEnd) {
  RandomStrings paths("ab/.");
  testing::internal::CaptureStderr();
  for (int i = 0; i < kCount; ++i) relative_directory_path(paths.next(10), paths.next(10) + "a");
  // Each call ends with exactly one result line.
  const std::string log = "\n" + testing::internal::GetCapturedStderr();
  int results = 0;
  for (auto p = log.find("\n--> "); p != std::string::npos; p = log.find("\n--> ", p + 1))
    ++results;
  EXPECT_EQ(results, kCount);
}
