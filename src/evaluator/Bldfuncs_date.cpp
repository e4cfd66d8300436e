// The date group and the date and time helpers of the library.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <functional>
#include <cmath>
#include <ctime>

#include "Bldfuncs_lib.h"

namespace jjgz::eval {

namespace lib {

namespace {
// Names of a Simplified Chinese desktop, in GBK.
const char* const kLongMonth[12] = {"\xD2\xBB\xD4\xC2", "\xB6\xFE\xD4\xC2",         "\xC8\xFD\xD4\xC2",
                                    "\xCB\xC4\xD4\xC2", "\xCE\xE5\xD4\xC2",         "\xC1\xF9\xD4\xC2",
                                    "\xC6\xDF\xD4\xC2", "\xB0\xCB\xD4\xC2",         "\xBE\xC5\xD4\xC2",
                                    "\xCA\xAE\xD4\xC2", "\xCA\xAE\xD2\xBB\xD4\xC2", "\xCA\xAE\xB6\xFE\xD4\xC2"};
const char* const kMonthSuffix = "\xD4\xC2";  // 月: short names are 1月 ... 12月
const char* const kLongDay[7] = {"\xD0\xC7\xC6\xDA\xC8\xD5", "\xD0\xC7\xC6\xDA\xD2\xBB", "\xD0\xC7\xC6\xDA\xB6\xFE",
                                 "\xD0\xC7\xC6\xDA\xC8\xFD", "\xD0\xC7\xC6\xDA\xCB\xC4", "\xD0\xC7\xC6\xDA\xCE\xE5",
                                 "\xD0\xC7\xC6\xDA\xC1\xF9"};
const char* const kShortDay[7] = {"\xD6\xDC\xC8\xD5", "\xD6\xDC\xD2\xBB", "\xD6\xDC\xB6\xFE", "\xD6\xDC\xC8\xFD",
                                  "\xD6\xDC\xCB\xC4", "\xD6\xDC\xCE\xE5", "\xD6\xDC\xC1\xF9"};
const char* const kAm = "\xC9\xCF\xCE\xE7";  // 上午
const char* const kPm = "\xCF\xC2\xCE\xE7";  // 下午
// yyyy年M月d日
const char* const kLongDateFormat = "yyyy'\xC4\xEA'M'\xD4\xC2'd'\xC8\xD5'";
const char* const kShortTimeFormat = "h:nn";
const char* const kLongTimeFormat = "h:nn:ss";

int DayOfWeek(double dt) {  // 1 = Sunday
  if (!std::isfinite(dt)) return 1;
  double r = std::fmod(std::trunc(dt), 7.0);  // exact for every finite value
  return (int(r) + 13) % 7 + 1;
}
}  // namespace

double DateOf(double dt) { return std::trunc(dt); }
double TimeOf(double dt) { return std::fabs(dt - std::trunc(dt)); }
double Combine(double date, double time) {
  date = std::trunc(date);
  time = std::fabs(time - std::trunc(time));
  return date >= 0 ? date + time : date - time;
}

void DecodeTimeParts(double dt, int& h, int& m, int& s, int& ms) {
  double t = TimeOf(dt);
  int64_t total = static_cast<int64_t>(std::llround(t * 86400000.0));
  if (total >= 86400000) total = 86399999;  // rounding never makes hour 24
  if (total < 0) total = 0;
  ms = int(total % 1000);
  total /= 1000;
  s = int(total % 60);
  total /= 60;
  m = int(total % 60);
  h = int(total / 60);
}

bool TryEncodeTime(int h, int m, int s, int ms, double& out) {
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59 || ms < 0 || ms > 999) return false;
  out = (h * 3600000.0 + m * 60000.0 + s * 1000.0 + ms) / 86400000.0;
  return true;
}

double NowValue() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t tt = system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&tt, &tm);
  int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  double d = EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  double t;
  TryEncodeTime(tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59), ms, t);
  return d + t;
}

std::string FormatDateTimeText(std::string_view fmt, double dt) {
  std::string out;
  int y, mo, d, h, mi, s, ms;
  DecodeDate(dt, y, mo, d);
  DecodeTimeParts(dt, h, mi, s, ms);
  const TFormatSettings& fs = FormatSettings();
  // 12-hour clock when the format holds an am/pm specifier.
  bool twelve = false;
  for (size_t i = 0; i < fmt.size(); ++i)
    if ((fmt[i] == 'a' || fmt[i] == 'A') && (SameText(fmt.substr(i, 5), "am/pm") || SameText(fmt.substr(i, 3), "a/p") ||
                                             SameText(fmt.substr(i, 4), "ampm")))
      twelve = true;
  auto num = [&](int v, int width) {
    std::string t = std::to_string(v);
    while (int(t.size()) < width) t.insert(t.begin(), '0');
    out += t;
  };
  bool lastHour = false;
  int depth = 0;
  std::function<void(std::string_view)> run = [&](std::string_view f) {
    if (++depth > 3) return;  // formats naming formats end here
    size_t i = 0;
    while (i < f.size()) {
      char c = f[i];
      char u = char(std::toupper(static_cast<unsigned char>(c)));
      size_t n = 1;
      while (i + n < f.size() && std::toupper(static_cast<unsigned char>(f[i + n])) == u) ++n;
      if (IsLead(static_cast<unsigned char>(c)) && i + 1 < f.size()) {
        out.append(f.substr(i, 2));
        i += 2;
        continue;
      }
      switch (u) {
        case '\'':
        case '"': {
          size_t e = f.find(c, i + 1);
          if (e == std::string_view::npos) e = f.size();
          out.append(f.substr(i + 1, e - i - 1));
          i = e + 1;
          continue;
        }
        case 'Y':
          if (n <= 2)
            num(y % 100, 2);
          else
            num(y, 4);
          lastHour = false;
          break;
        case 'M':
          if (lastHour && n <= 2)
            num(mi, int(n));
          else if (n <= 2)
            num(mo, int(n));
          else if (n == 3)
            out += std::to_string(mo) + kMonthSuffix;
          else
            out += kLongMonth[mo - 1];
          lastHour = false;
          break;
        case 'D':
          if (n <= 2)
            num(d, int(n));
          else if (n == 3)
            out += kShortDay[DayOfWeek(dt) - 1];
          else if (n == 4)
            out += kLongDay[DayOfWeek(dt) - 1];
          else if (n == 5)
            run(fs.ShortDateFormat);
          else
            run(kLongDateFormat);
          lastHour = false;
          break;
        case 'E':
          num(y, 1);
          break;
        case 'H': {
          int hh = h;
          if (twelve) {
            hh = h % 12;
            if (hh == 0) hh = 12;
          }
          num(hh, n >= 2 ? 2 : 1);
          lastHour = true;
          i += n;
          continue;
        }
        case 'N':
          num(mi, n >= 2 ? 2 : 1);
          break;
        case 'S':
          num(s, n >= 2 ? 2 : 1);
          break;
        case 'Z':
          num(ms, n >= 3 ? 3 : 1);
          break;
        case 'T':
          run(n >= 2 ? kLongTimeFormat : kShortTimeFormat);
          break;
        case 'C':
          run(fs.ShortDateFormat);
          if (TimeOf(dt) != 0) {
            out += ' ';
            run(kLongTimeFormat);
          }
          break;
        case 'A':
          if (SameText(f.substr(i, 5), "am/pm")) {
            out += h < 12 ? kAm : kPm;
            i += 5;
          } else if (SameText(f.substr(i, 3), "a/p")) {
            bool up = f[i] == 'A';
            out += h < 12 ? (up ? "A" : "a") : (up ? "P" : "p");
            i += 3;
          } else if (SameText(f.substr(i, 4), "ampm")) {
            out += h < 12 ? kAm : kPm;
            i += 4;
          } else {
            out += c;
            i += 1;
          }
          continue;
        case '/':
          out.append(n, fs.DateSeparator);
          break;
        case ':':
          out.append(n, fs.TimeSeparator);
          break;
        default:
          out.append(f.substr(i, n));
          break;
      }
      if (u == 'D' || u == 'S' || u == 'N' || u == 'Z' || u == 'E' || u == 'C') lastHour = false;
      i += n;
    }
    --depth;
  };
  run(fmt.empty() ? std::string_view("c") : fmt);
  return out;
}

std::string DateToText(double dt) { return FormatDateTimeText(FormatSettings().ShortDateFormat, dt); }
std::string TimeToText(double dt) { return FormatDateTimeText(kLongTimeFormat, dt); }
std::string DateTimeToText(double dt) { return FormatDateTimeText("c", dt); }

}  // namespace lib

namespace {

using lib::Nat;
using lib::Reg;

void FDate(TFuncCall& c) { *c.Result = TValue::Date(std::floor(lib::NowValue())); }
void FEncodeDate(TFuncCall& c) {
  double r;
  if (!TryEncodeDate(c.Arg(0).ToInteger(), c.Arg(1).ToInteger(), c.Arg(2).ToInteger(), r))
    throw EConvertError("Invalid argument to date encode");
  *c.Result = TValue::Date(r);
}
void FDayOfWeek(TFuncCall& c) {
  double dt = c.Arg(0).ToDate();
  if (!(std::fabs(dt) < 9.2e18)) RaiseInvalidOp();  // no day number for it
  *c.Result = TValue::Word(static_cast<uint16_t>(lib::DayOfWeek(dt)));
}
int Part(TFuncCall& c, int which) {
  int y, m, d;
  DecodeDate(c.Arg(0).ToDate(), y, m, d);
  return which == 0 ? y : which == 1 ? m : d;
}
void FExtractDay(TFuncCall& c) { *c.Result = TValue::Word(uint16_t(Part(c, 2))); }
void FExtractMonth(TFuncCall& c) { *c.Result = TValue::Word(uint16_t(Part(c, 1))); }
void FExtractYear(TFuncCall& c) { *c.Result = TValue::Word(uint16_t(Part(c, 0))); }
void FDecodeDate(TFuncCall& c) {
  int y, m, d;
  DecodeDate(c.Arg(0).ToDate(), y, m, d);
  c.Arg(1) = TValue::Word(uint16_t(y));
  c.Arg(2) = TValue::Word(uint16_t(m));
  c.Arg(3) = TValue::Word(uint16_t(d));
}
void FDecodeTime(TFuncCall& c) {
  int h, m, s, ms;
  lib::DecodeTimeParts(c.Arg(0).ToDate(), h, m, s, ms);
  c.Arg(1) = TValue::Word(uint16_t(h));
  c.Arg(2) = TValue::Word(uint16_t(m));
  c.Arg(3) = TValue::Word(uint16_t(s));
  c.Arg(4) = TValue::Word(uint16_t(ms));
}
void FReplaceDate(TFuncCall& c) {
  double dt = c.Arg(0).ToDate(), nd = c.Arg(1).ToDate();
  c.Arg(0) = TValue::Date(lib::Combine(nd, lib::TimeOf(dt)));
}
void FReplaceTime(TFuncCall& c) {
  double dt = c.Arg(0).ToDate(), nt = c.Arg(1).ToDate();
  c.Arg(0) = TValue::Date(lib::Combine(dt, lib::TimeOf(nt)));
}

TDateTime NEncodeTime(uint16_t h, uint16_t m, uint16_t s, uint16_t ms) {
  double r;
  if (!lib::TryEncodeTime(h, m, s, ms, r)) throw EConvertError("Invalid argument to time encode");
  return TDateTime{r};
}
TDateTime NIncMonth(TDateTime dt, int32_t months) {
  int y, m, d;
  DecodeDate(dt.Value, y, m, d);
  int64_t total = int64_t(y) * 12 + (m - 1) + months;
  int64_t ny = total >= 0 ? total / 12 : (total - 11) / 12;
  int nm = int(total - ny * 12) + 1;
  if (ny < 1 || ny > 9999) throw EConvertError("Invalid argument to date encode");
  static const int mdays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (ny % 4 == 0 && ny % 100 != 0) || ny % 400 == 0;
  int md = mdays[nm - 1] + (nm == 2 && leap ? 1 : 0);
  double nd = EncodeDate(int(ny), nm, std::min(d, md));
  return TDateTime{lib::Combine(nd, lib::TimeOf(dt.Value))};
}
bool NIsLeapYear(uint16_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
TDateTime NNow() { return TDateTime{lib::NowValue()}; }
TDateTime NTime() { return TDateTime{lib::TimeOf(lib::NowValue())}; }

}  // namespace

void RegisterDateFuncs(TEPRegFuncs& r, bool a) {
  Reg(r, a, "DATE", FDate, fct_Date, "today's date", 0);
  Reg(r, a, "ENCODEDATE", FEncodeDate, fct_Date, "date of year, month, day", 3);
  Reg(r, a, "DAYOFWEEK", FDayOfWeek, fct_Date, "day of the week, 1 = Sunday", 1);
  Reg(r, a, "EXTRACTDAY", FExtractDay, fct_Date, "day of the date", 1);
  Reg(r, a, "EXTRACTMONTH", FExtractMonth, fct_Date, "month of the date", 1);
  Reg(r, a, "EXTRACTYEAR", FExtractYear, fct_Date, "year of the date", 1);
  Reg(r, a, "DecodeDate", FDecodeDate, fct_Date, "DecodeDate(date, year, month, day)", 4);
  Reg(r, a, "DecodeTime", FDecodeTime, fct_Date, "DecodeTime(time, hour, min, sec, msec)", 5);
  Reg(r, a, "ReplaceDate", FReplaceDate, fct_Date, "ReplaceDate(datetime, newdate)", 2);
  Reg(r, a, "ReplaceTime", FReplaceTime, fct_Date, "ReplaceTime(datetime, newtime)", 2);
  Nat(r, a, "EncodeTime", NEncodeTime, fct_Date, "time of hour, minute, second, millisecond");
  Nat(r, a, "IncMonth", NIncMonth, fct_Date, "date shifted by a number of months");
  Nat(r, a, "IsLeapYear", NIsLeapYear, fct_Date, "leap-year test");
  Nat(r, a, "Now", NNow, fct_Date, "current date and time");
  Nat(r, a, "Time", NTime, fct_Date, "current time");
}

}  // namespace jjgz::eval
