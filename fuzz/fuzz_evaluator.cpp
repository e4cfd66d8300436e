// libFuzzer target: any bytes as formula lines, compiled and evaluated in the
// component with handlers that answer every kind of value. Everything must end in a
// value or an evaluator exception: no crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ExPars.h"

using namespace jjgz::eval;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  TExParser p;
  p.EvalObj().LoopLimit = 2000;
  p.OnVariable = [](TCustomParser&, const std::string& name, TValue& r) {
    switch (name.size() % 7) {
      case 0:
        r = TValue::Integer(static_cast<int32_t>(name.size()) - 3);
        break;
      case 1:
        r = TValue::Double(1.5);
        break;
      case 2:
        r = TValue::Currency(12345);
        break;
      case 3:
        r = TValue::String(name);
        break;
      case 4:
        r = TValue::Null();
        break;
      case 5:
        r = TValue::Array(0, {TValue::Integer(1), TValue::String("x")});
        break;
      default:
        break;  // leave the shared cell as it is
    }
  };
  p.OnFunction = [](TCustomParser&, const std::string&, std::vector<TValue>& args, TValue& r) {
    r = args.empty() ? TValue::Byte(1) : args[0];
  };
  p.ExpressionSetInPlace(SplitLines(text));
  for (int run = 0; run < 2; ++run) {
    try {
      TValue v = p.Evaluate({TValue::Integer(7), TValue::String("s")});
      (void)v.Kind();
    } catch (const EEvalError&) {
    }
  }
  return 0;
}
