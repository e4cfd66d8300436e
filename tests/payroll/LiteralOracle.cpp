#include "LiteralOracle.h"

#include "data/MyFun.h"

namespace jjgz::test {

using namespace eval;

OracleResult literalCalculate(const LiteralMonth &month)
{
    const int rows = int(month.wkcodes.size()), n = int(month.fnames.size());
    OracleResult out;
    out.cells = month.cells;
    const auto functions = makeWageFunctions();
    TExParser p;
    setUpWageParser(p, *functions);

    int r = 0;
    p.OnVariable = [&](TCustomParser &parser, const std::string &name, TValue &result) {
        const SheetCell *cells = out.cells.data() + size_t(r) * n;
        if (!name.empty() && name[0] == 'f') {
            const int i = int(month.fnames.indexOf(fromEvaluatorText(name))); // case-sensitive
            if (i < 0)
                throw unknownNameError(name, parser);
            result = TValue::Double(cells[i].null ? 0.0 : cells[i].value);
        } else if (name == "JJe") {
            result = TValue::Double(month.totals(r).je);
        } else if (name == "JSl") {
            result = TValue::Double(month.totals(r).sl);
        } else {
            throw unknownNameError(name, parser);
        }
    };
    auto evaluate = [&p](const QString &text) {
        p.ExpressionClear();
        p.ExpressionAdd(toEvaluatorText(text));
        try {
            return p.Evaluate();
        } catch (const EEvalError &e) {
            throw wageError(e, p);
        } catch (const SheetEvalError &) {
            throw;
        } catch (const std::exception &e) {
            throw SheetEvalError{QStringLiteral("公式计算出错（%1）").arg(QString::fromUtf8(e.what())), 0, 0};
        }
    };
    auto problem = [&](CellProblem::Kind kind, int item, const SheetEvalError &e) {
        out.problems.append({kind, r, item, month.wkcodes[r], month.fnames[item], e});
    };

    for (r = 0; r < rows; ++r) {
        SheetCell *cells = out.cells.data() + size_t(r) * n;
        for (int i = 0; i < n; ++i) {
            const std::optional<LiteralFormula> &f = month.formulas[size_t(i)];
            if (!f)
                continue;
            bool ok = true;
            if (!f->con.isEmpty()) {
                try {
                    ok = SheetEvaluator::holds(evaluate(f->con));
                } catch (const SheetEvalError &e) {
                    ok = false;
                    problem(CellProblem::ConditionError, i, e);
                }
            }
            if (f->gs.isEmpty())
                continue;
            try {
                const TValue v = evaluate(f->gs);
                if (ok) {
                    cells[i] = {RoundDec(2, SheetEvaluator::toFloat(v)), false};
                    if (leavesResultUnassigned(p.EvalObj()))
                        problem(CellProblem::NoValue, i, {noValueMessage(), 0, 0});
                }
            } catch (const SheetEvalError &e) {
                cells[i] = {0, true};
                problem(CellProblem::Failed, i, e);
                ++out.failedCells;
            }
        }
    }
    return out;
}

} // namespace jjgz::test
