#include <gtest/gtest.h>

#include "util/lists.h"

#include <cmath>
#include <memory>
#include <sstream>

namespace {
using IntLists = std::list<std::list<int>>;

template <class T>
std::string printed(const std::list<T>& L) {
  std::ostringstream os;
  os << L;
  return os.str();
}

// Counts the flushes that reach the buffer.
struct FlushCounter : std::stringbuf {
  int flushes = 0;
  int sync() override {
    ++flushes;
    return 0;
  }
};

int size_or_default(std::list<int>& L = empty_list_int) { return int(L.size()); }
}  // namespace

TEST(ListSearch, FirstEqualPositionOrZero) {
  EXPECT_EQ(item_where(std::list<int>{4, 7, 7}, 7), 2);
  EXPECT_EQ(item_where(std::list<int>{}, 4), 0);
  EXPECT_EQ(item_where(std::list<double>{NAN, 0.5}, double(NAN)), 0);
  const std::list<std::string> S = {std::string("ab\0", 3), "ab"};
  EXPECT_EQ(item_where(S, std::string("ab")), 2);
  const IntLists L = {{1}, {1, 2, 3}, {1, 2}};
  EXPECT_EQ(item_where(L, std::list<int>{1, 2}), 3);
  EXPECT_EQ(item_where(L, std::list<int>{2, 1}), 0);
}

TEST(ListPositions, ReadOutsideGivesTheEmptyValue) {
  const std::list<int> L = {4, 7, 9};
  EXPECT_EQ(read_number(L, 1), 4);
  EXPECT_EQ(read_number(L, 3), 9);
  EXPECT_EQ(read_number(L, 0), 0);
  EXPECT_EQ(read_number(L, 4), 0);
  EXPECT_EQ(read_number(std::list<double>{2.5}, 2), 0.0);
  EXPECT_EQ(read_number(std::list<std::string>{"a"}, -1), "");
  EXPECT_TRUE(read_number(IntLists{{1}}, 2).empty());
}

TEST(ListPositions, ReplaceAndRemoveOnlyInside) {
  std::list<std::string> L = {"a", "b", "c"};
  replace_number(L, 0, std::string("x"));
  replace_number(L, 4, std::string("x"));
  sup_number(L, 0);
  sup_number(L, 4);
  EXPECT_EQ(L, (std::list<std::string>{"a", "b", "c"}));
  replace_number(L, 1, L.back());
  sup_number(L, 2);
  EXPECT_EQ(L, (std::list<std::string>{"c", "c"}));
}

TEST(ListArrays, CopiesOutliveTheList) {
  EXPECT_EQ(array_convert(std::list<int>{}), nullptr);
  std::list<std::string> L = {"one", "two", "three"};
  const std::unique_ptr<std::string[]> a(array_convert(L));
  L.clear();
  EXPECT_EQ(a[0] + a[1] + a[2], "onetwothree");
}

TEST(ListPrinting, ParenthesesAndCommas) {
  EXPECT_EQ(printed(std::list<int>{1, 2, 3}), "(1, 2, 3)");
  EXPECT_EQ(printed(std::list<int>{}), "()");
  EXPECT_EQ(printed(IntLists{{1, 2}, {3}}), "((1, 2), (3))");
  EXPECT_EQ(printed(std::list<double>{0.5, 2}), "(0.5, 2)");
  EXPECT_EQ(printed(std::list<std::list<std::string>>{{"a b"}, {"", "z"}}), "((a b), (, z))");
}

TEST(ListPrinting, FlushedAfterEachElementAndAtTheEnd) {
  FlushCounter buf;
  std::ostream os(&buf);
  os << std::list<int>{1, 2, 3};
  EXPECT_EQ(buf.flushes, 4);
}

TEST(ListDefaults, EmptyListsServeAsDefaultArguments) {
  EXPECT_EQ(size_or_default(), 0);
  EXPECT_TRUE(empty_list_double.empty() && empty_list_String.empty());
}
