// A chart parsed from text and run turn by turn, with the inputs of each
// turn given by name and the time chosen by the test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "grafcet/engine.h"
#include "grafcet/parser.h"

class ChartRun : public ::testing::Test {
 protected:
  void load(const std::string& text) {
    parsed = grafcet::parse_chart(text);
    for (const auto& e : parsed.errors) ADD_FAILURE() << grafcet::format_diagnostic("chart", e);
    machine = std::make_unique<grafcet::engine>(parsed.model);
  }

  // One turn with the named inputs on, 5 ms after the previous one unless
  // the test sets the time.
  const grafcet::evolution& turn(const std::vector<std::string>& on = {}, int64_t at_ms = -1) {
    grafcet::input_values inputs{};
    for (const std::string& name : on) inputs[input(name)] = true;
    now_ms = at_ms >= 0 ? at_ms : now_ms + 5;
    return machine->evolve(inputs, now_ms);
  }

  // Active step numbers, in increasing order.
  std::vector<int> active() const {
    std::vector<int> numbers;
    for (size_t s = 0; s < parsed.model.steps.size(); ++s)
      if (machine->active(static_cast<int>(s))) numbers.push_back(parsed.model.steps[s].number);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
  }

  bool output(const std::string& name) const {
    for (int o = 0; o < output_signal_count; ++o)
      if (name == table_signaux[input_signal_count + o]) return machine->outputs()[o];
    ADD_FAILURE() << "no output " << name;
    return false;
  }

  static int input(const std::string& name) {
    for (int i = 0; i < input_signal_count; ++i)
      if (name == table_signaux[i]) return i;
    ADD_FAILURE() << "no input " << name;
    return 0;
  }

  grafcet::parse_result parsed;
  std::unique_ptr<grafcet::engine> machine;
  int64_t now_ms = 0;
};

using steps = std::vector<int>;
