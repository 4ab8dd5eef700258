#include "overrides/overrides.h"

#include <cstring>

int signal_row(const std::string& name) {
  for (int row = 0; row < signal_count; ++row)
    if (name == table_signaux[row]) return row;
  return -1;
}

void signal_overrides::force(int row, int value) { forced_values.at(row) = value; }

void signal_overrides::release(int row) { forced_values.at(row) = free_value; }

void signal_overrides::add_fault(const signal_fault& fault) { faults.push_back(fault); }

const signal_fault* signal_overrides::active_fault(int row, int64_t t_us) const {
  for (auto f = faults.rbegin(); f != faults.rend(); ++f)
    if (f->row == row && f->from_us <= t_us && t_us < f->until_us) return &*f;
  return nullptr;
}

int signal_overrides::apply(int row, int value, int64_t t_us) const {
  if (forced(row)) return forced_values[row];
  const signal_fault* fault = active_fault(row, t_us);
  return fault ? fault->value : value;
}

bool signal_overrides::forced(int row) const { return forced_values.at(row) != free_value; }

int signal_overrides::forced_value(int row) const { return forced_values.at(row); }

bool signal_overrides::held(int row, int64_t t_us) const {
  return forced(row) || active_fault(row, t_us) != nullptr;
}
