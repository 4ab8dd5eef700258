// The closest valid name to a misspelt one, for error messages.
#pragma once

#include <string>
#include <vector>

namespace grafcet {

// Edit distance, ignoring case, so that `mt` finds `MT`.
int name_distance(const std::string& a, const std::string& b);
// The candidate nearest to name (the first one on a tie); "" when none.
std::string closest_name(const std::string& name, const std::vector<std::string>& candidates);

}  // namespace grafcet
