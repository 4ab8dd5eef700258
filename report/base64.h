// Base64 (RFC 4648, with padding): pictures inside the JSON file and as
// data: addresses in the page.
#pragma once

#include <string>

namespace report {

std::string base64_encoded(const std::string& bytes);
// Throws std::invalid_argument on anything but base64.
std::string base64_decoded(const std::string& text);

}  // namespace report
