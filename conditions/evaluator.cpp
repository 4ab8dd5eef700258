#include "conditions/evaluator.h"

namespace conditions {

evaluator::evaluator(const expression_pool& p)
    : pool(p), values(p.nodes.size()), edge_previous(p.edge_count), edge_now(p.edge_count) {
  for (size_t n = 0; n < pool.nodes.size(); ++n)
    if (pool.nodes[n].kind == node::rise || pool.nodes[n].kind == node::fall)
      last_edge_node = static_cast<int>(n);
}

// Operands come before their nodes, so one pass in index order up to the
// last edge knows every operand (inner edges included) when it is needed.
void evaluator::start_turn(const leaf_values& leaves) {
  for (int n = 0; n <= last_edge_node; ++n) {
    const node& x = pool.nodes[n];
    if (x.kind == node::rise || x.kind == node::fall) {
      const bool now = values[x.a] != 0;
      const bool was = started ? edge_previous[x.edge] != 0 : now;
      edge_now[x.edge] = x.kind == node::rise ? (now && !was) : (!now && was);
      edge_previous[x.edge] = now;
    }
    values[n] = node_value(n, leaves, true);
  }
  started = true;
}

bool evaluator::value(const condition& c, const leaf_values& leaves, bool edges_visible) {
  for (int n = c.first; n <= c.root; ++n) values[n] = node_value(n, leaves, edges_visible);
  return values[c.root] != 0;
}

bool evaluator::node_value(int n, const leaf_values& leaves, bool edges_visible) const {
  const node& x = pool.nodes[n];
  switch (x.kind) {
    case node::constant: return x.value != 0;
    case node::signal: return leaves.signal(x.a);
    case node::step_active: return leaves.step_active(x.a);
    case node::timer: return leaves.timer_done(x.a, x.value);
    case node::negation: return !values[x.a];
    case node::conjunction: return values[x.a] && values[x.b];
    case node::disjunction: return values[x.a] || values[x.b];
    case node::rise:
    case node::fall: return edges_visible && edge_now[x.edge];
  }
  return false;
}

}  // namespace conditions
