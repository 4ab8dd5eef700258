#include "report/report_main.h"

#include "report/json.h"
#include "report/summary.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int usage_status = 2;

const char* const usage_text =
    "usage: corvan-report OUT.html RESULT.json...\n"
    "  OUT.html               the class summary: a row per run, a column per statement\n"
    "  RESULT.json            a run's verdict, as corvan-run --json writes it\n"
    "  --help                 this text\n";

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ignored;
  return std::filesystem::weakly_canonical(a, ignored) == std::filesystem::weakly_canonical(b, ignored);
}

}  // namespace

int corvan_report_main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") {
      std::cout << usage_text;
      return 0;
    }
  std::string mistake;
  if (args.size() < 2) mistake = "give the page to write and at least one JSON file";
  for (size_t i = 1; i < args.size() && mistake.empty(); ++i)
    if (same_file(args[0], args[i])) mistake = "the page " + args[0] + " would overwrite an input";
  if (!args.empty() && args[0].size() > 0 && args[0][0] == '-') mistake = "unknown option " + args[0];
  if (!mistake.empty()) {
    std::cerr << "corvan-report: " << mistake << '\n' << usage_text;
    return usage_status;
  }

  std::vector<report::summary_entry> entries;
  int status = 0;
  for (size_t i = 1; i < args.size(); ++i) {
    report::summary_entry e;
    e.json_file = args[i];
    try {
      e.run = report::read_json_file(args[i]);
    } catch (const report::read_error& error) {
      e.error = error.what();
      std::cerr << "corvan-report: " << e.error << '\n';
      status = usage_status;
    }
    entries.push_back(std::move(e));
  }
  std::ofstream page(args[0]);
  report::write_summary(page, entries, report::folder_of(args[0]));
  page.close();
  if (!page) {
    std::cerr << "corvan-report: cannot write " << args[0] << '\n';
    return usage_status;
  }
  return status;
}
