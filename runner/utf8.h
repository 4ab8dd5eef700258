// UTF-8 as scenario files and reports need it.
#pragma once

#include <cstddef>
#include <string>

// The length in bytes of the well-formed character that starts at text[i]
// (1 to 4), or 0 when the bytes there are not one (a stray continuation
// byte, a cut or overlong sequence, a surrogate, a value past U+10FFFF).
size_t utf8_length_at(const std::string& text, size_t i);
// The text with each byte that is not part of a character replaced by U+FFFD.
std::string valid_utf8(const std::string& text);
