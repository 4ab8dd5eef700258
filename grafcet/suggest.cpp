#include "grafcet/suggest.h"

#include <algorithm>
#include <cctype>

namespace grafcet {

int name_distance(const std::string& a, const std::string& b) {
  auto same = [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  };
  std::vector<int> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
  for (size_t i = 1; i <= a.size(); ++i) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    for (size_t j = 1; j <= b.size(); ++j) {
      int above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same(a[i - 1], b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string closest_name(const std::string& name, const std::vector<std::string>& candidates) {
  std::string best;
  int best_distance = 0;
  for (const std::string& c : candidates) {
    int d = name_distance(name, c);
    if (best.empty() || d < best_distance) best = c, best_distance = d;
  }
  return best;
}

}  // namespace grafcet
