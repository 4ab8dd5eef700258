#include "conditions/expression.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "conditions/suggest.h"
#include "iolink/signals.h"

namespace conditions {

int expression_pool::add(const node& n) {
  nodes.push_back(n);
  return static_cast<int>(nodes.size()) - 1;
}

bool is_step_variable(const std::string& word) {
  return word.size() > 1 && word.size() <= max_step_digits + 1 && word[0] == 'X' &&
         std::all_of(word.begin() + 1, word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<int> signals_read(const expression_pool& pool, const condition& c) {
  std::vector<int> rows;
  for (int n = c.first; n <= c.root; ++n)
    if (pool.nodes[n].kind == node::signal) rows.push_back(pool.nodes[n].a);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

namespace {

class condition_parser {
 public:
  condition_parser(const std::vector<token>& tokens, size_t& pos, expression_pool& pool,
                   const vocabulary& words, std::vector<step_reference>* steps)
      : tokens(tokens), pos(pos), pool(pool), words(words), steps(steps) {}

  condition read() {
    int first = static_cast<int>(pool.nodes.size());
    int root = expression();
    return {first, root};
  }

 private:
  const token& peek() const { return tokens[pos]; }
  bool at_word(const std::string& word) const {
    return peek().kind == token::identifier && peek().text == word;
  }
  bool at_symbol(const std::string& symbol) const {
    return peek().kind == token::symbol && peek().text == symbol;
  }
  [[noreturn]] void fail(const std::string& reason) const { throw syntax_error{peek().col, reason}; }
  [[noreturn]] void fail_expected(const std::string& what) const {
    if (peek().kind == token::end) fail("expected " + what + " before the end of the line");
    fail("expected " + what + ", found '" + peek().text + "'");
  }
  void expect(const std::string& symbol) {
    if (!at_symbol(symbol)) fail_expected("'" + symbol + "'");
    ++pos;
  }

  // Every level that recurses goes through here.
  class nesting {
   public:
    explicit nesting(condition_parser& p) : p(p) {
      if (++p.depth > max_nesting)
        p.fail("condition nested deeper than " + std::to_string(max_nesting) + " levels");
    }
    ~nesting() { --p.depth; }

   private:
    condition_parser& p;
  };

  int expression() {
    nesting level(*this);
    int left = conjunction();
    while (at_word("or")) {
      ++pos;
      int right = conjunction();
      left = pool.add({node::disjunction, left, right});
    }
    return left;
  }

  int conjunction() {
    int left = negation();
    while (at_word("and")) {
      ++pos;
      int right = negation();
      left = pool.add({node::conjunction, left, right});
    }
    return left;
  }

  int negation() {
    if (!at_word("not")) return primary();
    nesting level(*this);
    ++pos;
    int operand = negation();
    return pool.add({node::negation, operand});
  }

  int primary() {
    const token& t = peek();
    if (at_symbol("(")) {
      ++pos;
      int inner = expression();
      expect(")");
      return inner;
    }
    if (t.kind == token::number) return constant();
    if (t.kind != token::identifier) fail_expected("a condition");
    if (t.text == "rise" || t.text == "fall") return edge(t.text == "rise" ? node::rise : node::fall);
    if (words.steps && t.text == "t" && tokens[pos + 1].kind == token::symbol &&
        tokens[pos + 1].text == "(")
      return timer();
    if (words.steps && is_step_variable(t.text)) return step_variable();
    return signal();
  }

  int constant() {
    const token& t = peek();
    if (t.text != "0" && t.text != "1") fail("expected 0 or 1, found '" + t.text + "'");
    ++pos;
    node n{node::constant};
    n.value = t.text == "1";
    return pool.add(n);
  }

  int signal() {
    const std::string& name = peek().text;
    const int count = words.outputs ? input_signal_count + output_signal_count : input_signal_count;
    for (int row = 0; row < count; ++row) {
      if (name == table_signaux[row]) {
        ++pos;
        return pool.add({node::signal, row});
      }
    }
    const std::vector<std::string> names(table_signaux, table_signaux + count);
    const char* what = words.outputs ? "unknown signal '" : "unknown input '";
    fail(with_suggestion(what + name + "'", name, names));
  }

  int edge(node::kind_t kind) {
    ++pos;
    expect("(");
    int inner = expression();
    expect(")");
    node n{kind, inner};
    n.edge = pool.edge_count++;
    return pool.add(n);
  }

  // Xn: the step is resolved by the chart.
  int step_variable() {
    const token& t = tokens[pos++];
    int n = pool.add({node::step_active});
    steps->push_back({n, std::stoi(t.text.substr(1)), t.col});
    return n;
  }

  int timer() {
    pos += 2;  // t (
    if (peek().kind != token::identifier || !is_step_variable(peek().text))
      fail_expected("a step variable Xn");
    const token& x = tokens[pos++];
    expect(",");
    node n{node::timer};
    n.value = duration();
    expect(")");
    int index = pool.add(n);
    steps->push_back({index, std::stoi(x.text.substr(1)), x.col});
    return index;
  }

  // A number followed by ms or s, in whole milliseconds.
  int64_t duration() {
    if (peek().kind != token::number) fail_expected("a duration such as 2s or 500ms");
    const token& amount = tokens[pos++];
    errno = 0;
    double value = std::strtod(amount.text.c_str(), nullptr);
    bool fits = errno != ERANGE && std::isfinite(value);
    if (at_word("ms")) {
      ++pos;
    } else if (at_word("s")) {
      ++pos;
      value *= 1000;
    } else {
      fail_expected("a unit, ms or s");
    }
    if (!fits || value > static_cast<double>(max_duration_ms))
      throw syntax_error{amount.col, "duration " + amount.text + tokens[pos - 1].text +
                                         " is longer than a year"};
    return static_cast<int64_t>(value + 0.5);
  }

  const std::vector<token>& tokens;
  size_t& pos;
  expression_pool& pool;
  const vocabulary& words;
  std::vector<step_reference>* steps;
  int depth = 0;
};

}  // namespace

condition parse_condition(const std::vector<token>& tokens, size_t& pos, expression_pool& pool,
                          const vocabulary& words, std::vector<step_reference>* steps) {
  return condition_parser(tokens, pos, pool, words, steps).read();
}

}  // namespace conditions
