// Helpers over std::list addressing elements by 1-based position.
// Meant for int, double, std::string and lists of each of these.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <list>
#include <ostream>
#include <string>

// Empty lists to use as default arguments.
extern std::list<int> empty_list_int;
extern std::list<double> empty_list_double;
extern std::list<std::string> empty_list_String;

namespace list_detail {
template <class T>
bool is_position(const std::list<T>& L, int k) {
  return k >= 1 && static_cast<std::size_t>(k) <= L.size();
}
}  // namespace list_detail

// Position of the first element equal to x, 0 when there is none.
template <class T>
int item_where(const std::list<T>& L, const T& x) {
  int k = 1;
  for (const T& e : L) {
    if (e == x) return k;
    ++k;
  }
  return 0;
}

// The element at position k; T{} (0, 0.0, "", an empty list) outside.
template <class T>
T read_number(const std::list<T>& L, int k) {
  if (!list_detail::is_position(L, k)) return T{};
  return *std::next(L.begin(), k - 1);
}

template <class T>
void replace_number(std::list<T>& L, int k, const T& x) {
  if (list_detail::is_position(L, k)) *std::next(L.begin(), k - 1) = x;
}

template <class T>
void sup_number(std::list<T>& L, int k) {
  if (list_detail::is_position(L, k)) L.erase(std::next(L.begin(), k - 1));
}

// A new array of copies (release with delete[]); null for an empty list.
template <class T>
T* array_convert(const std::list<T>& L) {
  if (L.empty()) return nullptr;
  T* a = new T[L.size()];
  std::copy(L.begin(), L.end(), a);
  return a;
}

// "(1, 2, 3)", "()", "((1, 2), (3))"; flushed after each element.
// Plain overloads rather than a template, so that no other list printing
// in the program is captured.
std::ostream& operator<<(std::ostream& os, const std::list<int>& L);
std::ostream& operator<<(std::ostream& os, const std::list<double>& L);
std::ostream& operator<<(std::ostream& os, const std::list<std::string>& L);
std::ostream& operator<<(std::ostream& os, const std::list<std::list<int>>& L);
std::ostream& operator<<(std::ostream& os,
                         const std::list<std::list<double>>& L);
std::ostream& operator<<(std::ostream& os,
                         const std::list<std::list<std::string>>& L);
