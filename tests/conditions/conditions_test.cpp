// The one condition language: what it reads, how it evaluates turn after
// turn (edges included), and how it refuses what it cannot read.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "conditions/evaluator.h"
#include "conditions/expression.h"
#include "conditions/suggest.h"
#include "iolink/signals.h"

namespace {

using conditions::token;

// Names, numbers and the symbols ( ) , as a file language would cut them.
std::vector<token> words_of(const std::string& text) {
  std::vector<token> tokens;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    int col = static_cast<int>(i) + 1;
    if (text[i] == '(' || text[i] == ')' || text[i] == ',') {
      tokens.push_back({token::symbol, std::string(1, text[i++]), col});
      continue;
    }
    size_t start = i;
    const bool number = std::isdigit(static_cast<unsigned char>(text[i]));
    auto in_word = [&](char c) {
      if (number) return std::isdigit(static_cast<unsigned char>(c)) || c == '.';
      return c != ' ' && c != '(' && c != ')' && c != ',';
    };
    while (i < text.size() && in_word(text[i])) ++i;
    std::string word = text.substr(start, i - start);
    tokens.push_back({number ? token::number : token::identifier, word, col});
  }
  tokens.push_back({token::end, "", static_cast<int>(text.size()) + 1});
  return tokens;
}

int row_of(const std::string& name) {
  for (int row = 0; row < input_signal_count + output_signal_count; ++row)
    if (name == table_signaux[row]) return row;
  ADD_FAILURE() << "no signal " << name;
  return 0;
}

// The signals on in a turn, by name.
class named_values : public conditions::leaf_values {
 public:
  explicit named_values(const std::vector<std::string>& on) {
    for (const auto& name : on) rows[row_of(name)] = true;
  }
  bool signal(int row) const override { return rows.count(row) != 0; }

 private:
  std::map<int, bool> rows;
};

conditions::vocabulary scenario_words() {
  conditions::vocabulary v;
  v.outputs = true;
  return v;
}

struct evaluation_case {
  const char* text;
  std::vector<std::vector<std::string>> turns;  // the signals on, turn by turn
  std::string expected;                         // the value in each turn, '0' or '1'
};

// Each turn's value of one condition, as a string of 0 and 1.
std::string values_over(const evaluation_case& c) {
  conditions::expression_pool pool;
  auto tokens = words_of(c.text);
  size_t pos = 0;
  conditions::condition cond = parse_condition(tokens, pos, pool, scenario_words());
  EXPECT_EQ(tokens[pos].kind, token::end) << c.text << ": stopped at " << tokens[pos].text;
  conditions::evaluator evaluator(pool);
  std::string seen;
  for (const auto& on : c.turns) {
    named_values leaves(on);
    evaluator.start_turn(leaves);
    seen += evaluator.value(cond, leaves) ? '1' : '0';
  }
  return seen;
}

TEST(Conditions, EvaluateTurnAfterTurn) {
  const std::vector<evaluation_case> cases = {
      {"1", {{}, {}}, "11"},
      {"0", {{}}, "0"},
      {"dc", {{}, {"dc"}, {}}, "010"},
      {"not dc", {{}, {"dc"}}, "10"},
      {"dc and ac", {{"dc"}, {"dc", "ac"}, {"ac"}}, "010"},
      {"dc or ac", {{}, {"dc"}, {"ac"}}, "011"},
      // and binds tighter than or, not tighter than and.
      {"dc or ac and atu", {{"dc"}, {"ac"}, {"ac", "atu"}}, "101"},
      {"not dc and ac", {{"ac"}, {"dc", "ac"}}, "10"},
      {"(dc or ac) and atu", {{"dc"}, {"dc", "atu"}}, "01"},
      {"not (SORT and RENT)", {{"SORT"}, {"SORT", "RENT"}}, "10"},
      // Outputs are read like inputs, upper case.
      {"MT and not MTA", {{"MT"}, {"MT", "MTA"}}, "10"},
      // An edge: true in the turn its operand becomes true, never at the
      // first turn, where nothing has changed.
      {"rise(dc)", {{"dc"}, {"dc"}, {}, {"dc"}, {"dc"}}, "00010"},
      {"fall(dc)", {{}, {"dc"}, {}, {}}, "0010"},
      {"fall(dc)", {{"dc"}, {}}, "01"},
      {"rise(SORT and RENT)", {{"SORT"}, {"SORT", "RENT"}, {"SORT", "RENT"}, {"RENT"}}, "0100"},
      {"rise(not dc)", {{"dc"}, {}, {}}, "010"},
      {"rise(rise(dc))", {{}, {"dc"}, {"dc"}, {}, {"dc"}}, "01001"},
      {"rise(dc) or fall(dc)", {{}, {"dc"}, {"dc"}, {}}, "0101"},
      {"not rise(dc)", {{}, {"dc"}}, "10"},
  };
  for (const auto& c : cases) EXPECT_EQ(values_over(c), c.expected) << c.text;
}

TEST(Conditions, EdgesFollowTheirOperandEvenInTurnsNobodyAsksTheValue) {
  conditions::expression_pool pool;
  auto tokens = words_of("rise(dc)");
  size_t pos = 0;
  auto cond = parse_condition(tokens, pos, pool, scenario_words());
  conditions::evaluator evaluator(pool);
  for (const auto& on : std::vector<std::vector<std::string>>{{}, {"dc"}}) {
    named_values leaves(on);
    evaluator.start_turn(leaves);
  }
  named_values still({"dc"});
  evaluator.start_turn(still);
  EXPECT_FALSE(evaluator.value(cond, still)) << "dc rose a turn earlier";
}

TEST(Conditions, SignalsReadAreListedOnceInTableOrder) {
  conditions::expression_pool pool;
  auto tokens = words_of("rise(SORT) and (vb or SORT) and not vb");
  size_t pos = 0;
  auto cond = parse_condition(tokens, pos, pool, scenario_words());
  EXPECT_EQ(conditions::signals_read(pool, cond),
            (std::vector<int>{row_of("vb"), row_of("SORT")}));
}

TEST(Conditions, StopAtTheFirstWordThatCannotContinueThem) {
  conditions::expression_pool pool;
  auto tokens = words_of("dc and ac from 2");
  size_t pos = 0;
  parse_condition(tokens, pos, pool, scenario_words());
  EXPECT_EQ(tokens[pos].text, "from");
}

struct mistake_case {
  std::string text;
  bool chart;
  int col;
  std::string reason;
};

TEST(Conditions, MistakesNameTheirColumnAndSuggestOnlyCloseNames) {
  const std::string deep(201, '(');
  const std::string deep_not = [] {
    std::string s;
    for (int i = 0; i < 50000; ++i) s += "not ";
    return s + "dc";
  }();
  std::string deep_rise;
  for (int i = 0; i < 50000; ++i) deep_rise += "rise(";
  const std::vector<mistake_case> cases = {
      {"dc and", false, 7, "expected a condition before the end of the line"},
      {"dc and 2", false, 8, "expected 0 or 1, found '2'"},
      {"(dc", false, 4, "expected ')' before the end of the line"},
      {"vidd", false, 1, "unknown signal 'vidd' (did you mean 'vide'?)"},
      {"ASPY", false, 1, "unknown signal 'ASPY' (did you mean 'ASPI'?)"},
      {"emergency_button", false, 1, "unknown signal 'emergency_button'"},
      {"tx", false, 1, "unknown signal 'tx'"},
      // Charts read inputs only.
      {"MT", true, 1, "unknown input 'MT'"},
      {"X1", false, 1, "unknown signal 'X1'"},
      {"t(X1, 2)", true, 8, "expected a unit, ms or s, found ')'"},
      {"t(X1, 400d)", true, 10, "expected a unit, ms or s, found 'd'"},
      {"t(X1, 10000000000000000s)", true, 7, "duration 10000000000000000s is longer than a year"},
      {"t(X1, 366000000s)", true, 7, "duration 366000000s is longer than a year"},
      {deep + "dc", false, 201, "condition nested deeper than 200 levels"},
      {deep_not, false, 797, "condition nested deeper than 200 levels"},
      {deep_rise, false, 1001, "condition nested deeper than 200 levels"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    conditions::expression_pool pool;
    auto tokens = words_of(c.text);
    size_t pos = 0;
    conditions::vocabulary words = scenario_words();
    if (c.chart) words = conditions::vocabulary{false, true};
    std::vector<conditions::step_reference> steps;
    try {
      parse_condition(tokens, pos, pool, words, &steps);
      ADD_FAILURE() << "accepted";
    } catch (const conditions::syntax_error& e) {
      EXPECT_EQ(e.col, c.col);
      EXPECT_EQ(e.reason, c.reason);
    }
  }
}

TEST(Conditions, DurationsOfThreeHundredDigitsAreRefusedNotAborted) {
  conditions::expression_pool pool;
  auto tokens = words_of("t(X1, " + std::string(309, '9') + "ms)");
  size_t pos = 0;
  std::vector<conditions::step_reference> steps;
  EXPECT_THROW(parse_condition(tokens, pos, pool, conditions::vocabulary{false, true}, &steps),
               conditions::syntax_error);
}

TEST(ClosestName, CountsEditsIgnoringCaseWithSwapsAsOne) {
  EXPECT_EQ(conditions::name_distance("kitten", "sitting"), 3);
  EXPECT_EQ(conditions::name_distance("MT", "mt"), 0);
  EXPECT_EQ(conditions::name_distance("setp", "step"), 1);
  EXPECT_EQ(conditions::closest_name("vid", {"vh", "vide", "vb"}), "vide");
  EXPECT_EQ(conditions::closest_name("x", {}), "");
  // At most a third of the letters differ.
  EXPECT_EQ(conditions::closest_name("DESVV", {"DESV"}), "DESV");
  EXPECT_EQ(conditions::closest_name("emergency_button", {"timer10t", "atu"}), "");
  EXPECT_EQ(conditions::closest_name("pv", {"pp"}), "");
}

}  // namespace
