#include "runner/utf8.h"

size_t utf8_length_at(const std::string& text, size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  const size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  const unsigned char next = length > 1 ? static_cast<unsigned char>(text[i + 1]) : 0;
  const bool overlong = (length == 2 && c < 0xC2) || (length == 3 && c == 0xE0 && next < 0xA0) ||
                        (length == 4 && c == 0xF0 && next < 0x90);
  const bool surrogate = length == 3 && c == 0xED && next >= 0xA0;
  const bool too_large = length == 4 && (c > 0xF4 || (c == 0xF4 && next >= 0x90));
  return overlong || surrogate || too_large ? 0 : length;
}

std::string valid_utf8(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const size_t length = utf8_length_at(text, i);
    if (length) {
      out.append(text, i, length);
      i += length;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}
