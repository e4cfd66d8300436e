#pragma once
// The wage calculation done the plain way, as the oracle of the sheet's calculation: for every
// cell the formula or condition text is put into one evaluator component and compiled again, the
// component asks for every name through its variable event, JJe and JSl are read anew at every
// evaluation that uses them (one query each), and values are rounded by RoundDec. The sheet's
// calculation (compiled forms kept, names bound once, totals of the month read in one query)
// must store the same values and report the same problems. Used by the tests, the benchmark and
// the fuzz target of the calculation.
#include "wagecalc/WageCell.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace jjgz {
class WageSheet;
}

namespace jjgz::test {

struct LiteralFormula {
    QString gs, con;
};

// A month as the literal procedure sees it.
struct LiteralMonth {
    QStringList fnames;                                  // the month's items in sheet order
    std::vector<std::optional<LiteralFormula>> formulas; // per item; none: no formula
    QStringList wkcodes;                                 // per row
    std::vector<SheetCell> cells;                        // rows × items, row after row
    std::function<PieceworkTotals(int row)> totals;      // asked at every use of JJe or JSl
};

struct OracleResult {
    std::vector<SheetCell> cells; // rows × items, as MonthSheet::cells() lays them out
    QList<CellProblem> problems;
    int failedCells = 0;
};

OracleResult literalCalculate(const LiteralMonth &month);
// The loaded sheet as it stands (typed values included), without changing it; the totals by
// the one-employee statement on the data module's scratch query.
OracleResult literalCalculate(const WageSheet &sheet);

} // namespace jjgz::test
