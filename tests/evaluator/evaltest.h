// Helpers shared by the evaluator tests.
#pragma once

#include <map>
#include <string>

#include "ExPars.h"

namespace evaltest {

using namespace jjgz::eval;

// "Kind value" as the command-line tool prints it.
inline std::string Show(const TValue& v) {
  switch (v.Kind()) {
    case varEmpty:
      return "Empty";
    case varNull:
      return "Null";
    case varSmallint:
      return "Smallint " + std::to_string(v.RawInt());
    case varInteger:
      return "Integer " + std::to_string(v.RawInt());
    case varShortInt:
      return "ShortInt " + std::to_string(v.RawInt());
    case varByte:
      return "Byte " + std::to_string(v.RawInt());
    case varWord:
      return "Word " + std::to_string(v.RawInt());
    case varLongWord:
      return "LongWord " + std::to_string(v.RawInt());
    case varInt64:
      return "Int64 " + std::to_string(v.RawInt());
    case varSingle:
      return "Single " + FormatSingleText(float(v.RawDouble()));
    case varDouble:
      return "Double " + FormatDoubleText(v.RawDouble());
    case varCurrency:
      return "Currency " + FormatCurrencyText(v.RawInt());
    case varDate:
      return "Date " + FormatDateText(v.RawDouble());
    case varBoolean:
      return std::string("Boolean ") + (v.RawInt() ? "True" : "False");
    case varString:
      return "String " + v.Text();
    case varOleStr:
      return "WideString " + v.Text();
    default:
      return v.IsArray() ? "Array" : "Other";
  }
}

// Evaluates a formula in a component whose OnVariable answers from `vars`, with `reg`
// attached when given.
inline std::string Eval(const std::string& formula, const std::map<std::string, TValue>& vars = {},
                        TFunctionRegistry* reg = nullptr) {
  TExParser p;
  if (reg) p.SetRegFuncs(reg);
  p.OnVariable = [&](TCustomParser&, const std::string& name, TValue& r) {
    auto it = vars.find(name);
    if (it != vars.end()) r = it->second;
  };
  p.ExpressionSetInPlace(SplitLines(formula));
  try {
    return Show(p.Evaluate());
  } catch (const EEvalError& e) {
    return std::string("error ") + e.ClassName() + ": " + e.Message();
  }
}

}  // namespace evaltest
