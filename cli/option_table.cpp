#include "cli/option_table.h"

#include <algorithm>
#include <cstring>

namespace cli {

namespace {

// "  -h, --help" or "      --trace FILE.vcd": long names line up whether
// or not an option has a short spelling.
std::string left_column(const option_text& o) {
  std::string text = o.alias.empty() ? "      " : "  " + o.alias + ", ";
  if (o.alias.empty() && o.name.compare(0, 2, "--") != 0) text = "  ";
  text += o.name;
  if (takes_value(o)) text += " " + o.placeholder;
  return text;
}

}  // namespace

std::string usage_text(const program_text& program) {
  std::string text;
  for (size_t i = 0; i < program.usage.size(); ++i)
    text += (i == 0 ? "Usage: " : "  or:  ") + program.name + " " + program.usage[i] + "\n";
  return text;
}

std::string help_text(const program_text& program, const std::vector<option_text>& options) {
  std::string text = usage_text(program) + program.summary + "\n\nOptions:\n";
  size_t width = 0;
  for (const auto& o : options) width = std::max(width, left_column(o).size());
  for (const auto& o : options) {
    std::string left = left_column(o);
    text += left + std::string(width + 2 - left.size(), ' ') + o.help + "\n";
  }
  return text;
}

std::string version_text(const program_text& program) { return program.name + " " + version() + "\n"; }

const char* version() { return CORVAN_VERSION_TEXT; }

option_text help_option() { return {"--help", "", "show this help and exit", ""}; }
option_text version_option() { return {"--version", "", "show the version and exit", ""}; }

request first_argument_request(int argc, const char* const* argv) {
  if (argc < 2 || argv[1] == nullptr) return request::none;
  if (std::strcmp(argv[1], "--help") == 0) return request::help;
  if (std::strcmp(argv[1], "--version") == 0) return request::version;
  return request::none;
}

}  // namespace cli
