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

// Operation codes.
enum TOpCode : int {
  opNone = 0, opOperand = 1, opNeg = 2, opAdd = 3, opSub = 4, opMul = 5, opDiv = 6, opMod = 7,
  opIntDiv = 8, opIntPower = 9, opPower = 10, opSqr = 11, opCube = 12, opPow4 = 13, opLess = 14,
  opLessEq = 15, opGreater = 16, opGreaterEq = 17, opEqual = 18, opNotEqual = 19, opXor = 20,
  opOr = 21, opAnd = 22, opNot = 23, opBitNot = 24, opShl = 25, opShr = 26, opCallReg = 27,
  opCallUser = 28, opCallEvent = 29, opCallRegHandled = 30, opMethod = 31, opMethod2 = 34,
  opIndexRead = 35, opIndexWrite = 36, opCopy = 37
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

using TOpChain = std::vector<TParserOperation>;

enum TStatementKind {
  skAssign = 0, skIf = 1, skForTo = 2, skForDownTo = 3, skWhile = 4, skRepeat = 5, skBreak = 6,
  skTryFinally = 7, skTryExcept = 8
};

struct TStatementNode {
  int Kind = skAssign;
  TValue* Target = nullptr;          // assignment / FOR variable cell
  TVariable* TargetVar = nullptr;    // user variable told about changes
  TOpChain ChainA, ChainB;           // value / condition / FOR start; FOR end
  TValue* ValueA = nullptr;          // cell holding chain A's value
  TValue* ValueB = nullptr;          // cell holding chain B's value
  std::vector<TStatementNode> List1, List2;
  int Line = 0, Column = 0;
};

// Runs the operations of one chain; an error gets the position of its operation.
void RunChain(TOpChain& chain);

// Runs a statement list. `loopBudget` counts loop iterations when it is not null
// (used to bound runs of untrusted scripts); exhausting it raises ELoopLimit.
// x to the power n (the "^" operator with a whole exponent and the function POWER).
double IntPower(double x, int64_t n);

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

}  // namespace jjgz::eval
