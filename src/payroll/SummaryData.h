#pragma once
// The department summary of a month: the total of every item of the month's own item list per
// department of the employees' current roster rows. Reads stored data only.
#include <QHash>
#include <QList>
#include <QString>

namespace jjgz {

class DataTable;

struct MonthItem {
    int xh = 0;
    QString fname;  // f<n>: the item's column of gzdata
    QString xmname; // its caption in that month
    int ftype = 0;
};

class SummaryData {
public:
    // Reads the department names once ("select * from depart order by bmcode").
    SummaryData();

    // The month's item list (gzxm_m) in xh order.
    static QList<MonthItem> monthItems(int year, int month);

    // Rebuilds `table`: bmcode (text 10), bmname (text 20), then one floating-point field per item
    // of the month, and one row per department having wage rows in the month, in department code
    // order. A month without an item list gives an empty table with the two fixed fields only.
    // Returns the month's items (the columns after the two fixed ones).
    QList<MonthItem> query(int year, int month, DataTable &table) const;

    QString departmentName(const QString &bmcode) const { return m_departments.value(bmcode); }

private:
    QHash<QString, QString> m_departments;
};

} // namespace jjgz
