// libFuzzer target: any bytes as a wage formula, run through the wage sheet's evaluator
// (wagecalc/SheetEvaluator) as one cell of the month's calculation (wagecalc/WageCell): as a
// formula and as a condition, for three employees, with the names of a month's items, then
// brought to the stored number, explained and checked as the formula dialog checks it.
// Everything must end in a value or a cell error: no crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <string>

#include "wagecalc/WageCell.h"

using namespace jjgz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  SheetEvaluator eval;
  eval.setItems({"f1", "f2", "f3", "f4", "f5"});
  SheetCell cells[5] = {{2500, false}, {812.345, false}, {0, true}, {-1.235, false}, {0, false}};
  SheetEvaluator::Row row{cells, 5, PieceworkTotals{812.345, 17, 3}};
  (void)eval.inspect(text);
  for (int employee = 0; employee < 3; ++employee) {
    cells[0].value = 1000.0 * employee;
    SheetCell target = cells[2];
    const CellOutcome a = calculateCell(eval, CellTexts{text, std::string()}, row, target, employee == 2);
    const CellOutcome b = calculateCell(eval, CellTexts{"1", text}, row, target);
    if (a.error) (void)a.error->text();
    (void)SheetEvaluator::describe(a.value);
    (void)b.conditionHolds;
  }
  return 0;
}
