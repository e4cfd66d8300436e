#pragma once
// The year-to-date values of a month's calculation, read from the stored wage sheets of the
// earlier months of the same year:
//   - sum(fname, wkcode): the sum of item `fname` of the employee over months 1 … M−1 of year Y,
//     and how many months were summed. A month whose item list (gzxm_m) lacks the item, or in
//     which the employee has no row, counts 0.
//   - monthsBefore(wkcode): the months 1 … M−1 of Y in which the employee has a row in gzdata.
// A calculation makes one YearToDate and asks it per employee: each distinct item is read once,
// for all employees in one grouped statement, at its first use; so are the months.
//
//     YearToDate ytd(2024, 3);
//     if (!ytd.isItem("f5")) fail();     // an item of the year up to this month (case-sensitive)
//     YearToDate::Sum s = ytd.sum("f5", "0001");   // s.value, s.months
//     int n = ytd.monthsBefore("0001") + 1;        // with this month's row
// Every database failure throws DbError.
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace jjgz {

class YearToDate {
public:
    struct Sum {
        double value = 0;
        int months = 0;
    };

    YearToDate(int year, int month);

    int year() const { return m_year; }
    int month() const { return m_month; }

    // True when `fname` is the code of an item in the item list of a month of the year up to and
    // including this one (compared with the letter case as written, as formulas name items).
    bool isItem(const QString &fname);
    // The sum of an item over the earlier months; `fname` must be an item (isItem), else TaxError.
    Sum sum(const QString &fname, const QString &wkcode);
    int monthsBefore(const QString &wkcode);

    // How many grouped statements ran so far (for tests of the one-read-per-item rule).
    int reads() const { return m_reads; }

private:
    int m_year, m_month;
    int m_reads = 0;
    std::optional<QSet<QString>> m_items;       // item codes of the year up to this month
    std::optional<QStringList> m_columns;       // columns of gzdata
    QHash<QString, QHash<QString, Sum>> m_sums; // item -> employee key -> sum
    std::optional<QHash<QString, int>> m_months;
};

// An employee code as the database compares it: ASCII letters without regard to case.
QString employeeKey(const QString &wkcode);

} // namespace jjgz
