// Operations of a compiled formula, their handlers and the statement executors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "parstype.h"

namespace jjgz::eval {

class TVariable;
class TEvalObj;
class TFuncObj;
class TFunctionRegistry;
class IParserOwner;

// Operation codes: one list gives the numbers, the handler of each code (named
// H<handler> in the runtime) and how many operand cells it needs (calls and index
// operations take theirs from Args).
// clang-format off
#define JJGZ_OPCODES(X) \
  X(None,           0,  None,       0) \
  X(Operand,        1,  None,       0) \
  X(Neg,            2,  Neg,        1) \
  X(Add,            3,  Add,        2) \
  X(Sub,            4,  Sub,        2) \
  X(Mul,            5,  Mul,        2) \
  X(Div,            6,  Div,        2) \
  X(Mod,            7,  Mod,        2) \
  X(IntDiv,         8,  IntDiv,     2) \
  X(IntPower,       9,  IntPower,   1) \
  X(Power,          10, Power,      2) \
  X(Sqr,            11, Sqr,        1) \
  X(Cube,           12, Cube,       1) \
  X(Pow4,           13, Pow4,       1) \
  X(Less,           14, Less,       2) \
  X(LessEq,         15, LessEq,     2) \
  X(Greater,        16, Greater,    2) \
  X(GreaterEq,      17, GreaterEq,  2) \
  X(Equal,          18, Equal,      2) \
  X(NotEqual,       19, NotEqual,   2) \
  X(Xor,            20, Xor,        2) \
  X(Or,             21, Or,         2) \
  X(And,            22, And,        2) \
  X(Not,            23, Not,        1) \
  X(BitNot,         24, BitNot,     1) \
  X(Shl,            25, Shl,        2) \
  X(Shr,            26, Shr,        2) \
  X(CallReg,        27, CallReg,    0) \
  X(CallUser,       28, CallUser,   0) \
  X(CallEvent,      29, CallEvent,  0) \
  X(CallRegHandled, 30, CallReg,    0) \
  X(Method,         31, CallReg,    0) \
  X(Method2,        34, CallReg,    0) \
  X(IndexRead,      35, IndexRead,  0) \
  X(IndexWrite,     36, IndexWrite, 0) \
  X(Copy,           37, Copy,       0)
// clang-format on

enum TOpCode : int {
#define JJGZ_OP_ENUM(name, number, handler, operands) op##name = number,
  JJGZ_OPCODES(JJGZ_OP_ENUM)
#undef JJGZ_OP_ENUM
};

struct TParserOperation;
using TOpHandler = void (*)(TParserOperation&);

struct TParserOperation {
  int Code = opNone;
  TOpHandler Handler = nullptr;
  TValue* A = nullptr;  // the first three operand cells
  TValue* B = nullptr;
  TValue* C = nullptr;
  std::vector<TValue*> Args;  // all operand cells (calls, index)
  TValue* Result = nullptr;
  // Calls: the registered function, the user function's compiled object, or the owner
  // answering the function event; Name is the called name as written.
  TFuncObj* Func = nullptr;
  TFunctionRegistry* Registry = nullptr;
  TEvalObj* UserFunc = nullptr;
  IParserOwner* EventOwner = nullptr;
  std::string Name;
  int Line = 0, Column = 0;  // of the statement that holds it
  int64_t Data = 0;          // integer exponent of operation 9
};

TOpHandler HandlerFor(int code);
int OperandsOf(int code);  // operand cells A, B an operation needs

using TOpChain = std::vector<TParserOperation>;

enum TStatementKind {
  skAssign = 0,
  skIf = 1,
  skForTo = 2,
  skForDownTo = 3,
  skWhile = 4,
  skRepeat = 5,
  skBreak = 6,
  skTryFinally = 7,
  skTryExcept = 8
};

struct TStatementNode {
  int Kind = skAssign;
  TValue* Target = nullptr;        // assignment / FOR variable cell
  TVariable* TargetVar = nullptr;  // user variable told about changes
  TOpChain ChainA, ChainB;         // value / condition / FOR start; FOR end
  TValue* ValueA = nullptr;        // cell holding chain A's value
  TValue* ValueB = nullptr;        // cell holding chain B's value
  std::vector<TStatementNode> List1, List2;
  int Line = 0, Column = 0;
};

// Runs the operations of one chain; an error gets the position of its operation.
void RunChain(TOpChain& chain);

// x to the power n (the "^" operator with a whole exponent and the function POWER).
double IntPower(double x, int64_t n);

// Runs a statement list. A LoopLimit other than 0 bounds the loop iterations of one
// run (untrusted scripts); going past it raises ELoopLimit.
struct TRunState {
  uint64_t LoopLimit = 0;  // 0: unlimited
  uint64_t Iterations = 0;
};
void RunStatements(std::vector<TStatementNode>& list, TRunState& state);

class ELoopLimit : public EMathParserError {
 public:
  using EMathParserError::EMathParserError;
  const char* ClassName() const override { return "ELoopLimit"; }
};

// Limits of one evaluation, each 0 for none (the default). Steps are the operations
// and statements executed and the rounds of loops, those of called user functions
// and scripts included; a text is measured in bytes, an array by its elements with
// those of nested arrays.
struct TEvalLimits {
  uint64_t MaxSteps = 0;
  size_t MaxTextLength = 0;
  size_t MaxArrayItems = 0;
  bool Any() const { return MaxSteps || MaxTextLength || MaxArrayItems; }
};

enum class TLimitKind { Steps, TextLength, ArrayItems };

// Going past a limit: a runtime error like any other, except that TRY ... EXCEPT in
// the formula cannot catch it.
class EEvalLimit : public EEvalError {
 public:
  EEvalLimit(TLimitKind kind, std::string msg) : EEvalError(std::move(msg)), Kind(kind) {}
  const char* ClassName() const override { return "EEvalLimit"; }
  TLimitKind Kind;
};

// Makes `limits` the limits of the evaluation on this thread for the scope's life,
// unless an evaluation with limits is already running (a user function or script
// called by it counts against the caller's budget).
class TBudgetScope {
 public:
  explicit TBudgetScope(const TEvalLimits& limits) {
    if (limits.Any()) Install(limits);
  }
  ~TBudgetScope() {
    if (installed_) Uninstall();
  }
  TBudgetScope(const TBudgetScope&) = delete;
  TBudgetScope& operator=(const TBudgetScope&) = delete;

  struct TBudget {
    TEvalLimits Limits;
    uint64_t Steps = 0;
  };

 private:
  void Install(const TEvalLimits& limits);
  void Uninstall();
  TBudget budget_;
  TBudget* saved_ = nullptr;
  bool installed_ = false;
};

// Functions that build a text or an array of a size they are given check it first:
// past the running evaluation's limit they raise EEvalLimit.
void CheckNewText(size_t length);
void CheckNewArray(size_t items);

}  // namespace jjgz::eval
