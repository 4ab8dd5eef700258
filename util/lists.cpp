#include "util/lists.h"

std::list<int> empty_list_int;
std::list<double> empty_list_double;
std::list<std::string> empty_list_String;

namespace {
template <class T>
std::ostream& write_list(std::ostream& os, const std::list<T>& L) {
  os << "(";
  const char* separator = "";
  for (const T& e : L) {
    os << separator << e;
    os.flush();
    separator = ", ";
  }
  os << ")";
  return os.flush();
}
}  // namespace

std::ostream& operator<<(std::ostream& os, const std::list<int>& L) {
  return write_list(os, L);
}
std::ostream& operator<<(std::ostream& os, const std::list<double>& L) {
  return write_list(os, L);
}
std::ostream& operator<<(std::ostream& os, const std::list<std::string>& L) {
  return write_list(os, L);
}
std::ostream& operator<<(std::ostream& os, const std::list<std::list<int>>& L) {
  return write_list(os, L);
}
std::ostream& operator<<(std::ostream& os,
                         const std::list<std::list<double>>& L) {
  return write_list(os, L);
}
std::ostream& operator<<(std::ostream& os,
                         const std::list<std::list<std::string>>& L) {
  return write_list(os, L);
}
