// String conversion, checking, editing and splitting helpers.
// Malformed input never fails: it gives a defined, often lenient, result.
// Positions are 0-based. Checks return 1 for true and 0 for false.
#pragma once

#include <string>

// Conversions to numbers.
// Stoi and Stol wrap around the width of their result type (32 and 64 bits
// here) instead of overflowing, so out-of-range input is defined.
int Stoi(const std::string& s);
long Stol(const std::string& s);
long long Stoll(const std::string& s);
double Stod(const std::string& s, char separator);
int Stouhex(const std::string& s);
int Stoshex(const std::string& s);
unsigned Stoubin(const std::string& s);
int Stosbin(const std::string& s);
int Stohex(const std::string& s, const std::string& marker);
int Stoloruhex(const std::string& marker, const std::string& s);

// Conversions to strings.
std::string ctoS(char c);
char* Stoa(const std::string& s);  // release with delete[]
std::string unslong2S(unsigned long v);
std::string long2S(long v);
std::string unslongbyS(unsigned long v);
std::string bin8toS(int v);
// Negative values give the low hex digits of their two's complement:
// hex2toS(-1) is "ff".
std::string hex1toS(int v);
std::string hex2toS(int v);
std::string hex4toS(int v);
std::string hex8toS(long v);
// n is clamped to 0..9. Any finite v works (the integer part is written in
// full); NaN and infinities give "nan", "inf" and "-inf".
std::string dtoS(double v, int n);
// `c + s` (a char followed by a string) is the standard library's operator,
// which already gives c followed by s; a second one would only add ambiguity.

// Checks.
int checkuint(const std::string& s);
int checkint(const std::string& s);
int beginbynumber(const std::string& s);
int checkhex(const std::string& s);
int checkhexintel(const std::string& s);
int checkbin(const std::string& s);
// Optional leading spaces, optional "-", digits with at most one "." and at
// least one digit: the strings that Stod(s, '.') reads in full.
int checkdouble(const std::string& s);
int checkvarname(const std::string& s);
int checkvarname_with_pre_underscore(const std::string& s);
int est_lc(char c);
int check_ISO_8859_1_alphabetical_letter(char c);
int contains(const std::string& s, const std::string& t);
int contains_token(const std::string& s, const std::string& t);
int find(const std::string& s, const std::string& t);
int char_occurences(const std::string& s, char c);

// Editing.
std::string upcase(const std::string& s);
std::string downcase(const std::string& s);
std::string upcase_accent(const std::string& s);
std::string cancel_begin_end_spaces(const std::string& s);
std::string clever_substitute_space(const std::string& s, char c);
// An empty pattern (or token) gives s unchanged.
std::string substitute_string(const std::string& s, const std::string& pattern,
                              const std::string& r);
std::string substitute_char(const std::string& s, char c, const std::string& r);
std::string substitute_char(const std::string& s, char c, char d);
std::string substitute_token(const std::string& s, const std::string& token,
                             const std::string& r);
std::string latex_String_filter(const std::string& s);
std::string bdelete(const std::string& s);
// A negative start counts as 0.
std::string my_at(const std::string& s, int from, int to);
std::string my_after(const std::string& s, int from);
std::string my_before(const std::string& s, int n);
std::string supress_filename_extension(const std::string& path);
std::string my_current_directory();  // "" when it cannot be read
// Writes its progress to stderr. Paths that differ only by a final "/"
// give ".".
std::string relative_directory_path(const std::string& target,
                                    const std::string& base);

// Splitting. rest may be the same string as s. A null seps is an empty set.
std::string next_record(const std::string& s, char sep, std::string& rest);
std::string next_record(const std::string& s, const char* seps,
                        std::string& rest, char& found);
std::string last_record(const std::string& s, char sep, std::string& rest);
// A null rest is not written.
std::string next_Stringtoken(std::string s, char sep, std::string* rest);
