// A scenario: the operator's actions on the panel and what the run must show,
// read from a text file, one statement a line. Pure: no window, no area.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Times are whole microseconds since the start of the run, so that a
// scenario's "0.005" is exactly one turn and never a rounding matter.
using micros = int64_t;

// The panel's buttons a scenario may act on, by their label.
enum class panel_button { init, dc, ac, atu, intervention, piece, lid, redraw, pv };

struct action {
  enum kind_t { press, click, toggle } kind;
  panel_button button;
  micros at;
  micros duration = 0;  // press only
  int line;
};

struct expectation {
  enum kind_t { message_count, message_never, signal_value } kind;
  std::string message;  // message_count, message_never
  int count = 0;        // message_count
  int signal = -1;      // signal_value: row of the signal table
  int32_t value = 0;    // signal_value
  micros at = 0;        // message_count: "by"; signal_value: "at"
  int line;
  std::string text;  // the statement as written, for the verdict
};

struct scenario {
  std::vector<action> actions;  // in time order, as the file requires
  std::vector<expectation> expectations;
  std::optional<micros> end;
};

// Thrown for the first mistake found; what() is "FILE:LINE: reason".
class scenario_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

scenario parse_scenario(std::istream& in, const std::string& file_name);
scenario read_scenario_file(const std::string& path);

// The label the window shows for a button.
const char* button_label(panel_button b);
// "2.5", "60", "0.005": seconds as a scenario writes them.
std::string format_seconds(micros t);
// Seconds with at most six decimals ("2.5", "60", ".5"), as microseconds;
// false for anything else, negative numbers included.
bool parse_seconds(const std::string& text, micros& value);
