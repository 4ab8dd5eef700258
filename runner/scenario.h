// A scenario: the operator's actions on the panel, the faults planted in
// the line, and what the run must show, read from a text file, one
// statement a line. Pure: no window, no area.
#pragma once

#include <cstdint>
#include <istream>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "conditions/expression.h"

// Times are whole microseconds since the start of the run, so that a
// scenario's "0.005" is exactly one turn and never a rounding matter.
using micros = int64_t;

// A span or a fault without an end.
constexpr micros forever = std::numeric_limits<micros>::max();

// The panel's buttons a scenario may act on, by their label.
enum class panel_button { init, dc, ac, atu, intervention, piece, lid, redraw, pv };

struct action {
  enum kind_t { press, click, toggle, fault } kind;
  panel_button button = panel_button::init;  // press, click, toggle
  micros at = 0;
  micros duration = 0;  // press; fault (forever: to the end of the run)
  int signal = -1;      // fault: row of the signal table
  int value = 0;        // fault: the value read meanwhile
  int line = 0;
};

// What a `within` waits for, or what triggers it: a condition, or a message
// of the simulator (then cond.root is -1).
struct happening {
  conditions::condition cond;
  std::string message;
  bool is_message() const { return cond.root < 0; }
};

// The line's own outcomes a `check` looks at.
enum line_outcome : unsigned {
  outcome_glued = 1,  // every workpiece leaves with its bead and lid
  outcome_lids = 2,   // no lid let go but onto a workpiece with a bead
  outcome_jacks = 4,  // no double-acting jack driven both ways at once
  outcome_all = 7,
};

struct expectation {
  enum kind_t { message_count, message_never, signal_value, always, within, outcome } kind;
  std::string message;  // message_count, message_never
  int count = 0;        // message_count
  int signal = -1;      // signal_value: row of the signal table
  int32_t value = 0;    // signal_value
  micros at = 0;        // message_count: "by"; signal_value: "at"
  conditions::condition cond;  // always: what must hold
  bool negated = false;        // always written as "never"
  micros from = 0;             // always, outcome: the span, both ends included
  micros to = forever;
  happening target;    // within: met within `within` after each trigger
  happening trigger;
  micros deadline_after = 0;  // within: D
  unsigned outcomes = 0;  // outcome
  int line = 0;
  std::string text;  // the statement as written, without its comment
};

// A span of seconds to draw from, both ends included.
struct time_range {
  micros low = 0;
  micros high = 0;
};

// An operator's action repeated at random in an explored run: after a
// random interval from `every`, again and again; presses and faults last a
// random time from `hold`.
struct explore_rule {
  action::kind_t kind = action::click;
  panel_button button = panel_button::init;  // click, press, toggle
  int signal = -1;                           // fault
  int value = 0;                             // fault
  time_range hold;                           // press, fault
  time_range every;
  int line = 0;
};

struct exploration {
  std::vector<explore_rule> rules;
  micros from = 0;               // the random actions start here
  std::optional<micros> length;  // of each explored run; the scenario's end otherwise
};

struct scenario {
  std::vector<action> actions;  // in time order, as the file requires
  std::vector<expectation> expectations;
  std::optional<micros> end;
  conditions::expression_pool conditions;  // of every statement
  exploration explore;
};

// Thrown for the first mistake found; what() is "FILE:LINE:COL: reason".
class scenario_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

scenario parse_scenario(std::istream& in, const std::string& file_name);
scenario read_scenario_file(const std::string& path);

// The label the window shows for a button.
const char* button_label(panel_button b);
// The action as a scenario line: "at 2.5 press INIT for 0.5".
std::string format_action(const action& a);
// "2.5", "60", "0.005": seconds as a scenario writes them.
std::string format_seconds(micros t);
// Seconds with at most six decimals ("2.5", "60", ".5"), as microseconds;
// false for anything else, negative numbers included.
bool parse_seconds(const std::string& text, micros& value);
