#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "EvalError.h"
#include "Names.h"

namespace jjgz::eval {

TFormatSettings& FormatSettings() {
  static TFormatSettings fs;
  return fs;
}

int64_t DoubleToCurrency(double x) {
  if (std::isnan(x)) RaiseInvalidOp();
  double t = x * 10000.0;
  if (!(t > -9.2233720368547758e18 && t < 9.2233720368547758e18)) RaiseOverflow();
  return static_cast<int64_t>(std::nearbyint(t));
}

// Rounds n / d (d > 0 or < 0) to the nearest integer, ties to even.
int64_t DivRoundEven(__int128 n, __int128 d) {
  if (d < 0) {
    n = -n;
    d = -d;
  }
  __int128 q = n / d, r = n % d;
  if (r < 0) {
    r = -r;
  }
  __int128 twice = r * 2;
  if (twice > d || (twice == d && (q % 2 != 0))) q += (n < 0) ? -1 : 1;
  if (q > std::numeric_limits<int64_t>::max() || q < std::numeric_limits<int64_t>::min()) RaiseOverflow();
  return static_cast<int64_t>(q);
}

int64_t RoundHalfEven(double x, bool& ok) {
  ok = false;
  if (std::isnan(x) || !(x > -9.2233720368547758e18 && x < 9.2233720368547758e18)) return 0;
  ok = true;
  return static_cast<int64_t>(std::nearbyint(x));
}

bool ParseFloatText(std::string_view s, char decimalSep, double& out) {
  s = TrimBlanks(s);
  if (s.empty()) return false;
  // Check the form first: [sign] digits [sep digits] [(e|E) [sign] digits].
  size_t i = 0;
  bool neg = false;
  if (s[0] == '+' || s[0] == '-') {
    neg = s[0] == '-';
    i = 1;
  }
  size_t digits = 0, mantStart = i, sepPos = std::string_view::npos;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    ++i;
    ++digits;
  }
  if (i < s.size() && s[i] == decimalSep) {
    sepPos = i;
    for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) ++digits;
  }
  if (digits == 0) return false;
  size_t expPos = std::string_view::npos;
  bool expNeg = false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    expPos = i++;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) expNeg = s[i++] == '-';
    size_t ed = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) ++ed;
    if (ed == 0) return false;
  }
  if (i != s.size()) return false;
  std::string t(s.substr(mantStart));
  if (sepPos != std::string_view::npos) t[sepPos - mantStart] = '.';
  if (expPos != std::string_view::npos && t[expPos - mantStart + 1] == '+') t.erase(expPos - mantStart + 1, 1);
  double v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    if (!expNeg) return false;  // too large is not a number; underflow reads as zero
    v = 0;
  } else if (r.ec != std::errc() || r.ptr != t.data() + t.size()) {
    return false;
  }
  if (std::isinf(v)) return false;
  out = neg ? -v : v;
  return true;
}

namespace {
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}
void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}
const int64_t kEpoch = DaysFromCivil(1899, 12, 30);
bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
}  // namespace

bool TryEncodeDate(int y, int m, int d, double& out) {
  static const int mdays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  int md = mdays[m - 1] + (m == 2 && IsLeap(y) ? 1 : 0);
  if (d > md) return false;
  out = static_cast<double>(DaysFromCivil(y, unsigned(m), unsigned(d)) - kEpoch);
  return true;
}

double EncodeDate(int y, int m, int d) {
  double r;
  if (!TryEncodeDate(y, m, d, r)) throw EEvalError("Invalid argument to date encode");
  return r;
}

void DecodeDate(double dt, int& y, int& m, int& d) {
  if (std::isnan(dt) || std::fabs(dt) > 3e6) {
    y = m = d = 0;
    return;
  }
  CivilFromDays(static_cast<int64_t>(std::trunc(dt)) + kEpoch, y, m, d);
}

bool ParseDateText(std::string_view s, const TFormatSettings& fs, double& out) {
  s = TrimBlanks(s);
  std::string_view datePart = s, timePart;
  size_t sp = s.find(' ');
  if (sp != std::string_view::npos) {
    datePart = s.substr(0, sp);
    timePart = TrimBlanks(s.substr(sp + 1));
  }
  int parts[3];
  int n = 0;
  size_t i = 0;
  while (true) {
    if (n == 3) return false;
    size_t st = i;
    int64_t v = 0;
    while (i < datePart.size() && datePart[i] >= '0' && datePart[i] <= '9' && i - st < 5)
      v = v * 10 + (datePart[i++] - '0');
    if (i == st) return false;
    parts[n++] = static_cast<int>(v);
    if (i == datePart.size()) break;
    if (datePart[i] != fs.DateSeparator) return false;
    ++i;
  }
  if (n < 2) return false;
  // Order of year, month and day from the short date format.
  char order[3];
  int no = 0;
  for (char c : fs.ShortDateFormat) {
    char u = static_cast<char>(c | 0x20);
    if ((u == 'y' || u == 'm' || u == 'd') && no < 3 && (no == 0 || order[no - 1] != u)) {
      bool seen = false;
      for (int k = 0; k < no; ++k) seen |= order[k] == u;
      if (!seen) order[no++] = u;
    }
  }
  if (no != 3) {
    order[0] = 'y';
    order[1] = 'm';
    order[2] = 'd';
  }
  int y = 0, m = 0, d = 0;
  std::time_t now = std::time(nullptr);
  std::tm tmNow{};
  localtime_r(&now, &tmNow);
  int curYear = tmNow.tm_year + 1900;
  if (n == 3) {
    for (int k = 0; k < 3; ++k) {
      if (order[k] == 'y')
        y = parts[k];
      else if (order[k] == 'm')
        m = parts[k];
      else
        d = parts[k];
    }
  } else {
    int k2 = 0;
    for (int k = 0; k < 3; ++k) {
      if (order[k] == 'y') continue;
      if (order[k] == 'm')
        m = parts[k2++];
      else
        d = parts[k2++];
    }
    y = curYear;
  }
  if (n == 3 && y < 100 && datePart.size() > 0) {
    y += curYear / 100 * 100;
    if (y > curYear + 50) y -= 100;
  }
  double date;
  if (!TryEncodeDate(y, m, d, date)) return false;
  if (!timePart.empty()) {
    int hms[3] = {0, 0, 0};
    int nt = 0;
    size_t j = 0;
    while (true) {
      if (nt == 3) return false;
      size_t st = j;
      int v = 0;
      while (j < timePart.size() && timePart[j] >= '0' && timePart[j] <= '9' && j - st < 3)
        v = v * 10 + (timePart[j++] - '0');
      if (j == st) return false;
      hms[nt++] = v;
      if (j == timePart.size()) break;
      if (timePart[j] != fs.TimeSeparator) return false;
      ++j;
    }
    if (nt < 2 || hms[0] > 23 || hms[1] > 59 || hms[2] > 59) return false;
    date += (hms[0] * 3600 + hms[1] * 60 + hms[2]) / 86400.0;
  }
  out = date;
  return true;
}

std::string FormatCurrencyText(int64_t ticks) {
  bool neg = ticks < 0;
  uint64_t u = neg ? uint64_t(0) - uint64_t(ticks) : uint64_t(ticks);
  std::string s = std::to_string(u / 10000);
  uint64_t frac = u % 10000;
  if (frac) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04u", unsigned(frac));
    std::string f(buf);
    while (!f.empty() && f.back() == '0') f.pop_back();
    s += '.';
    s += f;
  }
  return neg ? "-" + s : s;
}

namespace {
// The shortest digits that read back to the same number, written without an
// exponent from 1e-7 up to 1e21 and with one outside.
std::string ShortestText(const char* sci, size_t len) {
  std::string s(sci, len);
  bool neg = s[0] == '-';
  if (neg) s.erase(0, 1);
  size_t e = s.find('e');
  int exp = std::atoi(s.c_str() + e + 1);
  std::string digits;
  for (size_t i = 0; i < e; ++i)
    if (s[i] != '.') digits += s[i];
  std::string out;
  if (exp >= 21 || exp < -7) {
    out = digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += exp < 0 ? "e-" : "e+";
    out += std::to_string(exp < 0 ? -exp : exp);
  } else if (exp < 0) {
    out = "0." + std::string(size_t(-exp - 1), '0') + digits;
  } else if (size_t(exp) + 1 >= digits.size()) {
    out = digits + std::string(size_t(exp) + 1 - digits.size(), '0');
  } else {
    out = digits.substr(0, size_t(exp) + 1) + "." + digits.substr(size_t(exp) + 1);
  }
  return neg ? "-" + out : out;
}
}  // namespace

std::string FormatDoubleText(double d) {
  if (d == 0) return "0";
  if (std::isnan(d)) return "NAN";
  if (std::isinf(d)) return d > 0 ? "INF" : "-INF";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
  return ShortestText(buf, size_t(r.ptr - buf));
}

std::string FormatSingleText(float f) {
  if (f == 0) return "0";
  if (std::isnan(f)) return "NAN";
  if (std::isinf(f)) return f > 0 ? "INF" : "-INF";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, f, std::chars_format::scientific);
  return ShortestText(buf, size_t(r.ptr - buf));
}

std::string FormatDateText(double dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  std::string s(buf);
  double frac = std::fabs(dt - std::trunc(dt));
  int64_t secs = static_cast<int64_t>(std::llround(frac * 86400.0));
  if (secs >= 86400) secs = 86399;
  if (secs > 0) {
    std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", int(secs / 3600), int(secs / 60 % 60), int(secs % 60));
    s += buf;
  }
  return s;
}

}  // namespace jjgz::eval
