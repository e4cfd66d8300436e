#pragma once
// The check of a formula or condition text that the formula dialog shows while the text is typed:
// the text is compiled by the wage calculation's own evaluator (wagecalc/SheetEvaluator.h, whose
// set-up is described in wagecalc/WageEvaluator.h), and the check reports what the calculation
// would meet.
//
// Use:
//     FormulaCheck check;
//     const FormulaCheck::Result r = check.check(QStringLiteral("f1+ABS(f2)"), WageItems::items());
//     if (!r.ok) show(r.message); // "第1行第4列：语法错误" or "未知名称：F1"
// Nothing is evaluated: no name is asked for and no function is called.
#include "wagecalc/SheetEvaluator.h"
#include "wagestructure/GzxmData.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace jjgz {

class FormulaCheck {
public:
    struct Result {
        bool ok = true;               // compiles, every name and function is known, and it has a value
        QString message;              // empty when ok; otherwise what is wrong, in Chinese
        int line = 0;                 // of a compile error, 1-based; 0 otherwise
        int column = 0;               // of a compile error, in characters, 1-based; 0 otherwise
        QStringList unknownNames;     // names the calculation does not answer, as first written
        QStringList unknownFunctions; // calls of functions that do not exist (they would fail)
        bool noResult = false;        // never assigns RESULT: the value is always 0
        QString description;          // the text with the codes replaced by the item names
    };

    FormulaCheck();
    ~FormulaCheck();
    FormulaCheck(const FormulaCheck &) = delete;
    FormulaCheck &operator=(const FormulaCheck &) = delete;

    // Checks `text` against the item codes of `items`, and describes it with their names.
    // An empty text is ok and has an empty description.
    Result check(const QString &text, const QList<WageItem> &items);
    // The same with item codes only; the description is then left empty.
    Result check(const QString &text, const QStringList &itemCodes);

    // A name the calculation answers: one of `itemCodes`, "JJe" or "JSl", letter case as written.
    static bool isKnownName(const QString &name, const QStringList &itemCodes);

private:
    // The calculation's own compilation of the text (the same cache and rules as the sheet's).
    SheetEvaluator m_evaluator;
};

} // namespace jjgz
