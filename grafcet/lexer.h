// Cuts one line of a chart into tokens, each with its column.
#pragma once

#include <string>
#include <vector>

#include "conditions/token.h"

namespace grafcet {

using conditions::token;

// The tokens of a line, up to a '#' comment, ending with an `end` token.
// A character that starts no token gives an `invalid` token.
std::vector<token> tokenize(const std::string& line);

}  // namespace grafcet
