#include "ValueArith.h"

#include <cmath>
#include <limits>

#include "NumberText.h"

namespace jjgz::eval {

namespace {

// Rule by class pair (left down, right across).
constexpr TKindClass kRule[9][9] = {
    /* Emp  */ {kcEmp, kcNul, kcInt, kcReal, kcCur, kcStr, kcBool, kcDat, kcI64},
    /* Nul  */ {kcNul, kcNul, kcNul, kcNul, kcNul, kcNul, kcNul, kcNul, kcNul},
    /* Int  */ {kcInt, kcNul, kcInt, kcReal, kcCur, kcReal, kcInt, kcDat, kcI64},
    /* Real */ {kcReal, kcNul, kcReal, kcReal, kcCur, kcReal, kcReal, kcDat, kcReal},
    /* Cur  */ {kcCur, kcNul, kcCur, kcCur, kcCur, kcCur, kcCur, kcDat, kcCur},
    /* Str  */ {kcStr, kcNul, kcReal, kcReal, kcCur, kcStr, kcBool, kcDat, kcReal},
    /* Bool */ {kcBool, kcNul, kcInt, kcReal, kcCur, kcBool, kcBool, kcDat, kcI64},
    /* Dat  */ {kcDat, kcNul, kcDat, kcDat, kcDat, kcDat, kcDat, kcDat, kcDat},
    /* I64  */ {kcI64, kcNul, kcI64, kcReal, kcCur, kcReal, kcI64, kcDat, kcI64},
};

TKindClass RuleOf(const TValue& a, const TValue& b) {
  TKindClass ca = ClassOf(a.Kind()), cb = ClassOf(b.Kind());
  if (ca == kcOther || cb == kcOther) RaiseInvalidVariantOp();
  return kRule[ca][cb];
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
    case kcEmp:
      return TValue();
    case kcNul:
      return TValue::Null();
    case kcInt: {
      int64_t x = a.ToInteger(), y = b.ToInteger(), r;
      r = op == opAdd ? x + y : op == opSub ? x - y : x * y;
      if (r >= INT32_MIN && r <= INT32_MAX) return TValue::Integer(static_cast<int32_t>(r));
      return TValue::Double(FloatArith(op, double(x), double(y)));
    }
    case kcReal:
    case kcBool:
      return TValue::Double(FloatArith(op, a.ToDouble(), b.ToDouble()));
    case kcCur: {
      int64_t x = a.ToCurrency(), y = b.ToCurrency(), r;
      if (op == opMul) return TValue::Currency(DivRoundEven(__int128(x) * y, 10000));
      bool ovf = op == opAdd ? __builtin_add_overflow(x, y, &r) : __builtin_sub_overflow(x, y, &r);
      if (ovf) RaiseOverflow();
      return TValue::Currency(r);
    }
    case kcStr:
      if (op == opAdd) {
        std::string s = a.ToText() + b.ToText();
        return a.Kind() == varString ? TValue::String(std::move(s)) : TValue::WideString(std::move(s));
      }
      return TValue::Double(FloatArith(op, a.ToDouble(), b.ToDouble()));
    case kcDat:
      if (op == opMul) return TValue::Double(FloatArith(op, a.ToDate(), b.ToDate()));
      if (op == opSub && a.Kind() == varDate && b.Kind() == varDate)
        return TValue::Double(FloatArith(op, a.ToDate(), b.ToDate()));
      return TValue::Date(FloatArith(op, a.ToDate(), b.ToDate()));
    case kcI64: {
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

TValue VarAdd(const TValue& a, const TValue& b) { return Arith(opAdd, a, b); }
TValue VarSub(const TValue& a, const TValue& b) { return Arith(opSub, a, b); }
TValue VarMul(const TValue& a, const TValue& b) { return Arith(opMul, a, b); }

TValue VarDiv(const TValue& a, const TValue& b) {
  switch (RuleOf(a, b)) {
    case kcEmp:
      RaiseZeroDivide();
    case kcNul:
      return TValue::Null();
    case kcCur: {
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
    case kcDat:
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
    case kcEmp:
      return 0;
    case kcNul:
      if (a.IsNull() && b.IsNull()) return 0;
      return a.IsNull() ? -1 : 1;
    case kcInt:
      return Cmp3<int64_t>(a.ToInteger(), b.ToInteger());
    case kcReal:
      return Cmp3(a.ToDouble(), b.ToDouble());
    case kcCur:
      return Cmp3(a.ToCurrency(), b.ToCurrency());
    case kcStr: {
      int c = a.ToText().compare(b.ToText());  // std::string compares bytes as unsigned char
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case kcBool:
      return Cmp3<int>(a.ToBoolean() ? 1 : 0, b.ToBoolean() ? 1 : 0);
    case kcDat:
      return Cmp3(a.ToDate(), b.ToDate());
    case kcI64:
      return Cmp3(a.ToInt64(), b.ToInt64());
    default:
      RaiseInvalidVariantOp();
  }
}

bool VarEquals(const TValue& a, const TValue& b) { return VarCompare(a, b) == 0; }

}  // namespace jjgz::eval
