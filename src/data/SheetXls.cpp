// The .xls reader (Excel 97-2003 workbooks), through FreeXL.
#include "data/SheetReader.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <freexl.h>

namespace jjgz {
namespace {

class Workbook {
public:
    explicit Workbook(const QString &path) : m_name(QFileInfo(path).fileName())
    {
        const int rc = freexl_open(QFile::encodeName(path).constData(), &m_handle);
        if (rc != FREEXL_OK) {
            if (rc == FREEXL_BIFF_OBFUSCATED)
                throw SheetError(
                    QStringLiteral("文件“%1”设有密码保护，请先在表格程序中取消密码并保存后再导入").arg(m_name));
            throw SheetError(
                QStringLiteral("文件“%1”不是有效的 .xls 表格（%2）；请在表格程序中打开并另存为 .xlsx 后再导入")
                    .arg(m_name)
                    .arg(rc));
        }
        unsigned int password = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK
            && password == FREEXL_BIFF_OBFUSCATED)
            throw SheetError(
                QStringLiteral("文件“%1”设有密码保护，请先在表格程序中取消密码并保存后再导入").arg(m_name));
    }
    ~Workbook()
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    QStringList names() const
    {
        unsigned int count = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
            throw broken();
        QStringList out;
        for (unsigned int i = 0; i < count && i < 65535; ++i) {
            const char *name = nullptr;
            if (freexl_get_worksheet_name(m_handle, static_cast<unsigned short>(i), &name) != FREEXL_OK)
                throw broken();
            out << QString::fromUtf8(name ? name : "");
        }
        return out;
    }
    const void *handle() const { return m_handle; }
    const QString &name() const { return m_name; }
    SheetError broken() const
    {
        return SheetError(
            QStringLiteral("文件“%1”已损坏，无法读取；请在表格程序中打开并另存为 .xlsx 后再导入").arg(m_name));
    }

private:
    QString m_name;
    const void *m_handle = nullptr;
};

} // namespace

QStringList xlsSheetNames(const QString &path)
{
    return Workbook(path).names();
}

SheetRows readXls(const QString &path, const QString &sheet)
{
    const Workbook book(path);
    const QStringList names = book.names();
    if (names.isEmpty())
        throw SheetError(QStringLiteral("文件“%1”中没有工作表").arg(book.name()));
    qsizetype index = 0;
    if (!sheet.isEmpty()) {
        index = names.indexOf(sheet);
        if (index < 0)
            throw SheetError(QStringLiteral("文件“%1”中没有名为“%2”的工作表（有：%3）")
                                 .arg(book.name(), sheet, names.join(QStringLiteral("、"))));
    }
    if (freexl_select_active_worksheet(book.handle(), static_cast<unsigned short>(index)) != FREEXL_OK)
        throw book.broken();
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(book.handle(), &rows, &columns) != FREEXL_OK)
        throw book.broken();
    if (qint64(rows) * qint64(columns) > SheetReader::kMaxCells)
        throw SheetError(QStringLiteral("工作表超过 %1 个单元格，请分成几个文件导入").arg(SheetReader::kMaxCells));

    SheetRows out;
    out.sheetName = names.at(index);
    for (unsigned int r = 0; r < rows; ++r) {
        QVariantList row;
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(book.handle(), r, c, &cell) != FREEXL_OK)
                throw book.broken();
            QVariant value;
            switch (cell.type) {
            case FREEXL_CELL_INT: value = double(cell.value.int_value); break;
            case FREEXL_CELL_DOUBLE: value = cell.value.double_value; break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
                value = QString::fromUtf8(cell.value.text_value ? cell.value.text_value : "");
                break;
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME: {
                const QString text = QString::fromUtf8(cell.value.text_value ? cell.value.text_value : "");
                const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
                value = date.isValid() ? QVariant(date) : QVariant(text);
                break;
            }
            case FREEXL_CELL_TIME: value = QString::fromUtf8(cell.value.text_value ? cell.value.text_value : ""); break;
            default: break;
            }
            row.append(value);
        }
        while (!row.isEmpty() && row.last().isNull())
            row.removeLast();
        out.rows.append(row);
    }
    return out;
}

} // namespace jjgz
