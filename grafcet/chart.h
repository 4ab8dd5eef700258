// The model of a chart once parsed: partial grafcets, steps, transitions
// with their receptivities, and the actions of the steps. Everything refers
// to everything else by index, so that the engine never looks a name up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace grafcet {

// One node of a receptivity or condition. The nodes of a chart live in one
// array; a node's operands have smaller indices than the node itself.
struct node {
  enum kind_t { constant, input, step_active, negation, conjunction, disjunction, rise, fall, timer };
  kind_t kind;
  int a = -1;             // operand node; input index (input); step index (step_active, timer)
  int b = -1;             // second operand node (conjunction, disjunction)
  int edge = -1;          // slot of the edge memory (rise, fall)
  int64_t value = 0;      // constant value; duration in milliseconds (timer)
};

struct step {
  int number;             // as written in the chart
  bool initial = false;
  int grafcet;            // index of its partial grafcet
  int line = 0;           // where it was declared
};

struct transition {
  std::vector<int> upstream;    // step indices
  std::vector<int> downstream;  // step indices
  int receptivity;              // root node
  std::string text;             // the receptivity as written, for the drawing
  int grafcet;
  int line = 0;
};

struct action {
  enum kind_t { continuous, conditional, stored_on_entry, stored_on_exit, forcing };
  kind_t kind;
  int step;                     // the step the action belongs to
  int output = -1;              // output index (every kind but forcing)
  int value = 0;                // stored value
  int condition = -1;           // root node (conditional)
  int forced_grafcet = -1;      // forcing: which partial grafcet...
  std::vector<int> forced_steps;  // ...is held in this situation (step indices)
  std::string text;             // as written, for the drawing
};

struct partial_grafcet {
  std::string name;
  std::vector<int> steps;       // step indices, in declaration order
};

struct chart {
  std::vector<partial_grafcet> grafcets;
  std::vector<step> steps;
  std::vector<transition> transitions;
  std::vector<action> actions;
  std::vector<node> nodes;
  int edge_count = 0;

  // -1 when no step has that number.
  int step_index(int number) const;
  int grafcet_index(const std::string& name) const;
};

}  // namespace grafcet
