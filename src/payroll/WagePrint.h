#pragma once
// The wage printouts of a sheet grid: the pay slips (one strip per employee through the report
// engine and rep/gzbar.frf) and the payment table and summary (grid printing with the month line).
#include "report/Report.h"

#include <QList>
#include <QString>

namespace jjgz {

class DbGrid;
class GridPrinter;
class MonthSheet;

// A column of the pay slips: the sheet field it shows, its title and its width in pixels.
struct SlipColumn {
    QString field;
    QString title;
    double width = 0;
};
// The visible columns of `grid` in display order, as the pay slips take them.
QList<SlipColumn> slipColumns(const DbGrid &grid);

// The month line of the payment table and the summary: "工资月份：" + Y + "年" + M + "月".
QString wageMonthLine(int year, int month);

// Grid printing set up as 工资表 / 打印 print it: `header` as the page header and the month line
// above the grid.
void setUpMonthPrint(GridPrinter &printer, const QString &header, int year, int month);

// The pay slips of the sheet's rows: the template beside the program (the built-in layout when it
// is missing or broken; then `templateMessage` says why, when the file was there but unusable).
// The row source is the sheet's rows in sheet order, the column source `columns`: "head"
// answers the column's title, "cell" the row's raw value of its field, and the widths are the
// columns' widths.
report::Report paySlipReport(const MonthSheet &sheet, const QList<SlipColumn> &columns, QString *templateMessage);

} // namespace jjgz
