#pragma once
// The formula evaluator as the wage sheet uses it: the set-up of the calculation that the formula
// dialog checks against (wagestructure/FormulaCheck.h: the registry with the calculation groups
// only, the limits on the steps, texts and arrays of one evaluation, the GBK text), a
// name handler that answers item codes of the current row and the employee's piece-work totals
// and refuses every other name, and the compiled formulas kept per text so that each distinct
// formula or condition is compiled once per calculation.
#include "ExPars.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace jjgz {

// One item value of a sheet row: a number or empty.
struct SheetCell {
    double value = 0;
    bool null = true;
};

// The piece-work totals of one employee for the month: JJe, JSl and how many lines they sum.
struct PieceworkTotals {
    double je = 0;
    double sl = 0;
    int lines = 0;
};

// What a formula may ask for: an item column of the sheet, JJe, JSl, or nothing known.
struct SheetName {
    enum Kind { Item, Amount, Quantity, Unknown };
    Kind kind = Unknown;
    int item = -1; // index among the month's items (Item only)
};

// A failure of one evaluation, already in the clerk's words, with the place in the text
// (line and column 1-based, 0 when not known).
struct SheetEvalError {
    QString message;
    int line = 0;
    int column = 0;
    QString text() const; // message, then the place when known
};

// One name asked during an evaluation and the value it was given (for the explanation).
struct SheetNameUse {
    std::string name;
    SheetName what;
    eval::TValue value;
    int lines = 0; // JJe / JSl: piece-work lines summed
};

class SheetEvaluator {
public:
    // `resolve` maps a name, compared case-sensitively, to what it stands for.
    explicit SheetEvaluator(std::function<SheetName(const std::string &)> resolve);
    ~SheetEvaluator();
    SheetEvaluator(const SheetEvaluator &) = delete;
    SheetEvaluator &operator=(const SheetEvaluator &) = delete;

    // Where the names of the next evaluations get their values.
    struct Row {
        const SheetCell *cells = nullptr;        // the row's item values, by item index
        std::function<PieceworkTotals()> totals; // asked at each use of JJe or JSl
    };

    // Evaluates `text` for `row`. Cached: the text is compiled at its first use and kept. Literal:
    // one component whose text is replaced before every evaluation (compiled every time), as the
    // calculation was first described; both give the same values. Throws SheetEvalError.
    // `trace`, when given, receives every name asked with its value.
    eval::TValue evaluate(const std::string &text, const Row &row, bool literal = false,
                          std::vector<SheetNameUse> *trace = nullptr);

    // The registry the sheet's formulas see (shared by all its components).
    eval::TEPRegFuncs &registry() { return *m_registry; }

    // A value brought to the sheet's floating-point form: empty and Null give 0, numbers as they
    // are, text that reads as a number by its value; anything else throws SheetEvalError.
    static double toFloat(const eval::TValue &value);
    // True when `value` equals the integer 1 as values compare (a number 1 of any kind, the text
    // "1"); Null, other numbers and values that cannot be compared give false.
    static bool holds(const eval::TValue &value);
    // RoundDec(2, x), the same value, computed without the decimal expansion when x is not within
    // a hair of a half cent (the common case, and the cost of most cells).
    static double roundCents(double x);
    // Kind and value of a result for the explanation, e.g. "Double 3412.345".
    static QString describe(const eval::TValue &value);
    // Formula text in the evaluator's code page and back.
    static std::string toEvalText(const QString &text);
    static QString fromEvalText(const std::string &text);

    // Registry groups for a sheet: the basic set with date, exponent/logarithm, trigonometric,
    // string/array and conversion functions; none that reach datasets, files, the system or
    // objects.
    static std::unique_ptr<eval::TEPRegFuncs> makeRegistry();

private:
    struct Compiled;
    Compiled &compiled(const std::string &text);
    void setUp(Compiled &c);
    eval::TValue run(Compiled &c, const Row &row, std::vector<SheetNameUse> *trace);

    std::function<SheetName(const std::string &)> m_resolve;
    std::unique_ptr<eval::TEPRegFuncs> m_registry;
    std::unordered_map<std::string, std::unique_ptr<Compiled>> m_cache;
    std::unique_ptr<Compiled> m_literal;
};

// The Chinese text for an evaluator failure (its kind and its message).
QString evalErrorText(const eval::EEvalError &e);

} // namespace jjgz
