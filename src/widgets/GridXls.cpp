#include "widgets/GridXls.h"

#include "data/DataTable.h"
#include "data/XlsWriter.h"
#include "widgets/DbGrid.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <xlsxwriter.h>

#include <cstdio>

namespace jjgz {
namespace {

// Where the cells of a grid go: one call per cell, rows and columns counted from 0.
class CellSink {
public:
    virtual ~CellSink() = default;
    virtual void title(int column, const QString &text) = 0;
    virtual void text(int row, int column, const QString &text) = 0;
    virtual void number(int row, int column, double value, const QString &format) = 0;
    virtual void integer(int row, int column, qint64 value) = 0;
    virtual void blank(int row, int column) = 0;
};

// Walks the grid's visible columns: titles, the table's rows, then the footer rows.
void writeGrid(const DbGrid &grid, CellSink &sink)
{
    const QList<int> columns = grid.visibleColumns();
    int row = 0;
    if (grid.showsTitles()) {
        for (int c = 0; c < columns.size(); ++c)
            sink.title(c, grid.column(columns.at(c)).title);
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
                    sink.blank(row, c);
                    continue;
                }
                switch (table->field(f).kind) {
                case FieldKind::Integer: sink.integer(row, c, v.toLongLong()); break;
                case FieldKind::Float: sink.number(row, c, v.toDouble(), grid.column(columns.at(c)).format); break;
                default: sink.text(row, c, grid.displayText(r, columns.at(c))); break;
                }
            }
        }
    }
    for (int fr = 0; fr < grid.footerRowCount(); ++fr, ++row) {
        for (int c = 0; c < columns.size(); ++c) {
            const QVariant v = grid.footerValue(fr, columns.at(c));
            if (!v.isValid())
                sink.blank(row, c);
            else if (v.metaType().id() == QMetaType::Double)
                sink.number(row, c, v.toDouble(), grid.column(columns.at(c)).format);
            else
                sink.text(row, c, v.toString());
        }
    }
}

class XlsSink final : public CellSink {
public:
    void title(int column, const QString &text) override { xls.text(0, column, text); }
    void text(int row, int column, const QString &text) override { xls.text(row, column, text); }
    void number(int row, int column, double value, const QString &) override { xls.number(row, column, value); }
    void integer(int row, int column, qint64 value) override { xls.integer(row, column, value); }
    void blank(int row, int column) override { xls.blank(row, column); }
    XlsWriter xls;
};

class XlsxSink final : public CellSink {
public:
    XlsxSink(lxw_workbook *book, lxw_worksheet *sheet) : m_book(book), m_sheet(sheet)
    {
        m_bold = workbook_add_format(book);
        format_set_bold(m_bold);
    }
    void title(int column, const QString &text) override
    {
        write(worksheet_write_string(m_sheet, 0, column, text.toUtf8().constData(), m_bold));
    }
    void text(int row, int column, const QString &text) override
    {
        write(worksheet_write_string(m_sheet, row, column, text.toUtf8().constData(), nullptr));
    }
    void number(int row, int column, double value, const QString &format) override
    {
        write(worksheet_write_number(m_sheet, row, column, value, numberFormat(format)));
    }
    void integer(int row, int column, qint64 value) override
    {
        write(worksheet_write_number(m_sheet, row, column, static_cast<double>(value), nullptr));
    }
    void blank(int, int) override {}
    lxw_error error = LXW_NO_ERROR;

private:
    void write(lxw_error result)
    {
        if (error == LXW_NO_ERROR)
            error = result;
    }
    // The grid's "0.00" kind of format reads the same in a spreadsheet.
    lxw_format *numberFormat(const QString &format)
    {
        if (format.isEmpty())
            return nullptr;
        lxw_format *&f = m_formats[format];
        if (!f) {
            f = workbook_add_format(m_book);
            format_set_num_format(f, format.toUtf8().constData());
        }
        return f;
    }
    lxw_workbook *m_book;
    lxw_worksheet *m_sheet;
    lxw_format *m_bold;
    QHash<QString, lxw_format *> m_formats;
};

// libxlsxwriter's own texts are English; the clerk reads what happened and what to do.
QString xlsxErrorText(lxw_error error)
{
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED: return QStringLiteral("内存不足");
    case LXW_ERROR_CREATING_XLSX_FILE: return QStringLiteral("文件无法创建，请检查文件夹是否存在、是否有写入权限");
    case LXW_ERROR_CREATING_TMPFILE: return QStringLiteral("无法创建临时文件，请检查磁盘空间");
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE: return QStringLiteral("文件写入失败，请检查磁盘空间");
    default: return QStringLiteral("文件写入失败（错误 %1）").arg(static_cast<int>(error));
    }
}

[[noreturn]] void fileError(const char *what, const QString &path, const QString &reason)
{
    throw DataError(DataError::File, QString::fromUtf8(what).arg(QDir::toNativeSeparators(path), reason));
}

} // namespace

QByteArray gridToXls(const DbGrid &grid)
{
    XlsSink sink;
    writeGrid(grid, sink);
    return sink.xls.finish();
}

void saveGridAsXls(const DbGrid &grid, const QString &path)
{
    // The row numbers of the format are 16 bits wide: a longer list would overwrite its first
    // rows. Refused before anything is written; the .xlsx format has room for it.
    const qint64 rows =
        (grid.showsTitles() ? 1 : 0) + (grid.table() ? qint64(grid.table()->rowCount()) : 0) + grid.footerRowCount();
    if (rows > XlsWriter::MaxRows)
        throw DataError(DataError::File,
                        QStringLiteral("这份列表有 %1 行（含标题和合计行），.xls 文件最多只能放 %2 行，没有导出。"
                                       "请在保存类型中选择 .xlsx（Excel 2007 及以上）后再导出")
                            .arg(rows)
                            .arg(XlsWriter::MaxRows));
    const QByteArray data = gridToXls(grid);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fileError("无法创建文件 %1：%2", path, file.errorString());
    file.write(data);
    if (!file.commit())
        fileError("无法写入文件 %1：%2", path, file.errorString());
}

void saveGridAsXlsx(const DbGrid &grid, const QString &path)
{
    // Written beside the target under another name and moved into place when complete, so a
    // failed export never leaves half a workbook under the chosen name.
    const QString temporary = path + QStringLiteral(".part");
    const QByteArray temporaryName = QFile::encodeName(temporary);
    lxw_workbook *book = workbook_new(temporaryName.constData());
    if (!book)
        fileError("无法创建文件 %1：%2", path, QStringLiteral("无法分配内存"));
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    XlsxSink sink(book, sheet);
    writeGrid(grid, sink);
    const QList<int> columns = grid.visibleColumns();
    for (int c = 0; c < columns.size(); ++c)
        worksheet_set_column(sheet, c, c, grid.column(columns.at(c)).width / 7.0, nullptr);
    if (grid.showsTitles())
        worksheet_freeze_panes(sheet, 1, 0);
    const lxw_error closed = workbook_close(book);
    const lxw_error error = sink.error != LXW_NO_ERROR ? sink.error : closed;
    if (error != LXW_NO_ERROR) {
        QFile::remove(temporary);
        fileError("无法写入文件 %1：%2", path, xlsxErrorText(error));
    }
    if (std::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temporary);
        fileError("无法写入文件 %1：%2", path, QStringLiteral("文件无法替换（可能正被其他程序打开）"));
    }
}

} // namespace jjgz
