// The conversion and formatting group, and the number texts of the library.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "Bldfuncs_lib.h"

namespace jjgz::eval {

namespace lib {

namespace {

char Dec() { return FormatSettings().DecimalSeparator; }
const char kThousand = ',';
const char* const kCurrency = "\xA3\xA4";  // the full-width yuan sign in GBK
[[noreturn]] void Invalid(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

// Decimal digits of |x| rounded at `decimals` places after the point, halves away
// from zero (the exact binary value decides what is a half).
std::string RoundedFixed(double ax, int decimals) {
  static thread_local char buf[1200];
  std::snprintf(buf, sizeof buf, "%.*f", decimals + 30, ax);
  std::string t(buf);
  size_t dot = t.find('.');
  size_t keep = dot + (decimals > 0 ? size_t(decimals) + 1 : 0);
  bool up = t[dot + size_t(decimals) + 1] >= '5';
  t.resize(keep);
  if (up) {
    size_t i = t.size();
    for (;;) {
      if (i == 0) {
        t.insert(0, "1");
        break;
      }
      --i;
      if (t[i] == '.') continue;
      if (t[i] == '9') {
        t[i] = '0';
        continue;
      }
      ++t[i];
      break;
    }
  }
  return t;
}

// Mantissa digits and decimal exponent of |x| rounded to `precision` significant digits.
void Digits(double x, int precision, std::string& digits, int& exp) {
  double ax = std::fabs(x);
  if (ax == 0) {
    digits = std::string(size_t(precision), '0');
    exp = 0;
    return;
  }
  int e = int(std::floor(std::log10(ax)));
  for (int round = 0; round < 2; ++round) {
    int decimals = precision - 1 - e;
    std::string t;
    if (decimals >= 0 && decimals < 340) {
      t = RoundedFixed(ax, decimals);
    } else {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.*E", precision - 1, ax);
      std::string m(buf);
      size_t ep = m.find('E');
      exp = std::atoi(m.c_str() + ep + 1);
      digits.clear();
      for (size_t i = 0; i < ep; ++i)
        if (m[i] != '.') digits += m[i];
      return;
    }
    std::string d;
    for (char c : t)
      if (c != '.') d += c;
    size_t nz = d.find_first_not_of('0');
    if (nz == std::string::npos) {
      digits = std::string(size_t(precision), '0');
      exp = 0;
      return;
    }
    d = d.substr(nz);
    int intLen = int(t.find('.') == std::string::npos ? t.size() : t.find('.'));
    int realE = intLen - 1 - int(nz);
    if (realE != e) {
      e = realE;
      if (int(d.size()) > precision) {
        d.resize(size_t(precision));
      }
    }
    while (int(d.size()) < precision) d += '0';
    d.resize(size_t(precision));
    digits = d;
    exp = realE;
    return;
  }
}

std::string Group(const std::string& ip) {
  std::string r;
  int n = int(ip.size());
  for (int i = 0; i < n; ++i) {
    if (i && (n - i) % 3 == 0) r += kThousand;
    r += ip[size_t(i)];
  }
  return r;
}

std::string Fixed(double ax, int decimals, bool thousands) {
  std::string t = RoundedFixed(ax, std::clamp(decimals, 0, 18));
  size_t dot = t.find('.');
  std::string ip = t.substr(0, dot), fp = dot == std::string::npos ? "" : t.substr(dot + 1);
  if (thousands) ip = Group(ip);
  return fp.empty() ? ip : ip + Dec() + fp;
}

std::string Scientific(double x, int precision, int expDigits, bool plus) {
  std::string d;
  int e;
  Digits(x, precision, d, e);
  if (x == 0) e = 0;
  std::string r = d.substr(0, 1);
  if (d.size() > 1) r += Dec() + d.substr(1);
  std::string es = std::to_string(std::abs(e));
  while (int(es.size()) < expDigits) es.insert(0, "0");
  return r + "E" + (e < 0 ? "-" : plus ? "+" : "") + es;
}

std::string General(double x, int precision, int expDigits) {
  if (x == 0) return "0";
  std::string d;
  int e;
  Digits(x, precision, d, e);
  while (d.size() > 1 && d.back() == '0') d.pop_back();
  std::string r;
  if (e >= precision || e < -5) {
    r = d.substr(0, 1);
    if (d.size() > 1) r += Dec() + d.substr(1);
    std::string es = std::to_string(std::abs(e));
    while (int(es.size()) < expDigits) es.insert(0, "0");
    r += "E" + std::string(e < 0 ? "-" : "") + es;
  } else if (e < 0) {
    r = std::string("0") + Dec() + std::string(size_t(-e - 1), '0') + d;
  } else {
    std::string ip = d.substr(0, std::min(d.size(), size_t(e + 1)));
    while (int(ip.size()) < e + 1) ip += '0';
    std::string fp = d.size() > size_t(e + 1) ? d.substr(size_t(e + 1)) : "";
    r = fp.empty() ? ip : ip + Dec() + fp;
  }
  return (x < 0 ? "-" : "") + r;
}

}  // namespace

std::string FloatToText(double x) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  return General(x, 15, 0);
}

std::string FloatToTextF(double x, int format, int precision, int digits) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  precision = std::clamp(precision, 1, 15);
  digits = std::clamp(digits, 0, 18);
  std::string d;
  int e;
  Digits(x, precision, d, e);
  // Rounded to the precision first, as the runtime library does.
  double y = std::strtod((d.substr(0, 1) + "." + d.substr(1) + "E" + std::to_string(e)).c_str(), nullptr);
  if (x < 0) y = -y;
  switch (format) {
    case 0:
      return General(x, precision, std::min(digits, 4));
    case 1:
      return (x < 0 ? "-" : "") + Scientific(x, precision, std::min(digits, 4), true);
    case 2:
    case 3:
      if (e >= precision) return (x < 0 ? "-" : "") + Scientific(x, precision, 0, true);
      return (y < 0 ? "-" : "") + Fixed(std::fabs(y), digits, format == 3);
    case 4: {
      std::string t = Fixed(std::fabs(y), digits, true);
      return y < 0 ? std::string(kCurrency) + "-" + t : kCurrency + t;
    }
    default:
      return General(x, precision, 0);
  }
}

// Number formats with "0", "#", ".", ",", "E+"/"E-", quoted literals and up to
// three sections (positive; negative; zero).
std::string FormatFloatText(std::string_view fmt, double x) {
  if (std::isnan(x) || std::isinf(x)) return FloatToText(x);
  if (fmt.empty()) return FloatToText(x);
  std::vector<std::string_view> sec;
  size_t start = 0;
  char q = 0;
  for (size_t i = 0; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (q) {
      if (c == q) q = 0;
    } else if (c == '\'' || c == '"')
      q = c;
    else if (c == ';') {
      sec.push_back(fmt.substr(start, i - start));
      start = i + 1;
    }
  }
  sec.push_back(fmt.substr(start));
  std::string_view f = sec[0];
  bool minus = x < 0;
  if (x < 0 && sec.size() > 1 && !sec[1].empty()) {
    f = sec[1];
    minus = false;
  }
  if (x == 0 && sec.size() > 2 && !sec[2].empty()) f = sec[2];
  // Layout of the section.
  std::string prefix, suffix;
  int intMin = 0, intAll = 0, fracMin = 0, fracMax = 0, expDigits = -1;
  bool thousands = false, afterPoint = false, seenDigit = false, expPlus = false;
  for (size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    std::string& lit = seenDigit ? suffix : prefix;
    if (c == '\'' || c == '"') {
      size_t e = f.find(c, i + 1);
      if (e == std::string_view::npos) e = f.size();
      lit.append(f.substr(i + 1, e - i - 1));
      i = e;
    } else if ((c == '0' || c == '#') && expDigits < 0 && suffix.empty()) {
      seenDigit = true;
      if (afterPoint) {
        ++fracMax;
        if (c == '0') fracMin = fracMax;
      } else {
        ++intAll;
        if (c == '0') ++intMin;
      }
    } else if (c == '.' && !afterPoint && expDigits < 0 && suffix.empty()) {
      afterPoint = true;
      seenDigit = true;
    } else if (c == ',' && !afterPoint && expDigits < 0) {
      thousands = true;
    } else if ((c == 'E' || c == 'e') && seenDigit && i + 1 < f.size() && (f[i + 1] == '+' || f[i + 1] == '-')) {
      expPlus = f[i + 1] == '+';
      expDigits = 0;
      i += 2;
      while (i < f.size() && f[i] == '0') {
        ++expDigits;
        ++i;
      }
      --i;
    } else if (lib::IsLead(static_cast<unsigned char>(c)) && i + 1 < f.size()) {
      lit += c;
      lit += f[++i];
    } else {
      lit += c;
    }
  }
  if (!seenDigit) return (minus ? "-" : "") + prefix + suffix;
  double ax = std::fabs(x);
  std::string body;
  if (expDigits >= 0) {
    int lead = std::max(1, intMin);
    int e = ax == 0 ? 0 : int(std::floor(std::log10(ax))) - (lead - 1);
    double m = ax == 0 ? 0 : ax / std::pow(10.0, e);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", fracMax, m);
    if (std::strtod(buf, nullptr) >= std::pow(10.0, lead)) {
      ++e;
      m = ax / std::pow(10.0, e);
      std::snprintf(buf, sizeof buf, "%.*f", fracMax, m);
    }
    std::string t(buf);
    size_t dot = t.find('.');
    std::string ip = t.substr(0, dot), fp = dot == std::string::npos ? "" : t.substr(dot + 1);
    while (int(fp.size()) > fracMin && !fp.empty() && fp.back() == '0') fp.pop_back();
    std::string es = std::to_string(std::abs(e));
    while (int(es.size()) < expDigits) es.insert(0, "0");
    body = ip + (fp.empty() ? "" : std::string(1, Dec()) + fp) + "E" + (e < 0 ? "-" : expPlus ? "+" : "") + es;
  } else {
    if (ax >= 1e300) return FloatToText(x);
    std::string t = RoundedFixed(ax, std::min(fracMax, 60));
    size_t dot = t.find('.');
    std::string ip = t.substr(0, dot), fp = dot == std::string::npos ? "" : t.substr(dot + 1);
    while (int(fp.size()) > fracMin && !fp.empty() && fp.back() == '0') fp.pop_back();
    if (ip == "0" && intMin == 0) ip.clear();
    while (int(ip.size()) < intMin) ip.insert(0, "0");
    if (thousands) ip = Group(ip);
    body = ip + (fp.empty() ? "" : std::string(1, Dec()) + fp);
    bool zero = std::strtod(t.c_str(), nullptr) == 0;
    if (zero) minus = false;
  }
  return (minus ? "-" : "") + prefix + body + suffix;
}

// Format: "%" [index ":"] ["-"] [width] ["." precision] type, types d u e f g n m s x.
std::string FormatText(std::string_view fmt, const std::vector<TValue>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (++i >= fmt.size()) Invalid(fmt);
    if (fmt[i] == '%') {
      out += '%';
      continue;
    }
    auto number = [&](int& v) {
      bool any = false;
      v = 0;
      if (i < fmt.size() && fmt[i] == '*') {
        if (next >= args.size()) Invalid(fmt);
        v = args[next++].ToInteger();
        ++i;
        return true;
      }
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
        v = std::min(v * 10 + (fmt[i] - '0'), 100000);
        ++i;
        any = true;
      }
      return any;
    };
    int width = -1, prec = -1, v;
    bool left = false;
    size_t save = i;
    if (number(v) && i < fmt.size() && fmt[i] == ':') {
      next = size_t(v);
      ++i;
    } else
      i = save;
    if (i < fmt.size() && fmt[i] == '-') {
      left = true;
      ++i;
    }
    if (number(v)) width = std::min(v, 1000);
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      number(v);
      prec = std::min(v, 60);
    }
    if (i >= fmt.size() || next >= args.size()) Invalid(fmt);
    const TValue& a = args[next++];
    char t = char(std::toupper(static_cast<unsigned char>(fmt[i])));
    std::string s;
    switch (t) {
      case 'D':
      case 'U': {
        int64_t n = a.ToInt64();
        if (t == 'U' && n < 0) n = int64_t(uint32_t(n));
        s = std::to_string(n < 0 ? uint64_t(0) - uint64_t(n) : uint64_t(n));
        if (prec > 0)
          while (int(s.size()) < prec) s.insert(0, "0");
        if (n < 0) s.insert(0, "-");
        break;
      }
      case 'E':
        s = (a.ToDouble() < 0 ? "-" : "") + Scientific(a.ToDouble(), prec < 0 ? 15 : std::clamp(prec, 1, 15), 3, true);
        break;
      case 'F':
        s = FloatToTextF(a.ToDouble(), 2, 15, prec < 0 ? 2 : prec);
        break;
      case 'G':
        s = General(a.ToDouble(), prec < 0 ? 15 : std::clamp(prec, 1, 15), 0);
        break;
      case 'N':
        s = FloatToTextF(a.ToDouble(), 3, 15, prec < 0 ? 2 : prec);
        break;
      case 'M':
        s = FloatToTextF(a.ToDouble(), 4, 15, prec < 0 ? 2 : prec);
        break;
      case 'S':
        if (a.IsNull()) Invalid(fmt);
        s = a.Kind() == varDate ? DateTimeToText(a.RawDouble()) : a.ToText();
        if (prec >= 0 && size_t(prec) < s.size()) s.resize(size_t(prec));
        break;
      case 'X': {
        int64_t n = a.ToInt64();
        char buf[32];
        if (n >= INT32_MIN && n <= UINT32_MAX)
          std::snprintf(buf, sizeof buf, "%X", unsigned(uint32_t(n)));
        else
          std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(n));
        s = buf;
        if (prec > 0)
          while (int(s.size()) < prec) s.insert(0, "0");
        break;
      }
      default:
        Invalid(fmt);
    }
    if (width > 0 && int(s.size()) < width) {
      if (left)
        s.append(size_t(width) - s.size(), ' ');
      else
        s.insert(0, size_t(width) - s.size(), ' ');
    }
    out += s;
  }
  return out;
}

}  // namespace lib

namespace {

using lib::Nat;
using lib::Reg;
using std::string;

[[noreturn]] void NotFloat(const string& s) { throw EConvertError("'" + s + "' is not a valid floating point value"); }

int32_t NDateTimeToFileDate(TDateTime d) {
  int y, mo, dd, h, mi, s, ms;
  DecodeDate(d.Value, y, mo, dd);
  lib::DecodeTimeParts(d.Value, h, mi, s, ms);
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = dd;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  if (t < 0 || t > INT32_MAX) RaiseRangeError();
  return int32_t(t);
}
TDateTime NFileDateToDateTime(int32_t fd) {
  std::time_t t = fd;
  std::tm tm{};
  localtime_r(&t, &tm);
  double time;
  lib::TryEncodeTime(tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59), 0, time);
  return TDateTime{EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) + time};
}
string NCurrToStr(TCurrency c) { return TValue::Currency(c.Ticks).ToText(); }
string NDateToStr(TDateTime d) { return lib::DateToText(d.Value); }
string NDateTimeToStr(TDateTime d) { return lib::DateTimeToText(d.Value); }
string NTimeToStr(TDateTime d) { return lib::TimeToText(d.Value); }
string NFloatToStr(double x) { return lib::FloatToText(x); }
string NFloatToStrF(double x, int32_t format, int32_t precision, int32_t digits) {
  return lib::FloatToTextF(x, format, precision, digits);
}
void FFormat(TFuncCall& c) {
  if (c.Count < 1) throw EEvalError("Invalid argument");
  std::vector<TValue> args;
  if (c.Count == 2 && c.Arg(1).IsArray())
    args = c.Arg(1).ArrayData()->Items;
  else
    for (int i = 1; i < c.Count; ++i) args.push_back(c.Arg(i));
  *c.Result = TValue::String(lib::FormatText(c.Arg(0).ToText(), args));
}
string NFormatCurr(string fmt, TCurrency c) { return lib::FormatFloatText(fmt, double(c.Ticks) / 10000.0); }
string NFormatFloat(string fmt, double x) { return lib::FormatFloatText(fmt, x); }
string NFormatDateTime(string fmt, TDateTime d) { return lib::FormatDateTimeText(fmt, d.Value); }
// Edit masks: "mask;save literals;blank". Placeholders 0 9 # L l A a C c take the
// next character of the value; ">" and "<" switch to upper and lower case, "\"
// quotes the next character; literals are inserted (and skipped in the value when
// it holds them).
string NFormatMaskText(string mask, string value) {
  std::vector<string> parts{""};
  for (size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == '\\' && i + 1 < mask.size()) {
      parts.back() += mask.substr(i, 2);
      ++i;
    } else if (mask[i] == ';' && parts.size() < 3)
      parts.emplace_back();
    else
      parts.back() += mask[i];
  }
  bool save = parts.size() < 2 || parts[1] != "0";
  char blank = parts.size() > 2 && !parts[2].empty() ? parts[2][0] : ' ';
  const string& m = parts[0];
  string out;
  size_t vi = 0;
  int caseMode = 0;
  for (size_t i = 0; i < m.size(); ++i) {
    char c = m[i];
    if (c == '!') continue;
    if (c == '<' && i + 1 < m.size() && m[i + 1] == '>') {
      caseMode = 0;
      ++i;
      continue;
    }
    if (c == '>') {
      caseMode = 1;
      continue;
    }
    if (c == '<') {
      caseMode = -1;
      continue;
    }
    bool literal = true;
    char lit = c;
    if (c == '\\' && i + 1 < m.size())
      lit = m[++i];
    else if (std::strchr("09#LlAaCc", c))
      literal = false;
    else if (c == '/')
      lit = FormatSettings().DateSeparator;
    else if (c == ':')
      lit = FormatSettings().TimeSeparator;
    else if (c == '_')
      lit = ' ';
    if (literal) {
      out += lit;
      if (save && vi < value.size()) ++vi;
      continue;
    }
    char v = vi < value.size() ? value[vi++] : blank;
    if (caseMode > 0)
      v = char(std::toupper(static_cast<unsigned char>(v)));
    else if (caseMode < 0)
      v = char(std::tolower(static_cast<unsigned char>(v)));
    out += v;
  }
  return out;
}
string NIntToHex(int64_t v, int32_t digits) {
  char buf[32];
  if (v >= INT32_MIN && v <= INT32_MAX)
    std::snprintf(buf, sizeof buf, "%X", unsigned(uint32_t(v)));
  else
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
  string s(buf);
  digits = std::min(digits, 32);
  if (int(s.size()) < digits) s = string(size_t(digits) - s.size(), '0') + s;
  return s;
}
string NIntToStr(int64_t v) { return std::to_string(v); }
TCurrency NStrToCurr(string s) {
  double d;
  if (!ParseFloatText(s, FormatSettings().DecimalSeparator, d)) NotFloat(s);
  return TCurrency{TValue::String(s).ToCurrency()};
}
TDateTime NStrToDate(string s) {
  double d;
  if (!ParseDateText(s, FormatSettings(), d)) throw EConvertError("'" + s + "' is not a valid date");
  return TDateTime{d};
}
TDateTime NStrToDateTime(string s) {
  double d;
  if (!ParseDateText(s, FormatSettings(), d)) throw EConvertError("'" + s + "' is not a valid date and time");
  return TDateTime{d};
}
TDateTime NStrToTime(string s) {
  int h = 0, m = 0, sec = 0;
  char tail = 0;
  string t(TrimBlanks(s));
  int n = std::sscanf(t.c_str(), "%d:%d:%d%c", &h, &m, &sec, &tail);
  double r;
  if ((n != 2 && n != 3) || !lib::TryEncodeTime(h, m, sec, 0, r))
    throw EConvertError("'" + s + "' is not a valid time");
  return TDateTime{r};
}
double NStrToFloat(string s) {
  double d;
  if (!ParseFloatText(s, FormatSettings().DecimalSeparator, d)) NotFloat(s);
  return d;
}
bool ParseInt(const string& s, int32_t& out) {
  string t(TrimBlanks(s));
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long v;
  if (t[0] == '$' || (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')))
    v = std::strtoll(t.c_str() + (t[0] == '$' ? 1 : 2), &end, 16);
  else
    v = std::strtoll(t.c_str(), &end, 10);
  if (errno || *end || v < INT32_MIN || v > INT32_MAX) return false;
  out = int32_t(v);
  return true;
}
int32_t NStrToInt(string s) {
  int32_t v;
  if (!ParseInt(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
  return v;
}
int32_t NStrToIntDef(string s, int32_t def) {
  int32_t v;
  return ParseInt(s, v) ? v : def;
}
// TextToFloat(text, value, kind): kind 0 Double, 1 Currency; False when the text is no number.
void FTextToFloat(TFuncCall& c) {
  string s = c.Arg(0).ToText();
  double d;
  if (!ParseFloatText(s, FormatSettings().DecimalSeparator, d)) {
    *c.Result = TValue::Boolean(false);
    return;
  }
  c.Arg(1) = c.Arg(2).ToInteger() == 1 ? TValue::Currency(TValue::String(s).ToCurrency()) : TValue::Double(d);
  *c.Result = TValue::Boolean(true);
}
double NExtended(double x) { return x; }
int32_t NInteger(int32_t x) { return x; }

}  // namespace

void RegisterConvertFuncs(TEPRegFuncs& r, bool a) {
  const TFuncCategory C = fct_Convert;
  Nat(r, a, "DateTimeToFileDate", NDateTimeToFileDate, C, "file time stamp of a date");
  Nat(r, a, "FileDateToDateTime", NFileDateToDateTime, C, "date of a file time stamp");
  Nat(r, a, "CurrToStr", NCurrToStr, C, "Currency as text");
  Nat(r, a, "DateToStr", NDateToStr, C, "date as text");
  Nat(r, a, "DateTimeToStr", NDateTimeToStr, C, "date and time as text");
  Nat(r, a, "FloatToStr", NFloatToStr, C, "number as text");
  Nat(r, a, "FloatToStrF", NFloatToStrF, C, "FloatToStrF(x, format, precision, digits)");
  Reg(r, a, "Format", FFormat, C, "Format(format, arguments...)", -1);
  Nat(r, a, "FormatCurr", NFormatCurr, C, "FormatCurr(format, value)");
  Nat(r, a, "FormatDateTime", NFormatDateTime, C, "FormatDateTime(format, date)");
  Nat(r, a, "FormatFloat", NFormatFloat, C, "FormatFloat(format, value)");
  Nat(r, a, "FormatMaskText", NFormatMaskText, C, "FormatMaskText(mask, value)");
  Nat(r, a, "IntToHex", NIntToHex, C, "IntToHex(value, digits)");
  Nat(r, a, "IntToStr", NIntToStr, C, "integer as text");
  Nat(r, a, "StrToCurr", NStrToCurr, C, "text as Currency");
  Nat(r, a, "StrToDate", NStrToDate, C, "text as date");
  Nat(r, a, "StrToDateTime", NStrToDateTime, C, "text as date and time");
  Nat(r, a, "StrToFloat", NStrToFloat, C, "text as number");
  Nat(r, a, "StrToInt", NStrToInt, C, "text as integer");
  Nat(r, a, "StrToIntDef", NStrToIntDef, C, "StrToIntDef(text, default)");
  Nat(r, a, "StrToTime", NStrToTime, C, "text as time");
  Reg(r, a, "TextToFloat", FTextToFloat, C, "TextToFloat(text, value, kind)", 3);
  Nat(r, a, "TimeToStr", NTimeToStr, C, "time as text");
  Nat(r, a, "Extended", NExtended, C, "as Double");
  Nat(r, a, "Integer", NInteger, C, "as Integer");
}

}  // namespace jjgz::eval
