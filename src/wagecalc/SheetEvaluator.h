#pragma once
// The formula evaluator as the wage sheet runs it: the wage set-up (WageEvaluator.h), the names of
// the month's items bound to the columns of the row being calculated, and every distinct formula
// or condition compiled once and kept, with its failure when it does not compile.
//
// Each evaluation starts as the first one after a fresh compile would: the formula's own
// variables are put back to their first values and RESULT is reset, and every name the formula
// asks for is given the current row's value. A compiled text never reads outside its row.
//
//     SheetEvaluator e;
//     e.setItems({"f1", "f2"});         // the month's items, in sheet order
//     SheetEvaluator::Row row{cells, 2, totals};
//     TValue v = e.evaluate("f1*2", row); // throws SheetEvalError
#include "wagecalc/WageEvaluator.h"

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

// One name asked during an evaluation and the value it was given (for the explanation).
struct SheetNameUse {
    std::string name;
    SheetName what;
    eval::TValue value;
    int lines = 0; // JJe / JSl: piece-work lines summed
};

class SheetEvaluator {
public:
    SheetEvaluator();
    ~SheetEvaluator();
    SheetEvaluator(const SheetEvaluator &) = delete;
    SheetEvaluator &operator=(const SheetEvaluator &) = delete;

    // The item codes of the month in sheet order (evaluator text). Every compiled text binds its
    // names anew at its next evaluation.
    void setItems(std::vector<std::string> itemCodes);
    const std::vector<std::string> &items() const { return m_items; }
    // Forgets every compiled text.
    void clear();

    // Where the names of the next evaluation get their values.
    struct Row {
        const SheetCell *cells = nullptr; // the row's item values, by item index
        int count = 0;                    // how many; must be the number of items
        PieceworkTotals totals;           // JJe and JSl of the row's employee
        QString wkcode = QString();       // the row's employee (the year-to-date functions)
    };

    // Where SUMYTD, MONTHSYTD, IIT and IITBONUS get their values (none: a call fails the cell).
    void setSource(WageFunctionSource *source) { m_context.source = source; }

    // Evaluates `text` for `row`: compiled at its first use (a failure to compile is kept and
    // thrown again at every use). Throws SheetEvalError. `trace`, when given, receives every
    // name asked with its value.
    eval::TValue evaluate(const std::string &text, const Row &row, std::vector<SheetNameUse> *trace = nullptr);
    // True when `text` compiles and leaves RESULT unassigned (the rule of leavesResultUnassigned).
    bool leavesNoValue(const std::string &text);

    // What the compilation of a text found, as the calculation will meet it.
    struct TextInfo {
        bool failed = false;            // does not compile
        SheetEvalError error;           // its failure, as every cell of it will report it
        std::string errorClass;         // the evaluator's kind of the failure ("ESyntaxError", ...)
        std::string errorText;          // and its own message
        int errorLine = 0;              // and its place as the evaluator gave it (1-based, 0 unknown)
        int errorColumn = 0;            // in bytes of the evaluator text
        std::vector<std::string> names; // the names it asks for, in the order they are asked
        QStringList unknownFunctions;   // calls of functions that do not exist
        bool noValue = false;           // leaves RESULT unassigned
    };
    // Compiles `text` (or takes the compiled form) and tells what was found.
    const TextInfo &inspect(const std::string &text);

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
    static std::string toEvalText(const QString &text) { return toEvaluatorText(text); }
    static QString fromEvalText(const std::string &text) { return fromEvaluatorText(text); }

private:
    struct Compiled;
    Compiled &compiled(const std::string &text);
    void bind(Compiled &c);

    WageFunctionContext m_context;
    std::unique_ptr<eval::TEPRegFuncs> m_registry;
    std::vector<std::string> m_items;
    unsigned m_binding = 1; // changes with the item list
    std::unordered_map<std::string, std::unique_ptr<Compiled>> m_cache;
};

} // namespace jjgz
