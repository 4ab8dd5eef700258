#include "util/Stringpp.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <type_traits>

#include <unistd.h>

namespace {

// Own tests rather than <cctype>, which is undefined for negative chars.
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_letter(char c) { return is_upper(c) || is_lower(c); }
int code(char c) { return static_cast<unsigned char>(c); }

int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <class Pred>
bool every_char(const std::string& s, Pred pred) {
  for (char c : s)
    if (!pred(c)) return false;
  return true;
}

// Unsigned arithmetic so that long inputs wrap instead of overflowing.
template <class Signed>
Signed parse_decimal(const std::string& s) {
  using Unsigned = std::make_unsigned_t<Signed>;
  if (s.empty()) return 0;
  const bool negative = s[0] == '-';
  Unsigned value = negative ? 0 : static_cast<Unsigned>(s[0] - '0');
  for (std::size_t i = 1; i < s.size(); ++i)
    value = value * 10 + static_cast<Unsigned>(s[i] - '0');
  return static_cast<Signed>(negative ? Unsigned(0) - value : value);
}

std::string hex_digits(unsigned long v, int count) {
  static const char digits[] = "0123456789abcdef";
  std::string r(count, '0');
  for (int i = count - 1; i >= 0; --i, v >>= 4) r[i] = digits[v & 15];
  return r;
}

// Checks a variable name whose first character passes first_ok.
template <class Pred>
int varname(const std::string& s, Pred first_ok) {
  if (s.empty() || !first_ok(s[0])) return 0;
  const char last = s.back();
  if (!is_letter(last) && !is_digit(last)) return 0;
  for (std::size_t i = 1; i + 1 < s.size(); ++i)
    if (!is_letter(s[i]) && !is_digit(s[i]) && s[i] != '_') return 0;
  return 1;
}

bool word_char(char c) {
  switch (code(c)) {
    case 140: case 224: case 226: case 231: case 232: case 233: case 234:
    case 244:
      return true;
    default:
      return is_digit(c) || is_letter(c);
  }
}

// Upper-case letter for an accented ISO 8859-1 code, 0 when none.
char accent_base(int c) {
  switch (c) {
    case 232: case 233: case 234: return 'E';
    case 224: case 226: return 'A';
    case 244: return 'O';
    case 231: return 'C';
    case 140: return 'I';
    default: return 0;
  }
}

char ascii_upper(char c) { return is_lower(c) ? char(c - 'a' + 'A') : c; }

std::string climbing_part(const std::string& base_rest) {
  if (base_rest.empty()) return "";
  std::string r = "..";
  for (char c : base_rest)
    if (c == '/') r = "../" + r;
  return r;
}

// Cuts s at position pos (npos: no cut). Built before rest is written,
// since rest may be s itself.
std::string cut_at(const std::string& s, std::size_t pos, std::string& rest) {
  const bool cut = pos != std::string::npos;
  std::string head = s.substr(0, pos);
  rest = cut ? s.substr(pos + 1) : "";
  return head;
}

}  // namespace

// ---- Conversions to numbers ----

int Stoi(const std::string& s) { return parse_decimal<int>(s); }
long Stol(const std::string& s) { return parse_decimal<long>(s); }
long long Stoll(const std::string& s) { return parse_decimal<long long>(s); }

double Stod(const std::string& s, char separator) {
  std::size_t i = s.find_first_not_of(' ');
  if (i == std::string::npos) return 0;
  double sign = 1;
  if (s[i] == '-') {
    sign = -1;
    ++i;
  }
  // divisor stays 0 until a separator is seen: then it counts the decimals.
  double sum = 0, divisor = 0;
  for (; i < s.size(); ++i) {
    if (is_digit(s[i])) {
      sum = sum * 10 + (s[i] - '0');
      divisor *= 10;
    } else if (s[i] == separator) {
      divisor = 1;
    } else {
      break;
    }
  }
  const double r = sign * sum;
  return divisor >= 2 ? r / divisor : r;
}

int Stouhex(const std::string& s) {
  unsigned value = 0;
  for (char c : s) {
    const int d = hex_value(c);
    value = value * 16 + (d < 0 ? 0 : d);
  }
  return static_cast<int>(value);
}

int Stoshex(const std::string& s) {
  const int u = Stouhex(s);
  if (s.empty() || code(s[0]) < '8' || s.size() >= 8) return u;
  return static_cast<int>(u - (1LL << (4 * s.size())));
}

unsigned Stoubin(const std::string& s) {
  unsigned value = 0;
  for (char c : s) value = value * 2 + static_cast<unsigned>(c - '0');
  return value;
}

int Stosbin(const std::string& s) {
  if (s.empty()) return 0;
  std::string bits = s.substr(1);
  if (s[0] == '0') return static_cast<int>(Stoubin(bits));
  for (char& c : bits)
    if (c == '0' || c == '1') c = c == '0' ? '1' : '0';
  // -1 - x is ~x in unsigned arithmetic.
  return static_cast<int>(~Stoubin(bits));
}

int Stohex(const std::string& s, const std::string& marker) {
  const std::size_t pos = s.find(marker);
  if (pos != std::string::npos) return Stouhex(s.substr(0, pos));
  const int value = static_cast<int>(Stol(s));
  std::cerr << "Decimal Conversion " << value << "\n";
  return value;
}

int Stoloruhex(const std::string& marker, const std::string& s) {
  const std::size_t pos = s.find(marker);
  if (pos != std::string::npos) return Stouhex(s.substr(pos));
  return static_cast<int>(Stol(s));
}

// ---- Conversions to strings ----

std::string ctoS(char c) { return std::string(1, c); }

char* Stoa(const std::string& s) {
  char* a = new char[s.size() + 1];
  std::memcpy(a, s.data(), s.size());
  a[s.size()] = '\0';
  return a;
}

std::string unslong2S(unsigned long v) { return std::to_string(v); }

std::string long2S(long v) {
  // Negated in unsigned arithmetic: -LONG_MIN does not fit in a long.
  if (v < 0) return "-" + unslong2S(0UL - static_cast<unsigned long>(v));
  return unslong2S(static_cast<unsigned long>(v));
}

std::string unslongbyS(unsigned long v) {
  std::string r;
  do {
    r.insert(r.begin(), char('A' + v % 8));
    v /= 8;
  } while (v != 0);
  return r;
}

std::string bin8toS(int v) {
  std::string r(8, '0');
  for (int i = 0; i < 8; ++i)
    if (v & (1 << i)) r[7 - i] = '1';
  return r;
}

std::string hex1toS(int v) { return hex_digits(static_cast<unsigned long>(v), 1); }
std::string hex2toS(int v) { return hex_digits(static_cast<unsigned long>(v), 2); }
std::string hex4toS(int v) { return hex_digits(static_cast<unsigned long>(v), 4); }
std::string hex8toS(long v) { return hex_digits(static_cast<unsigned long>(v), 8); }

std::string dtoS(double v, int n) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  n = n < 0 ? 0 : (n > 9 ? 9 : n);
  const double a = std::fabs(v);
  double whole = std::floor(a);
  long scale = 1;
  for (int i = 0; i < n; ++i) scale *= 10;
  const double scaled = (a - whole) * scale;
  long decimals = static_cast<long>(std::floor(scaled));
  // Exactly one half rounds down.
  if (scaled - decimals > 0.5) ++decimals;
  if (decimals == scale) {
    decimals = 0;
    whole += 1;
  }
  char buf[400];  // the integer part of DBL_MAX has 309 digits
  std::snprintf(buf, sizeof buf, "%s%.0f.", v < 0 ? "-" : "", whole);
  std::string r = buf;
  if (n > 0) {
    std::snprintf(buf, sizeof buf, "%0*ld", n, decimals);
    r += buf;
  }
  return r;
}

// ---- Checks ----

int checkuint(const std::string& s) { return !s.empty() && every_char(s, is_digit); }

int checkint(const std::string& s) {
  return checkuint(s) || (!s.empty() && s[0] == '-' && checkuint(s.substr(1)));
}

int beginbynumber(const std::string& s) { return !s.empty() && is_digit(s[0]); }

int checkhex(const std::string& s) {
  return every_char(s, [](char c) { return hex_value(c) >= 0; });
}

int checkhexintel(const std::string& s) {
  return !s.empty() && s.back() == 'h' && checkhex(s.substr(0, s.size() - 1));
}

int checkbin(const std::string& s) {
  return every_char(s, [](char c) { return c == '0' || c == '1'; });
}

int checkdouble(const std::string& s) {
  std::size_t i = s.find_first_not_of(' ');
  if (i == std::string::npos) return 0;
  if (s[i] == '-') ++i;
  int digits = 0, dots = 0;
  for (; i < s.size(); ++i) {
    if (is_digit(s[i]))
      ++digits;
    else if (s[i] == '.' && dots == 0)
      ++dots;
    else
      return 0;
  }
  return digits > 0;
}

int checkvarname(const std::string& s) { return varname(s, is_letter); }

int checkvarname_with_pre_underscore(const std::string& s) {
  return varname(s, [](char c) { return is_letter(c) || c == '_'; });
}

int est_lc(char c) { return is_digit(c) || is_letter(c) || c == '_' || c == '@'; }

int check_ISO_8859_1_alphabetical_letter(char c) {
  const int k = code(c);
  return is_letter(c) || k == 181 || (k >= 192 && k <= 214) ||
         (k >= 217 && k <= 246) || (k >= 249 && k <= 253) || k == 255;
}

int contains(const std::string& s, const std::string& t) {
  return s.find(t) != std::string::npos;
}

int contains_token(const std::string& s, const std::string& t) {
  const std::size_t pos = s.find(t);
  if (pos == std::string::npos) return 0;
  const std::size_t after = pos + t.size();
  return after == s.size() || !word_char(s[after]);
}

int find(const std::string& s, const std::string& t) {
  const std::size_t pos = s.find(t);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int char_occurences(const std::string& s, char c) {
  int n = 0;
  for (char x : s) n += x == c;
  return n;
}

// ---- Editing ----

std::string upcase(const std::string& s) {
  std::string r;
  for (char c : s)
    if (code(c) < 128) r += ascii_upper(c);
  return r;
}

std::string downcase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (is_upper(c)) c = char(c - 'A' + 'a');
  return r;
}

std::string upcase_accent(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (code(c) < 128)
      r += ascii_upper(c);
    else if (const char base = accent_base(code(c)))
      r += base;
  }
  return r;
}

std::string cancel_begin_end_spaces(const std::string& s) {
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string clever_substitute_space(const std::string& s, char c) {
  return substitute_char(cancel_begin_end_spaces(s), ' ', c);
}

std::string substitute_string(const std::string& s, const std::string& pattern,
                              const std::string& r) {
  // An empty pattern would match everywhere without advancing.
  if (pattern.empty()) return s;
  std::string out;
  std::size_t from = 0, pos;
  while ((pos = s.find(pattern, from)) != std::string::npos) {
    out.append(s, from, pos - from);
    out += r;
    from = pos + pattern.size();
  }
  out.append(s, from, std::string::npos);
  return out;
}

std::string substitute_char(const std::string& s, char c, const std::string& r) {
  std::string out;
  for (char x : s) {
    if (x == c)
      out += r;
    else
      out += x;
  }
  return out;
}

std::string substitute_char(const std::string& s, char c, char d) {
  std::string out = s;
  for (char& x : out)
    if (x == c) x = d;
  return out;
}

std::string substitute_token(const std::string& s, const std::string& token,
                             const std::string& r) {
  if (token.empty()) return s;
  std::string out, text = s;
  std::size_t pos;
  while ((pos = text.find(token)) != std::string::npos) {
    out.append(text, 0, pos);
    // Only the text of this round is looked at: a token just after the
    // previous occurrence counts as standing alone on its left.
    const bool left_free = pos == 0 || !est_lc(text[pos - 1]);
    text.erase(0, pos + token.size());
    const bool right_free = text.empty() || !est_lc(text[0]);
    out += left_free && right_free ? r : token;
  }
  return out + text;
}

std::string latex_String_filter(const std::string& s) {
  return substitute_char(s, '_', "\\_");
}

std::string bdelete(const std::string& s) {
  return s.size() < 3 ? "" : s.substr(1, s.size() - 2);
}

std::string my_at(const std::string& s, int from, int to) {
  if (from < 0) from = 0;
  if (static_cast<std::size_t>(from) >= s.size() || to <= from) return "";
  return s.substr(from, static_cast<std::size_t>(to - from));
}

std::string my_after(const std::string& s, int from) {
  if (from < 0) from = 0;
  if (static_cast<std::size_t>(from) >= s.size()) return "";
  return s.substr(from);
}

std::string my_before(const std::string& s, int n) {
  if (n <= 0) return "";
  return s.substr(0, static_cast<std::size_t>(n));
}

std::string supress_filename_extension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < start) return path;
  if (dot + 1 == path.size()) return path.substr(0, dot);
  if (path[dot + 1] == '\\' || path[dot + 1] == '/') return path;
  if (dot == 0) return "";
  if (path[dot - 1] == '.') return path;
  return path.substr(0, dot);
}

std::string my_current_directory() {
  char* dir = get_current_dir_name();
  if (dir == nullptr) return "";
  std::string r = dir;
  std::free(dir);
  return r;
}

std::string relative_directory_path(const std::string& target,
                                    const std::string& base_in) {
  const std::string base = base_in.empty() ? my_current_directory() : base_in;
  std::cerr << "demarrage " << target << "|" << base << "\n";
  std::string result = ".";
  if (target != base) {
    std::string t = target, b = base;
    // Both empty means the paths differ only by a final "/".
    while (!t.empty() || !b.empty()) {
      std::string t_rest, b_rest;
      if (next_record(t, '/', t_rest) != next_record(b, '/', b_rest)) break;
      t = t_rest;
      b = b_rest;
    }
    std::cerr << "intermediaire: " << t << "|" << b << "\n";
    const std::string climb = climbing_part(b);
    if (t == target && (target.empty() || target[0] != '/'))
      result = target;
    else if (t.empty())
      result = b.empty() ? "." : climb;
    else if (b.empty())
      result = t;
    else
      result = climb + "/" + t;
  }
  std::cerr << "--> " << result << "\n";
  return result;
}

// ---- Splitting ----

std::string next_record(const std::string& s, char sep, std::string& rest) {
  return cut_at(s, s.find(sep), rest);
}

std::string next_record(const std::string& s, const char* seps,
                        std::string& rest, char& found) {
  const std::size_t pos =
      seps == nullptr ? std::string::npos : s.find_first_of(seps);
  found = pos == std::string::npos ? ' ' : s[pos];
  return cut_at(s, pos, rest);
}

std::string last_record(const std::string& s, char sep, std::string& rest) {
  return cut_at(s, s.rfind(sep), rest);
}

std::string next_Stringtoken(std::string s, char sep, std::string* rest) {
  std::string token, after;
  const std::size_t i = s.find_first_not_of(sep);
  if (i == std::string::npos) {
    // Only separators: the last one is the token.
    if (!s.empty()) token = ctoS(sep);
  } else {
    std::size_t j = i + 1;
    if (est_lc(s[i]))
      while (j < s.size() && s[j] != sep && est_lc(s[j])) ++j;
    token = s.substr(i, j - i);
    after = s.substr(j);
  }
  if (rest != nullptr) *rest = after;
  return token;
}
