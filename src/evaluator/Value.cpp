#include "Value.h"

#include <cmath>
#include <cstdio>

#include "EvalError.h"
#include "Names.h"
#include "NumberText.h"

namespace jjgz::eval {

using namespace std::string_view_literals;

namespace {

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

}  // namespace

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
  switch (ClassOf(kind_)) {
    case kcEmp:
      return 0;
    case kcInt:
    case kcI64:
      return i_;
    case kcBool:
      return i_ ? -1 : 0;
    case kcReal:
    case kcDat: {
      bool ok;
      int64_t r = RoundHalfEven(d_, ok);
      if (!ok) RaiseRangeError();
      return r;
    }
    case kcCur:
      return DivRoundEven(i_, 10000);
    case kcStr: {
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
  if (IsTextKind(kind_)) {
    double d;
    if (!ParseFloatText(Text(), FormatSettings().DecimalSeparator, d)) RaiseCastError(kind_, "Integer");
    bool ok;
    int64_t r = RoundHalfEven(d, ok);
    if (!ok || r < INT32_MIN || r > INT32_MAX) RaiseRangeError();
    return static_cast<int32_t>(r);
  }
  if (kind_ == varNull || ClassOf(kind_) == kcOther) RaiseCastError(kind_, "Integer");
  int64_t r = ToInt64();
  if (r < INT32_MIN || r > INT32_MAX) RaiseRangeError();
  return static_cast<int32_t>(r);
}

double TValue::ToDouble() const {
  switch (ClassOf(kind_)) {
    case kcEmp:
      return 0;
    case kcInt:
    case kcI64:
      return static_cast<double>(i_);
    case kcBool:
      return i_ ? -1 : 0;
    case kcReal:
    case kcDat:
      return d_;
    case kcCur:
      return static_cast<double>(i_) / 10000.0;
    case kcStr: {
      double d;
      if (!ParseFloatText(Text(), FormatSettings().DecimalSeparator, d)) RaiseCastError(kind_, "Double");
      return d;
    }
    default:
      RaiseCastError(kind_, "Double");
  }
}

bool TValue::ToBoolean() const {
  switch (ClassOf(kind_)) {
    case kcEmp:
      return false;
    case kcInt:
    case kcI64:
    case kcBool:
    case kcCur:
      return i_ != 0;
    case kcReal:
    case kcDat:
      return d_ != 0;
    case kcStr: {
      bool b;
      if (!TextToBool(Text(), b)) RaiseCastError(kind_, "Boolean");
      return b;
    }
    default:
      RaiseCastError(kind_, "Boolean");
  }
}

int64_t TValue::ToCurrency() const {
  switch (ClassOf(kind_)) {
    case kcEmp:
      return 0;
    case kcCur:
      return i_;
    case kcInt:
    case kcI64: {
      int64_t r;
      if (__builtin_mul_overflow(i_, int64_t(10000), &r)) RaiseOverflow();
      return r;
    }
    case kcBool:
      return i_ ? -10000 : 0;
    case kcReal:
    case kcDat:
      return DoubleToCurrency(d_);
    case kcStr: {
      double d;
      if (!ParseFloatText(Text(), FormatSettings().DecimalSeparator, d)) RaiseCastError(kind_, "Currency");
      return DoubleToCurrency(d);
    }
    default:
      RaiseCastError(kind_, "Currency");
  }
}

double TValue::ToDate() const {
  if (IsTextKind(kind_)) {
    double d;
    if (ParseFloatText(Text(), FormatSettings().DecimalSeparator, d)) return d;
    if (ParseDateText(Text(), FormatSettings(), d)) return d;
    RaiseCastError(kind_, "Date");
  }
  if (kind_ == varNull || ClassOf(kind_) == kcOther) RaiseCastError(kind_, "Date");
  return ToDouble();
}

std::string TValue::ToText() const {
  if (IsIntegerKind(kind_)) return std::to_string(i_);
  switch (kind_) {
    case varEmpty:
      return std::string();
    case varString:
    case varOleStr:
      return Text();
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

}  // namespace jjgz::eval
