#pragma once
// A grid written as a worksheet (the list export): .xls (BIFF, text in GBK) or .xlsx.
#include <QByteArray>
#include <QString>

namespace jjgz {

class DbGrid;

// The grid as a worksheet: the titles of the visible columns (when the grid shows titles), one
// row per table row from the first to the last, then the footer rows.
QByteArray gridToXls(const DbGrid &grid);
// Writes gridToXls to `path` (created or overwritten). Throws DataError(File) with the reason.
void saveGridAsXls(const DbGrid &grid, const QString &path);
// The same cells as an .xlsx workbook: numbers as numbers with the column's display format,
// titles bold, column widths from the grid, the title row frozen. Throws DataError(File).
void saveGridAsXlsx(const DbGrid &grid, const QString &path);

} // namespace jjgz
