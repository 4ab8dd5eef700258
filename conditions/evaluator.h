// Evaluates the conditions of a pool turn after turn. An edge is true in a
// turn when its operand is true there and was false in the turn before; at
// the first turn nothing has changed, so no edge is true.
#pragma once

#include <cstdint>
#include <vector>

#include "conditions/expression.h"

namespace conditions {

// The values of the leaves in the current turn.
class leaf_values {
 public:
  virtual ~leaf_values() = default;
  virtual bool signal(int row) const = 0;
  virtual bool step_active(int /*step*/) const { return false; }
  virtual bool timer_done(int /*step*/, int64_t /*duration_ms*/) const { return false; }
};

class evaluator {
 public:
  // The pool must outlive the evaluator and not grow any more.
  explicit evaluator(const expression_pool& pool);

  // Once at the start of every turn, before any value: each edge compares
  // its operand now with the turn before.
  void start_turn(const leaf_values& leaves);
  // A condition's value in this turn. With edges_visible false every edge
  // reads false (a chart searching a stable situation sees an edge in its
  // first pass only).
  bool value(const condition& c, const leaf_values& leaves, bool edges_visible = true);

 private:
  bool node_value(int n, const leaf_values& leaves, bool edges_visible) const;

  const expression_pool& pool;
  std::vector<char> values;  // by node, for the condition being evaluated
  std::vector<char> edge_previous, edge_now;
  int last_edge_node = -1;
  bool started = false;
};

}  // namespace conditions
