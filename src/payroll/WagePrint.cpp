#include "payroll/WagePrint.h"

#include "data/DataTable.h"
#include "data/MyFun.h"
#include "wagecalc/MonthSheet.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"

namespace jjgz {

QString wageMonthLine(int year, int month)
{
    return QStringLiteral("工资月份：%1年%2月").arg(year).arg(month);
}

void setUpMonthPrint(GridPrinter &printer, const QString &header, int year, int month)
{
    printer.setPageHeader(header);
    printer.setTitleLine(QStringLiteral("  %[v1]"));
    printer.setV1(wageMonthLine(year, month));
}

QList<SlipColumn> slipColumns(const DbGrid &grid)
{
    QList<SlipColumn> columns;
    for (int c : grid.visibleColumns())
        columns.append({grid.column(c).field, grid.column(c).title, double(grid.column(c).width)});
    return columns;
}

report::Report paySlipReport(const MonthSheet &sheet, const QList<SlipColumn> &columns, QString *templateMessage)
{
    using namespace report;
    Report slips(ReportTemplate::loadOr(appPath(QStringLiteral("rep/gzbar.frf")), ReportTemplate::builtInPaySlip(),
                                        templateMessage));
    const DataTable &table = sheet.table();
    QList<int> fields;
    for (const SlipColumn &c : columns)
        fields << table.fieldIndex(c.field);
    const int rows = table.isActive() ? sheet.rowCount() : 0;
    slips.setSourceCount(QStringLiteral("rows"), rows);
    slips.setSourceCount(QStringLiteral("columns"), int(columns.size()));
    slips.setValues([&table, rows, columns, fields](const ValueQuery &q) -> std::optional<QVariant> {
        if (q.column < 0 || q.column >= columns.size())
            return std::nullopt;
        if (q.name == u"head")
            return columns.at(q.column).title;
        if (q.name == u"cell") {
            const int field = fields.at(q.column);
            if (q.row < 0 || q.row >= rows || field < 0)
                return QVariant();
            return table.rowValue(q.row, field);
        }
        return std::nullopt;
    });
    slips.setColumnWidths(
        [columns](int column) { return column >= 0 && column < columns.size() ? columns.at(column).width : 0.0; });
    return slips;
}

} // namespace jjgz
