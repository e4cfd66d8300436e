// The string and value-array group.
#include "Bldfuncs_lib.h"

namespace jjgz::eval {

namespace lib {

std::string AnsiUpper(std::string_view s) {
  std::string r(s);
  for (size_t i = 0; i < r.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    if (IsLead(c) && i + 1 < r.size()) ++i;
    else if (c >= 'a' && c <= 'z') r[i] = char(c - 32);
  }
  return r;
}

std::string AnsiLower(std::string_view s) {
  std::string r(s);
  for (size_t i = 0; i < r.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    if (IsLead(c) && i + 1 < r.size()) ++i;
    else if (c >= 'A' && c <= 'Z') r[i] = char(c + 32);
  }
  return r;
}

size_t AnsiFind(std::string_view s, std::string_view sub, size_t from) {
  if (sub.empty()) return std::string_view::npos;
  for (size_t i = 0; i + sub.size() <= s.size();) {
    if (i >= from && s.compare(i, sub.size(), sub) == 0) return i;
    i += (IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

}  // namespace lib

void RegisterStringFuncs(TEPRegFuncs&, bool) {}

}  // namespace jjgz::eval
