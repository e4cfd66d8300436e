// The basic set, the exponent and logarithm group and the trigonometric group.
#include <cmath>
#include <cstdint>

#include "Bldfuncs.h"
#include "Bldfuncs_lib.h"

namespace jjgz::eval {

void RegisterExceptFuncs(TEPRegFuncs& r, bool ifAbsent);  // Bldfuncs_object.cpp

namespace {

using lib::Dbl;
constexpr double kPi = 3.1415926535897932385;

double X(TFuncCall& c, int i = 0) { return c.Arg(i).ToDouble(); }

// The nearest integer, ties to even, computed in floating point.
double RoundEven(double y) {
  double f = std::floor(y);
  double d = y - f;
  if (d > 0.5 || (d == 0.5 && std::fmod(f, 2.0) != 0)) f += 1;
  return f;
}

int32_t ToInt32Checked(double x) {
  if (std::isnan(x)) RaiseInvalidOp();
  if (x < -2147483648.0 || x > 2147483647.0) RaiseRangeError();
  return static_cast<int32_t>(x);
}

const TValue kByte0 = TValue::Byte(0);
const TValue kByte1 = TValue::Byte(1);

void FSqr(TFuncCall& c) {
  double x = X(c);
  *c.Result = Dbl(x * x);
}
void FSqrt(TFuncCall& c) {
  double x = X(c);
  if (x < 0) RaiseInvalidOp();
  *c.Result = Dbl(std::sqrt(x));
}
void FAbs(TFuncCall& c) { *c.Result = Dbl(std::fabs(X(c))); }
void FTrunc(TFuncCall& c) { *c.Result = Dbl(std::trunc(X(c))); }
void FFrac(TFuncCall& c) {
  double x = X(c);
  *c.Result = Dbl(x - std::trunc(x));
}
// Integer part, plus the nearest integer to (fraction + 1) with ties to even, minus 1:
// halves go away from zero.
void FRound(TFuncCall& c) {
  double x = X(c);
  double ip = std::trunc(x);
  *c.Result = Dbl(ip + RoundEven((x - ip) + 1) - 1);
}
void FCeil(TFuncCall& c) { *c.Result = TValue::Integer(ToInt32Checked(std::ceil(X(c)))); }
void FFloor(TFuncCall& c) { *c.Result = TValue::Integer(ToInt32Checked(std::floor(X(c)))); }
void FSign(TFuncCall& c) {
  int cmp = VarCompare(c.Arg(0), kByte0);
  if (cmp < 0)
    *c.Result = TValue::ShortInt(-1);
  else
    *c.Result = TValue::Currency(cmp > 0 ? 10000 : 0);
}
void FZero(TFuncCall& c) { *c.Result = TValue::Currency(VarEquals(c.Arg(0), kByte0) ? 0 : 10000); }
// DEC and INC change their argument's cell and return the new value.
void FDec(TFuncCall& c) {
  c.Arg(0) = VarSub(c.Arg(0), kByte1);
  *c.Result = c.Arg(0);
}
void FInc(TFuncCall& c) {
  c.Arg(0) = VarAdd(c.Arg(0), kByte1);
  *c.Result = c.Arg(0);
}
void FRadius(TFuncCall& c) { *c.Result = Dbl(std::hypot(X(c, 0), X(c, 1))); }
void FArg(TFuncCall& c) {
  double x = X(c, 0), y = X(c, 1);
  double r;
  if (x > 0)
    r = std::atan(y / x);
  else if (x < 0)
    r = std::atan(y / x) + kPi;
  else
    r = y > 0 ? kPi / 2 : -kPi / 2;
  *c.Result = Dbl(r);
}
void FAvg(TFuncCall& c) {
  if (c.Count == 0) {
    *c.Result = kByte0;
    return;
  }
  TValue s = kByte0;
  for (int i = 0; i < c.Count; ++i) s = VarAdd(s, c.Arg(i));
  *c.Result = VarDiv(s, TValue::Integer(c.Count));
}
// With no argument the result cell keeps what it holds (the Byte 0 it starts with).
void FMax(TFuncCall& c) {
  if (c.Count == 0) return;
  TValue m = c.Arg(0);
  for (int i = 1; i < c.Count; ++i)
    if (VarCompare(c.Arg(i), m) > 0) m = c.Arg(i);
  *c.Result = std::move(m);
}
void FMin(TFuncCall& c) {
  if (c.Count == 0) return;
  TValue m = c.Arg(0);
  for (int i = 1; i < c.Count; ++i)
    if (VarCompare(c.Arg(i), m) < 0) m = c.Arg(i);
  *c.Result = std::move(m);
}
void FSum(TFuncCall& c) {
  TValue s = kByte0;
  for (int i = 0; i < c.Count; ++i) s = VarAdd(s, c.Arg(i));
  *c.Result = std::move(s);
}
void FProd(TFuncCall& c) {
  if (c.Count == 0) {
    *c.Result = kByte0;
    return;
  }
  TValue s = kByte1;
  for (int i = 0; i < c.Count; ++i) s = VarMul(s, c.Arg(i));
  *c.Result = std::move(s);
}
void FPower(TFuncCall& c) {
  double x = X(c, 0), y = X(c, 1);
  if (x == 0 && y < 0) RaiseZeroDivide();
  if (x < 0 && y != std::trunc(y)) RaiseInvalidOp();
  *c.Result = Dbl(std::pow(x, y));
}
void FIPower(TFuncCall& c) {
  double x = X(c, 0), y = std::trunc(X(c, 1));
  if (std::isnan(y) || !(std::fabs(y) < 9.2e18)) RaiseInvalidOp();
  *c.Result = TValue::Double(IntPower(x, static_cast<int64_t>(y)));
}
// All three arguments have been computed before the call.
void FIif(TFuncCall& c) { *c.Result = VarEquals(c.Arg(0), kByte0) ? c.Arg(2) : c.Arg(1); }
void FDeclareSet(TFuncCall& c) {
  for (int i = 0; i < c.Count; ++i) c.Arg(i) = TValue::Integer(i);
}
void FSetOf(TFuncCall& c) {
  uint32_t bits = 0;
  for (int i = 0; i < c.Count; ++i) bits |= 1u << (static_cast<uint32_t>(c.Arg(i).ToInteger()) & 31u);
  *c.Result = TValue::Integer(static_cast<int32_t>(bits));
}

// Exponent and logarithms.
double LogArg(TFuncCall& c) {
  double x = X(c);
  if (x == 0) RaiseZeroDivide();
  if (x < 0 || std::isnan(x)) RaiseInvalidOp();
  return x;
}
void FExp(TFuncCall& c) { *c.Result = Dbl(std::exp(X(c))); }
void FLn(TFuncCall& c) { *c.Result = Dbl(std::log(LogArg(c))); }
void FLg(TFuncCall& c) { *c.Result = Dbl(std::log10(LogArg(c))); }
void FLog(TFuncCall& c) { *c.Result = Dbl(std::log2(LogArg(c))); }

// Trigonometric functions, radians.
double Finite(double x) {
  if (!std::isfinite(x)) RaiseInvalidOp();
  return x;
}
void FSin(TFuncCall& c) { *c.Result = Dbl(std::sin(Finite(X(c)))); }
void FCos(TFuncCall& c) { *c.Result = Dbl(std::cos(Finite(X(c)))); }
void FTan(TFuncCall& c) { *c.Result = Dbl(std::tan(Finite(X(c)))); }
void FCotan(TFuncCall& c) {
  double t = std::tan(Finite(X(c)));
  if (t == 0) RaiseZeroDivide();
  *c.Result = Dbl(1 / t);
}
void FAsin(TFuncCall& c) { *c.Result = Dbl(std::asin(X(c))); }
void FAcos(TFuncCall& c) { *c.Result = Dbl(std::acos(X(c))); }
void FAtan(TFuncCall& c) { *c.Result = Dbl(std::atan(X(c))); }
void FSinh(TFuncCall& c) { *c.Result = Dbl(std::sinh(X(c))); }
void FCosh(TFuncCall& c) { *c.Result = Dbl(std::cosh(X(c))); }
void FTanh(TFuncCall& c) { *c.Result = Dbl(std::tanh(X(c))); }

}  // namespace

void RegisterBasicFuncs(TEPRegFuncs& r, bool a) {
  using lib::Reg;
  Reg(r, a, "SQR", FSqr, fct_Arithm, "x * x", 1);
  Reg(r, a, "SQRT", FSqrt, fct_Arithm, "square root", 1);
  Reg(r, a, "ABS", FAbs, fct_Arithm, "absolute value", 1);
  Reg(r, a, "TRUNC", FTrunc, fct_Arithm, "integer part toward zero", 1);
  Reg(r, a, "INT", FTrunc, fct_Arithm, "integer part toward zero", 1);
  Reg(r, a, "FRAC", FFrac, fct_Arithm, "fractional part", 1);
  Reg(r, a, "ROUND", FRound, fct_Arithm, "nearest integer, halves away from zero", 1);
  Reg(r, a, "CEIL", FCeil, fct_Arithm, "smallest integer not below x", 1);
  Reg(r, a, "FLOOR", FFloor, fct_Arithm, "largest integer not above x", 1);
  Reg(r, a, "SIGN", FSign, fct_Arithm, "sign of x", 1);
  Reg(r, a, "ZERO", FZero, fct_Arithm, "0 when x is 0, otherwise 1", 1);
  Reg(r, a, "DEC", FDec, fct_Arithm, "decrements the argument", 1);
  Reg(r, a, "INC", FInc, fct_Arithm, "increments the argument", 1);
  Reg(r, a, "RADIUS", FRadius, fct_Arithm, "distance of (x1, x2) from the origin", 2);
  Reg(r, a, "ARG", FArg, fct_Arithm, "phase of the point (x1, x2)", 2);
  Reg(r, a, "AVG", FAvg, fct_Aggregate, "average", -1);
  Reg(r, a, "MAX", FMax, fct_Aggregate, "largest argument", -1);
  Reg(r, a, "MIN", FMin, fct_Aggregate, "smallest argument", -1);
  Reg(r, a, "SUM", FSum, fct_Aggregate, "sum", -1);
  Reg(r, a, "PROD", FProd, fct_Aggregate, "product", -1);
  Reg(r, a, "POWER", FPower, fct_Arithm, "x to the power y", 2);
  Reg(r, a, "IPOWER", FIPower, fct_Arithm, "x to the integer power y", 2);
  Reg(r, a, "IIF", FIif, fct_Logical, "IIF(L, A, B): B when L is 0, otherwise A", 3);
  Reg(r, a, "DECLARESET", FDeclareSet, fct_System, "numbers its arguments 0, 1, 2, ...", -1);
  Reg(r, a, "SETOF", FSetOf, fct_System, "set of the ordinals given", -1);
  RegisterExceptFuncs(r, a);
}

void RegisterExpLogFuncs(TEPRegFuncs& r, bool a) {
  using lib::Reg;
  Reg(r, a, "EXP", FExp, fct_ExpLog, "e to the power x", 1);
  Reg(r, a, "LN", FLn, fct_ExpLog, "natural logarithm", 1);
  Reg(r, a, "LG", FLg, fct_ExpLog, "decimal logarithm", 1);
  Reg(r, a, "LOG", FLog, fct_ExpLog, "base-2 logarithm", 1);
}

void RegisterTrigonomFuncs(TEPRegFuncs& r, bool a) {
  using lib::Reg;
  Reg(r, a, "SIN", FSin, fct_Trigonom, "sine", 1);
  Reg(r, a, "COS", FCos, fct_Trigonom, "cosine", 1);
  Reg(r, a, "TAN", FTan, fct_Trigonom, "tangent", 1);
  Reg(r, a, "COTAN", FCotan, fct_Trigonom, "cotangent", 1);
  Reg(r, a, "ASIN", FAsin, fct_Trigonom, "arc sine", 1);
  Reg(r, a, "ACOS", FAcos, fct_Trigonom, "arc cosine", 1);
  Reg(r, a, "ATAN", FAtan, fct_Trigonom, "arc tangent", 1);
  Reg(r, a, "SINH", FSinh, fct_Trigonom, "hyperbolic sine", 1);
  Reg(r, a, "COSH", FCosh, fct_Trigonom, "hyperbolic cosine", 1);
  Reg(r, a, "TANH", FTanh, fct_Trigonom, "hyperbolic tangent", 1);
}

}  // namespace jjgz::eval
