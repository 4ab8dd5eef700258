// A program's command-line options as one table. Each row says how the
// option is written, what --help says of it and what it does; a parser looks
// words up in the table, and --help is printed from the same rows.
//
// Adding an option is adding a row:
//   {"--trace", "FILE.vcd", "every signal at every turn, as a VCD",
//    [](my_options& o, const std::string& v) { o.trace = v; }},
#pragma once

#include <string>
#include <vector>

namespace cli {

// How an option is written and what --help says of it.
struct option_text {
  std::string name;         // "--trace"
  std::string placeholder;  // "FILE.vcd"; empty for an option without a value
  std::string help;         // one line
  std::string alias = "";   // a second spelling, such as "-h"; usually empty
};

// What --help and --version print around the options.
struct program_text {
  std::string name;                // "corvan-run"
  std::vector<std::string> usage;  // each after "Usage: NAME ", e.g. "[OPTION]... CHART"
  std::string summary;             // one line: what the program does
};

// The lines of --help: usage, summary, then one line per option.
std::string help_text(const program_text& program, const std::vector<option_text>& options);
// "Usage: NAME ..." lines only, for a usage mistake.
std::string usage_text(const program_text& program);
// "NAME 1.1.0".
std::string version_text(const program_text& program);
// The project's version, "1.1.0".
const char* version();

// What every program answers before anything else.
enum class request { none, help, version };
option_text help_option();
option_text version_option();
// --help or --version as the first argument.
request first_argument_request(int argc, const char* const* argv);

// Rows of one program. Settings is what the parser fills in; an action
// throws (the parser's own error type) for a bad value.
template <class Settings>
class option_table {
 public:
  using action = void (*)(Settings& settings, const std::string& value);
  struct row {
    option_text text;
    action apply;
  };

  option_table(program_text program, std::vector<row> rows)
      : program_(std::move(program)), rows_(std::move(rows)) {}

  // The row written as word, or null.
  const row* find(const std::string& word) const {
    for (const row& r : rows_)
      if (word == r.text.name || (!r.text.alias.empty() && word == r.text.alias)) return &r;
    return nullptr;
  }
  std::vector<option_text> texts() const {
    std::vector<option_text> all;
    for (const row& r : rows_) all.push_back(r.text);
    return all;
  }
  const program_text& program() const { return program_; }
  std::string help() const { return help_text(program_, texts()); }
  std::string usage() const { return usage_text(program_); }
  // What --help or --version prints.
  std::string answer(request asked) const {
    return asked == request::version ? version_text(program_) : help();
  }

 private:
  program_text program_;
  std::vector<row> rows_;
};

// An option's value is the next word: true when the row takes one.
inline bool takes_value(const option_text& text) { return !text.placeholder.empty(); }

}  // namespace cli
