#include "report/report_main.h"

#include "report/json.h"
#include "report/summary.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

namespace {

constexpr int usage_status = 2;

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ignored;
  return std::filesystem::weakly_canonical(a, ignored) == std::filesystem::weakly_canonical(b, ignored);
}

// The page first, then the JSON files; throws std::invalid_argument for a
// usage mistake.
report_options parse_report_options(int argc, char** argv) {
  report_options o;
  for (int i = 1; i < argc && o.asked == cli::request::none; ++i) {
    const std::string arg = argv[i];
    if (const auto* row = report_option_table().find(arg)) {
      row->apply(o, "");
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw std::invalid_argument("unknown option " + arg);
    } else if (o.page.empty()) {
      o.page = arg;
    } else {
      o.results.push_back(arg);
    }
  }
  if (o.asked != cli::request::none) return o;
  if (o.results.empty()) throw std::invalid_argument("give the page to write and at least one JSON file");
  for (const std::string& result : o.results)
    if (same_file(o.page, result)) throw std::invalid_argument("the page " + o.page + " would overwrite an input");
  return o;
}

}  // namespace

const cli::option_table<report_options>& report_option_table() {
  using v = const std::string&;
  static const cli::option_table<report_options> table{
      {"corvan-report",
       {"[OPTION]... OUT.html RESULT.json..."},
       "Summarize many runs' JSON verdicts (corvan-run --json) as one page: a row per controller, a column per statement."},
      {
          {cli::help_option(), [](report_options& o, v) { o.asked = cli::request::help; }},
          {cli::version_option(), [](report_options& o, v) { o.asked = cli::request::version; }},
      }};
  return table;
}

int corvan_report_main(int argc, char** argv) {
  report_options options;
  try {
    options = parse_report_options(argc, argv);
  } catch (const std::invalid_argument& e) {
    std::cerr << "corvan-report: " << e.what() << '\n' << report_option_table().usage();
    return usage_status;
  }
  if (options.asked != cli::request::none) {
    std::cout << report_option_table().answer(options.asked);
    return 0;
  }

  std::vector<report::summary_entry> entries;
  int status = 0;
  for (const std::string& path : options.results) {
    report::summary_entry e;
    e.json_file = path;
    try {
      e.run = report::read_json_file(path);
    } catch (const report::read_error& error) {
      e.error = error.what();
      std::cerr << "corvan-report: " << e.error << '\n';
      status = usage_status;
    }
    entries.push_back(std::move(e));
  }
  std::ofstream page(options.page);
  report::write_summary(page, entries, report::folder_of(options.page));
  page.close();
  if (!page) {
    std::cerr << "corvan-report: cannot write " << options.page << '\n';
    return usage_status;
  }
  return status;
}
