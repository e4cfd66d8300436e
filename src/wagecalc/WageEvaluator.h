#pragma once
// The evaluator set-up of the wage calculation, written once. Every host of wage formulas (the
// sheet's calculation, the formula dialog's check, the benchmarks, the fuzz targets) takes it
// from here:
//   - one evaluator component (TExParser) whose formula is the text, in GBK;
//   - the registry preset of the wage sheet (TEPRegFuncs::CreateForSheet): the basic set and the
//     date, exponent/logarithm, trigonometric, string/array and conversion groups. The dataset,
//     file and system groups, the object functions and ExecScript are not there: a wage formula
//     reaches no file, no program and no other formula text;
//   - a call of a function that does not exist fails the evaluation (unknownFunctionMessage), so
//     that a misspelt function empties the item instead of quietly giving 0;
//   - limits per evaluation (kMaxSteps steps, texts of kMaxTextLength bytes, arrays of
//     kMaxArrayItems items; EEvalLimit beyond them), so that a formula can never hang the
//     calculation or exhaust the memory;
//   - names answered by the host, compared case-sensitively: the item codes of the month ("f1",
//     "f2", ...) and the piece-work totals JJe and JSl; any other name fails the evaluation
//     (unknownNameError), where the evaluator alone would quietly reuse the previous value.
#include "ExPars.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace jjgz {

struct SheetNameUse;

// What the sheet's year-to-date and tax functions ask of the calculation; the payroll host answers
// from the stored months of the year and the tax-rate tables. Each throws SheetEvalError with the
// clerk's message (an unknown item, a broken tax-rate table).
class WageFunctionSource {
public:
    struct Sum {
        double value = 0;
        int months = 0; // months summed
    };
    virtual ~WageFunctionSource() = default;
    // Item `fname` of the employee over the months of the year before the one calculated.
    virtual Sum sumBefore(const QString &fname, const QString &wkcode) = 0;
    // The months of the year up to and including this one in which the employee has a row.
    virtual int monthsToDate(const QString &wkcode) = 0;
    virtual double iit(double x) = 0;      // by the withholding table of wages
    virtual double iitBonus(double x) = 0; // by the table of the one-off bonus
};

// What the functions read while an evaluation runs: the source, the row's employee, and where
// their calls are traced (the explanation).
struct WageFunctionContext {
    WageFunctionSource *source = nullptr;
    QString wkcode;
    std::vector<SheetNameUse> *trace = nullptr;
};

// The functions the wage sheet adds to the registry, for the formula dialog's list.
struct WageSheetFunction {
    QString name;        // as it is registered
    QString call;        // how it is written, e.g. SUMYTD("f5")
    QString description; // what it gives, in Chinese
};
QList<WageSheetFunction> wageSheetFunctions();

// The function registry of the wage calculation (the groups listed above, and the year-to-date
// and tax functions SUMYTD, MONTHSYTD, IIT and IITBONUS, which ask `context` while an evaluation
// runs; without one, or without its source, a call of them fails the cell), ready to attach.
std::unique_ptr<eval::TEPRegFuncs> makeWageFunctions(WageFunctionContext *context = nullptr);
// The limits of one evaluation in the wage calculation.
eval::TEvalLimits wageLimits();
// Attaches `functions`, the limits and the handler for calls of unknown functions to `parser`.
void setUpWageParser(eval::TCustomParser &parser, eval::TEPRegFuncs &functions);

// Text between the program and the evaluator, which works on GBK bytes.
std::string toEvaluatorText(const QString &text);
QString fromEvaluatorText(const std::string &bytes);

// A failure of one evaluation, already in the clerk's words, with the place in the text
// (line and column 1-based, 0 when not known).
struct SheetEvalError {
    QString message;
    int line = 0;
    int column = 0;
    QString text() const; // message, then the place when known
    bool operator==(const SheetEvalError &o) const
    {
        return message == o.message && line == o.line && column == o.column;
    }
};

// A name the sheet does not answer, or a function no registry holds: an error of the cell.
class EWageName : public eval::EEvalError {
public:
    using EEvalError::EEvalError;
    const char *ClassName() const override { return "EWageName"; }
};

// What a formula may ask for: an item of the month, JJe, JSl, or nothing the sheet knows.
struct SheetName {
    enum Kind { Item, Amount, Quantity, Unknown, Function }; // Function: a traced call only
    Kind kind = Unknown;
    int item = -1; // index among the month's items (Item only)
};
// `name` as the sheet reads it: one of `itemCodes` (evaluator text, case-sensitive), "JJe",
// "JSl", or unknown.
SheetName resolveWageName(const std::string &name, const std::vector<std::string> &itemCodes);

// The failure of a name the sheet does not answer, placed at its first whole-word occurrence in
// the formula of `parser`.
SheetEvalError unknownNameError(const std::string &name, eval::TCustomParser &parser);
QString unknownFunctionMessage(const std::string &name);

// The Chinese text for an evaluator failure (its kind and its message).
QString evalErrorText(const eval::EEvalError &e);
// An evaluator failure of `parser`'s formula as the sheet reports it: the text and a place
// inside the formula (a place after its end would only mislead and is dropped).
SheetEvalError wageError(const eval::EEvalError &e, eval::TCustomParser &parser);

// The rule for "no value": the compiled formula never assigns RESULT (a text ending with ";",
// or assignments to other names only), so its value is always the reset one. A formula that
// assigns RESULT somewhere, even in a branch, has a value.
bool leavesResultUnassigned(eval::TEvalObj &compiled);
// The calls that compiled as calls of the host's function event: names that are neither
// registered functions nor anything else (they fail when evaluated).
QStringList unknownFunctionCalls(eval::TEvalObj &compiled);

// A component with the wage set-up, for a host that sets the text itself (the formula check).
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
    // The formula becomes `text`, one evaluator line per line of the text (the compiled form is
    // dropped when the text changed).
    void setText(const QString &text);

private:
    std::unique_ptr<eval::TEPRegFuncs> m_functions; // outlives the component that uses it
    std::unique_ptr<eval::TExParser> m_parser;
};

} // namespace jjgz
