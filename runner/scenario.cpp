#include "runner/scenario.h"

#include <climits>
#include <fstream>
#include <sstream>

#include "conditions/suggest.h"
#include "iolink/signals.h"
#include "runner/utf8.h"

namespace {

using conditions::token;

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

struct outcome_name {
  const char* name;
  unsigned outcomes;
};

constexpr outcome_name outcome_names[] = {
    {"glued", outcome_glued}, {"lids", outcome_lids}, {"jacks", outcome_jacks}, {"all", outcome_all}};

const std::vector<std::string> statement_words = {"at",    "expect", "always", "never",
                                                   "check", "end",    "explore"};

// A mistake at a column of the current line.
struct line_error {
  int col;
  std::string reason;
};

// The byte offset of the first byte that is not part of a character, or npos.
size_t first_bad_utf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const size_t length = utf8_length_at(text, i);
    if (length == 0) return i;
    i += length;
  }
  return std::string::npos;
}

// Columns count characters from 1, not bytes.
int column_of(const std::string& text, size_t offset) {
  int col = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++col;
  return col;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool ends_word(const std::string& text, size_t i) {
  const char c = text[i];
  return is_blank(c) || c == '"' || c == '#' || c == '(' || c == ')' || c == ',' || c == '=' ||
         text.compare(i, 2, "..") == 0;
}

// One line cut into words, messages in double quotes, and the symbols
// ( ) , = ..; a '#' outside a message starts a comment. comment_start is
// where the statement's own text ends.
std::vector<token> cut_line(const std::string& text, size_t& comment_start) {
  std::vector<token> tokens;
  size_t i = 0;
  comment_start = text.size();
  while (i < text.size()) {
    const char c = text[i];
    const int col = column_of(text, i);
    if (c == '#') {
      comment_start = i;
      break;
    }
    if (is_blank(c)) {
      ++i;
    } else if (c == '"') {
      const size_t close = text.find('"', i + 1);
      if (close == std::string::npos) throw line_error{col, "message quote not closed"};
      tokens.push_back({token::quoted, text.substr(i + 1, close - i - 1), col});
      i = close + 1;
    } else if (text.compare(i, 2, "..") == 0) {
      tokens.push_back({token::symbol, "..", col});
      i += 2;
    } else if (c == '(' || c == ')' || c == ',' || c == '=') {
      tokens.push_back({token::symbol, std::string(1, c), col});
      ++i;
    } else {
      const size_t start = i;
      while (i < text.size() && !ends_word(text, i)) ++i;
      const std::string word = text.substr(start, i - start);
      const bool number = (word[0] >= '0' && word[0] <= '9') || word[0] == '.';
      tokens.push_back({number ? token::number : token::identifier, word, col});
    }
  }
  tokens.push_back({token::end, "", column_of(text, comment_start)});
  return tokens;
}

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\f\v");
  const size_t last = text.find_last_not_of(" \t\r\f\v");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

std::vector<std::string> signal_names() {
  std::vector<std::string> names;
  for (int row = 0; row < input_signal_count + output_signal_count; ++row)
    names.emplace_back(table_signaux[row]);
  return names;
}

// A time written in the file, checked against the end once it is known.
struct written_time {
  micros time;
  int line;
  int col;
};

// Reads one line's statement and keeps what it finds in the scenario.
class statement_reader {
 public:
  statement_reader(scenario& s, int line, micros& last_at, std::vector<written_time>& times)
      : result(s), line(line), last_at(last_at), times(times) {}

  void read(const std::string& text) {
    size_t comment_start;
    tokens = cut_line(text, comment_start);
    statement_text = trimmed(text.substr(0, comment_start));
    if (peek().kind == token::end) return;
    const token& verb = peek();
    const std::string& word = identifier("a statement");
    if (word == "at")
      read_action();
    else if (word == "expect")
      read_expectation();
    else if (word == "always" || word == "never")
      read_always(word == "never");
    else if (word == "check")
      read_check();
    else if (word == "end")
      read_end();
    else if (word == "explore")
      read_explore();
    else
      fail_at(verb, conditions::with_suggestion(
                        "unknown statement '" + word +
                            "' (at, expect, always, never, check, end or explore)",
                        word, statement_words));
    if (peek().kind != token::end) fail("unexpected '" + peek().text + "' at the end");
  }

 private:
  const token& peek() const { return tokens[pos]; }
  bool at_word(const char* word) const {
    return peek().kind == token::identifier && peek().text == word;
  }
  [[noreturn]] void fail(const std::string& reason) const { fail_at(peek(), reason); }
  [[noreturn]] static void fail_at(const token& t, const std::string& reason) {
    throw line_error{t.col, reason};
  }
  [[noreturn]] void fail_missing(const std::string& what) const {
    if (peek().kind == token::quoted)
      fail("expected " + what + ", found the message \"" + peek().text + "\"");
    if (peek().kind == token::end) fail("missing " + what);
    fail("expected " + what + ", found '" + peek().text + "'");
  }

  // The next token as a word (a name or a number), which must be there.
  const std::string& identifier(const std::string& what) {
    if (peek().kind != token::identifier && peek().kind != token::number) fail_missing(what);
    return tokens[pos++].text;
  }

  void keyword(const char* expected) {
    if (peek().kind == token::end) fail(std::string("missing '") + expected + "'");
    if (!at_word(expected))
      fail(std::string("expected '") + expected + "', found '" + peek().text + "'");
    ++pos;
  }

  void symbol(const char* expected) {
    if (peek().kind != token::symbol || peek().text != expected) {
      if (peek().kind == token::end) fail(std::string("missing '") + expected + "'");
      fail(std::string("expected '") + expected + "', found '" + peek().text + "'");
    }
    ++pos;
  }

  // A point in the run, which must not lie after its end.
  micros time(const char* what) {
    const int col = peek().col;
    const micros value = seconds(what);
    times.push_back({value, line, col});
    return value;
  }

  micros seconds(const char* what) {
    const token& t = peek();
    const std::string& text = identifier(what);
    micros value;
    if (!parse_seconds(text, value))
      fail_at(t, std::string("bad ") + what + " '" + text + "' (seconds, e.g. 2.5)");
    return value;
  }

  int signal_value() {
    const token& t = peek();
    const std::string& text = identifier("a value, 0 or 1");
    if (text != "0" && text != "1") fail_at(t, "a signal's value is 0 or 1, not '" + text + "'");
    return text == "1";
  }

  int signal() {
    const token& t = peek();
    const std::string& name = identifier("a signal");
    for (int row = 0; row < input_signal_count + output_signal_count; ++row)
      if (name == table_signaux[row]) return row;
    fail_at(t, conditions::with_suggestion("unknown signal '" + name + "'", name, signal_names()));
  }

  void read_action() {
    action a{};
    a.line = line;
    const token& when = peek();
    a.at = time("time after 'at'");
    if (a.at < last_at) fail_at(when, "'at' time earlier than the previous 'at'");
    last_at = a.at;
    const token& verb = peek();
    const std::string& how = identifier("press, click, toggle or fault");
    if (how == "fault") {
      read_fault(a);
    } else if (how == "press" || how == "click" || how == "toggle") {
      read_button_action(a, how);
    } else {
      fail_at(verb, "unknown action '" + how + "' (press, click, toggle or fault)");
    }
    result.actions.push_back(a);
  }

  void read_button_action(action& a, const std::string& how) {
    read_button_kind(a, how);
    if (how != "press") return;
    keyword("for");
    const token& d = peek();
    a.duration = seconds("duration");
    if (a.duration == 0) fail_at(d, "a press lasts longer than 0 s");
  }

  // The button, which must be used the way the panel works: held, clicked
  // or toggled.
  void read_button_kind(action& a, const std::string& how) {
    const button_name& b = button();
    const token& t = tokens[pos - 1];
    if (how == "press" && b.how != action::press)
      fail_at(t, std::string(b.label) + " is not held: " + usage(b));
    if (how == "click" && b.how != action::click)
      fail_at(t, std::string(b.label) + " is not clicked: " + usage(b));
    if (how == "toggle" && b.how != action::toggle)
      fail_at(t, std::string(b.label) + " is not toggled: " + usage(b));
    a.kind = b.how;
    a.button = b.button;
  }

  // at T fault SIGNAL = V [for D]
  void read_fault(action& a) {
    a.kind = action::fault;
    a.signal = signal();
    symbol("=");
    a.value = signal_value();
    a.duration = forever;
    if (at_word("for")) {
      ++pos;
      const token& d = peek();
      a.duration = seconds("duration");
      if (a.duration == 0) fail_at(d, "a fault lasts longer than 0 s");
    }
  }

  static std::string usage(const button_name& b) {
    const std::string label = b.label;
    switch (b.how) {
      case action::press: return "at T press " + label + " for D";
      case action::click: return "at T click " + label;
      default: return "at T toggle " + label;
    }
  }

  const button_name& button() {
    const token& t = peek();
    if (t.kind == token::quoted) fail_missing("button");
    const std::string& label = identifier("button");
    for (const auto& b : buttons)
      if (label == b.label) return b;
    if (label == "a" && at_word("propos"))
      fail_at(t, "\"a propos\" opens a dialog that would block the run");
    if (label == "quit") fail_at(t, "quit is not scripted: 'end T' ends the run");
    std::vector<std::string> labels;
    for (const auto& b : buttons) labels.emplace_back(b.label);
    fail_at(t, conditions::with_suggestion(
                   "unknown button '" + label +
                       "' (INIT, DC, AC, ATU, interv., piece, couvercle, REDESSINER, PV)",
                   label, labels));
  }

  void read_expectation() {
    expectation e = started(expectation::message_count);
    if (peek().kind == token::end) fail("missing what to expect");
    if (at_word("never") && tokens[pos + 1].kind == token::quoted) {
      ++pos;
      e.kind = expectation::message_never;
      e.message = message();
    } else if (peek().kind == token::quoted && tokens[pos + 1].kind == token::identifier &&
               tokens[pos + 1].text == "within") {
      read_within(e);
    } else if (peek().kind == token::quoted ||
               (tokens[pos + 1].kind == token::identifier && tokens[pos + 1].text == "count")) {
      read_message_count(e);
    } else if (peek().kind == token::identifier && tokens[pos + 1].kind == token::symbol &&
               tokens[pos + 1].text == "=") {
      e.kind = expectation::signal_value;
      e.signal = signal();
      symbol("=");
      e.value = signal_value();
      keyword("at");
      e.at = time("time after 'at'");
    } else {
      read_within(e);
    }
    result.expectations.push_back(e);
  }

  void read_message_count(expectation& e) {
    e.kind = expectation::message_count;
    e.message = message();
    keyword("count");
    e.count = count();
    keyword("by");
    e.at = time("time after 'by'");
  }

  int count() {
    const token& t = peek();
    const std::string& text = identifier("count");
    if (text[0] == '-' && text.find_first_not_of("0123456789", 1) == std::string::npos)
      fail_at(t, "a count is not negative");
    if (text.find_first_not_of("0123456789") != std::string::npos)
      fail_at(t, "bad count '" + text + "' (a whole number)");
    if (text.size() > 10 || std::stoll(text) > INT_MAX) fail_at(t, "count " + text + " is too large");
    return std::stoi(text);
  }

  // expect A within D after B
  void read_within(expectation& e) {
    e.kind = expectation::within;
    e.target = happening_here();
    keyword("within");
    e.deadline_after = seconds("duration after 'within'");
    keyword("after");
    e.trigger = happening_here();
  }

  happening happening_here() {
    happening h;
    if (peek().kind == token::quoted)
      h.message = message();
    else
      h.cond = condition();
    return h;
  }

  conditions::condition condition() {
    conditions::vocabulary scenario_words;
    scenario_words.outputs = true;
    try {
      return conditions::parse_condition(tokens, pos, result.conditions, scenario_words);
    } catch (const conditions::syntax_error& e) {
      throw line_error{e.col, e.reason};
    }
  }

  void read_always(bool negated) {
    expectation e = started(expectation::always);
    e.negated = negated;
    e.cond = condition();
    read_span(e);
    result.expectations.push_back(e);
  }

  void read_check() {
    expectation e = started(expectation::outcome);
    const token& t = peek();
    const std::string& name = identifier("what to check (glued, lids, jacks or all)");
    std::vector<std::string> names;
    for (const auto& o : outcome_names) {
      if (name == o.name) e.outcomes = o.outcomes;
      names.emplace_back(o.name);
    }
    if (!e.outcomes)
      fail_at(t, conditions::with_suggestion("unknown check '" + name + "' (glued, lids, jacks or all)",
                                             name, names));
    read_span(e);
    result.expectations.push_back(e);
  }

  // [from T1] [to T2]
  void read_span(expectation& e) {
    if (at_word("from")) {
      ++pos;
      e.from = time("time after 'from'");
    }
    if (at_word("to")) {
      ++pos;
      const token& t = peek();
      e.to = time("time after 'to'");
      if (e.to < e.from) fail_at(t, "'to' earlier than 'from'");
    }
  }

  expectation started(expectation::kind_t kind) const {
    expectation e{};
    e.kind = kind;
    e.line = line;
    e.text = statement_text;
    return e;
  }

  std::string message() {
    const token& t = peek();
    if (t.kind == token::end) fail("missing message");
    if (t.kind != token::quoted) fail("a message is written in double quotes: \"" + t.text + "\"");
    if (t.text.empty()) fail("empty message");
    ++pos;
    return t.text;
  }

  // explore click B every A..B | press B for A..B every C..D | toggle PV
  // every A..B | fault S = V for A..B every C..D | from T | for D
  void read_explore() {
    exploration& x = result.explore;
    const token& verb = peek();
    const std::string& how = identifier("click, press, toggle, fault, from or for");
    if (how == "from") {
      x.from = time("time after 'from'");
      return;
    }
    if (how == "for") {
      const token& d = peek();
      x.length = seconds("length after 'for'");
      if (*x.length == 0) fail_at(d, "an explored run lasts longer than 0 s");
      return;
    }
    explore_rule rule;
    rule.line = line;
    if (how == "fault") {
      rule.kind = action::fault;
      rule.signal = signal();
      symbol("=");
      rule.value = signal_value();
    } else if (how == "press" || how == "click" || how == "toggle") {
      action a{};
      read_button_kind(a, how);
      rule.kind = a.kind;
      rule.button = a.button;
    } else {
      fail_at(verb, "unknown exploration '" + how + "' (click, press, toggle, fault, from or for)");
    }
    if (rule.kind == action::press || rule.kind == action::fault) {
      keyword("for");
      const token& d = peek();
      rule.hold = range("duration");
      if (rule.hold.low == 0) fail_at(d, "a duration is longer than 0 s");
    }
    keyword("every");
    const token& interval = peek();
    rule.every = range("interval");
    if (rule.every.low == 0)
      fail_at(interval, "an interval is longer than 0 s: the action would repeat in one turn");
    x.rules.push_back(rule);
  }

  // A..B in seconds, A at most B.
  time_range range(const char* what) {
    const token& t = peek();
    time_range r;
    r.low = seconds(what);
    symbol("..");
    r.high = seconds(what);
    if (r.high < r.low) fail_at(t, std::string("an empty range: ") + what + " " +
                                       format_seconds(r.low) + ".." + format_seconds(r.high));
    return r;
  }

  void read_end() {
    const token& t = tokens[pos - 1];
    if (result.end) fail_at(t, "a second 'end'");
    result.end = seconds("time after 'end'");
  }

  scenario& result;
  int line;
  micros& last_at;
  std::vector<written_time>& times;
  std::vector<token> tokens;
  size_t pos = 0;
  std::string statement_text;
};

std::string where(const std::string& file, int line, int col) {
  return file + ":" + std::to_string(line) + ":" + std::to_string(col) + ": ";
}

// Times beyond the end could never be reached: the scenario is wrong, not
// the controller.
void check_against_end(const scenario& s, const std::vector<written_time>& times,
                       const std::string& file) {
  if (!s.end) return;
  for (const auto& t : times)
    if (t.time > *s.end && t.time != forever)
      throw scenario_error(where(file, t.line, t.col) + "time after the end (" +
                           format_seconds(*s.end) + ")");
}

}  // namespace

scenario parse_scenario(std::istream& in, const std::string& file_name) {
  scenario s;
  micros last_at = 0;
  std::vector<written_time> times;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    // A byte-order mark, as some editors write, is no part of the text.
    if (line == 1 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    const size_t bad = first_bad_utf8(text);
    if (bad != std::string::npos)
      throw scenario_error(where(file_name, line, column_of(text, bad)) +
                           "a byte that is not UTF-8 text");
    // Anywhere else it is an invisible character that would only confuse.
    const size_t mark = text.find("\xEF\xBB\xBF");
    if (mark != std::string::npos)
      throw scenario_error(where(file_name, line, column_of(text, mark)) +
                           "a byte-order mark inside the file");
    try {
      statement_reader(s, line, last_at, times).read(text);
    } catch (const line_error& e) {
      throw scenario_error(where(file_name, line, e.col) + e.reason);
    }
  }
  check_against_end(s, times, file_name);
  return s;
}

scenario read_scenario_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw scenario_error(path + ": cannot be read");
  return parse_scenario(in, path);
}

const char* button_label(panel_button b) {
  for (const auto& n : buttons)
    if (n.button == b) return n.label;
  return "?";
}

std::string format_action(const action& a) {
  std::string text = "at " + format_seconds(a.at) + " ";
  switch (a.kind) {
    case action::press:
      return text + "press " + button_label(a.button) + " for " + format_seconds(a.duration);
    case action::click: return text + "click " + button_label(a.button);
    case action::toggle: return text + "toggle " + button_label(a.button);
    case action::fault:
      text += std::string("fault ") + table_signaux[a.signal] + " = " + std::to_string(a.value);
      return a.duration == forever ? text : text + " for " + format_seconds(a.duration);
  }
  return text;
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
