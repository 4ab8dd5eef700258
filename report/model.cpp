#include "report/model.h"

namespace report {

counts count_statements(const std::vector<statement>& statements) {
  counts n;
  for (const statement& s : statements) {
    if (s.result == status::passed) ++n.passed;
    if (s.result == status::failed) ++n.failed;
    if (s.result == status::open) ++n.open;
  }
  return n;
}

const char* status_word(status s) {
  switch (s) {
    case status::passed: return "pass";
    case status::failed: return "fail";
    case status::open: return "open";
  }
  return "?";
}

std::string seconds_text(micros t) {
  std::string text = std::to_string(t / 1000000);
  if (t % 1000000 == 0) return text;
  std::string decimals = std::to_string(1000000 + t % 1000000).substr(1);
  decimals.erase(decimals.find_last_not_of('0') + 1);
  return text + "." + decimals;
}

}  // namespace report
