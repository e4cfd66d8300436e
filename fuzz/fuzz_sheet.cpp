// libFuzzer target, the wage sheet's form: any bytes as a formula, compiled and run
// exactly as the sheet runs one per employee cell: its registry, its name handler
// (f1..f40, JJe and JSl are numbers, any other name is an error) and its budget. The
// function library is fuzzed through formulas. Everything must end in a value or an
// evaluator exception: no crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ExPars.h"

using namespace jjgz::eval;

namespace {

// The sheet's answer for a name, false for a name it does not know.
bool SheetValue(const std::string& name, int employee, TValue& out) {
  if (SameText(name, "JJe")) {
    out = TValue::Double(12.5 * employee);
    return true;
  }
  if (SameText(name, "JSl")) {
    out = TValue::Integer(3 + employee);
    return true;
  }
  if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'f' || name[0] == 'F')) {
    int n = 0;
    for (size_t i = 1; i < name.size(); ++i) {
      if (name[i] < '0' || name[i] > '9') return false;
      n = n * 10 + (name[i] - '0');
    }
    if (n < 1 || n > 40 || name[1] == '0') return false;
    out = n % 3 ? TValue::Double(n * 1.25 + employee) : TValue::Integer(n * employee);
    return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  static std::unique_ptr<TEPRegFuncs> reg = TEPRegFuncs::CreateForSheet();
  std::string text(reinterpret_cast<const char*>(data), size);
  TExParser p;
  p.SetRegFuncs(reg.get());
  TEvalLimits limits;
  limits.MaxSteps = 20000;
  limits.MaxTextLength = 1 << 16;
  limits.MaxArrayItems = 4096;
  p.SetLimits(limits);
  p.OnFunction = [](TCustomParser&, const std::string& name, std::vector<TValue>&, TValue&) {
    throw EEvalError("Unknown function: " + name);
  };
  p.ExpressionSetInPlace(SplitLines(text));
  try {
    p.EvalObj().Prepare();
  } catch (const EEvalError&) {
    return 0;  // a compile error: the sheet reports it once
  }
  // Names are resolved once per calculation; an unknown one is the formula's error.
  TVarsList& names = p.ExternalVariables();
  TValue v;
  for (size_t i = 0; i < names.Count(); ++i)
    if (!SheetValue(names.At(i)->VarName(), 1, v)) return 0;
  for (int employee = 1; employee <= 3; ++employee) {
    for (size_t i = 0; i < names.Count(); ++i) {
      SheetValue(names.At(i)->VarName(), employee, v);
      names.At(i)->SetValue(v);
    }
    try {
      TValue r = p.Evaluate();
      (void)r.Kind();
    } catch (const EEvalError& e) {
      (void)e.Line;
    }
  }
  return 0;
}
