#include "report/base64.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace report {

namespace {

const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int digit_value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string base64_encoded(const std::string& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k)
      group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (size_t k = 0; k < 4; ++k)
      out += k <= n ? alphabet[(group >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

std::string base64_decoded(const std::string& text) {
  if (text.size() % 4 != 0) throw std::invalid_argument("base64: length not a multiple of 4");
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    uint32_t group = 0;
    int padding = 0;
    for (size_t k = 0; k < 4; ++k) {
      const char c = text[i + k];
      const bool last_group = i + 4 == text.size();
      int v = digit_value(c);
      if (c == '=' && last_group && k >= 2 && (k == 3 || text[i + 3] == '=')) {
        ++padding;
        v = 0;
      } else if (v < 0 || padding > 0) {
        throw std::invalid_argument("base64: unexpected character");
      }
      group = group << 6 | uint32_t(v);
    }
    for (int k = 0; k < 3 - padding; ++k) out += char((group >> (16 - 8 * k)) & 0xff);
  }
  return out;
}

}  // namespace report
