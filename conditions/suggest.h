// The closest valid name to a misspelt one, for error messages.
#pragma once

#include <string>
#include <vector>

namespace conditions {

// Edits (insertion, deletion, substitution, or two neighbours swapped) from
// a to b, ignoring case, so that `mt` finds `MT` and `setp` finds `step`.
int name_distance(const std::string& a, const std::string& b);
// The candidate nearest to name (the first one on a tie), offered only when
// at most a third of name's letters differ from it; "" otherwise.
std::string closest_name(const std::string& name, const std::vector<std::string>& candidates);
// reason, followed by " (did you mean 'X'?)" when a close name exists.
std::string with_suggestion(const std::string& reason, const std::string& name,
                            const std::vector<std::string>& candidates);

}  // namespace conditions
