#include "grafcet/parser.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <sstream>

#include "conditions/suggest.h"
#include "grafcet/lexer.h"
#include "iolink/signals.h"

namespace grafcet {

std::string format_diagnostic(const std::string& file, const diagnostic& d) {
  return file + ":" + std::to_string(d.line) + ":" + std::to_string(d.col) + ": " +
         (d.warning ? "warning: " : "") + d.reason;
}

namespace {

// Thrown inside one statement; the parser records it and goes on with the
// next line, so that one run shows every mistake.
using conditions::syntax_error;
using conditions::with_suggestion;

// A step number as written, to be checked once every step is declared.
struct step_use {
  int number;
  int line;
  int col;
};

std::vector<std::string> signal_names(int first, int count) {
  std::vector<std::string> names;
  for (int row = first; row < first + count; ++row) names.emplace_back(table_signaux[row]);
  return names;
}

int signal_row(const std::string& name, int first, int count) {
  for (int row = first; row < first + count; ++row)
    if (name == table_signaux[row]) return row - first;
  return -1;
}

using conditions::max_step_digits;

// The statements of the language, by their first word.
const std::vector<std::string> keywords = {"grafcet", "initial", "step"};

class chart_parser {
 public:
  parse_result run(const std::string& text) {
    std::istringstream in(text);
    std::string line_text;
    while (std::getline(in, line_text)) {
      ++line;
      try {
        statement(line_text);
      } catch (const syntax_error& e) {
        error(line, e.col, e.reason);
      }
    }
    resolve();
    std::sort(result.errors.begin(), result.errors.end(), by_position);
    std::sort(result.warnings.begin(), result.warnings.end(), by_position);
    result.model = std::move(model);
    return std::move(result);
  }

 private:
  static bool by_position(const diagnostic& x, const diagnostic& y) {
    return x.line != y.line ? x.line < y.line : x.col < y.col;
  }

  void error(int l, int c, const std::string& reason) { result.errors.push_back({l, c, reason}); }
  void warning(int l, int c, const std::string& reason) { result.warnings.push_back({l, c, reason, true}); }

  // ------------------------------------------------------------ tokens

  const token& peek() const { return tokens[pos]; }
  bool at(const std::string& text) const { return peek().kind != token::end && peek().text == text; }
  bool at_word(const std::string& word) const { return peek().kind == token::identifier && peek().text == word; }
  [[noreturn]] void fail(const std::string& reason) const { throw syntax_error{peek().col, reason}; }
  [[noreturn]] void fail_expected(const std::string& what) const {
    const token& t = peek();
    if (t.kind == token::end) fail("expected " + what + " before the end of the line");
    fail("expected " + what + ", found '" + t.text + "'");
  }
  void expect(const std::string& symbol) {
    if (peek().kind != token::symbol || peek().text != symbol) fail_expected("'" + symbol + "'");
    ++pos;
  }
  void expect_word(const std::string& word) {
    if (!at_word(word)) fail_expected("'" + word + "'");
    ++pos;
  }
  void expect_end() {
    if (peek().kind != token::end) fail("unexpected '" + peek().text + "' after the statement");
  }
  std::string identifier(const std::string& what) {
    if (peek().kind != token::identifier) fail_expected(what);
    return tokens[pos++].text;
  }
  step_use step_number() {
    const token& t = peek();
    if (t.kind != token::number || t.text.find('.') != std::string::npos) fail_expected("a step number");
    if (t.text.size() > max_step_digits) fail("step number " + t.text + " is too large");
    ++pos;
    return {std::stoi(t.text), line, t.col};
  }
  std::vector<step_use> step_list() {
    std::vector<step_use> list = {step_number()};
    while (at(",")) {
      ++pos;
      list.push_back(step_number());
    }
    return list;
  }

  // -------------------------------------------------------- statements

  void statement(const std::string& text) {
    line_text = text;
    tokens = tokenize(text);
    pos = 0;
    for (const token& t : tokens)
      if (t.kind == token::invalid) throw syntax_error{t.col, "unexpected character '" + t.text + "'"};
    const token& first = peek();
    if (first.kind == token::end) return;
    if (first.kind == token::number) return numbered_statement();
    if (at_word("grafcet")) return grafcet_statement();
    if (at_word("step")) return step_statement(false);
    if (at_word("initial")) {
      ++pos;
      return step_statement(true);
    }
    fail(with_suggestion("unknown statement '" + first.text + "'", first.text, keywords));
  }

  void grafcet_statement() {
    ++pos;
    int col = peek().col;
    std::string name = identifier("a grafcet name");
    expect_end();
    int existing = model.grafcet_index(name);
    if (existing >= 0) throw syntax_error{col, "grafcet '" + name + "' is already declared at line " +
                                                   std::to_string(grafcet_lines[existing])};
    current_grafcet = model.add_grafcet(name);
    grafcet_lines.push_back(line);
  }

  void step_statement(bool initial) {
    expect_word("step");
    step_use s = step_number();
    expect_end();
    int existing = model.step_index(s.number);
    if (existing >= 0)
      throw syntax_error{s.col, "step " + std::to_string(s.number) + " is already declared at line " +
                                    std::to_string(model.steps[existing].line)};
    if (current_grafcet < 0) {
      // A chart without a grafcet statement is one grafcet named G.
      current_grafcet = model.add_grafcet("G");
      grafcet_lines.push_back(line);
    }
    model.add_step({s.number, initial, current_grafcet, line});
  }

  void numbered_statement() {
    if (tokens[pos + 1].kind == token::symbol && tokens[pos + 1].text == ":") return action_statement();
    pending_transition t;
    t.upstream = step_list();
    expect("->");
    t.downstream = step_list();
    expect(":");
    t.text = rest_of_line();
    t.receptivity = expression();
    expect_end();
    t.line = line;
    transitions.push_back(std::move(t));
  }

  void action_statement() {
    pending_action a;
    a.owner = step_number();
    expect(":");
    a.text = rest_of_line();
    if (at_word("force")) {
      ++pos;
      a.kind = action::forcing;
      a.grafcet_col = peek().col;
      a.grafcet_name = identifier("a grafcet name");
      expect("{");
      if (!at("}")) a.forced = step_list();
      expect("}");
      expect_end();
      actions.push_back(std::move(a));
      return;
    }
    int col = peek().col;
    std::string name = identifier("an output name");
    a.output = signal_row(name, input_signal_count, output_signal_count);
    if (a.output < 0)
      throw syntax_error{col, with_suggestion("unknown output '" + name + "'", name,
                                              signal_names(input_signal_count, output_signal_count))};
    a.output_col = col;
    if (at_word("if")) {
      ++pos;
      a.kind = action::conditional;
      a.condition = expression();
    } else if (at(":=")) {
      ++pos;
      if (!at("0") && !at("1")) fail_expected("0 or 1");
      a.value = tokens[pos++].text == "1";
      expect_word("on");
      if (at_word("entry")) {
        a.kind = action::stored_on_entry;
      } else if (at_word("exit")) {
        a.kind = action::stored_on_exit;
      } else {
        fail_expected("'entry' or 'exit'");
      }
      ++pos;
    } else {
      a.kind = action::continuous;
    }
    expect_end();
    actions.push_back(std::move(a));
  }

  std::string rest_of_line() const {
    int from = peek().col - 1;
    int to = tokens.back().col - 1;
    return to > from ? line_text.substr(from, to - from) : "";
  }

  // ------------------------------------------------------- conditions

  conditions::condition expression() {
    conditions::vocabulary chart_words;
    chart_words.steps = true;
    std::vector<conditions::step_reference> references;
    conditions::condition c =
        conditions::parse_condition(tokens, pos, model.conditions, chart_words, &references);
    for (const auto& r : references) step_refs.push_back({r.node, {r.number, line, r.col}});
    return c;
  }

  // ------------------------------------------------------- resolution

  struct pending_transition {
    std::vector<step_use> upstream, downstream;
    conditions::condition receptivity;
    std::string text;
    int line = 0;
  };

  struct pending_action {
    action::kind_t kind = action::continuous;
    step_use owner{};
    int output = -1;
    int output_col = 0;
    int value = 0;
    conditions::condition condition;
    std::string grafcet_name;
    int grafcet_col = 0;
    std::vector<step_use> forced;
    std::string text;
  };

  // The step index of a use, or -1 with the error recorded.
  int resolve_step(const step_use& use) {
    int index = model.step_index(use.number);
    if (index < 0) error(use.line, use.col, "step " + std::to_string(use.number) + " is not declared");
    return index;
  }

  bool resolve_steps(const std::vector<step_use>& uses, std::vector<int>& indices) {
    bool ok = true;
    for (const step_use& u : uses) {
      int index = resolve_step(u);
      ok = ok && index >= 0;
      indices.push_back(index);
    }
    return ok;
  }

  void resolve() {
    if (model.steps.empty()) error(std::max(line, 1), 1, "the chart declares no step");
    for (size_t g = 0; g < model.grafcets.size(); ++g) {
      const partial_grafcet& pg = model.grafcets[g];
      bool has_initial = std::any_of(pg.steps.begin(), pg.steps.end(), [&](int s) { return model.steps[s].initial; });
      if (!has_initial) error(grafcet_lines[g], 1, "grafcet '" + pg.name + "' has no initial step");
    }
    for (auto& [n, use] : step_refs) {
      int index = resolve_step(use);
      model.conditions.nodes[n].a = index;
    }
    for (pending_transition& p : transitions) resolve_transition(p);
    std::map<int, step_use> level_use, stored_use;  // by output: where first written
    for (pending_action& p : actions) resolve_action(p, level_use, stored_use);
    if (!result.errors.empty()) return;
    warn_about_dead_steps();
    warn_about_contradicting_stored_actions();
  }

  void resolve_transition(pending_transition& p) {
    transition t;
    t.receptivity = p.receptivity;
    t.text = p.text;
    t.line = p.line;
    bool ok = resolve_steps(p.upstream, t.upstream);
    ok = resolve_steps(p.downstream, t.downstream) && ok;
    if (!ok) return;
    t.grafcet = model.steps[t.upstream[0]].grafcet;
    std::vector<step_use> all = p.upstream;
    all.insert(all.end(), p.downstream.begin(), p.downstream.end());
    for (const step_use& u : all) {
      int g = model.steps[model.step_index(u.number)].grafcet;
      if (g != t.grafcet) {
        error(u.line, u.col, "step " + std::to_string(u.number) + " belongs to grafcet '" +
                                 model.grafcets[g].name + "', not to '" + model.grafcets[t.grafcet].name + "'");
        return;
      }
    }
    model.transitions.push_back(std::move(t));
  }

  void resolve_action(pending_action& p, std::map<int, step_use>& level_use, std::map<int, step_use>& stored_use) {
    action a;
    a.kind = p.kind;
    a.step = resolve_step(p.owner);
    a.output = p.output;
    a.value = p.value;
    a.condition = p.condition;
    a.text = p.text;
    a.line = p.owner.line;
    a.col = a.kind == action::forcing ? p.grafcet_col : p.output_col;
    if (a.kind == action::forcing) {
      if (!resolve_forcing(p, a)) return;
    } else {
      check_output_kind(p, level_use, stored_use);
    }
    if (a.step >= 0) model.actions.push_back(std::move(a));
  }

  bool resolve_forcing(const pending_action& p, action& a) {
    a.forced_grafcet = model.grafcet_index(p.grafcet_name);
    if (a.forced_grafcet < 0) {
      std::vector<std::string> names;
      for (const partial_grafcet& g : model.grafcets) names.push_back(g.name);
      error(p.owner.line, p.grafcet_col,
            with_suggestion("unknown grafcet '" + p.grafcet_name + "'", p.grafcet_name, names));
      return false;
    }
    if (a.step >= 0 && model.steps[a.step].grafcet == a.forced_grafcet) {
      // Its own order would either hold it for good or clear the very step
      // that gives the order.
      error(p.owner.line, p.grafcet_col,
            "grafcet '" + p.grafcet_name + "' cannot force itself (step " + std::to_string(p.owner.number) +
                " is one of its steps)");
      return false;
    }
    if (a.step >= 0) {
      auto [first, fresh] = forcing_lines.emplace(std::make_pair(a.step, a.forced_grafcet), p.owner.line);
      if (!fresh) {
        error(p.owner.line, p.grafcet_col,
              "step " + std::to_string(p.owner.number) + " already forces grafcet '" + p.grafcet_name +
                  "' at line " + std::to_string(first->second));
        return false;
      }
    }
    if (!resolve_steps(p.forced, a.forced_steps)) return false;
    for (size_t i = 0; i < p.forced.size(); ++i) {
      if (model.steps[a.forced_steps[i]].grafcet != a.forced_grafcet) {
        error(p.forced[i].line, p.forced[i].col,
              "step " + std::to_string(p.forced[i].number) + " is not in grafcet '" + p.grafcet_name + "'");
        return false;
      }
    }
    forced_steps.insert(forced_steps.end(), a.forced_steps.begin(), a.forced_steps.end());
    return true;
  }

  // An output is either a level (continuous or conditional actions) or a
  // stored value, never both: the two would fight over it every turn.
  void check_output_kind(const pending_action& p, std::map<int, step_use>& level_use,
                         std::map<int, step_use>& stored_use) {
    bool level = p.kind == action::continuous || p.kind == action::conditional;
    step_use here{p.owner.number, p.owner.line, p.output_col};
    auto& same = level ? level_use : stored_use;
    auto& other = level ? stored_use : level_use;
    same.emplace(p.output, here);
    auto found = other.find(p.output);
    if (found == other.end()) return;
    std::string name = table_signaux[input_signal_count + p.output];
    error(here.line, here.col,
          "output " + name + " is written " + (level ? "as a level here and as a stored value" :
                                                       "as a stored value here and as a level") +
              " at line " + std::to_string(found->second.line));
  }

  // A step that nothing activates, or that nothing deactivates, is most
  // likely a transition forgotten.
  void warn_about_dead_steps() {
    std::vector<bool> way_in(model.steps.size()), way_out(model.steps.size());
    for (const transition& t : model.transitions) {
      for (int s : t.downstream) way_in[s] = true;
      for (int s : t.upstream) way_out[s] = true;
    }
    for (int s : forced_steps) way_in[s] = true;
    for (size_t s = 0; s < model.steps.size(); ++s) {
      const step& st = model.steps[s];
      std::string name = "step " + std::to_string(st.number);
      if (!way_in[s] && !st.initial) warning(st.line, 1, name + " has no way in");
      if (!way_out[s]) warning(st.line, 1, name + " has no way out");
    }
  }

  // Stored actions that run in one clearing whenever it happens (on entry of
  // the initial steps, on entry of the steps a transition enters, on exit of
  // those it leaves) and write 1 and 0 to one output: 0 applies, which the
  // author most likely did not mean. One warning for each pair of actions.
  void warn_about_contradicting_stored_actions() {
    std::vector<std::vector<int>> on_entry(model.steps.size()), on_exit(model.steps.size());
    for (size_t a = 0; a < model.actions.size(); ++a) {
      const action& act = model.actions[a];
      if (act.kind == action::stored_on_entry) on_entry[act.step].push_back(static_cast<int>(a));
      if (act.kind == action::stored_on_exit) on_exit[act.step].push_back(static_cast<int>(a));
    }
    std::vector<int> initial;
    for (size_t s = 0; s < model.steps.size(); ++s)
      if (model.steps[s].initial) initial.push_back(static_cast<int>(s));
    warn_if_contradicting(initial, on_entry, "at the first turn (initial steps)");
    for (const transition& t : model.transitions) {
      std::string when = "whenever the transition at line " + std::to_string(t.line) + " fires";
      warn_if_contradicting(t.upstream, on_exit, when);
      warn_if_contradicting(t.downstream, on_entry, when);
    }
  }

  // For each output, the first action of these steps writing 1 against the
  // first writing 0, warned at the one written later.
  void warn_if_contradicting(const std::vector<int>& steps, const std::vector<std::vector<int>>& actions_by_step,
                             const std::string& when) {
    std::map<int, std::array<int, 2>> first_writing;  // by output, by value written: an action
    for (int s : steps) {
      for (int a : actions_by_step[s]) {
        const action& act = model.actions[a];
        int& first = first_writing.emplace(act.output, std::array<int, 2>{-1, -1}).first->second[act.value];
        if (first < 0) first = a;
      }
    }
    for (const auto& [output, writer] : first_writing) {
      if (writer[0] < 0 || writer[1] < 0 || !contradictions_warned.insert({writer[0], writer[1]}).second) continue;
      const action& later = model.actions[std::max(writer[0], writer[1])];
      const action& earlier = model.actions[std::min(writer[0], writer[1])];
      warning(later.line, later.col,
              std::string(table_signaux[input_signal_count + output]) + " is set to " + std::to_string(later.value) +
                  " here and to " + std::to_string(earlier.value) + " at line " + std::to_string(earlier.line) +
                  " in one clearing " + when + ": 0 applies");
    }
  }

  chart model;
  parse_result result;
  std::vector<int> grafcet_lines;
  int current_grafcet = -1;
  int line = 0;
  std::string line_text;
  std::vector<token> tokens;
  size_t pos = 0;
  std::vector<pending_transition> transitions;
  std::vector<pending_action> actions;
  std::vector<std::pair<int, step_use>> step_refs;  // node, step number
  std::vector<int> forced_steps;
  std::map<std::pair<int, int>, int> forcing_lines;  // by (step, forced grafcet): line of the order
  std::set<std::pair<int, int>> contradictions_warned;  // pairs of stored actions
};

}  // namespace

parse_result parse_chart(const std::string& text) { return chart_parser().run(text); }

}  // namespace grafcet
