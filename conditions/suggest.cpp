#include "conditions/suggest.h"

#include <algorithm>
#include <cctype>

namespace conditions {

int name_distance(const std::string& a, const std::string& b) {
  auto same = [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  };
  // Three rows of the table: a transposition looks two rows back.
  const size_t width = b.size() + 1;
  std::vector<int> before(width), previous(width), row(width);
  for (size_t j = 0; j < width; ++j) previous[j] = static_cast<int>(j);
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = static_cast<int>(i);
    for (size_t j = 1; j < width; ++j) {
      int cost = same(a[i - 1], b[j - 1]) ? 0 : 1;
      row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1]))
        row[j] = std::min(row[j], before[j - 2] + 1);
    }
    before.swap(previous);
    previous.swap(row);
  }
  return previous[b.size()];
}

std::string closest_name(const std::string& name, const std::vector<std::string>& candidates) {
  std::string best;
  int best_distance = 0;
  for (const std::string& c : candidates) {
    int d = name_distance(name, c);
    if (best.empty() || d < best_distance) best = c, best_distance = d;
  }
  // Far names would mislead more than help.
  if (best.empty() || best_distance * 3 > static_cast<int>(name.size())) return "";
  return best;
}

std::string with_suggestion(const std::string& reason, const std::string& name,
                            const std::vector<std::string>& candidates) {
  std::string best = closest_name(name, candidates);
  return best.empty() ? reason : reason + " (did you mean '" + best + "'?)";
}

}  // namespace conditions
