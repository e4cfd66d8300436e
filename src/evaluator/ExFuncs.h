// Function registry interface. The compiler binds calls through it; the full
// registry with its function groups builds on this interface.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Exlink.h"
#include "parstype.h"

namespace jjgz::eval {

enum TFuncCategory {
  fct_Arithm,
  fct_Aggregate,
  fct_ExpLog,
  fct_Logical,
  fct_Date,
  fct_Trigonom,
  fct_DBFunc,
  fct_UserDef,
  fct_Custom,
  fct_Variant,
  fct_String,
  fct_Convert,
  fct_File,
  fct_System,
  fct_Internal
};

class TFunctionRegistry;
struct TParserOperation;

// What a function body sees: its argument cells (which it may change, as DEC and
// INC do), the result cell, and for registry-handled functions the registry.
struct TFuncCall {
  TValue* const* Args = nullptr;
  int Count = 0;
  TValue* Result = nullptr;
  TFunctionRegistry* Registry = nullptr;
  const TParserOperation* Operation = nullptr;
  TValue& Arg(int i) const { return *Args[i]; }
};

using TFuncHandler = std::function<void(TFuncCall&)>;

enum class TFuncKind {
  Handler,         // reads the argument cells and writes the result (operation 27)
  Native,          // runtime routine behind a typed adaptor (operation 27)
  RegistryHandled  // handler that also receives the registry (operation 30)
};

class TFuncObj {
 public:
  TFuncObj() {
    Link.NameFn = [this] { return Name; };
  }
  TFuncObj(const TFuncObj&) = delete;
  TFuncObj& operator=(const TFuncObj&) = delete;
  virtual ~TFuncObj() = default;

  std::string Name;
  TFuncCategory Category = fct_Custom;
  std::string Description;
  int ArgCount = -1;  // -1: any number of arguments
  TFuncKind Kind = TFuncKind::Handler;
  TFuncHandler Handler;
  TExprLink Link;  // formulas calling the function use this link
};

// The registry a component or container can attach. Lookup is case-insensitive.
class TFunctionRegistry : public TFreeNotifier {
 public:
  TFunctionRegistry() {
    Link.NameFn = [] { return std::string("RegFuncs"); };
  }
  ~TFunctionRegistry() override = default;
  virtual TFuncObj* FindFunc(std::string_view name) const = 0;
  TExprLink Link;  // formulas that bound calls through this registry use this link
};

// ---------------------------------------------------------------------------
// The function registry component with its function groups, event functions and
// the class registry reached by the object functions.

class TEPRegFuncs;
class TEPCustomRegClasses;
class TScriptObject;

// Function groups that can be switched off; the basic set and the object
// functions belong to no group (0) and are always present.
enum TFuncGroup {
  fgBasic = 0,
  fgDate = 1,
  fgExpLog = 2,
  fgTrigonom = 3,
  fgDB = 4,
  fgVariantString = 5,
  fgConvert = 6,
  fgFile = 7,
  fgSystem = 8,
  fgObject = 9
};

// Parameter and result types a native routine may declare (see fstubgen.h).
enum class TNativeType {
  Void,
  Integer,
  Int64,
  Word,
  Double,
  Currency,
  Date,
  Boolean,
  String,
  Variant,
  Pointer,
  Record  // cannot be passed: refused at registration
};

// A registered function with the group it came from and, for native routines,
// their declared signature.
class TRegFuncObj : public TFuncObj {
 public:
  int Group = fgBasic;
  TNativeType ResultType = TNativeType::Void;
  std::vector<TNativeType> ParamTypes;
};

// Event function: a function whose body is the host's OnEvaluate handler.
using TEvaluateFuncEvent = std::function<TValue(std::vector<TValue>& params)>;

class TEPEventFunc {
 public:
  TEPEventFunc(const TEPEventFunc&) = delete;
  TEPEventFunc& operator=(const TEPEventFunc&) = delete;
  ~TEPEventFunc();
  const std::string& FuncName() const { return name_; }
  void SetFuncName(const std::string& name);  // renames the registered function
  std::string FuncDescr;
  TFuncCategory FuncCategory = fct_Custom;
  TEvaluateFuncEvent OnEvaluate;
  const std::string& RegisteredName() const { return registered_; }

 private:
  friend class TEPRegFuncs;
  explicit TEPEventFunc(TEPRegFuncs* owner) : owner_(owner) {}
  void Register();
  TEPRegFuncs* owner_;
  std::string name_, registered_;
};

class TEPRegFuncs : public TFunctionRegistry {
 public:
  TEPRegFuncs();  // every group and the object functions
  ~TEPRegFuncs() override;

  // The registry of the wage sheet: the basic set and the date, exponent/logarithm,
  // trigonometric, string/array and conversion groups. No dataset, file or system
  // functions, no object functions and no ExecScript: the switches of the groups left
  // out read False.
  static std::unique_ptr<TEPRegFuncs> CreateForSheet();

  TFuncObj* FindFunc(std::string_view name) const override;
  size_t Count() const { return funcs_.size(); }
  TRegFuncObj* At(size_t i) const { return funcs_[i].get(); }  // sorted by name

  // Registration. Each raises EBadName "Duplicated identifier. Registered function: "
  // for a name already present (compared without regard to case) and "Invalid
  // identifier name: " for a name that is no identifier.
  TRegFuncObj* RegisterFunc(const std::string& name, TFuncHandler handler, TFuncCategory category,
                            const std::string& descr, int argCount);
  TRegFuncObj* RegisterFuncIfAbsent(const std::string& name, TFuncHandler handler, TFuncCategory category,
                                    const std::string& descr, int argCount);
  // A native routine behind the adaptor that converts every argument to its
  // declared type and the result back (fstubgen.h builds the routine from a
  // C++ function).
  using TNativeRoutine = std::function<TValue(std::vector<TValue>& args)>;
  TRegFuncObj* RegisterNative(const std::string& name, TNativeRoutine routine, TFuncCategory category,
                              const std::string& descr, TNativeType result, std::vector<TNativeType> params);
  TRegFuncObj* RegisterRegHandled(const std::string& name, int argCount, TFuncCategory category,
                                  const std::string& descr, TFuncHandler handler);
  void RemoveFunc(std::string_view name);
  void RenameFunc(std::string_view oldName, const std::string& newName);
  void RemoveGroup(int group);
  void RegisterGroup(int group);

  // Group properties (all True after construction).
  bool DateFuncs() const { return on_[fgDate]; }
  bool DBFuncs() const { return on_[fgDB]; }
  bool ExpLogarithmFuncs() const { return on_[fgExpLog]; }
  bool TrigonomFuncs() const { return on_[fgTrigonom]; }
  bool VariantAndStringFuncs() const { return on_[fgVariantString]; }
  bool ConvertFuncs() const { return on_[fgConvert]; }
  bool FileFuncs() const { return on_[fgFile]; }
  bool SystemFuncs() const { return on_[fgSystem]; }
  void SetDateFuncs(bool v) { SetGroup(fgDate, v); }
  void SetDBFuncs(bool v) { SetGroup(fgDB, v); }
  void SetExpLogarithmFuncs(bool v) { SetGroup(fgExpLog, v); }
  void SetTrigonomFuncs(bool v) { SetGroup(fgTrigonom, v); }
  void SetVariantAndStringFuncs(bool v) { SetGroup(fgVariantString, v); }
  void SetConvertFuncs(bool v) { SetGroup(fgConvert, v); }
  void SetFileFuncs(bool v) { SetGroup(fgFile, v); }
  void SetSystemFuncs(bool v) { SetGroup(fgSystem, v); }
  bool GroupEnabled(int group) const { return group < 1 || group > 8 || on_[group]; }
  void SetGroup(int group, bool on);

  // Loading from a stored form: property changes only record the value; EndLoad
  // removes every group switched off.
  void BeginLoad() { loading_ = true; }
  void EndLoad();
  bool Loading() const { return loading_; }

  // Class registry used by the object functions; none by default. The registry
  // does not own it.
  TEPCustomRegClasses* RegClasses() const { return regClasses_; }
  void SetRegClasses(TEPCustomRegClasses* c);

  // Event functions, owned by the registry.
  TEPEventFunc* AddEventFunc(const std::string& name, TEvaluateFuncEvent handler = {}, const std::string& descr = {},
                             TFuncCategory category = fct_Custom);
  void RemoveEventFunc(TEPEventFunc* f);
  size_t EventFuncCount() const { return events_.size(); }
  TEPEventFunc* EventFunc(size_t i) const { return events_[i].get(); }

  // Objects reachable from formulas by reference (an Integer handle): those made by
  // CreateObject and ExceptObject, and those the host adds (datasets for the
  // dataset group). A handle that names nothing is never dereferenced.
  int32_t AddObject(std::shared_ptr<TScriptObject> obj);
  std::shared_ptr<TScriptObject> FindObject(const TValue& ref) const;
  void RemoveObject(int32_t handle);

  int MaxScriptDepth = 32;  // nesting of ExecScript calls
  int ScriptDepth = 0;

 private:
  friend class TEPEventFunc;
  explicit TEPRegFuncs(std::initializer_list<int> groups);
  TRegFuncObj* Add(std::unique_ptr<TRegFuncObj> f, bool ifAbsent);
  size_t LowerBound(std::string_view name) const;
  void RegisterGroupFuncs(int group, bool ifAbsent);

  std::vector<std::unique_ptr<TRegFuncObj>> funcs_;
  std::vector<std::unique_ptr<TEPEventFunc>> events_;
  bool on_[9] = {true, true, true, true, true, true, true, true, true};
  bool loading_ = false;
  int currentGroup_ = fgBasic;  // group of the functions being registered
  TEPCustomRegClasses* regClasses_ = nullptr;
  std::vector<std::pair<int32_t, std::shared_ptr<TScriptObject>>> objects_;
  int32_t nextHandle_ = 0x10000;
};

// Group registrars (one file each).
void RegisterBasicFuncs(TEPRegFuncs& r, bool ifAbsent);
void RegisterDateFuncs(TEPRegFuncs& r, bool ifAbsent);
void RegisterExpLogFuncs(TEPRegFuncs& r, bool ifAbsent);
void RegisterTrigonomFuncs(TEPRegFuncs& r, bool ifAbsent);
void RegisterDBFuncs(TEPRegFuncs& r, bool ifAbsent);
void RegisterStringFuncs(TEPRegFuncs& r, bool ifAbsent);
void RegisterConvertFuncs(TEPRegFuncs& r, bool ifAbsent);
void RegisterFileFuncs(TEPRegFuncs& r, bool ifAbsent);
void RegisterSystemFuncs(TEPRegFuncs& r, bool ifAbsent);
void RegisterObjectFuncs(TEPRegFuncs& r, bool ifAbsent);

}  // namespace jjgz::eval
