// Conditions: signal names (inputs lower case, outputs upper case), 0, 1,
// not, and, or, parentheses, rise(x) and fall(x); in charts also the step
// variables Xn and the step timers t(Xn, D). Read into nodes of one pool per
// file, so that evaluating them never looks a name up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conditions/token.h"

namespace conditions {

// A node's operands have smaller indices than the node itself, and the
// nodes of one condition are contiguous in the pool.
struct node {
  enum kind_t { constant, signal, step_active, timer, negation, conjunction, disjunction, rise, fall };
  kind_t kind;
  int a = -1;         // operand node; row of the signal table (signal); step (step_active, timer)
  int b = -1;         // second operand node (conjunction, disjunction)
  int edge = -1;      // slot of the edge memory (rise, fall)
  int64_t value = 0;  // constant value; duration in milliseconds (timer)
};

// One condition: its nodes first..root.
struct condition {
  int first = -1;
  int root = -1;
};

struct expression_pool {
  std::vector<node> nodes;
  int edge_count = 0;

  int add(const node& n);
};

// What a file language lets its conditions name besides the inputs.
struct vocabulary {
  bool outputs = false;  // output names (scenarios)
  bool steps = false;    // Xn and t(Xn, D) (charts)
};

// A mistake at a column of the line; the file language adds where.
struct syntax_error {
  int col;
  std::string reason;
};

// A step variable, as written: the chart resolves its number to a step once
// every step is declared, and sets the node's operand.
struct step_reference {
  int node;
  int number;
  int col;
};

// Nesting deeper than this (parentheses, not, rise, fall) is refused: no
// person writes it, and it would only exhaust the stack.
constexpr int max_nesting = 200;
// Longer step timers are mistakes (a year, in milliseconds).
constexpr int64_t max_duration_ms = 365LL * 24 * 3600 * 1000;
// Step numbers up to this many digits fit an int.
constexpr size_t max_step_digits = 9;

// Reads one condition from tokens[pos] on, or < and < not < primary, and
// leaves pos at the first token that cannot continue it. Throws
// syntax_error. Step variables go to steps (charts only).
condition parse_condition(const std::vector<token>& tokens, size_t& pos, expression_pool& pool,
                          const vocabulary& words, std::vector<step_reference>* steps = nullptr);

// True for X followed by a step number.
bool is_step_variable(const std::string& word);

// The rows of the signal table a condition reads, each once, in row order.
std::vector<int> signals_read(const expression_pool& pool, const condition& c);

}  // namespace conditions
