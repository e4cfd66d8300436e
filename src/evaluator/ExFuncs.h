// Function registry interface. The compiler binds calls through it; the full
// registry with its function groups builds on this interface.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "Exlink.h"
#include "parstype.h"

namespace jjgz::eval {

enum TFuncCategory {
  fct_Arithm, fct_Aggregate, fct_ExpLog, fct_Logical, fct_Date, fct_Trigonom, fct_DBFunc,
  fct_UserDef, fct_Custom, fct_Variant, fct_String, fct_Convert, fct_File, fct_System, fct_Internal
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
  Handler,          // reads the argument cells and writes the result (operation 27)
  Native,           // runtime routine behind a typed adaptor (operation 27)
  RegistryHandled   // handler that also receives the registry (operation 30)
};

class TFuncObj {
public:
  TFuncObj() { Link.NameFn = [this] { return Name; }; }
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
  TFunctionRegistry() { Link.NameFn = [] { return std::string("RegFuncs"); }; }
  ~TFunctionRegistry() override = default;
  virtual TFuncObj* FindFunc(std::string_view name) const = 0;
  TExprLink Link;  // formulas that bound calls through this registry use this link
};

}  // namespace jjgz::eval
