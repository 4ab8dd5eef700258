#include <gtest/gtest.h>

#include "util/Stringpp.h"

namespace {
// The record and the rest, as one pair to compare.
using Cut = std::pair<std::string, std::string>;
Cut next_cut(const std::string& s, char sep) {
  std::string rest = "junk";
  std::string head = next_record(s, sep, rest);
  return {head, rest};
}
Cut last_cut(const std::string& s, char sep) {
  std::string rest = "junk";
  std::string head = last_record(s, sep, rest);
  return {head, rest};
}
Cut token(const std::string& s, char sep) {
  std::string rest = "junk";
  std::string head = next_Stringtoken(s, sep, &rest);
  return {head, rest};
}
}  // namespace

TEST(Records, CutAtTheFirstOrLastSeparator) {
  EXPECT_EQ(next_cut("a,b,c", ','), Cut("a", "b,c"));
  EXPECT_EQ(next_cut("a,", ','), Cut("a", ""));
  EXPECT_EQ(next_cut("abc", ','), Cut("abc", ""));
  EXPECT_EQ(next_cut("", ','), Cut("", ""));
  EXPECT_EQ(last_cut("a/b/c", '/'), Cut("a/b", "c"));
  EXPECT_EQ(last_cut("/c", '/'), Cut("", "c"));
  EXPECT_EQ(last_cut("abc", '/'), Cut("abc", ""));
}

TEST(Records, RestMayBeTheInputItself) {
  std::string s = "a,b,c";
  EXPECT_EQ(next_record(s, ',', s), "a");
  EXPECT_EQ(s, "b,c");
  EXPECT_EQ(last_record(s, ',', s), "b");
  EXPECT_EQ(s, "c");
}

TEST(Records, CutAtAnyOfASetOfSeparators) {
  std::string rest;
  char found = 0;
  char seps[] = ";,";
  EXPECT_EQ(next_record("a,b;c", seps, rest, found), "a");
  EXPECT_EQ(Cut(rest, {found}), Cut("b;c", ","));
  EXPECT_EQ(next_record("abc", seps, rest, found), "abc");
  EXPECT_EQ(Cut(rest, {found}), Cut("", " "));
  EXPECT_EQ(next_record("a;b", nullptr, rest, found), "a;b");
}

TEST(Tokens, NameRunsOrSingleCharacters) {
  EXPECT_EQ(token("  abc+d", ' '), Cut("abc", "+d"));
  EXPECT_EQ(token("+d", ' '), Cut("+", "d"));
  EXPECT_EQ(token("d", ' '), Cut("d", ""));
  EXPECT_EQ(token("ab cd", ' '), Cut("ab", " cd"));
  EXPECT_EQ(token("xxabxcd", 'x'), Cut("ab", "xcd"));
  EXPECT_EQ(token("", ' '), Cut("", ""));
  EXPECT_EQ(token(",,,", ','), Cut(",", ""));
  EXPECT_EQ(next_Stringtoken("ab", ' ', nullptr), "ab");
}
