// libFuzzer target, the differential test of the wage calculation: the input's bytes choose a
// month (items, employees, typed values, piece work, formulas and conditions of every kind;
// tests/payroll/SheetGenerator), which is calculated twice by the core (wagecalc) and by the
// literal procedure (tests/payroll/LiteralOracle). Every stored value, failed cell and problem
// must be the same; a difference aborts with the month.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "LiteralOracle.h"
#include "SheetGenerator.h"

using namespace jjgz;
using namespace jjgz::test;

namespace {

bool same(const SheetCell& a, const SheetCell& b) { return a.null == b.null && (a.null || a.value == b.value); }

[[noreturn]] void differ(const GeneratedMonth& m, const char* what, size_t at) {
  std::fprintf(stderr, "core and literal procedure differ (%s %zu)\n%s\n", what, at, m.describe().toUtf8().constData());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 512) return 0;
  Chooser choose(data, size);
  const GeneratedMonth m = generateMonth(choose);
  LiteralMonth literal = m.literal();
  SheetEvaluator evaluator;
  std::vector<std::string> codes;
  for (const QString& f : literal.fnames) codes.push_back(toEvaluatorText(f));
  evaluator.setItems(codes);
  const std::vector<CellTexts> texts = m.cellTexts();
  const std::vector<PieceworkTotals> totals = m.totals();
  std::vector<SheetCell> cells = literal.cells;
  for (int round = 0; round < 2; ++round) {
    const OracleResult expected = literalCalculate(literal);
    const CalcResult r = calculateMonth(evaluator, texts, literal.fnames, literal.wkcodes, totals, cells);
    for (size_t k = 0; k < cells.size(); ++k)
      if (!same(cells[k], expected.cells[k])) differ(m, "cell", k);
    if (r.problems.size() != expected.problems.size()) differ(m, "problem count", size_t(r.problems.size()));
    for (qsizetype k = 0; k < r.problems.size(); ++k) {
      const CellProblem &a = r.problems[k], &b = expected.problems[k];
      if (a.kind != b.kind || a.row != b.row || a.item != b.item || !(a.error == b.error)) differ(m, "problem", k);
    }
    if (r.failedCells != expected.failedCells) differ(m, "failed cells", size_t(r.failedCells));
    literal.cells = cells;
  }
  return 0;
}
