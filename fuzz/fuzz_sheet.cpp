// libFuzzer target, the wage sheet's form: any bytes as a formula, compiled and run
// with the wage calculation's own set-up (wagecalc/WageEvaluator.h: its registry,
// limits and unknown-function failure) and a name handler that answers f1..f40, JJe
// and JSl and fails on any other name, as the sheet does. The function library is
// fuzzed through formulas. Everything must end in a value or an evaluator exception:
// no crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "wagecalc/WageEvaluator.h"

using namespace jjgz;
using namespace jjgz::eval;

namespace {

// The sheet's answer for a name, false for a name it does not know.
bool SheetValue(const std::string& name, int employee, TValue& out) {
  if (name == "JJe") {
    out = TValue::Double(12.5 * employee);
    return true;
  }
  if (name == "JSl") {
    out = TValue::Double(3 + employee);
    return true;
  }
  if (name.size() >= 2 && name.size() <= 3 && name[0] == 'f') {
    int n = 0;
    for (size_t i = 1; i < name.size(); ++i) {
      if (name[i] < '0' || name[i] > '9') return false;
      n = n * 10 + (name[i] - '0');
    }
    if (n < 1 || n > 40 || name[1] == '0') return false;
    out = TValue::Double(n * 1.25 + employee);
    return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  static std::unique_ptr<TEPRegFuncs> reg = makeWageFunctions();
  TExParser p;
  setUpWageParser(p, *reg);
  int employee = 1;
  p.OnVariable = [&employee](TCustomParser&, const std::string& name, TValue& v) {
    if (!SheetValue(name, employee, v)) throw EWageName("unknown name");
  };
  p.ExpressionAdd(std::string(reinterpret_cast<const char*>(data), size));
  for (employee = 1; employee <= 3; ++employee) {
    try {
      p.EvalObj().ResetLocals();
      TValue r = p.Evaluate();
      (void)r.Kind();
    } catch (const EEvalError& e) {
      (void)e.Line;
    }
  }
  return 0;
}
