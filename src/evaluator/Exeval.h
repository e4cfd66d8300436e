// The compiled object: formula lines, their compiled form and its life cycle.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Bldfuncs.h"
#include "Exlink.h"
#include "Vars.h"
#include "parstype.h"

namespace jjgz::eval {

class TFunctionRegistry;
class TEvalObj;

// What a compiled object needs of a user library: its functions, to bind calls to
// them, and its aliases, expanded in the text before it compiles.
class IUserLib {
 public:
  virtual ~IUserLib() = default;
  virtual TEvalObj* FindFunc(std::string_view name) const = 0;
  virtual std::vector<std::string> ExpandAliases(const std::vector<std::string>& lines) const = 0;
};

// What the owner of a compiled object supplies for every compilation.
class IParserOwner {
 public:
  virtual ~IParserOwner() = default;
  virtual TVarsList* OwnerUserVars() = 0;
  virtual TVarsList* OwnerExternalVars() { return nullptr; }  // only the component has them
  virtual void OwnerClearExternals() {}
  virtual TFunctionRegistry* OwnerRegFuncs() = 0;
  virtual IUserLib* OwnerUserLib() = 0;
  // True for the component: unknown calls compile as calls of its function event.
  virtual bool OwnerHasFunctionEvent() { return false; }
  virtual void OwnerCallFunction(const std::string& name, std::vector<TValue>& params, TValue& result);
  virtual bool OwnerCompileAllowed() { return true; }
  // Bracket references: "[comp]" or "[comp.field]"; null when there is no such thing.
  virtual TValue* OwnerReference(const std::string& component, const std::string& field);
};

using TEvalNotifyEvent = std::function<void(TEvalObj&)>;
using TErrorNotifyEvent = std::function<void(TEvalObj&, const EEvalError&)>;

class TEvalObj {
 public:
  explicit TEvalObj(IParserOwner* owner, std::string name = std::string());
  TEvalObj(const TEvalObj&) = delete;
  TEvalObj& operator=(const TEvalObj&) = delete;
  ~TEvalObj();

  // Lines of the formula; every change invalidates the compiled form.
  const std::vector<std::string>& Lines() const { return lines_; }
  void SetLines(std::vector<std::string> lines);
  void ClearLines();
  void AddLine(std::string line);
  const std::string& JoinedText() const { return joined_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string n) { name_ = std::move(n); }

  bool Compiled() const { return compiled_; }
  bool CompileFailed() const { return compileFailed_; }
  bool RunFailed() const { return runFailed_; }
  const std::string& ErrorMessage() const { return errMessage_; }
  int ErrorLine() const { return errLine_; }
  int ErrorColumn() const { return errColumn_; }

  TEvalNotifyEvent OnValidating;
  TEvalNotifyEvent OnInvalidated;
  TErrorNotifyEvent OnCompileError;
  TErrorNotifyEvent OnRuntimeError;

  void Prepare(bool fresh = false);  // compile unless a compiled form exists
  // Prepare, skipping the call when a compiled form exists and none is in progress.
  void PrepareIfNeeded() {
    if (!compiled_ || busy_) Prepare();
  }
  void Invalidate();
  // Runs the compiled form with the given parameters; Null when nothing is compiled.
  TValue Run(const TValue* params, size_t count);
  // Puts the cells a run may have changed back to their values right after the compilation, so
  // that the next run starts as the first run after a fresh compile would: every local
  // variable, and every other cell as well when the formula calls a function that may write
  // into its arguments (Delete, Insert, SetLength, ...). Cells keep their values between runs
  // otherwise (and by default); a host that wants each run on its own calls this first.
  void ResetLocals();
  int ParamCount() const { return static_cast<int>(params_.size()); }

  TExprLink Link;
  uint64_t LoopLimit = 0;  // loop iterations allowed per run, 0 = unlimited
  TEvalLimits Limits;      // steps, text length and array size of one run; none by default

  // Compiled form; the compiler fills it.
  IParserOwner* Owner() const { return owner_; }
  TValue* NewCell(TValue init = TValue::Byte(0));
  TValue* ParamCell(int index);
  TVarsList& Locals() { return locals_; }
  std::vector<TVariable*>& Referenced() { return referenced_; }
  std::vector<TStatementNode>& Statements() { return statements_; }

 private:
  void DropCompiled();
  void RecordError(const EEvalError& e);
  std::vector<std::string> ExpandAliases() const;

  IParserOwner* owner_;
  std::string name_;
  std::vector<std::string> lines_;
  std::string joined_;
  bool compiled_ = false, compileFailed_ = false, runFailed_ = false, busy_ = false, invalidating_ = false;
  std::string errMessage_;
  int errLine_ = 0, errColumn_ = 0;

  std::deque<TValue> cells_;
  std::vector<TValue*> params_;
  TVarsList locals_;
  std::vector<TVariable*> referenced_;
  std::vector<TStatementNode> statements_;
  TVariable* result_ = nullptr;
  std::vector<std::pair<TValue*, TValue>> localsInit_;  // each local's cell and its first value
  std::deque<TValue> cellsInit_;                        // the cells as compiled, when a call may write into them
};

}  // namespace jjgz::eval
