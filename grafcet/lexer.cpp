#include "grafcet/lexer.h"

#include <cctype>

namespace grafcet {

namespace {

bool is_name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::vector<token> tokenize(const std::string& line) {
  std::vector<token> tokens;
  size_t i = 0;
  while (i < line.size() && line[i] != '#') {
    char c = line[i];
    int col = static_cast<int>(i) + 1;
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (is_digit(c)) {
      size_t start = i;
      while (i < line.size() && is_digit(line[i])) ++i;
      if (i + 1 < line.size() && line[i] == '.' && is_digit(line[i + 1])) {
        ++i;
        while (i < line.size() && is_digit(line[i])) ++i;
      }
      tokens.push_back({token::number, line.substr(start, i - start), col});
    } else if (is_name_char(c)) {
      size_t start = i;
      while (i < line.size() && is_name_char(line[i])) ++i;
      tokens.push_back({token::identifier, line.substr(start, i - start), col});
    } else if (line.compare(i, 2, "->") == 0 || line.compare(i, 2, ":=") == 0) {
      tokens.push_back({token::symbol, line.substr(i, 2), col});
      i += 2;
    } else if (std::string(":,(){}").find(c) != std::string::npos) {
      tokens.push_back({token::symbol, std::string(1, c), col});
      ++i;
    } else {
      tokens.push_back({token::invalid, std::string(1, c), col});
      ++i;
    }
  }
  int end_col = static_cast<int>(i) + 1;
  // The end sits just after the last character that is not a blank.
  while (end_col > 1 && std::isspace(static_cast<unsigned char>(line[end_col - 2]))) --end_col;
  tokens.push_back({token::end, "", end_col});
  return tokens;
}

}  // namespace grafcet
