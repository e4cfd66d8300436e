#include "Bldfuncs.h"

#include <cmath>
#include <string>
#include <vector>

#include "ExFuncs.h"
#include "Exeval.h"  // recursion: a call of a user function runs its compiled object
#include "Vars.h"

namespace jjgz::eval {

namespace {

inline void SetCur(TValue* r, bool b) { r->SetInt(varCurrency, b ? 10000 : 0); }

// Truncation of a floating point value to 64 bits; too large is an invalid operation.
int64_t Trunc64(const TValue& v) {
  double d = v.ToDouble();
  if (std::isnan(d) || !(d > -9.2233720368547758e18 && d < 9.2233720368547758e18)) RaiseInvalidOp();
  return static_cast<int64_t>(std::trunc(d));
}

}  // namespace

// x to the power n by repeated multiplication; a negative n gives the reciprocal.
// Very large exponents square instead (the product has long since over- or
// underflowed, or the base is 1 or -1, where both ways agree).
double IntPower(double x, int64_t n) {
  bool neg = n < 0;
  uint64_t e = neg ? uint64_t(0) - uint64_t(n) : uint64_t(n);
  double r = 1;
  if (e <= (uint64_t(1) << 16)) {
    for (uint64_t k = 0; k < e && std::isfinite(r) && r != 0; ++k) r *= x;
  } else {
    double b = x;
    while (e) {
      if (e & 1) r *= b;
      e >>= 1;
      if (e) b *= b;
    }
  }
  if (neg) {
    if (r == 0) RaiseZeroDivide();
    r = 1 / r;
  }
  return CheckFloat(r);
}

namespace {

void HNone(TParserOperation&) {}
void HNeg(TParserOperation& o) { *o.Result = VarNeg(*o.A); }
// The handlers are the general case: each applies the value type's rules to any
// kinds. RunChain takes the fast paths below first where it can.
void HAdd(TParserOperation& o) { *o.Result = VarAdd(*o.A, *o.B); }
void HSub(TParserOperation& o) { *o.Result = VarSub(*o.A, *o.B); }
void HMul(TParserOperation& o) { *o.Result = VarMul(*o.A, *o.B); }
void HDiv(TParserOperation& o) { *o.Result = VarDiv(*o.A, *o.B); }
void HMod(TParserOperation& o) {
  int64_t x = Trunc64(*o.A), y = Trunc64(*o.B);
  if (y == 0) RaiseDivByZero();
  int64_t r = (y == -1) ? 0 : x % y;
  *o.Result = TValue::Integer(static_cast<int32_t>(static_cast<uint32_t>(r)));
}
void HIntDiv(TParserOperation& o) {
  int64_t x = Trunc64(*o.A), y = Trunc64(*o.B);
  if (y == 0) RaiseDivByZero();
  uint64_t q = (y == -1) ? uint64_t(0) - uint64_t(x) : uint64_t(x / y);
  *o.Result = TValue::Integer(static_cast<int32_t>(static_cast<uint32_t>(q)));
}
void HIntPower(TParserOperation& o) { *o.Result = TValue::Double(IntPower(o.A->ToDouble(), o.Data)); }
void HPower(TParserOperation& o) {
  double x = o.A->ToDouble(), y = o.B->ToDouble();
  if (x == 0 && y < 0) RaiseZeroDivide();
  if (x < 0 && y != std::trunc(y)) RaiseInvalidOp();
  *o.Result = TValue::Double(CheckFloat(std::pow(x, y)));
}
void HSqr(TParserOperation& o) {
  double x = o.A->ToDouble();
  *o.Result = TValue::Double(CheckFloat(x * x));
}
void HCube(TParserOperation& o) { *o.Result = VarMul(VarMul(*o.A, *o.A), *o.A); }
void HPow4(TParserOperation& o) {
  double x = o.A->ToDouble();
  double s = CheckFloat(x * x);
  *o.Result = TValue::Double(CheckFloat(s * s));
}
void HLess(TParserOperation& o) { SetCur(o.Result, VarCompare(*o.A, *o.B) < 0); }
void HLessEq(TParserOperation& o) { SetCur(o.Result, VarCompare(*o.A, *o.B) <= 0); }
void HGreater(TParserOperation& o) { SetCur(o.Result, VarCompare(*o.A, *o.B) > 0); }
void HGreaterEq(TParserOperation& o) { SetCur(o.Result, VarCompare(*o.A, *o.B) >= 0); }
void HEqual(TParserOperation& o) { SetCur(o.Result, VarCompare(*o.A, *o.B) == 0); }
void HNotEqual(TParserOperation& o) { SetCur(o.Result, VarCompare(*o.A, *o.B) != 0); }
// Both operands as integers, the left one first (it raises first).
template <class F>
void Bitwise(TParserOperation& o, F f) {
  int32_t x = o.A->ToInteger();
  int32_t y = o.B->ToInteger();
  o.Result->SetInt(varInteger, f(x, y));
}
void HXor(TParserOperation& o) {
  Bitwise(o, [](int32_t x, int32_t y) { return x ^ y; });
}
void HOr(TParserOperation& o) {
  Bitwise(o, [](int32_t x, int32_t y) { return x | y; });
}
void HAnd(TParserOperation& o) {
  Bitwise(o, [](int32_t x, int32_t y) { return x & y; });
}
void HNot(TParserOperation& o) { SetCur(o.Result, VarCompare(*o.A, TValue::Byte(0)) == 0); }
void HBitNot(TParserOperation& o) { *o.Result = TValue::Integer(~o.A->ToInteger()); }
void HShl(TParserOperation& o) {
  uint32_t x = static_cast<uint32_t>(o.A->ToInteger());
  uint32_t n = static_cast<uint32_t>(o.B->ToInteger()) & 31u;
  *o.Result = TValue::Integer(static_cast<int32_t>(x << n));
}
void HShr(TParserOperation& o) {
  uint32_t x = static_cast<uint32_t>(o.A->ToInteger());
  uint32_t n = static_cast<uint32_t>(o.B->ToInteger()) & 31u;
  *o.Result = TValue::Integer(static_cast<int32_t>(x >> n));
}
void HCallReg(TParserOperation& o) {
  TFuncCall call;
  call.Args = o.Args.data();
  call.Count = static_cast<int>(o.Args.size());
  call.Result = o.Result;
  call.Registry = o.Code == opCallRegHandled ? o.Registry : nullptr;
  call.Operation = &o;
  if (o.Func && o.Func->Handler) o.Func->Handler(call);
}
void HCallUser(TParserOperation& o) {
  // The argument values go to the user function's parameter cells %0, %1, ...
  TEvalObj* f = o.UserFunc;
  f->Prepare();
  std::vector<TValue> args;
  args.reserve(o.Args.size());
  for (TValue* a : o.Args) args.push_back(*a);
  *o.Result = f->Run(args.data(), args.size());
}
void HCallEvent(TParserOperation& o) {
  std::vector<TValue> params;
  params.reserve(o.Args.size());
  for (TValue* a : o.Args) params.push_back(*a);
  o.EventOwner->OwnerCallFunction(o.Name, params, *o.Result);
}
TValue& Element(TValue& arr, TValue* const* idx, size_t n) {
  TValue* cur = &arr;
  for (size_t k = 0; k < n; ++k) {
    if (!cur->IsArray()) throw EVariantArrayError("Returned result is not a variant array");
    TVarArray* a = cur->ArrayData();
    int64_t i = static_cast<int64_t>(idx[k]->ToInteger()) - a->LowBound;
    if (i < 0 || i >= static_cast<int64_t>(a->Items.size()))
      throw EVariantArrayError("Index in variant array is out of bounds");
    cur = &a->Items[static_cast<size_t>(i)];
  }
  return *cur;
}
void HIndexRead(TParserOperation& o) {
  TValue v = Element(*o.A, o.Args.data(), o.Args.size());
  *o.Result = std::move(v);
}
void HIndexWrite(TParserOperation& o) {
  TValue v = *o.B;
  Element(*o.A, o.Args.data(), o.Args.size()) = std::move(v);
}
void HCopy(TParserOperation& o) {
  if (o.Result != o.A) *o.Result = *o.A;
}

}  // namespace

TOpHandler HandlerFor(int code) {
  switch (code) {
#define JJGZ_OP_HANDLER(name, number, handler, operands) \
  case op##name:                                         \
    return H##handler;
    JJGZ_OPCODES(JJGZ_OP_HANDLER)
#undef JJGZ_OP_HANDLER
    default:
      return HNone;
  }
}

int OperandsOf(int code) {
  switch (code) {
#define JJGZ_OP_OPERANDS(name, number, handler, operands) \
  case op##name:                                          \
    return operands;
    JJGZ_OPCODES(JJGZ_OP_OPERANDS)
#undef JJGZ_OP_OPERANDS
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------
// Budget of the running evaluation

namespace {

thread_local TBudgetScope::TBudget* tBudget = nullptr;

[[noreturn]] void StepsExceeded(uint64_t max) {
  throw EEvalLimit(TLimitKind::Steps,
                   "Step limit exceeded: the formula ran more than " + std::to_string(max) + " steps");
}
[[noreturn]] void TextExceeded(size_t max) {
  throw EEvalLimit(TLimitKind::TextLength, "Text too long: more than " + std::to_string(max) + " characters");
}
[[noreturn]] void ArrayExceeded(size_t max) {
  throw EEvalLimit(TLimitKind::ArrayItems, "Array too large: more than " + std::to_string(max) + " elements");
}

inline void Step(TBudgetScope::TBudget& b) {
  if (b.Limits.MaxSteps && ++b.Steps > b.Limits.MaxSteps) StepsExceeded(b.Limits.MaxSteps);
}

// A value within the size limits: its text, or every element and text of its array
// (walked without recursion, as arrays may nest deeply).
void CheckSize(const TValue& v, const TEvalLimits& l) {
  if (v.IsText()) {
    if (l.MaxTextLength && v.Text().size() > l.MaxTextLength) TextExceeded(l.MaxTextLength);
    return;
  }
  if (!v.IsArray()) return;
  size_t count = 0;
  std::vector<const TVarArray*> todo{v.ArrayData()};
  while (!todo.empty()) {
    const TVarArray* a = todo.back();
    todo.pop_back();
    for (const TValue& item : a->Items) {
      if (l.MaxArrayItems && ++count > l.MaxArrayItems) ArrayExceeded(l.MaxArrayItems);
      if (item.IsText()) {
        if (l.MaxTextLength && item.Text().size() > l.MaxTextLength) TextExceeded(l.MaxTextLength);
      } else if (item.IsArray()) {
        todo.push_back(item.ArrayData());
      }
    }
  }
}

// What an operation may have made bigger: its result, the array it wrote into, and
// the argument cells of a call (functions such as Insert and SetLength write them).
void CheckOperation(const TParserOperation& o, const TEvalLimits& l) {
  if (!l.MaxTextLength && !l.MaxArrayItems) return;
  if (o.Result) CheckSize(*o.Result, l);
  switch (o.Code) {
    case opIndexWrite:
      CheckSize(*o.A, l);
      break;
    case opCallReg:
    case opCallRegHandled:
    case opMethod:
    case opMethod2:
    case opCallEvent:
      for (const TValue* a : o.Args) CheckSize(*a, l);
      break;
    default:
      break;
  }
}

}  // namespace

void TBudgetScope::Install(const TEvalLimits& limits) {
  if (tBudget) return;
  budget_.Limits = limits;
  tBudget = &budget_;
  installed_ = true;
}

void TBudgetScope::Uninstall() { tBudget = nullptr; }

void CheckNewText(size_t length) {
  if (tBudget && tBudget->Limits.MaxTextLength && length > tBudget->Limits.MaxTextLength)
    TextExceeded(tBudget->Limits.MaxTextLength);
}

void CheckNewArray(size_t items) {
  if (tBudget && tBudget->Limits.MaxArrayItems && items > tBudget->Limits.MaxArrayItems)
    ArrayExceeded(tBudget->Limits.MaxArrayItems);
}

namespace {

// Fast paths for the kinds wage formulas meet. Each gives exactly what its handler
// (the general rules of the value type) gives for these kinds, and declines all
// others: Integer and Double operands, and the Currency 1 and 0 of comparisons
// where a bitwise operation takes them.

// Both operands Integer or Double, at least one Double: the rule is Real.
[[gnu::always_inline]] inline bool BothReal(const TValue& a, const TValue& b, double& x, double& y) {
  uint16_t ka = a.Kind(), kb = b.Kind();
  if (ka == varDouble)
    x = a.RawDouble();
  else if (ka == varInteger)
    x = double(a.RawInt());
  else
    return false;
  if (kb == varDouble)
    y = b.RawDouble();
  else if (kb == varInteger)
    y = double(b.RawInt());
  else
    return false;
  return ka == varDouble || kb == varDouble;
}
[[gnu::always_inline]] inline bool BothInt(const TValue& a, const TValue& b) {
  return a.Kind() == varInteger && b.Kind() == varInteger;
}

// Add, subtract, multiply: Double results, and Integer results that stay in range
// (outside it the general rule redoes the operation in Double).
template <class F>
[[gnu::always_inline]] inline bool FastArith(TParserOperation& o, F f) {
  double x, y;
  if (BothReal(*o.A, *o.B, x, y)) {
    double r = f(x, y);
    if (__builtin_expect(!__builtin_isfinite(r), 0)) return false;
    o.Result->SetDouble(r);
    return true;
  }
  if (BothInt(*o.A, *o.B)) {
    int64_t r = f(o.A->RawInt(), o.B->RawInt());
    if (r < INT32_MIN || r > INT32_MAX) return false;
    o.Result->SetInteger(static_cast<int32_t>(r));
    return true;
  }
  return false;
}

// Compare of Integer and Double pairs; a NaN goes the general way.
template <class F>
[[gnu::always_inline]] inline bool FastCompare(TParserOperation& o, F f) {
  double x, y;
  if (BothInt(*o.A, *o.B)) {
    SetCur(o.Result, f(o.A->RawInt(), o.B->RawInt()));
    return true;
  }
  if (BothReal(*o.A, *o.B, x, y) && x == x && y == y) {
    SetCur(o.Result, f(x, y));
    return true;
  }
  return false;
}

// Integer, or a comparison's Currency 1 or 0, as the integer a bitwise operation uses.
[[gnu::always_inline]] inline bool FastInt(const TValue& v, int32_t& out) {
  if (v.Kind() == varInteger) {
    out = static_cast<int32_t>(v.RawInt());
    return true;
  }
  if (v.Kind() == varCurrency && (v.RawInt() == 0 || v.RawInt() == 10000)) {
    out = v.RawInt() ? 1 : 0;
    return true;
  }
  return false;
}
template <class F>
[[gnu::always_inline]] inline bool FastBits(TParserOperation& o, F f) {
  int32_t x, y;
  if (!FastInt(*o.A, x) || !FastInt(*o.B, y)) return false;
  o.Result->SetInt(varInteger, f(x, y));
  return true;
}

// True when the operation was done here; otherwise its handler does it.
[[gnu::always_inline]] inline bool RunFast(TParserOperation& o) {
  switch (o.Code) {
    case opAdd:
      return FastArith(o, [](auto x, auto y) { return x + y; });
    case opSub:
      return FastArith(o, [](auto x, auto y) { return x - y; });
    case opMul:
      return FastArith(o, [](auto x, auto y) { return x * y; });
    case opDiv: {
      double x, y;
      if (BothInt(*o.A, *o.B)) {
        x = double(o.A->RawInt());
        y = double(o.B->RawInt());
      } else if (!BothReal(*o.A, *o.B, x, y)) {
        return false;
      }
      double r = x / y;
      if (y == 0 || !__builtin_isfinite(r)) return false;
      o.Result->SetDouble(r);
      return true;
    }
    case opLess:
      return FastCompare(o, [](auto x, auto y) { return x < y; });
    case opLessEq:
      return FastCompare(o, [](auto x, auto y) { return x <= y; });
    case opGreater:
      return FastCompare(o, [](auto x, auto y) { return x > y; });
    case opGreaterEq:
      return FastCompare(o, [](auto x, auto y) { return x >= y; });
    case opEqual:
      return FastCompare(o, [](auto x, auto y) { return x == y; });
    case opNotEqual:
      return FastCompare(o, [](auto x, auto y) { return x != y; });
    case opAnd:
      return FastBits(o, [](int32_t x, int32_t y) { return x & y; });
    case opOr:
      return FastBits(o, [](int32_t x, int32_t y) { return x | y; });
    case opXor:
      return FastBits(o, [](int32_t x, int32_t y) { return x ^ y; });
    default:
      return false;
  }
}

}  // namespace

void RunChain(TOpChain& chain) {
  TParserOperation* op = chain.data();
  TParserOperation* end = op + chain.size();
  try {
    if (TBudgetScope::TBudget* b = tBudget) {
      for (; op != end; ++op) {
        Step(*b);
        if (!RunFast(*op)) {
          op->Handler(*op);
          CheckOperation(*op, b->Limits);
        }
      }
    } else {
      for (; op != end; ++op)
        if (!RunFast(*op)) op->Handler(*op);
    }
  } catch (EEvalError& e) {
    if (e.Line == 0 && op != end) {
      e.Line = op->Line;
      e.Column = op->Column;
    }
    throw;
  }
}

namespace {

void CountIteration(TRunState& st) {
  if (tBudget) Step(*tBudget);
  if (st.LoopLimit && ++st.Iterations > st.LoopLimit) throw ELoopLimit("Loop iteration limit exceeded");
}

// FOR bounds go to the nearest integer, ties to even.
double ForBound(const TValue& v) {
  bool ok;
  double d = v.ToDouble();
  int64_t r = RoundHalfEven(d, ok);
  if (!ok) RaiseRangeError();
  return static_cast<double>(r);
}

void RunOne(TStatementNode& n, TRunState& st) {
  switch (n.Kind) {
    case skAssign:
      RunChain(n.ChainA);
      if (n.TargetVar) n.TargetVar->Changed();
      break;
    case skIf:
      RunChain(n.ChainA);
      if (n.ValueA->ToBoolean())
        RunStatements(n.List1, st);
      else
        RunStatements(n.List2, st);
      break;
    case skForTo:
    case skForDownTo: {
      RunChain(n.ChainA);
      double start = ForBound(*n.Target);
      RunChain(n.ChainB);
      TValue end = TValue::Double(ForBound(*n.ValueB));
      *n.Target = TValue::Double(start);
      if (n.TargetVar) n.TargetVar->Changed();
      const TValue one = TValue::Byte(1);
      try {
        while (n.Kind == skForTo ? VarCompare(*n.Target, end) <= 0 : VarCompare(*n.Target, end) >= 0) {
          CountIteration(st);
          RunStatements(n.List1, st);
          *n.Target = n.Kind == skForTo ? VarAdd(*n.Target, one) : VarSub(*n.Target, one);
          if (n.TargetVar) n.TargetVar->Changed();
        }
      } catch (EBreakCycle&) {
      }
      break;
    }
    case skWhile:
      try {
        for (;;) {
          RunChain(n.ChainA);
          if (!n.ValueA->ToBoolean()) break;
          CountIteration(st);
          RunStatements(n.List1, st);
        }
      } catch (EBreakCycle&) {
      }
      break;
    case skRepeat:
      try {
        for (;;) {
          CountIteration(st);
          RunStatements(n.List1, st);
          RunChain(n.ChainA);
          if (n.ValueA->ToBoolean()) break;
        }
      } catch (EBreakCycle&) {
      }
      break;
    case skBreak:
      throw EBreakCycle("BREAK cycle encountered!");
    case skTryFinally:
      try {
        RunStatements(n.List1, st);
      } catch (...) {
        RunStatements(n.List2, st);
        throw;
      }
      RunStatements(n.List2, st);
      break;
    case skTryExcept:
      try {
        RunStatements(n.List1, st);
      } catch (EBreakCycle&) {
        throw;
      } catch (ELoopLimit&) {
        throw;
      } catch (EEvalLimit&) {
        throw;
      } catch (...) {
        RunStatements(n.List2, st);
      }
      break;
    default:
      break;
  }
}

}  // namespace

void RunStatements(std::vector<TStatementNode>& list, TRunState& st) {
  for (TStatementNode& n : list) {
    try {
      if (tBudget) Step(*tBudget);
      RunOne(n, st);
    } catch (EEvalError& e) {
      if (e.Line == 0) {
        e.Line = n.Line;
        e.Column = n.Column;
      }
      throw;
    }
  }
}

}  // namespace jjgz::eval
