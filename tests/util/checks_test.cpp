#include <gtest/gtest.h>

#include "util/Stringpp.h"

#include <functional>
#include <vector>

namespace {
// Expects check to hold for every string of yes and for none of no.
void expect_check(const std::function<int(const std::string&)>& check,
                  const std::vector<std::string>& yes, const std::vector<std::string>& no) {
  for (const auto& s : yes) EXPECT_EQ(check(s), 1) << '"' << s << '"';
  for (const auto& s : no) EXPECT_EQ(check(s), 0) << '"' << s << '"';
}
}  // namespace

TEST(SyntaxChecks, Numbers) {
  expect_check(checkuint, {"0", "123"}, {"", "12a", "-1"});
  expect_check(checkint, {"12", "-12"}, {"", "-", "--1", "1-"});
  expect_check(beginbynumber, {"1a"}, {"", "a1"});
  expect_check(checkhex, {"", "09afAF"}, {"0g"});
  expect_check(checkhexintel, {"1Fh", "h"}, {"", "1FH", "1Gh"});
  expect_check(checkbin, {"", "0110"}, {"012"});
}

TEST(SyntaxChecks, CheckdoubleAcceptsWhatStodReadsInFull) {
  testing::internal::CaptureStderr();
  expect_check(checkdouble, {"3", "-0.5", ".5", "2.", "  -1.25"},
               {"", " ", "-", ".", "1.2.3", "1e5", "+1", "1 ", "- 1", "1,5"});
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SyntaxChecks, VariableNames) {
  expect_check(checkvarname, {"a", "a_1", "a__b"}, {"", "a_", "1a", "_a", "a-b"});
  expect_check(checkvarname_with_pre_underscore, {"_a", "b2"}, {"_", "2b"});
}

TEST(CharacterChecks, NameCharactersAndLatin1Letters) {
  for (char c : {'0', 'Z', 'z', '_', '@'}) EXPECT_EQ(est_lc(c), 1) << c;
  for (char c : {'-', ' ', '\xe9'}) EXPECT_EQ(est_lc(c), 0) << c;
  for (int k : {65, 122, 181, 192, 214, 217, 246, 249, 253, 255})
    EXPECT_EQ(check_ISO_8859_1_alphabetical_letter(char(k)), 1) << k;
  for (int k : {64, 91, 180, 191, 215, 216, 247, 248, 254})
    EXPECT_EQ(check_ISO_8859_1_alphabetical_letter(char(k)), 0) << k;
}

TEST(SearchChecks, ContainsTokenLooksOnlyAfterTheFirstOccurrence) {
  EXPECT_EQ(find("abcbc", "bc"), 1);
  EXPECT_EQ(find("abc", "x"), -1);
  const auto token_abc = [](const std::string& s) { return contains_token(s, "abc"); };
  expect_check(token_abc, {"x=abc+1", "abc", "xabc", "abc_", "abc\xf1"},
               {"ab", "abcd", "abc1 abc", "abc\xe9", "abc\x8c"});
}
