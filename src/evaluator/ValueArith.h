// Arithmetic and comparison of the value type, by the rule of the class pair.
#pragma once

#include "EvalError.h"
#include "Value.h"

namespace jjgz::eval {

// Arithmetic and comparison of the value type.
TValue VarAdd(const TValue& a, const TValue& b);
TValue VarSub(const TValue& a, const TValue& b);
TValue VarMul(const TValue& a, const TValue& b);
TValue VarDiv(const TValue& a, const TValue& b);
TValue VarNeg(const TValue& a);
int VarCompare(const TValue& a, const TValue& b);  // -1, 0, 1; Null below every other value
bool VarEquals(const TValue& a, const TValue& b);

// Floating point checks shared by the operations.
// inf -> overflow, nan -> invalid operation
inline double CheckFloat(double r) {
  if (__builtin_expect(!__builtin_isfinite(r), 0)) {
    if (__builtin_isnan(r)) RaiseInvalidOp();
    RaiseOverflow();
  }
  return r;
}

}  // namespace jjgz::eval
