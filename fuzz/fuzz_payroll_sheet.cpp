// libFuzzer target: any bytes as a wage formula, run through the wage sheet's own evaluator set-up
// (SheetEvaluator): compiled and run exactly as the wage sheet runs
// it (its function registry, its name handler, its step budget), as a condition and as a
// formula, cached and replaced-every-time, then brought to the stored number. Everything must
// end in a value or a cell error: no crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/MyFun.h"
#include "payroll/SheetEvaluator.h"

using namespace jjgz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  static SheetCell cells[5] = {{2500, false}, {812.345, false}, {0, true}, {-1.235, false}, {0, false}};
  SheetEvaluator eval([](const std::string& name) {
    SheetName s;
    if (name.size() == 2 && name[0] == 'f' && name[1] >= '1' && name[1] <= '5') {
      s.kind = SheetName::Item;
      s.item = name[1] - '1';
    } else if (name == "JJe") {
      s.kind = SheetName::Amount;
    } else if (name == "JSl") {
      s.kind = SheetName::Quantity;
    }
    return s;
  });
  SheetEvaluator::Row row;
  row.cells = cells;
  row.totals = [] { return PieceworkTotals{812.345, 17, 3}; };
  for (int run = 0; run < 3; ++run) {
    try {
      const eval::TValue v = eval.evaluate(text, row, run == 2);
      (void)SheetEvaluator::holds(v);
      (void)SheetEvaluator::describe(v);
      (void)RoundDec(2, SheetEvaluator::toFloat(v));
    } catch (const SheetEvalError& e) {
      (void)e.text();
    }
  }
  return 0;
}
