// Names and words of formula text: identifiers, reserved words, case-insensitive
// comparison, blanks and lines. Shared by the scanner and the compiler.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace jjgz::eval {

inline bool IsIdentStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0xC0;
}
inline bool IsWordChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsValidIdent(std::string_view s);
bool IsReservedName(std::string_view s);  // reserved word or operator character inside
inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y && ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z')) return false;
  }
  return true;
}
int CompareText(std::string_view a, std::string_view b);  // case-insensitive (ASCII letters)
std::string UpperCase(std::string_view s);
std::string_view TrimBlanks(std::string_view s);
// Splits a text into lines at CR LF, LF or CR.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace jjgz::eval
