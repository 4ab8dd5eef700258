// Reads a chart written in the text language (one statement a line, '#'
// comments) into the model, or says where and why it cannot.
#pragma once

#include <string>
#include <vector>

#include "grafcet/chart.h"

namespace grafcet {

struct diagnostic {
  int line;
  int col;
  std::string reason;
  bool warning = false;
};

struct parse_result {
  chart model;
  std::vector<diagnostic> errors;    // the model is unusable when not empty
  std::vector<diagnostic> warnings;
};

parse_result parse_chart(const std::string& text);

// "FILE:LINE:COL: reason", or "FILE:LINE:COL: warning: reason".
std::string format_diagnostic(const std::string& file, const diagnostic& d);

}  // namespace grafcet
