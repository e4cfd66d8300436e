#pragma once
// The wage printouts of a sheet grid: the pay slips (one strip per employee through the report
// engine and rep/gzbar.frf) and the payment table and summary (grid printing with the month line).
#include "report/Report.h"

#include <QString>

namespace jjgz {

class DbGrid;
class GridPrinter;

// The month line of the payment table and the summary: "工资月份：" + Y + "年" + M + "月".
QString wageMonthLine(int year, int month);

// Grid printing set up as 工资表 / 打印 print it: `header` as the page header and the month line
// above the grid.
void setUpMonthPrint(GridPrinter &printer, const QString &header, int year, int month);

// The pay slips of the grid's rows: the template beside the program (the built-in layout when it
// is missing or broken; then `templateMessage` says why, when the file was there but unusable).
// The row source is the grid's table in its order, the column source every visible column:
// "head" answers the column's title, "cell" the row's raw value of its field, and the widths are
// the grid's.
report::Report paySlipReport(const DbGrid &grid, QString *templateMessage);

} // namespace jjgz
