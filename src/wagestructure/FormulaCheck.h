#pragma once
// The evaluator set-up of the wage calculation, and the check of a formula or condition text
// against it that the formula dialog shows while the text is typed.
//
// WageEvaluator is the one place that says how the calculation's evaluator is configured:
//   - one evaluator component (TExParser) whose formula is the text (its lines), in GBK;
//   - the registry preset of the wage sheet (TEPRegFuncs::CreateForSheet): the basic set and the
//     date, exponent/logarithm, trigonometric, string/array and conversion groups. The dataset,
//     file and system groups, the object functions and ExecScript are not there: a wage formula
//     reaches no file, no program and no other formula text;
//   - a call of a function that does not exist raises "未知函数：" + name when evaluated, so that
//     a misspelt function empties the item instead of quietly giving 0;
//   - limits per evaluation (kMaxSteps steps, texts of kMaxTextLength bytes, arrays of
//     kMaxArrayItems items; EEvalLimit beyond them), so that a formula can never hang the
//     calculation or exhaust the memory;
//   - names are answered by the host: the item codes of gzxm ("f1", "f2", ...) and the
//     piece-work totals JJe and JSl, compared case-sensitively ("F1" and "jje" are unknown).
//
// FormulaCheck compiles a text with that set-up and reports what the calculation would meet:
//     FormulaCheck check;
//     const FormulaCheck::Result r = check.check(QStringLiteral("f1+ABS(f2)"), WageItems::items());
//     if (!r.ok) show(r.message); // "第1行第4列：语法错误" or "未知名称：F1"
// Nothing is evaluated: no name is asked for and no function is called.
#include "wagestructure/GzxmData.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace jjgz::eval {
class TEPRegFuncs;
class TExParser;
struct TEvalLimits;
} // namespace jjgz::eval

namespace jjgz {

// The function registry of the wage calculation (the groups listed above), ready to attach.
std::unique_ptr<eval::TEPRegFuncs> makeWageFunctions();
// The limits of one evaluation in the wage calculation.
eval::TEvalLimits wageLimits();

// Text between the program and the evaluator, which works on GBK bytes.
std::string toEvaluatorText(const QString &text);
QString fromEvaluatorText(const std::string &bytes);

// The calculation's evaluator: a component with the wage functions attached and the loop bound
// set. The host adds its OnVariable handler and sets the text before each evaluation.
class WageEvaluator {
public:
    static constexpr std::uint64_t kMaxSteps = 100000;
    static constexpr std::size_t kMaxTextLength = 1 << 20;
    static constexpr std::size_t kMaxArrayItems = 100000;

    WageEvaluator();
    ~WageEvaluator();
    WageEvaluator(const WageEvaluator &) = delete;
    WageEvaluator &operator=(const WageEvaluator &) = delete;

    eval::TExParser &parser() { return *m_parser; }
    eval::TEPRegFuncs &functions() { return *m_functions; }
    // The formula becomes `text` (the compiled form is dropped when the text changed).
    void setText(const QString &text);

private:
    std::unique_ptr<eval::TEPRegFuncs> m_functions; // outlives the component that uses it
    std::unique_ptr<eval::TExParser> m_parser;
};

class FormulaCheck {
public:
    struct Result {
        bool ok = true;               // compiles, every name and function is known, and it has a value
        QString message;              // empty when ok; otherwise what is wrong, in Chinese
        int line = 0;                 // of a compile error, 1-based; 0 otherwise
        int column = 0;               // of a compile error, in characters, 1-based; 0 otherwise
        QStringList unknownNames;     // names the calculation does not answer, as first written
        QStringList unknownFunctions; // calls of functions that do not exist (they would give 0)
        bool noResult = false;        // statements that leave the result alone: the value is always 0
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
    WageEvaluator m_evaluator;
};

} // namespace jjgz
