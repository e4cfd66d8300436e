#include "wagecalc/WageCell.h"

namespace jjgz {

QString noValueMessage()
{
    return QStringLiteral("公式没有给 RESULT 赋值（以“;”结尾或只有赋值），没有结果值，按0保存");
}

CellOutcome calculateCell(SheetEvaluator &evaluator, const CellTexts &texts, const SheetEvaluator::Row &row,
                          SheetCell &cell, bool trace)
{
    CellOutcome out;
    if (!texts.con.empty()) {
        try {
            out.conditionValue = evaluator.evaluate(texts.con, row, trace ? &out.conditionNames : nullptr);
            out.conditionHolds = SheetEvaluator::holds(out.conditionValue);
        } catch (const SheetEvalError &e) {
            out.conditionHolds = false;
            out.conditionError = e;
        }
    }
    if (texts.gs.empty())
        return out;
    out.evaluated = true;
    try {
        out.value = evaluator.evaluate(texts.gs, row, trace ? &out.formulaNames : nullptr);
        if (out.conditionHolds) {
            cell.value = SheetEvaluator::roundCents(SheetEvaluator::toFloat(out.value));
            cell.null = false;
            out.stored = true;
            out.noValue = evaluator.leavesNoValue(texts.gs);
        }
    } catch (const SheetEvalError &e) {
        cell = SheetCell{0, true};
        out.error = e;
    }
    return out;
}

CalcResult calculateMonth(SheetEvaluator &evaluator, const std::vector<CellTexts> &texts, const QStringList &fnames,
                          const QStringList &wkcodes, const std::vector<PieceworkTotals> &totals,
                          std::vector<SheetCell> &cells)
{
    CalcResult result;
    const int rows = int(wkcodes.size()), n = int(fnames.size());
    result.employees = rows;
    result.items = n;
    for (int r = 0; r < rows; ++r) {
        SheetEvaluator::Row row;
        row.cells = cells.data() + size_t(r) * n;
        row.count = n;
        row.totals = totals[size_t(r)];
        row.wkcode = wkcodes[r];
        SheetCell *rowCells = cells.data() + size_t(r) * n;
        for (int i = 0; i < n; ++i) {
            const CellTexts &t = texts[size_t(i)];
            if (t.gs.empty() && t.con.empty())
                continue;
            const CellOutcome o = calculateCell(evaluator, t, row, rowCells[i]);
            if (o.conditionError)
                result.problems.append({CellProblem::ConditionError, r, i, wkcodes[r], fnames[i], *o.conditionError});
            if (o.error) {
                result.problems.append({CellProblem::Failed, r, i, wkcodes[r], fnames[i], *o.error});
                ++result.failedCells;
            } else if (o.noValue) {
                result.problems.append({CellProblem::NoValue, r, i, wkcodes[r], fnames[i], {noValueMessage(), 0, 0}});
            }
        }
    }
    return result;
}

} // namespace jjgz
