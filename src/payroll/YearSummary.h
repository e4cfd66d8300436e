#pragma once
// The year summary 年度汇总: for one year, one row per employee with each item's total over the
// months of the year and the number of months counted. An item counts in a month only when that
// month's item list holds it (as the year-to-date functions count it). Reads stored data only.
#include "payroll/SummaryData.h"

namespace jjgz {

class YearSummary {
public:
    // The items of the year: every item of a month's list, in xh order, named as in the latest
    // month that holds it.
    static QList<MonthItem> yearItems(int year);
    // Rebuilds `table`: wkcode (text 20), wkname (text 20), bmname (text 20), months (integer),
    // then one floating-point field per item of the year; one row per employee with wage rows in
    // the year, in employee code order. Returns the items.
    static QList<MonthItem> query(int year, DataTable &table);
};

} // namespace jjgz
