#include "parstype.h"

#include <cfenv>
#include <cstdlib>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

namespace jjgz::eval {

using namespace std::string_view_literals;

void RaiseZeroDivide() { throw EZeroDivide("Floating point division by zero"); }
void RaiseInvalidOp() { throw EInvalidOp("Invalid floating point operation"); }
void RaiseOverflow() { throw EOverflow("Floating point overflow"); }
void RaiseDivByZero() { throw EDivByZero("Division by zero"); }
void RaiseRangeError() { throw ERangeError("Range check error"); }
void RaiseInvalidVariantOp() { throw EVariantInvalidOpError("Invalid variant operation"); }

TFormatSettings& FormatSettings() {
  static TFormatSettings fs;
  return fs;
}

// ---------------------------------------------------------------------------
// Kind names and classes.

const char* VarKindName(uint16_t kind) {
  if (kind & varArray) return "Array";
  switch (kind) {
    case varEmpty:
      return "Empty";
    case varNull:
      return "Null";
    case varSmallint:
      return "Smallint";
    case varInteger:
      return "Integer";
    case varSingle:
      return "Single";
    case varDouble:
      return "Double";
    case varCurrency:
      return "Currency";
    case varDate:
      return "Date";
    case varOleStr:
      return "OleStr";
    case varDispatch:
      return "Dispatch";
    case varError:
      return "Error";
    case varBoolean:
      return "Boolean";
    case varVariant:
      return "Variant";
    case varUnknown:
      return "Unknown";
    case varShortInt:
      return "ShortInt";
    case varByte:
      return "Byte";
    case varWord:
      return "Word";
    case varLongWord:
      return "LongWord";
    case varInt64:
      return "Int64";
    case varString:
      return "String";
    default:
      return "Unknown";
  }
}

void RaiseCastError(uint16_t from, const char* to) {
  throw EVariantTypeCastError(std::string("Could not convert variant of type (") + VarKindName(from) + ") into type (" +
                              to + ")");
}

namespace {

enum TCls { cEmp, cNul, cInt, cReal, cCur, cStr, cBool, cDat, cI64, cOther };

TCls ClassOf(uint16_t k) {
  switch (k) {
    case varEmpty:
      return cEmp;
    case varNull:
      return cNul;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
      return cInt;
    case varSingle:
    case varDouble:
      return cReal;
    case varCurrency:
      return cCur;
    case varOleStr:
    case varString:
      return cStr;
    case varBoolean:
      return cBool;
    case varDate:
      return cDat;
    case varWord:
    case varLongWord:
    case varInt64:
      return cI64;
    default:
      return cOther;
  }
}

// Rule by class pair (left down, right across).
constexpr TCls kRule[9][9] = {
    /* Emp  */ {cEmp, cNul, cInt, cReal, cCur, cStr, cBool, cDat, cI64},
    /* Nul  */ {cNul, cNul, cNul, cNul, cNul, cNul, cNul, cNul, cNul},
    /* Int  */ {cInt, cNul, cInt, cReal, cCur, cReal, cInt, cDat, cI64},
    /* Real */ {cReal, cNul, cReal, cReal, cCur, cReal, cReal, cDat, cReal},
    /* Cur  */ {cCur, cNul, cCur, cCur, cCur, cCur, cCur, cDat, cCur},
    /* Str  */ {cStr, cNul, cReal, cReal, cCur, cStr, cBool, cDat, cReal},
    /* Bool */ {cBool, cNul, cInt, cReal, cCur, cBool, cBool, cDat, cI64},
    /* Dat  */ {cDat, cNul, cDat, cDat, cDat, cDat, cDat, cDat, cDat},
    /* I64  */ {cI64, cNul, cI64, cReal, cCur, cReal, cI64, cDat, cI64},
};

TCls RuleOf(const TValue& a, const TValue& b) {
  TCls ca = ClassOf(a.Kind()), cb = ClassOf(b.Kind());
  if (ca == cOther || cb == cOther) RaiseInvalidVariantOp();
  return kRule[ca][cb];
}

bool TextToBool(const std::string& s, bool& out) {
  std::string_view t = TrimBlanks(s);
  if (SameText(t, "True"sv)) {
    out = true;
    return true;
  }
  if (SameText(t, "False"sv)) {
    out = false;
    return true;
  }
  double d;
  if (ParseFloatText(t, FormatSettings().DecimalSeparator, d)) {
    out = d != 0;
    return true;
  }
  return false;
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

double FloatDiv(double a, double b) {
  if (b == 0) {
    if (a == 0 || std::isnan(a)) RaiseInvalidOp();
    RaiseZeroDivide();
  }
  return CheckFloat(a / b);
}

enum TArith { opAdd, opSub, opMul };

double FloatArith(TArith op, double x, double y) {
  switch (op) {
    case opAdd:
      return CheckFloat(x + y);
    case opSub:
      return CheckFloat(x - y);
    default:
      return CheckFloat(x * y);
  }
}

TValue Arith(TArith op, const TValue& a, const TValue& b) {
  switch (RuleOf(a, b)) {
    case cEmp:
      return TValue();
    case cNul:
      return TValue::Null();
    case cInt: {
      int64_t x = a.ToInteger(), y = b.ToInteger(), r;
      r = op == opAdd ? x + y : op == opSub ? x - y : x * y;
      if (r >= INT32_MIN && r <= INT32_MAX) return TValue::Integer(static_cast<int32_t>(r));
      return TValue::Double(FloatArith(op, double(x), double(y)));
    }
    case cReal:
    case cBool:
      return TValue::Double(FloatArith(op, a.ToDouble(), b.ToDouble()));
    case cCur: {
      int64_t x = a.ToCurrency(), y = b.ToCurrency(), r;
      if (op == opMul) return TValue::Currency(DivRoundEven(__int128(x) * y, 10000));
      bool ovf = op == opAdd ? __builtin_add_overflow(x, y, &r) : __builtin_sub_overflow(x, y, &r);
      if (ovf) RaiseOverflow();
      return TValue::Currency(r);
    }
    case cStr:
      if (op == opAdd) {
        std::string s = a.ToText() + b.ToText();
        return a.Kind() == varString ? TValue::String(std::move(s)) : TValue::WideString(std::move(s));
      }
      return TValue::Double(FloatArith(op, a.ToDouble(), b.ToDouble()));
    case cDat:
      if (op == opMul) return TValue::Double(FloatArith(op, a.ToDate(), b.ToDate()));
      if (op == opSub && a.Kind() == varDate && b.Kind() == varDate)
        return TValue::Double(FloatArith(op, a.ToDate(), b.ToDate()));
      return TValue::Date(FloatArith(op, a.ToDate(), b.ToDate()));
    case cI64: {
      int64_t x = a.ToInt64(), y = b.ToInt64(), r;
      bool ovf = op == opAdd   ? __builtin_add_overflow(x, y, &r)
                 : op == opSub ? __builtin_sub_overflow(x, y, &r)
                               : __builtin_mul_overflow(x, y, &r);
      if (!ovf) return TValue::Int64(r);
      return TValue::Double(FloatArith(op, double(x), double(y)));
    }
    default:
      RaiseInvalidVariantOp();
  }
}

}  // namespace

int64_t RoundHalfEven(double x, bool& ok) {
  ok = false;
  if (std::isnan(x) || !(x > -9.2233720368547758e18 && x < 9.2233720368547758e18)) return 0;
  ok = true;
  return static_cast<int64_t>(std::nearbyint(x));
}

// ---------------------------------------------------------------------------
// TValue.

void TValue::CopyArray(const TValue& o) {
  TVarArray* copy = o.arr_ ? new TVarArray(*o.arr_) : nullptr;
  delete arr_;
  arr_ = copy;
}

void TValue::FreeExt() {
  delete s_;
  s_ = nullptr;
  TVarArray* a = arr_;
  arr_ = nullptr;
  delete a;
}

const std::string& TValue::EmptyText() {
  static const std::string empty;
  return empty;
}

TValue TValue::Array(int lowBound, std::vector<TValue> items) {
  TValue v;
  v.kind_ = varArray | varVariant;
  v.arr_ = new TVarArray();
  v.arr_->LowBound = lowBound;
  v.arr_->Items = std::move(items);
  return v;
}

TValue TValue::OfKind(uint16_t kind) {
  TValue v;
  v.kind_ = kind;
  return v;
}

int64_t TValue::ToInt64() const {
  switch (kind_) {
    case varEmpty:
      return 0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return i_;
    case varBoolean:
      return i_ ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate: {
      bool ok;
      int64_t r = RoundHalfEven(d_, ok);
      if (!ok) RaiseRangeError();
      return r;
    }
    case varCurrency:
      return DivRoundEven(i_, 10000);
    case varString:
    case varOleStr: {
      double d;
      if (!ParseFloatText(Text(), FormatSettings().DecimalSeparator, d)) RaiseCastError(kind_, "Int64");
      bool ok;
      int64_t r = RoundHalfEven(d, ok);
      if (!ok) RaiseRangeError();
      return r;
    }
    default:
      RaiseCastError(kind_, "Int64");
  }
}

int32_t TValue::ToInteger() const {
  if (kind_ == varString || kind_ == varOleStr) {
    double d;
    if (!ParseFloatText(Text(), FormatSettings().DecimalSeparator, d)) RaiseCastError(kind_, "Integer");
    bool ok;
    int64_t r = RoundHalfEven(d, ok);
    if (!ok || r < INT32_MIN || r > INT32_MAX) RaiseRangeError();
    return static_cast<int32_t>(r);
  }
  if (kind_ == varNull || ClassOf(kind_) == cOther) RaiseCastError(kind_, "Integer");
  int64_t r = ToInt64();
  if (r < INT32_MIN || r > INT32_MAX) RaiseRangeError();
  return static_cast<int32_t>(r);
}

double TValue::ToDouble() const {
  switch (kind_) {
    case varEmpty:
      return 0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return static_cast<double>(i_);
    case varBoolean:
      return i_ ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate:
      return d_;
    case varCurrency:
      return static_cast<double>(i_) / 10000.0;
    case varString:
    case varOleStr: {
      double d;
      if (!ParseFloatText(Text(), FormatSettings().DecimalSeparator, d)) RaiseCastError(kind_, "Double");
      return d;
    }
    default:
      RaiseCastError(kind_, "Double");
  }
}

bool TValue::ToBoolean() const {
  switch (kind_) {
    case varEmpty:
      return false;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varBoolean:
    case varCurrency:
      return i_ != 0;
    case varSingle:
    case varDouble:
    case varDate:
      return d_ != 0;
    case varString:
    case varOleStr: {
      bool b;
      if (!TextToBool(Text(), b)) RaiseCastError(kind_, "Boolean");
      return b;
    }
    default:
      RaiseCastError(kind_, "Boolean");
  }
}

int64_t TValue::ToCurrency() const {
  switch (kind_) {
    case varEmpty:
      return 0;
    case varCurrency:
      return i_;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: {
      int64_t r;
      if (__builtin_mul_overflow(i_, int64_t(10000), &r)) RaiseOverflow();
      return r;
    }
    case varBoolean:
      return i_ ? -10000 : 0;
    case varSingle:
    case varDouble:
    case varDate:
      return DoubleToCurrency(d_);
    case varString:
    case varOleStr: {
      double d;
      if (!ParseFloatText(Text(), FormatSettings().DecimalSeparator, d)) RaiseCastError(kind_, "Currency");
      return DoubleToCurrency(d);
    }
    default:
      RaiseCastError(kind_, "Currency");
  }
}

double TValue::ToDate() const {
  if (kind_ == varString || kind_ == varOleStr) {
    double d;
    if (ParseFloatText(Text(), FormatSettings().DecimalSeparator, d)) return d;
    if (ParseDateText(Text(), FormatSettings(), d)) return d;
    RaiseCastError(kind_, "Date");
  }
  if (kind_ == varNull || ClassOf(kind_) == cOther) RaiseCastError(kind_, "Date");
  return ToDouble();
}

std::string TValue::ToText() const {
  switch (kind_) {
    case varEmpty:
      return std::string();
    case varString:
    case varOleStr:
      return Text();
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return std::to_string(i_);
    case varBoolean:
      return i_ ? "True" : "False";
    case varCurrency: {
      std::string t = FormatCurrencyText(i_);
      if (FormatSettings().DecimalSeparator != '.')
        for (char& c : t)
          if (c == '.') c = FormatSettings().DecimalSeparator;
      return t;
    }
    case varSingle:
    case varDouble: {
      std::string t = kind_ == varSingle ? FormatSingleText(float(d_)) : FormatDoubleText(d_);
      if (FormatSettings().DecimalSeparator != '.')
        for (char& c : t)
          if (c == '.') c = FormatSettings().DecimalSeparator;
      return t;
    }
    case varDate: {
      int y, m, d;
      DecodeDate(d_, y, m, d);
      const TFormatSettings& fs = FormatSettings();
      std::string out;
      for (size_t i = 0; i < fs.ShortDateFormat.size();) {
        char c = fs.ShortDateFormat[i];
        size_t n = 1;
        while (i + n < fs.ShortDateFormat.size() && fs.ShortDateFormat[i + n] == c) ++n;
        char buf[16];
        if (c == 'y' || c == 'Y') {
          std::snprintf(buf, sizeof buf, n <= 2 ? "%02d" : "%04d", n <= 2 ? y % 100 : y);
          out += buf;
        } else if (c == 'M' || c == 'm') {
          std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", m);
          out += buf;
        } else if (c == 'd' || c == 'D') {
          std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", d);
          out += buf;
        } else if (c == '/') {
          out.append(n, fs.DateSeparator);
        } else {
          out.append(n, c);
        }
        i += n;
      }
      double frac = std::fabs(d_ - std::trunc(d_));
      if (frac > 0) {
        int64_t secs = static_cast<int64_t>(std::llround(frac * 86400.0));
        char buf[32];
        std::snprintf(buf, sizeof buf, " %d%c%02d%c%02d", int(secs / 3600), fs.TimeSeparator, int(secs / 60 % 60),
                      fs.TimeSeparator, int(secs % 60));
        out += buf;
      }
      return out;
    }
    case varNull:
      RaiseCastError(kind_, "String");
    default:
      RaiseCastError(kind_, "String");
  }
}

// ---------------------------------------------------------------------------
// Value arithmetic.

TValue VarAdd(const TValue& a, const TValue& b) { return Arith(opAdd, a, b); }
TValue VarSub(const TValue& a, const TValue& b) { return Arith(opSub, a, b); }
TValue VarMul(const TValue& a, const TValue& b) { return Arith(opMul, a, b); }

TValue VarDiv(const TValue& a, const TValue& b) {
  switch (RuleOf(a, b)) {
    case cEmp:
      RaiseZeroDivide();
    case cNul:
      return TValue::Null();
    case cCur: {
      if (a.Kind() != varCurrency) return TValue::Double(FloatDiv(a.ToDouble(), b.ToDouble()));
      int64_t x = a.ToCurrency();
      if (b.Kind() == varCurrency) {
        int64_t y = b.ToCurrency();
        if (y == 0) {
          if (x == 0) RaiseInvalidOp();
          RaiseZeroDivide();
        }
        return TValue::Currency(DivRoundEven(__int128(x) * 10000, y));
      }
      double q = FloatDiv(static_cast<double>(x), b.ToDouble());
      if (!(q > -9.2233720368547758e18 && q < 9.2233720368547758e18)) RaiseOverflow();
      return TValue::Currency(static_cast<int64_t>(std::nearbyint(q)));
    }
    case cDat:
      return TValue::Double(FloatDiv(a.ToDate(), b.ToDate()));
    default:
      return TValue::Double(FloatDiv(a.ToDouble(), b.ToDouble()));
  }
}

TValue VarNeg(const TValue& a) {
  int64_t x = a.RawInt();
  switch (a.Kind()) {
    case varEmpty:
      return TValue::Integer(0);
    case varNull:
      return TValue::Null();
    case varShortInt:
      return x == INT8_MIN ? TValue::Smallint(int16_t(-x)) : TValue::ShortInt(int8_t(-x));
    case varSmallint:
      return x == INT16_MIN ? TValue::Integer(int32_t(-x)) : TValue::Smallint(int16_t(-x));
    case varInteger:
      return x == INT32_MIN ? TValue::Int64(-x) : TValue::Integer(int32_t(-x));
    case varInt64:
      return x == INT64_MIN ? TValue::Double(-double(x)) : TValue::Int64(-x);
    case varByte:
      return TValue::Smallint(int16_t(-x));
    case varWord:
      return TValue::Integer(int32_t(-x));
    case varLongWord:
      return TValue::Int64(-x);
    case varBoolean:
      return TValue::Smallint(x ? 1 : 0);
    case varSingle:
      return TValue::Single(-float(a.RawDouble()));
    case varDouble:
      return TValue::Double(-a.RawDouble());
    case varDate:
      return TValue::Date(-a.RawDouble());
    case varCurrency:
      if (x == INT64_MIN) RaiseOverflow();
      return TValue::Currency(-x);
    case varString:
    case varOleStr:
      return TValue::Double(-a.ToDouble());
    default:
      RaiseInvalidVariantOp();
  }
}

namespace {
template <class T>
int Cmp3(T x, T y) {
  return x < y ? -1 : (y < x ? 1 : 0);
}
}  // namespace

int VarCompare(const TValue& a, const TValue& b) {
  switch (RuleOf(a, b)) {
    case cEmp:
      return 0;
    case cNul:
      if (a.IsNull() && b.IsNull()) return 0;
      return a.IsNull() ? -1 : 1;
    case cInt:
      return Cmp3<int64_t>(a.ToInteger(), b.ToInteger());
    case cReal:
      return Cmp3(a.ToDouble(), b.ToDouble());
    case cCur:
      return Cmp3(a.ToCurrency(), b.ToCurrency());
    case cStr: {
      int c = a.ToText().compare(b.ToText());  // std::string compares bytes as unsigned char
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case cBool:
      return Cmp3<int>(a.ToBoolean() ? 1 : 0, b.ToBoolean() ? 1 : 0);
    case cDat:
      return Cmp3(a.ToDate(), b.ToDate());
    case cI64:
      return Cmp3(a.ToInt64(), b.ToInt64());
    default:
      RaiseInvalidVariantOp();
  }
}

bool VarEquals(const TValue& a, const TValue& b) { return VarCompare(a, b) == 0; }

// ---------------------------------------------------------------------------
// Numbers, dates and their text.

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

// ---------------------------------------------------------------------------
// Names.

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

// ---------------------------------------------------------------------------
// Scanner.

namespace {
struct TKeyword {
  std::string_view word;
  TToken token;
};
const TKeyword kKeywords[] = {
    {"FOR", TToken::For},     {"TO", TToken::To},       {"DOWNTO", TToken::DownTo},   {"DO", TToken::Do},
    {"BEGIN", TToken::Begin}, {"END", TToken::End},     {"WHILE", TToken::While},     {"REPEAT", TToken::Repeat},
    {"UNTIL", TToken::Until}, {"BREAK", TToken::Break}, {"IF", TToken::If},           {"THEN", TToken::Then},
    {"ELSE", TToken::Else},   {"TRY", TToken::Try},     {"FINALLY", TToken::Finally}, {"EXCEPT", TToken::Except}};
}  // namespace

TParserScanner::TParserScanner(std::vector<std::string> lines) : lines_(std::move(lines)) {
  if (!lines_.empty()) buf_ = lines_[0];
}

bool TParserScanner::NextLine() {
  ++line_;
  pos_ = 0;
  if (line_ < static_cast<int>(lines_.size())) {
    buf_ = lines_[line_];
    return true;
  }
  buf_.clear();
  return false;
}

std::string TParserScanner::StatementText(bool withToken) const {
  std::string s(TrimBlanks(statement_));
  if (withToken && !tokenText_.empty()) {
    if (!s.empty()) s += ' ';
    s += tokenText_;
  }
  return s;
}

TToken TParserScanner::NextToken() {
  if (!tokenText_.empty()) {
    if (!statement_.empty()) statement_ += ' ';
    statement_ += tokenText_;
  }
  std::string pending;
  auto appendPiece = [&](int from, int to) {
    if (to > from) pending.append(buf_, static_cast<size_t>(from), static_cast<size_t>(to - from));
  };
  auto lineBreak = [&]() { pending += ' '; };
  int p = pos_;
  int pendStart = p;
  TToken tok = TToken::Eof;
  int len = 0;
  for (;;) {
    if (p >= static_cast<int>(buf_.size())) {
      appendPiece(pendStart, static_cast<int>(buf_.size()));
      if (!NextLine()) {
        p = 0;
        pendStart = 0;
        tok = TToken::Eof;
        len = 0;
        break;
      }
      lineBreak();
      p = 0;
      pendStart = 0;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(buf_[p]);
    if (c == '\t') {
      buf_[p] = ' ';
      continue;
    }
    if (c == '"') {
      size_t q = buf_.find('"', static_cast<size_t>(p) + 1);
      while (q == std::string::npos) {
        appendPiece(pendStart, static_cast<int>(buf_.size()));
        if (!NextLine()) {
          throw ESyntaxError("The string exceeds the end of the script. Expression: " + buf_);
        }
        lineBreak();
        pendStart = 0;
        q = buf_.find('"');
      }
      p = static_cast<int>(q) + 1;
      continue;
    }
    if (c == '/' && p + 1 < static_cast<int>(buf_.size()) && buf_[p + 1] == '/') {
      appendPiece(pendStart, p);
      if (!NextLine()) {
        p = 0;
        pendStart = 0;
        tok = TToken::Eof;
        len = 0;
        break;
      }
      lineBreak();
      p = 0;
      pendStart = 0;
      continue;
    }
    if (c == '{') {
      appendPiece(pendStart, p);
      size_t q = buf_.find('}', static_cast<size_t>(p) + 1);
      bool eof = false;
      while (q == std::string::npos) {
        if (!NextLine()) {
          eof = true;
          break;
        }
        q = buf_.find('}');
      }
      if (eof) {
        p = 0;
        pendStart = 0;
        tok = TToken::Eof;
        len = 0;
        break;
      }
      p = static_cast<int>(q) + 1;
      pendStart = p;
      continue;
    }
    if (c == ':' && p + 1 < static_cast<int>(buf_.size()) && buf_[p + 1] == '=') {
      tok = TToken::Assign;
      len = 2;
      p += 2;
      break;
    }
    if (c == ';') {
      tok = TToken::Semicolon;
      len = 1;
      p += 1;
      break;
    }
    if (IsIdentStart(c)) {
      int q = p;
      while (q < static_cast<int>(buf_.size()) && IsWordChar(static_cast<unsigned char>(buf_[q]))) ++q;
      std::string_view w(buf_.data() + p, static_cast<size_t>(q - p));
      bool found = false;
      if (w.size() <= 7)
        for (const TKeyword& k : kKeywords)
          if (SameText(w, k.word)) {
            tok = k.token;
            found = true;
            break;
          }
      if (found) {
        len = q - p;
        p = q;
        break;
      }
      p = q;
      continue;
    }
    ++p;
  }
  tokStart_ = p - len;
  appendPiece(pendStart, tokStart_);
  exprText_ = std::string(TrimBlanks(pending));
  tokenText_ = buf_.substr(static_cast<size_t>(tokStart_), static_cast<size_t>(len));
  tokLen_ = len;
  if (!exprText_.empty()) {
    if (!statement_.empty()) statement_ += ' ';
    statement_ += exprText_;
  }
  pos_ = p;
  token_ = tok;
  return tok;
}

}  // namespace jjgz::eval
