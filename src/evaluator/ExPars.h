// The evaluator component and the user function library.
//
// A host that runs formulas per cell (the wage sheet) does this:
//   auto reg = TEPRegFuncs::CreateForSheet();  // basic, date, exp/log, trigonometric,
//   TExParser p;                               // string/array and conversion groups only
//   p.SetRegFuncs(reg.get());
//   p.OnFunction = ...;   // throw EEvalError for a name that is no function: without a
//                         // handler an unknown function quietly gives 0
//   TEvalLimits l; l.MaxSteps = 100000; l.MaxTextLength = 1 << 20; l.MaxArrayItems = 100000;
//   p.SetLimits(l);       // per evaluation; 0 = no limit, and none is the default
//   p.ExpressionSetInPlace(SplitLines(text));
//   p.EvalObj().Prepare();            // compile; throws EMathParserError on a fault
//   p.ExternalVariables()             // the undeclared names the formula asks for
//                                     // (TVarsList: Count(), At(i)->VarName())
// Per cell: put the values into those variables (At(i)->SetValue(v), or answer them
// in OnVariable), then p.Evaluate(). Every failure is an EEvalError with Message(),
// Line and Column (1-based; a runtime error is placed at the end of its statement);
// the same stay readable on p.EvalObj(): CompileFailed()/RunFailed(), ErrorMessage(),
// ErrorLine(), ErrorColumn(). Going past a limit throws EEvalLimit (an EEvalError;
// Kind says which limit), which TRY ... EXCEPT in a formula cannot catch. After any
// error the component is ready for the next evaluation.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ExFuncs.h"
#include "Exeval.h"
#include "Exlink.h"
#include "Vars.h"
#include "parstype.h"

namespace jjgz::eval {

class TCustomParser;

using TGetVariableEvent = std::function<void(TCustomParser& sender, const std::string& varName, TValue& result)>;
using TGetFunctionEvent = std::function<void(TCustomParser& sender, const std::string& funcName,
                                             std::vector<TValue>& funcParams, TValue& result)>;

// User library: named formulas callable as functions (arguments arrive as %0, %1,
// ...) and aliases, text macros expanded before a formula is compiled.
class TEPUserLib : public TFreeNotifier, public IParserOwner, public IUserLib {
 public:
  TEPUserLib();
  ~TEPUserLib() override;

  void AddFunction(const std::string& name, std::vector<std::string> source, std::string descr = {});
  void AddAlias(const std::string& name, std::vector<std::string> source, std::string descr = {});
  void SetSource(const std::string& name, std::vector<std::string> source);
  void Rename(const std::string& oldName, const std::string& newName);
  void Remove(const std::string& name);
  TEvalObj* FindFunc(std::string_view name) const override;
  const std::vector<std::string>* FindAlias(std::string_view name) const;
  std::vector<std::string> ExpandAliases(const std::vector<std::string>& lines) const override;

  std::string IniFile;
  TNotifyPtr<TFunctionRegistry> RegFuncs;  // none again when the registry goes away
  TEPVars* Variables = nullptr;
  bool Loading = false;

  // IParserOwner
  TVarsList* OwnerUserVars() override { return Variables ? &Variables->Variables() : nullptr; }
  TFunctionRegistry* OwnerRegFuncs() override { return RegFuncs; }
  IUserLib* OwnerUserLib() override { return this; }
  bool OwnerCompileAllowed() override { return !Loading; }

 private:
  struct TItem {
    std::string Name, Descr;
    std::vector<std::string> Source;
    std::unique_ptr<TEvalObj> Eval;  // functions only
  };
  TItem* Find(std::string_view name);
  const TItem* Find(std::string_view name) const;
  bool IsReferenced(const TItem& item) const;
  std::vector<std::unique_ptr<TItem>> funcs_, aliases_;
};

class TCustomParser : public IParserOwner, public TFreeNotifier {
 public:
  TCustomParser();
  ~TCustomParser() override;
  TCustomParser(const TCustomParser&) = delete;
  TCustomParser& operator=(const TCustomParser&) = delete;

  // Expression: editing in place only invalidates; assigning a whole list compiles at once.
  const std::vector<std::string>& Expression() const { return eval_.Lines(); }
  void ExpressionClear() { eval_.ClearLines(); }
  void ExpressionAdd(std::string line) { eval_.AddLine(std::move(line)); }
  void ExpressionSetInPlace(std::vector<std::string> lines) { eval_.SetLines(std::move(lines)); }
  void SetExpression(const std::vector<std::string>& lines);

  TFunctionRegistry* RegFuncs() const { return regFuncs_; }
  void SetRegFuncs(TFunctionRegistry* r);
  TEPUserLib* UserLib() const { return userLib_; }
  void SetUserLib(TEPUserLib* l);
  TEPVars* UserVars() const { return userVars_; }
  void SetUserVars(TEPVars* v);
  TVarsList& Variables();
  void SetVariables(const TVarsList& src);

  TGetVariableEvent OnVariable;
  TGetFunctionEvent OnFunction;
  TEvalNotifyEvent& OnValidating;
  TEvalNotifyEvent& OnInvalidated;
  TErrorNotifyEvent& OnCompileError;
  TErrorNotifyEvent& OnRuntimeError;

  virtual TValue Evaluate(const std::vector<TValue>& params = {});

  // Limits of each evaluation (see the top of this file); none by default.
  const TEvalLimits& Limits() const { return eval_.Limits; }
  void SetLimits(const TEvalLimits& l) { eval_.Limits = l; }

  TEvalObj& EvalObj() { return eval_; }
  TVarsList& ExternalVariables() { return externals_.Variables(); }
  // Components reachable through "[name]" and "[name.field]".
  void SetReference(const std::string& name, TValue* cell);
  void BeginLoad() { loading_ = true; }
  void EndLoad();
  bool Loading() const { return loading_; }

  // IParserOwner
  TVarsList* OwnerUserVars() override { return &Variables(); }
  TVarsList* OwnerExternalVars() override { return &externals_.Variables(); }
  void OwnerClearExternals() override { externals_.Variables().Clear(); }
  TFunctionRegistry* OwnerRegFuncs() override { return regFuncs_; }
  IUserLib* OwnerUserLib() override { return userLib_; }
  bool OwnerHasFunctionEvent() override { return true; }
  void OwnerCallFunction(const std::string& name, std::vector<TValue>& params, TValue& result) override;
  bool OwnerCompileAllowed() override;
  TValue* OwnerReference(const std::string& component, const std::string& field) override;

 private:
  TEPVars internals_;
  TEPVars externals_;
  std::map<std::string, TValue*> references_;
  TEvalObj eval_;
  TFunctionRegistry* regFuncs_ = nullptr;
  TEPUserLib* userLib_ = nullptr;
  TEPVars* userVars_ = nullptr;
  bool loading_ = false;
};

class TExParser : public TCustomParser {
 public:
  using TCustomParser::TCustomParser;
};

}  // namespace jjgz::eval
