// Cuts one line of a chart into tokens, each with its column.
#pragma once

#include <string>
#include <vector>

namespace grafcet {

struct token {
  enum kind_t { identifier, number, symbol, invalid, end };
  kind_t kind;
  std::string text;
  int col;  // 1-based
};

// The tokens of a line, up to a '#' comment, ending with an `end` token.
// A character that starts no token gives an `invalid` token.
std::vector<token> tokenize(const std::string& line);

}  // namespace grafcet
