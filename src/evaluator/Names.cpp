#include "Names.h"

#include <algorithm>

namespace jjgz::eval {

bool IsValidIdent(std::string_view s) {
  if (s.empty() || !IsIdentStart(static_cast<unsigned char>(s[0]))) return false;
  for (char c : s)
    if (!IsWordChar(static_cast<unsigned char>(c))) return false;
  return true;
}

bool IsReservedName(std::string_view s) {
  static constexpr std::string_view kWords[] = {
      "DIV",   "MOD",  "XOR",        "OR",    "AND",    "NOT",   "SHL",   "SHR",     "PI",    "TRUE",
      "FALSE", "NULL", "UNASSIGNED", "BEGIN", "END",    "DO",    "BREAK", "DOWNTO",  "TO",    "IF",
      "THEN",  "FOR",  "ELSE",       "WHILE", "REPEAT", "UNTIL", "TRY",   "FINALLY", "EXCEPT"};
  for (char c : s) switch (c) {
      case '+':
      case '-':
      case '*':
      case '/':
      case '^':
      case '~':
      case '>':
      case '<':
      case '=':
        return true;
      default:
        break;
    }
  if (s.size() < 2 || s.size() > 10) return false;
  for (std::string_view w : kWords)
    if (w.size() == s.size() && SameText(s, w)) return true;
  return false;
}

namespace {
inline unsigned char Up(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }
}  // namespace

int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = Up(static_cast<unsigned char>(a[i])), y = Up(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(Up(static_cast<unsigned char>(c)));
  return r;
}

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur += c;
    }
  }
  if (!cur.empty() || lines.empty()) lines.push_back(cur);
  return lines;
}

}  // namespace jjgz::eval
