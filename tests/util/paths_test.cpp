#include <gtest/gtest.h>

#include "util/Stringpp.h"

#include <cstdlib>
#include <unistd.h>
#include <utility>

TEST(FilenameExtension, EachRuleOfTheLastComponent) {
  EXPECT_EQ(supress_filename_extension("dir/file.txt"), "dir/file");
  EXPECT_EQ(supress_filename_extension("a.b.c"), "a.b");
  EXPECT_EQ(supress_filename_extension("dir.d/file"), "dir.d/file");
  EXPECT_EQ(supress_filename_extension("file."), "file");
  EXPECT_EQ(supress_filename_extension("a.\\b"), "a.\\b");
  EXPECT_EQ(supress_filename_extension(".profile"), "");
  EXPECT_EQ(supress_filename_extension("x/.profile"), "x/");
  EXPECT_EQ(supress_filename_extension("x/a..b"), "x/a..b");
}

namespace {
// The relative path, and the lines written to stderr on the way.
std::pair<std::string, std::string> relative(const std::string& target,
                                             const std::string& base) {
  testing::internal::CaptureStderr();
  std::string r = relative_directory_path(target, base);
  return {r, testing::internal::GetCapturedStderr()};
}
}  // namespace

TEST(RelativePath, ClimbsOrDescendsFromTheCommonPrefix) {
  EXPECT_EQ(relative("a/b", "a/b/c"),
            std::make_pair(std::string(".."),
                           std::string("demarrage a/b|a/b/c\nintermediaire: |c\n--> ..\n")));
  EXPECT_EQ(relative("a/x", "a/b").first, "../x");
  EXPECT_EQ(relative("/home/u/d", "/home/u").first, "d");
  EXPECT_EQ(relative("/x/y", "/a/b/c").first, "../../../x/y");
  EXPECT_EQ(relative("a", "a/b/c").first, "../..");
}

TEST(RelativePath, EqualUnrelatedAndSlashEndedPaths) {
  EXPECT_EQ(relative("a/b", "a/b"),
            std::make_pair(std::string("."), std::string("demarrage a/b|a/b\n--> .\n")));
  EXPECT_EQ(relative("x/y", "a/b").first, "x/y");
  EXPECT_EQ(relative("a/b/", "a/b").first, ".");
  EXPECT_EQ(relative("/a", "/a/").first, ".");
}

TEST(RelativePath, EmptyBaseIsTheCurrentDirectory) {
  char* cwd = getcwd(nullptr, 0);
  EXPECT_EQ(my_current_directory(), cwd);
  EXPECT_EQ(relative(std::string(cwd) + "/sub/f", "").first, "sub/f");
  std::free(cwd);
}
