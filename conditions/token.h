// A word of a chart or scenario line, with its column. Each file language
// cuts its lines in its own way; conditions are read from these tokens.
#pragma once

#include <string>

namespace conditions {

struct token {
  enum kind_t { identifier, number, symbol, quoted, invalid, end };
  kind_t kind;
  std::string text;
  int col;  // 1-based
};

}  // namespace conditions
