#pragma once
// The calculation of one cell of the wage sheet, the one place that says how a formula item is
// filled: the month's calculation runs it for every formula cell, the explanation (计算过程)
// runs it for one cell with the names traced, and the formula check reads the same compiled
// texts (SheetEvaluator::inspect).
//
// In this order: a condition that is not empty is evaluated, and holds when its value equals 1
// (an error counts as false and is reported); an empty formula leaves the cell as it is; the
// formula is evaluated even when the condition is false; when the condition holds its value is
// brought to a number and rounded to cents into the cell; an error of the formula (or of that
// conversion) empties the cell, whatever the condition. A stored value of a formula that never
// assigns RESULT is reported as having no value (it is 0).
#include "wagecalc/SheetEvaluator.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace jjgz {

// A formula and its condition in the evaluator's text; `gs` empty: nothing is calculated.
struct CellTexts {
    std::string gs, con;
};

struct CellOutcome {
    bool conditionHolds = true;                   // true when there is no condition
    std::optional<SheetEvalError> conditionError; // the condition failed (it counted as false)
    eval::TValue conditionValue;
    bool evaluated = false;                   // the formula was evaluated (it is not empty)
    eval::TValue value;                       // its result
    std::optional<SheetEvalError> error;      // the formula failed: the cell was emptied
    bool stored = false;                      // the cell received the rounded value
    bool noValue = false;                     // stored, and the formula leaves RESULT unassigned
    std::vector<SheetNameUse> conditionNames; // with `trace`: the names asked by the condition
    std::vector<SheetNameUse> formulaNames;   // and by the formula
};

// Calculates `cell` of `row` by `texts`; `cell` is changed as the calculation changes it.
CellOutcome calculateCell(SheetEvaluator &evaluator, const CellTexts &texts, const SheetEvaluator::Row &row,
                          SheetCell &cell, bool trace = false);

// The message of the no-value problem.
QString noValueMessage();

// Something that went wrong with one cell during a calculation.
struct CellProblem {
    enum Kind {
        Failed,         // the formula raised an error: the field was emptied
        ConditionError, // the condition raised an error: it counted as false
        NoValue,        // the formula never assigns RESULT: 0 was stored
    };
    Kind kind = Failed;
    int row = 0;  // sheet row
    int item = 0; // index among the month's items
    QString wkcode, fname;
    SheetEvalError error;
};

struct CalcResult {
    int employees = 0;
    int items = 0;       // items of the month
    int failedCells = 0; // problems of kind Failed
    QList<CellProblem> problems;
};

// A month's calculation: every row in order, within a row every item from left to right
// (`texts` per item, `fnames` the item codes, `wkcodes` and `totals` per row), on `cells`
// (rows × items, row after row). The evaluator's items must be the month's (setItems).
CalcResult calculateMonth(SheetEvaluator &evaluator, const std::vector<CellTexts> &texts, const QStringList &fnames,
                          const QStringList &wkcodes, const std::vector<PieceworkTotals> &totals,
                          std::vector<SheetCell> &cells);

} // namespace jjgz
