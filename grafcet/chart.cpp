#include "grafcet/chart.h"

namespace grafcet {

int chart::step_index(int number) const {
  auto found = step_by_number.find(number);
  return found == step_by_number.end() ? -1 : found->second;
}

int chart::grafcet_index(const std::string& name) const {
  auto found = grafcet_by_name.find(name);
  return found == grafcet_by_name.end() ? -1 : found->second;
}

int chart::add_step(const step& s) {
  int index = static_cast<int>(steps.size());
  steps.push_back(s);
  grafcets[s.grafcet].steps.push_back(index);
  step_by_number.emplace(s.number, index);
  return index;
}

int chart::add_grafcet(const std::string& name) {
  int index = static_cast<int>(grafcets.size());
  grafcets.push_back({name, {}});
  grafcet_by_name.emplace(name, index);
  return index;
}

}  // namespace grafcet
