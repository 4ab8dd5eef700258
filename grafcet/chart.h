// The model of a chart once parsed: partial grafcets, steps, transitions
// with their receptivities, and the actions of the steps. Everything refers
// to everything else by index, so that the engine never looks a name up.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "conditions/expression.h"

namespace grafcet {

struct step {
  int number;             // as written in the chart
  bool initial = false;
  int grafcet;            // index of its partial grafcet
  int line = 0;           // where it was declared
};

struct transition {
  std::vector<int> upstream;    // step indices
  std::vector<int> downstream;  // step indices
  conditions::condition receptivity;
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
  conditions::condition condition;  // conditional
  int forced_grafcet = -1;      // forcing: which partial grafcet...
  std::vector<int> forced_steps;  // ...is held in this situation (step indices)
  std::string text;             // as written, for the drawing
  int line = 0, col = 0;        // where its output or forced grafcet is written
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
  conditions::expression_pool conditions;  // of every receptivity and conditional action

  // -1 when no step has that number.
  int step_index(int number) const;
  int grafcet_index(const std::string& name) const;

  // Steps and grafcets are added through these, which keep the look-ups
  // above in step: a look-up that scanned the lists would make reading a
  // chart quadratic in its size. They return the new index.
  int add_step(const step& s);
  int add_grafcet(const std::string& name);

 private:
  std::unordered_map<int, int> step_by_number;
  std::unordered_map<std::string, int> grafcet_by_name;
};

}  // namespace grafcet
