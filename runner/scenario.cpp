#include "runner/scenario.h"

#include "iolink/signals.h"

#include <cctype>
#include <fstream>

namespace {

struct token {
  std::string text;
  bool quoted;
};

struct button_name {
  const char* label;
  panel_button button;
  action::kind_t how;
};

constexpr button_name buttons[] = {
    {"INIT", panel_button::init, action::press},
    {"DC", panel_button::dc, action::press},
    {"AC", panel_button::ac, action::press},
    {"ATU", panel_button::atu, action::press},
    {"interv.", panel_button::intervention, action::press},
    {"piece", panel_button::piece, action::click},
    {"couvercle", panel_button::lid, action::click},
    {"REDESSINER", panel_button::redraw, action::click},
    {"PV", panel_button::pv, action::toggle},
};

// Reads one line's statement and keeps what it finds in the scenario.
class statement_reader {
 public:
  statement_reader(scenario& s, const std::string& file, int line, micros& last_at)
      : result(s), file(file), line(line), last_at(last_at) {}

  void read(const std::string& text) {
    split(text);
    if (tokens.empty()) return;
    const std::string& verb = word(0, "a statement");
    if (verb == "at")
      read_action();
    else if (verb == "expect")
      read_expectation(text);
    else if (verb == "end")
      read_end();
    else
      fail("unknown statement '" + verb + "' (at, expect or end)");
  }

 private:
  [[noreturn]] void fail(const std::string& reason) const {
    throw scenario_error(file + ":" + std::to_string(line) + ": " + reason);
  }

  // Blank-separated words; a double-quoted message is one token whatever it
  // holds; '#' outside a message ends the line.
  void split(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
      char c = text[i];
      if (c == '#') break;
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++i;
      } else if (c == '"') {
        size_t close = text.find('"', i + 1);
        if (close == std::string::npos) fail("message quote not closed");
        tokens.push_back({text.substr(i + 1, close - i - 1), true});
        i = close + 1;
      } else {
        size_t stop = i;
        while (stop < text.size() && !std::isspace(static_cast<unsigned char>(text[stop])) &&
               text[stop] != '"' && text[stop] != '#')
          ++stop;
        tokens.push_back({text.substr(i, stop - i), false});
        i = stop;
      }
    }
  }

  // Token i, which must be a bare word; what names it in the error.
  const std::string& word(size_t i, const char* what) const {
    if (i >= tokens.size()) fail(std::string("missing ") + what);
    if (tokens[i].quoted)
      fail(std::string("expected ") + what + ", found the message \"" + tokens[i].text + "\"");
    return tokens[i].text;
  }

  void keyword(size_t i, const char* expected) const {
    std::string what = std::string("'") + expected + "'";
    if (word(i, what.c_str()) != expected)
      fail("expected '" + std::string(expected) + "', found '" + tokens[i].text + "'");
  }

  void no_more_after(size_t i) const {
    if (tokens.size() > i + 1) fail("unexpected '" + tokens[i + 1].text + "' at the end");
  }

  micros time_at(size_t i, const char* what) const {
    const std::string& t = word(i, what);
    micros value;
    if (!parse_seconds(t, value))
      fail(std::string("bad ") + what + " '" + t + "' (seconds, e.g. 2.5)");
    return value;
  }

  long whole_number(size_t i, const char* what) const {
    const std::string& t = word(i, what);
    size_t p = t[0] == '-' ? 1 : 0;
    if (p == t.size() || t.size() > 10 || t.find_first_not_of("0123456789", p) != std::string::npos)
      fail(std::string("bad ") + what + " '" + t + "' (a whole number)");
    return std::stol(t);
  }

  void read_action() {
    action a{};
    a.line = line;
    a.at = time_at(1, "time after 'at'");
    if (a.at < last_at) fail("'at' time earlier than the previous 'at'");
    last_at = a.at;
    const std::string& verb = word(2, "press, click or toggle");
    const button_name& b = button_at(3);
    if (verb == "press") {
      if (b.how != action::press) fail(std::string(b.label) + " is not held: " + usage(b));
      keyword(4, "for");
      a.duration = time_at(5, "duration");
      if (a.duration == 0) fail("a press lasts longer than 0 s");
      no_more_after(5);
    } else if (verb == "click") {
      if (b.how != action::click) fail(std::string(b.label) + " is not clicked: " + usage(b));
      no_more_after(3);
    } else if (verb == "toggle") {
      if (b.how != action::toggle) fail(std::string(b.label) + " is not toggled: " + usage(b));
      no_more_after(3);
    } else {
      fail("unknown action '" + verb + "' (press, click or toggle)");
    }
    a.kind = b.how;
    a.button = b.button;
    result.actions.push_back(a);
  }

  static std::string usage(const button_name& b) {
    std::string label = b.label;
    switch (b.how) {
      case action::press: return "at T press " + label + " for D";
      case action::click: return "at T click " + label;
      case action::toggle: break;
    }
    return "at T toggle " + label;
  }

  const button_name& button_at(size_t i) const {
    const std::string& label = word(i, "button");
    for (const auto& b : buttons)
      if (label == b.label) return b;
    if (label == "a" && i + 1 < tokens.size() && tokens[i + 1].text == "propos")
      fail("\"a propos\" opens a dialog that would block the run");
    if (label == "quit") fail("quit is not scripted: 'end T' ends the run");
    fail("unknown button '" + label +
         "' (INIT, DC, AC, ATU, interv., piece, couvercle, REDESSINER, PV)");
  }

  void read_expectation(const std::string& text) {
    expectation e{};
    e.line = line;
    e.text = trimmed(text);
    if (tokens.size() < 2) fail("missing what to expect");
    if (!tokens[1].quoted && tokens[1].text == "never") {
      e.kind = expectation::message_never;
      e.message = message_at(2);
      no_more_after(2);
    } else if (tokens[1].quoted || (tokens.size() > 2 && tokens[2].text == "count")) {
      e.kind = expectation::message_count;
      e.message = message_at(1);
      keyword(2, "count");
      long n = whole_number(3, "count");
      if (n < 0) fail("a count is not negative");
      e.count = static_cast<int>(n);
      keyword(4, "by");
      e.at = time_at(5, "time after 'by'");
      no_more_after(5);
    } else {
      e.kind = expectation::signal_value;
      e.signal = signal_row(tokens[1].text);
      keyword(2, "=");
      e.value = static_cast<int32_t>(whole_number(3, "value"));
      keyword(4, "at");
      e.at = time_at(5, "time after 'at'");
      no_more_after(5);
    }
    result.expectations.push_back(e);
  }

  const std::string& message_at(size_t i) const {
    if (i >= tokens.size()) fail("missing message");
    if (!tokens[i].quoted)
      fail("a message is written in double quotes: \"" + tokens[i].text + "\"");
    if (tokens[i].text.empty()) fail("empty message");
    return tokens[i].text;
  }

  int signal_row(const std::string& name) const {
    for (int row = 0; row < input_signal_count + output_signal_count; ++row)
      if (name == table_signaux[row]) return row;
    fail("unknown signal '" + name + "'");
  }

  void read_end() {
    if (result.end) fail("a second 'end'");
    result.end = time_at(1, "time after 'end'");
    no_more_after(1);
  }

  static std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
  }

  scenario& result;
  const std::string& file;
  int line;
  micros& last_at;
  std::vector<token> tokens;
};

// Times beyond the end could never be reached: the scenario is wrong, not
// the controller.
void check_against_end(const scenario& s, const std::string& file) {
  if (!s.end) return;
  auto fail = [&](int line) {
    throw scenario_error(file + ":" + std::to_string(line) + ": time after the end (" +
                         format_seconds(*s.end) + ")");
  };
  for (const auto& a : s.actions)
    if (a.at > *s.end) fail(a.line);
  for (const auto& e : s.expectations)
    if (e.kind != expectation::message_never && e.at > *s.end) fail(e.line);
}

}  // namespace

scenario parse_scenario(std::istream& in, const std::string& file_name) {
  scenario s;
  micros last_at = 0;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line)
    statement_reader(s, file_name, line, last_at).read(text);
  check_against_end(s, file_name);
  return s;
}

scenario read_scenario_file(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw scenario_error(path + ": cannot be read");
  return parse_scenario(in, path);
}

const char* button_label(panel_button b) {
  for (const auto& n : buttons)
    if (n.button == b) return n.label;
  return "?";
}

bool parse_seconds(const std::string& text, micros& value) {
  size_t point = text.find('.');
  std::string whole = text.substr(0, point);
  std::string decimals = point == std::string::npos ? "" : text.substr(point + 1);
  auto digits_only = [](const std::string& d) {
    return d.find_first_not_of("0123456789") == std::string::npos;
  };
  // Ten digits of seconds is centuries: anything longer is a typing mistake.
  if (whole.size() + decimals.size() == 0 || whole.size() > 10 || decimals.size() > 6 ||
      !digits_only(whole) || !digits_only(decimals))
    return false;
  decimals.resize(6, '0');
  value = (whole.empty() ? 0 : std::stoll(whole)) * 1000000 + std::stoll(decimals);
  return true;
}

std::string format_seconds(micros t) {
  std::string text = std::to_string(t / 1000000);
  micros fraction = t % 1000000;
  if (fraction == 0) return text;
  std::string decimals = std::to_string(1000000 + fraction).substr(1);
  return text + "." + decimals.substr(0, decimals.find_last_not_of('0') + 1);
}
