#include "payroll/WagePrint.h"

#include "data/DataPaths.h"
#include "data/DataTable.h"
#include "data/MyFun.h"
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

report::Report paySlipReport(const DbGrid &grid, QString *templateMessage)
{
    using namespace report;
    Report slips(ReportTemplate::loadOr(DataPaths::findFile(QStringLiteral("rep/gzbar.frf")),
                                        ReportTemplate::builtInPaySlip(), templateMessage));
    const QList<int> columns = grid.visibleColumns();
    DataTable *table = grid.table();
    QList<int> fields;
    for (int c : columns)
        fields << (table ? table->fieldIndex(grid.column(c).field) : -1);
    slips.setSourceCount(QStringLiteral("rows"), table && table->isActive() ? table->rowCount() : 0);
    slips.setSourceCount(QStringLiteral("columns"), int(columns.size()));
    slips.setValues([&grid, table, columns, fields](const ValueQuery &q) -> std::optional<QVariant> {
        if (q.column < 0 || q.column >= columns.size())
            return std::nullopt;
        if (q.name == u"head")
            return grid.column(columns.at(q.column)).title;
        if (q.name == u"cell") {
            const int field = fields.at(q.column);
            if (!table || q.row < 0 || q.row >= table->rowCount() || field < 0)
                return QVariant();
            return table->rowValue(q.row, field);
        }
        return std::nullopt;
    });
    slips.setColumnWidths([&grid, columns](int column) {
        return column >= 0 && column < columns.size() ? double(grid.column(columns.at(column)).width) : 0.0;
    });
    return slips;
}

} // namespace jjgz
