#include "EvalError.h"

namespace jjgz::eval {

void RaiseZeroDivide() { throw EZeroDivide("Floating point division by zero"); }
void RaiseInvalidOp() { throw EInvalidOp("Invalid floating point operation"); }
void RaiseOverflow() { throw EOverflow("Floating point overflow"); }
void RaiseDivByZero() { throw EDivByZero("Division by zero"); }
void RaiseRangeError() { throw ERangeError("Range check error"); }
void RaiseInvalidVariantOp() { throw EVariantInvalidOpError("Invalid variant operation"); }

}  // namespace jjgz::eval
