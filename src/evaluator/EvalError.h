// Errors of the formula evaluator. EEvalError is the root of everything the evaluator
// raises; the parser family (compile errors) descends from EMathParserError, runtime
// failures carry the class names of the runtime library they imitate.
#pragma once

#include <string>

namespace jjgz::eval {

class EEvalError {
 public:
  explicit EEvalError(std::string msg) : message_(std::move(msg)) {}
  virtual ~EEvalError() = default;
  virtual const char* ClassName() const { return "Exception"; }
  const std::string& Message() const { return message_; }
  void SetMessage(std::string m) { message_ = std::move(m); }
  int Line = 0;    // 1-based, 0 when unknown
  int Column = 0;  // 1-based, 0 when unknown
 private:
  std::string message_;
};

#define JJGZ_EVAL_ERROR(NAME, BASE)                          \
  class NAME : public BASE {                                 \
   public:                                                   \
    using BASE::BASE;                                        \
    const char* ClassName() const override { return #NAME; } \
  };

JJGZ_EVAL_ERROR(EMathParserError, EEvalError)
JJGZ_EVAL_ERROR(ESyntaxError, EMathParserError)
JJGZ_EVAL_ERROR(EMissMatchingBracket, EMathParserError)
JJGZ_EVAL_ERROR(EBadName, EMathParserError)
JJGZ_EVAL_ERROR(EFuncParamsError, EMathParserError)
JJGZ_EVAL_ERROR(EParserInternalError, EMathParserError)
JJGZ_EVAL_ERROR(EBreakCycle, EMathParserError)
// Runtime failures.
JJGZ_EVAL_ERROR(EZeroDivide, EEvalError)             // Floating point division by zero
JJGZ_EVAL_ERROR(EInvalidOp, EEvalError)              // Invalid floating point operation
JJGZ_EVAL_ERROR(EOverflow, EEvalError)               // Floating point overflow
JJGZ_EVAL_ERROR(EDivByZero, EEvalError)              // Division by zero
JJGZ_EVAL_ERROR(ERangeError, EEvalError)             // Range check error
JJGZ_EVAL_ERROR(EVariantTypeCastError, EEvalError)   // Could not convert variant ...
JJGZ_EVAL_ERROR(EVariantInvalidOpError, EEvalError)  // Invalid variant operation
JJGZ_EVAL_ERROR(EVariantArrayError, EEvalError)      // variant array access
#undef JJGZ_EVAL_ERROR

[[noreturn]] void RaiseZeroDivide();
[[noreturn]] void RaiseInvalidOp();
[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseDivByZero();
[[noreturn]] void RaiseRangeError();
[[noreturn]] void RaiseInvalidVariantOp();

}  // namespace jjgz::eval
