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
#include "wagecalc/MonthSheet.h"
#include "wagecalc/WageCell.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace jjgz {

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
    static constexpr int FirstItemField = MonthSheet::FirstItemField;

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
    void EnsureMonthSheet();
    void OpenMonthItems();
    void BuildSheetFields();
    // Every gzdata row of the month, also those of employees no longer in the roster (their code
    // is shown and their name is NotInRosterName), so that saving keeps them.
    void LoadSheetRows();

    int year() const { return m_year; }   // 0 before the first load
    int month() const { return m_month; } // 0 before the first load
    bool isLoaded() const { return m_year != 0; }

    // The in-memory sheet: fields bmcode, tpcode, bmname, tpname, wkcode, wkname, sex, then one
    // float field per item. The window edits its table; CalculateSheet and SaveSheet read it.
    MonthSheet &sheet() { return m_sheet; }
    const MonthSheet &sheet() const { return m_sheet; }
    DataTable &tmp() { return m_sheet.table(); }
    const QList<SheetItem> &items() const { return m_sheet.items(); }
    int itemIndex(const QString &fname) const { return m_sheet.itemIndex(fname); }
    // The formula of an item: the first of the list (by xh) whose fname equals it exactly.
    const SheetFormula *formulaFor(const QString &fname) const;
    const QList<SheetFormula> &formulas() const { return m_formulas; }
    // The department and position lists as read at creation (code → name).
    const QHash<QString, QString> &departments() const { return m_departments; }
    const QHash<QString, QString> &positions() const { return m_positions; }

    // The name shown for an employee of the month who is no longer in the roster.
    static QString notInRosterName();
    // The codes of the loaded month's employees who are no longer in the roster, in sheet order.
    const QStringList &notInRoster() const { return m_notInRoster; }

    // ---- Calculate and save
    // Fills the formula items of every row, left to right in item order, row by row: each distinct
    // formula and condition compiled once, the piece-work totals read once for the month. A cell
    // whose formula fails becomes empty; the problems are returned and kept until the next load.
    CalcResult CalculateSheet();
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
    int rowOf(const QString &wkcode) const { return m_sheet.rowOf(wkcode); }

    // The formula and condition of each item of the month in the evaluator's text (empty texts
    // for an item without formula).
    std::vector<CellTexts> cellTexts() const;
    // Piece-work totals of the loaded month by employee (codeKey), one grouped query; with
    // `wkcode`, of that employee only.
    QHash<QString, PieceworkTotals> readPieceworkTotals(const QString &wkcode = QString()) const;

private:
    void requireLoaded() const;

    MonthSheet m_sheet;
    SheetEvaluator m_eval;
    int m_year = 0;
    int m_month = 0;
    QHash<QString, QString> m_departments;
    QHash<QString, QString> m_positions;
    QList<SheetFormula> m_formulas;
    QStringList m_notInRoster;
    QList<CellProblem> m_problems;
    QHash<qint64, int> m_failureIndex; // (row << 16 | field) → index into m_problems
};

// "yyyy-MM" text to year and month; false when it is no valid month.
bool parseWageMonth(const QString &text, int &year, int &month);

} // namespace jjgz
