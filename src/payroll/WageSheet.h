#pragma once
// One month's wage sheet without any window: creating the month's data, loading it into the
// in-memory sheet, calculating the formula items and saving the month. The sheet window, the
// command-line program and the printouts all work on this class.
//
// Typical use:
//     WageSheet s;            // reads departments, positions and formulas (the window's lists)
//     s.load(2024, 5);        // EnsureMonthSheet, OpenMonthItems, BuildSheetFields, LoadSheetRows
//     CalcResult r = s.CalculateSheet();
//     s.SaveSheet();          // the month in one transaction
// Every database failure throws DbError (or DataError from the sheet); nothing is shown here.
#include "data/DataTable.h"
#include "payroll/SheetEvaluator.h"

#include <QHash>
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

#include <memory>

namespace jjgz {

class DbError;

// One item of the month (a row of gzxm_m) and its place in the sheet.
struct SheetItem {
    int xh = 0;
    QString fname;  // "f" + number: the gzdata column and the name formulas use
    QString xmname; // caption
    int ftype = 0;  // 0 number, 1 text
    int field = 0;  // field index in the sheet (7 onward)
};

// A formula of the list read when the sheet was created.
struct SheetFormula {
    int xh = 0;
    QString fname, gs, gsdesc, con, condesc;
};

// Something that went wrong with one cell during a calculation.
struct CellProblem {
    enum Kind {
        Failed,         // the formula raised an error: the field was emptied
        ConditionError, // the condition raised an error: it counted as false
        NoValue,        // the formula yields no value (it ends with ";"): 0 was stored
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

// The problems of a calculation grouped by item for the clerk: the item, how many employees,
// the first message with its place, the first few employee codes.
struct ProblemGroup {
    QString fname, xmname;
    CellProblem::Kind kind = CellProblem::Failed;
    int employees = 0;
    QString firstMessage;
    QStringList firstCodes; // at most five
};

class WageSheet {
public:
    // Index of the first item field of the sheet (bmcode, tpcode, bmname, tpname, wkcode, wkname,
    // sex come first).
    static constexpr int FirstItemField = 7;

    // Reads the departments, positions and the formula list (the window's creation-time lists).
    WageSheet();
    ~WageSheet();
    WageSheet(const WageSheet &) = delete;
    WageSheet &operator=(const WageSheet &) = delete;

    // ---- Load
    // The whole load of a month: the loaded month becomes year/month, then EnsureMonthSheet,
    // OpenMonthItems, BuildSheetFields and LoadSheetRows. Clears the problems of the last
    // calculation.
    void load(int year, int month);
    // Deletes the month (gzxm_m and gzdata, one transaction) and loads it again from the current
    // items and active employees.
    void recreate(int year, int month);
    // The month's item copy and employee rows, each only when the month has none; one transaction.
    // A failure after it created them (the rest of the load, or a later save of the month) says
    // that the month was kept.
    void EnsureMonthSheet();
    void OpenMonthItems();
    void BuildSheetFields();
    void LoadSheetRows();

    int year() const { return m_year; }   // 0 before the first load
    int month() const { return m_month; } // 0 before the first load
    bool isLoaded() const { return m_year != 0; }

    // The in-memory sheet: fields bmcode, tpcode, bmname, tpname, wkcode, wkname, sex, then one
    // float field per item. The window edits it; CalculateSheet and SaveSheet read it.
    DataTable &tmp() { return *m_tmp; }
    const QList<SheetItem> &items() const { return m_items; }
    int itemIndex(const QString &fname) const; // case-sensitive; -1 when not an item of the month
    // The formula of an item: the first of the list (by xh) whose fname equals it exactly.
    const SheetFormula *formulaFor(const QString &fname) const;
    const QList<SheetFormula> &formulas() const { return m_formulas; }
    // The department and position lists as read at creation (code → name).
    const QHash<QString, QString> &departments() const { return m_departments; }
    const QHash<QString, QString> &positions() const { return m_positions; }

    // ---- Calculate and save
    enum class Mode {
        Cached, // each distinct text compiled once, piece-work totals read once for the month
        Literal // the text replaced and compiled for every cell, one total query per use
    };
    // Fills the formula items of every row, left to right in item order, row by row. A cell whose
    // formula fails becomes empty; the problems are returned and kept until the next load.
    CalcResult CalculateSheet(Mode mode = Mode::Cached);
    // Writes the sheet as the month's gzdata rows: delete and insert in one transaction.
    void SaveSheet();

    // Problems of the last calculation (empty after a load).
    const QList<CellProblem> &problems() const { return m_problems; }
    // The Failed problem of a cell (sheet row, field index), or null.
    const CellProblem *failureAt(int row, int field) const;
    QList<ProblemGroup> groupedProblems() const;
    // The grouped problems as text for the details of the "计算完毕" box.
    QString problemDetails() const;

    // ---- The why of a cell
    // A dry run of one cell of `row` as it stands in the sheet, changing nothing: the items to its
    // left are first computed as the calculation would, then the cell is explained. Lines of text.
    QStringList explain(int row, int item);
    // The sheet row of an employee (case-insensitive like the codes in the database), or -1.
    int rowOf(const QString &wkcode) const;

    // Piece-work totals of every employee of the loaded month (one grouped query).
    QHash<QString, PieceworkTotals> readPieceworkTotals() const;
    // The totals of one employee by the one-query-per-use statement.
    PieceworkTotals pieceworkTotal(const QString &wkcode) const;

private:
    struct Calc;
    void requireLoaded() const;
    SheetName resolve(const std::string &name) const;

    std::unique_ptr<DataTable> m_tmp;
    std::unique_ptr<SheetEvaluator> m_eval;
    int m_year = 0;
    int m_month = 0;
    bool m_createdMonth = false; // the last load created the month, no save of it has succeeded
    DbError keptMonth(const DbError &e, bool loading) const;
    QHash<QString, QString> m_departments;
    QHash<QString, QString> m_positions;
    QList<SheetFormula> m_formulas;
    QList<SheetItem> m_items;
    std::unordered_map<std::string, int> m_itemByName; // evaluator-text fname → item index
    QList<CellProblem> m_problems;
    QHash<qint64, int> m_failureIndex; // (row << 16 | field) → index into m_problems
};

// "yyyy-MM" text to year and month; false when it is no valid month.
bool parseWageMonth(const QString &text, int &year, int &month);

} // namespace jjgz
