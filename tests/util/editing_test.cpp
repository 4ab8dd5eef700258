#include <gtest/gtest.h>

#include "util/Stringpp.h"

TEST(CaseEditing, UpcaseDropsHighCodesDowncaseKeepsThem) {
  EXPECT_EQ(upcase("abZ1-\xe9x"), "ABZ1-X");
  EXPECT_EQ(downcase("AbC-\xc9"), "abc-\xc9");
  EXPECT_EQ(upcase_accent("\xe9t\xe9 \xe0\xe2 \xf4\xe7\x8c\xe8\xea\xf1!"), "ETE AA OCIEE!");
}

TEST(SpaceEditing, OnlyTheSpaceCharacterIsTrimmed) {
  EXPECT_EQ(cancel_begin_end_spaces("   "), "");
  EXPECT_EQ(cancel_begin_end_spaces("\ta \n"), "\ta \n");
  EXPECT_EQ(clever_substitute_space("  a b  c ", '_'), "a_b__c");
}

TEST(Substitution, StringsAndCharacters) {
  EXPECT_EQ(substitute_string("aaa", "aa", "b"), "ba");
  EXPECT_EQ(substitute_string("a", "a", "aa"), "aa");
  EXPECT_EQ(substitute_string("ab", "abc", "X"), "ab");
  EXPECT_EQ(substitute_string("abc", "", "X"), "abc");
  EXPECT_EQ(substitute_char("a.b.", '.', "::"), "a::b::");
  EXPECT_EQ(latex_String_filter("a_b_"), "a\\_b\\_");
}

TEST(Substitution, TokensStandAloneInTheirRound) {
  EXPECT_EQ(substitute_token("a ab a", "a", "x"), "x ab x");
  EXPECT_EQ(substitute_token("v1=v;v_=v", "v", "w"), "v1=w;v_=w");
  EXPECT_EQ(substitute_token("b@a a@b", "a", "x"), "b@a a@b");
  // The left neighbour of a token right after the previous one is not seen.
  EXPECT_EQ(substitute_token("aa", "a", "x"), "ax");
  EXPECT_EQ(substitute_token("a", "a", "aa"), "aa");
  EXPECT_EQ(substitute_token("abc", "", "x"), "abc");
}

TEST(Extraction, ClampedSubstrings) {
  EXPECT_EQ(bdelete("(x)"), "x");
  EXPECT_EQ(bdelete("ab"), "");
  EXPECT_EQ(my_at("hello", 3, 99), "lo");
  EXPECT_EQ(my_at("hello", 5, 6), "");
  EXPECT_EQ(my_at("hello", 3, 1), "");
  EXPECT_EQ(my_at("hello", -2, 2), "he");
  EXPECT_EQ(my_after("hello", 5), "");
  EXPECT_EQ(my_after("hello", -1), "hello");
  EXPECT_EQ(my_before("hello", 99), "hello");
  EXPECT_EQ(my_before("hello", -1), "");
}
