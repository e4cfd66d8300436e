#include "widgets/GridXls.h"

#include "data/DataTable.h"
#include "data/XlsWriter.h"
#include "widgets/DbGrid.h"

#include <QDir>
#include <QSaveFile>

namespace jjgz {

QByteArray gridToXls(const DbGrid &grid)
{
    XlsWriter xls;
    const QList<int> columns = grid.visibleColumns();
    int row = 0;
    if (grid.showsTitles()) {
        for (int c = 0; c < columns.size(); ++c)
            xls.text(row, c, grid.column(columns.at(c)).title);
        ++row;
    }
    DataTable *table = grid.table();
    if (table && table->isActive()) {
        QList<int> fields;
        for (int col : columns)
            fields << (grid.column(col).field.isEmpty() ? -1 : table->fieldIndex(grid.column(col).field));
        for (int r = 0; r < table->rowCount(); ++r, ++row) {
            for (int c = 0; c < columns.size(); ++c) {
                const int f = fields.at(c);
                const QVariant v = f < 0 ? QVariant() : table->rowValue(r, f);
                if (v.isNull()) {
                    xls.blank(row, c);
                    continue;
                }
                switch (table->field(f).kind) {
                case FieldKind::Integer: xls.integer(row, c, v.toLongLong()); break;
                case FieldKind::Float: xls.number(row, c, v.toDouble()); break;
                default: xls.text(row, c, grid.displayText(r, columns.at(c))); break;
                }
            }
        }
    }
    for (int fr = 0; fr < grid.footerRowCount(); ++fr, ++row) {
        for (int c = 0; c < columns.size(); ++c) {
            const QVariant v = grid.footerValue(fr, columns.at(c));
            if (!v.isValid())
                xls.blank(row, c);
            else if (v.metaType().id() == QMetaType::Double)
                xls.number(row, c, v.toDouble());
            else
                xls.text(row, c, v.toString());
        }
    }
    return xls.finish();
}

void saveGridAsXls(const DbGrid &grid, const QString &path)
{
    const QByteArray data = gridToXls(grid);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DataError(DataError::File, QStringLiteral("无法创建文件 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    file.write(data);
    if (!file.commit())
        throw DataError(DataError::File, QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace jjgz
