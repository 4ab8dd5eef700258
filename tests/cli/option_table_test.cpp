// The shared option table: lookup by either spelling, and the text of
// --help, the usage lines and --version.
#include <gtest/gtest.h>

#include "cli/option_table.h"

#include <string>

namespace {

struct settings {
  std::string file;
  bool quiet = false;
  cli::request asked = cli::request::none;
};

const cli::option_table<settings>& table() {
  using v = const std::string&;
  static const cli::option_table<settings> t{
      {"tool", {"[OPTION]... FILE", "--list"}, "Does one thing well."},
      {
          {{"--file", "PATH", "the file to read"}, [](settings& s, v value) { s.file = value; }},
          {{"--quiet", "", "say nothing", "-q"}, [](settings& s, v) { s.quiet = true; }},
          {{"-raw", "ID", "an old-style option"}, [](settings&, v) {}},
          {cli::help_option(), [](settings& s, v) { s.asked = cli::request::help; }},
          {cli::version_option(), [](settings& s, v) { s.asked = cli::request::version; }},
      }};
  return t;
}

}  // namespace

TEST(OptionTable, FindsARowByEitherSpellingAndNothingElse) {
  ASSERT_NE(table().find("--quiet"), nullptr);
  EXPECT_EQ(table().find("-q"), table().find("--quiet"));
  EXPECT_EQ(table().find("--file")->text.placeholder, "PATH");
  for (const char* unknown : {"--fil", "--file=x", "-", "", "quiet", "--Quiet", "-Q"})
    EXPECT_EQ(table().find(unknown), nullptr) << unknown;
}

TEST(OptionTable, RowsActOnTheSettings) {
  settings s;
  table().find("--file")->apply(s, "a.txt");
  table().find("-q")->apply(s, "");
  table().find("--version")->apply(s, "");
  EXPECT_EQ(s.file, "a.txt");
  EXPECT_TRUE(s.quiet);
  EXPECT_EQ(s.asked, cli::request::version);
}

TEST(OptionTable, HelpHasUsageSummaryAndOneAlignedLinePerOption) {
  EXPECT_EQ(table().help(),
            "Usage: tool [OPTION]... FILE\n"
            "  or:  tool --list\n"
            "Does one thing well.\n"
            "\n"
            "Options:\n"
            "      --file PATH  the file to read\n"
            "  -q, --quiet      say nothing\n"
            "  -raw ID          an old-style option\n"
            "      --help       show this help and exit\n"
            "      --version    show the version and exit\n");
}

TEST(OptionTable, UsageAndVersionAnswers) {
  EXPECT_EQ(table().usage(), "Usage: tool [OPTION]... FILE\n  or:  tool --list\n");
  EXPECT_EQ(table().answer(cli::request::version), std::string("tool ") + cli::version() + "\n");
  EXPECT_EQ(table().answer(cli::request::help), table().help());
}

TEST(OptionTable, HelpOrVersionCountOnlyAsTheFirstArgument) {
  const char* help[] = {"tool", "--help", "x"};
  const char* version[] = {"tool", "--version"};
  const char* later[] = {"tool", "x", "--help"};
  const char* alone[] = {"tool"};
  EXPECT_EQ(cli::first_argument_request(3, help), cli::request::help);
  EXPECT_EQ(cli::first_argument_request(2, version), cli::request::version);
  EXPECT_EQ(cli::first_argument_request(3, later), cli::request::none);
  EXPECT_EQ(cli::first_argument_request(1, alone), cli::request::none);
}
