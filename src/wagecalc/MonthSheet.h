#pragma once
// The in-memory sheet of one month: the seven fixed columns by name, then one floating-point
// column per item of the month. The grid of the wage window shows its table; the calculation,
// the save and the printouts read it through the names below, never by column number.
#include "data/DataTable.h"
#include "wagecalc/SheetEvaluator.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace jjgz {

// One item of the month (a row of gzxm_m) and its place in the sheet.
struct SheetItem {
    int xh = 0;
    QString fname;  // "f" + number: the gzdata column and the name formulas use
    QString xmname; // caption
    int ftype = 0;  // 0 number, 1 text
    int field = 0;  // field index in the sheet (FirstItemField onward)
};

// A formula of the list read when the sheet was created.
struct SheetFormula {
    int xh = 0;
    QString fname, gs, gsdesc, con, condesc;
};

// The fixed columns, in field order.
enum class SheetColumn { bmcode, tpcode, bmname, tpname, wkcode, wkname, sex };

class MonthSheet {
public:
    static constexpr int FirstItemField = 7;
    static int field(SheetColumn column) { return static_cast<int>(column); }
    static int itemField(int item) { return FirstItemField + item; }
    // Width in characters of a fixed text column, that of its source column.
    static int width(SheetColumn column);
    static QString name(SheetColumn column);

    MonthSheet();
    ~MonthSheet();
    MonthSheet(const MonthSheet &) = delete;
    MonthSheet &operator=(const MonthSheet &) = delete;

    DataTable &table() { return *m_table; }
    const DataTable &table() const { return *m_table; }

    // The month's items: the table is closed and gets the fields of the fixed columns and of
    // `items` (their `field` is set here).
    void setItems(QList<SheetItem> items);
    const QList<SheetItem> &items() const { return m_items; }
    int itemCount() const { return static_cast<int>(m_items.size()); }
    int itemIndex(const QString &fname) const; // case-sensitive; -1 when not an item of the month
    // The item codes in the evaluator's text, in sheet order.
    std::vector<std::string> itemCodes() const;

    int rowCount() const { return m_table->rowCount(); }
    QString text(int row, SheetColumn column) const;
    QString wkcode(int row) const { return text(row, SheetColumn::wkcode); }
    SheetCell cell(int row, int item) const;
    // Every item value of every row, row after row (rows × items).
    std::vector<SheetCell> cells() const;
    // The item values of every row from `cells` (as cells() gives them); the views are told once.
    void setCells(const std::vector<SheetCell> &cells);
    // The row of an employee (codes compare without regard to ASCII case, as in the database).
    int rowOf(const QString &wkcode) const;

private:
    std::unique_ptr<DataTable> m_table;
    QList<SheetItem> m_items;
};

// An employee code as the database compares it: ASCII letters without regard to case.
QString codeKey(const QString &code);

} // namespace jjgz
