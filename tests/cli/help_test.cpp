// Every program answers --help and --version on standard output, with or
// without a display, and its --help lists every option of the table its
// parser walks, each on one line with its help.
#include <gtest/gtest.h>

#include "app/corvan_main.h"
#include "grafcet/options.h"
#include "monitor/options.h"
#include "report/report_main.h"
#include "runner/options.h"
#include "tests/support/process.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

struct program_case {
  std::string path;  // in the build tree
  cli::program_text program;
  std::vector<cli::option_text> options;
};

template <class Settings>
program_case program(const std::string& path, const cli::option_table<Settings>& table) {
  return {path, table.program(), table.texts()};
}

// One line per program.
std::vector<program_case> programs() {
  return {
      program("app/corvan", corvan_option_table()),
      program("runner/corvan-run", run_option_table()),
      program("monitor/corvan-monitor", monitor_option_table()),
      program("grafcet/corvan-grafcet", grafcet::option_table()),
      program("report/corvan-report", report_option_table()),
  };
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A line of --help: indentation, the short alias if any, the option with its
// placeholder, two blanks or more, and its help.
bool listed(const std::vector<std::string>& lines, const cli::option_text& option) {
  const std::string start = (option.alias.empty() ? "" : option.alias + ", ") + option.name +
                            (cli::takes_value(option) ? " " + option.placeholder : "") + "  ";
  for (const auto& line : lines) {
    const auto first = line.find_first_not_of(' ');
    if (first != std::string::npos && line.compare(first, start.size(), start) == 0 &&
        ends_with(line, "  " + option.help))
      return true;
  }
  return false;
}

run_result run(const program_case& p, const std::string& option, bool display) {
  std::vector<std::string> argv = {build_file(p.path), option};
  if (!display) argv.insert(argv.begin(), {"/usr/bin/env", "-u", "DISPLAY"});
  return run_program(argv, 20);
}

}  // namespace

TEST(ProgramHelp, ListsEveryOptionOfTheParsersTableOnStandardOutput) {
  for (const auto& p : programs()) {
    for (bool display : {true, false}) {
      SCOPED_TRACE(p.path + (display ? " with a display" : " without a display"));
      run_result r = run(p, "--help", display);
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.err, "");
      std::vector<std::string> lines = lines_of(r.out);
      ASSERT_GE(lines.size(), 2u);
      EXPECT_EQ(lines[0].rfind("Usage: " + p.program.name + " ", 0), 0u) << lines[0];
      EXPECT_NE(r.out.find(p.program.summary), std::string::npos);
      for (const auto& option : p.options) EXPECT_TRUE(listed(lines, option)) << option.name;
      std::string names;
      for (const auto& option : p.options) names += option.name + " ";
      EXPECT_NE(names.find("--help "), std::string::npos) << names;
      EXPECT_NE(names.find("--version "), std::string::npos) << names;
    }
  }
}

TEST(ProgramHelp, VersionIsTheNameAndTheProjectsVersion) {
  for (const auto& p : programs()) {
    for (bool display : {true, false}) {
      SCOPED_TRACE(p.path + (display ? " with a display" : " without a display"));
      run_result r = run(p, "--version", display);
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out, p.program.name + " 1.1.0\n");
      EXPECT_EQ(r.err, "");
    }
  }
}
