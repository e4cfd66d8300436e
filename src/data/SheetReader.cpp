#include "data/SheetReader.h"

#include "data/Gbk.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cmath>

namespace jjgz {

// The format readers (SheetXlsx.cpp, SheetXls.cpp).
SheetRows readXlsx(const QString &path, const QString &sheet);
QStringList xlsxSheetNames(const QString &path);
SheetRows readXls(const QString &path, const QString &sheet);
QStringList xlsSheetNames(const QString &path);

namespace {

enum class Format { Xlsx, Xls, Text };

QString fileLabel(const QString &path)
{
    return QFileInfo(path).fileName();
}

// Checks existence and size, and tells the format from the first bytes.
Format sniff(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw SheetError(QStringLiteral("找不到文件“%1”，请检查文件名和位置").arg(path));
    if (info.size() > SheetReader::kMaxFileSize)
        throw SheetError(QStringLiteral("文件“%1”有 %2 MB，超过可导入的 %3 MB；请只保留要导入的工作表和行后再试")
                             .arg(fileLabel(path))
                             .arg(double(info.size()) / (1024 * 1024), 0, 'f', 1)
                             .arg(SheetReader::kMaxFileSize / (1024 * 1024)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SheetError(QStringLiteral("无法打开文件“%1”（%2），请确认它没有被其他程序占用")
                             .arg(fileLabel(path), file.errorString()));
    const QByteArray head = file.read(8);
    if (head.startsWith("PK\x03\x04"))
        return Format::Xlsx;
    if (head.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")))
        return Format::Xls;
    return Format::Text;
}

QByteArray readAllCapped(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SheetError(QStringLiteral("无法打开文件“%1”（%2），请确认它没有被其他程序占用")
                             .arg(fileLabel(path), file.errorString()));
    QByteArray bytes = file.read(SheetReader::kMaxFileSize + 1);
    if (bytes.size() > SheetReader::kMaxFileSize)
        throw SheetError(QStringLiteral("文件“%1”超过可导入的 %2 MB")
                             .arg(fileLabel(path))
                             .arg(SheetReader::kMaxFileSize / (1024 * 1024)));
    return bytes;
}

QString notSpreadsheet(const QString &path)
{
    return QStringLiteral(
               "文件“%1”不是电子表格（可导入 .xlsx、.xls 或 .csv 文件）；请在表格程序中另存为其中一种格式后再导入")
        .arg(fileLabel(path));
}

} // namespace

QString SheetReader::decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes.mid(3));
        if (utf8.hasError())
            throw SheetError(QStringLiteral("文件以 UTF-8 标记开头，但其中有不是 UTF-8 的字节；请重新以 UTF-8 保存"));
        return text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    bool ok = false;
    const QString gbk = fromGbk(bytes, &ok);
    if (!ok)
        throw SheetError(
            QStringLiteral("文件的文字既不是 UTF-8 也不是 GBK 编码；请在表格程序中另存为 CSV（UTF-8）后再导入"));
    return gbk;
}

SheetRows SheetReader::readCsv(const QByteArray &bytes)
{
    // A text file holds no NUL character; one that does is some other kind of file.
    if (bytes.contains('\0'))
        throw SheetError(QStringLiteral(
            "文件不是电子表格（可导入 .xlsx、.xls 或 .csv 文件）；请在表格程序中另存为其中一种格式后再导入"));
    const QString text = decodeText(bytes);
    // The separator: a comma, unless the first line has tabs and no comma (text copied out of a
    // spreadsheet), or semicolons and no comma (some European settings).
    QChar sep = u',';
    const QString firstLine = text.left(text.indexOf(u'\n'));
    if (!firstLine.contains(u',')) {
        if (firstLine.contains(u'\t'))
            sep = u'\t';
        else if (firstLine.contains(u';'))
            sep = u';';
    }

    SheetRows out;
    QVariantList row;
    QString field;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the current field was quoted (kept as text, blanks and all)
    int line = 1, quoteLine = 0;
    qint64 cells = 0;
    auto endField = [&] {
        if (wasQuoted)
            row.append(field);
        else if (field.trimmed().isEmpty())
            row.append(QVariant());
        else
            row.append(field);
        field.clear();
        wasQuoted = false;
        if (++cells > kMaxCells)
            throw SheetError(QStringLiteral("表格超过 %1 个单元格，请分成几个文件导入").arg(kMaxCells));
    };
    auto endRow = [&] {
        endField();
        // A row of empty cells only is kept as an empty row, to keep the numbering.
        bool empty = true;
        for (const QVariant &v : std::as_const(row))
            if (!v.isNull())
                empty = false;
        out.rows.append(empty ? QVariantList() : row);
        row.clear();
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && field.trimmed().isEmpty() && !wasQuoted) {
            quoted = true;
            wasQuoted = true;
            quoteLine = line;
            field.clear();
        } else if (c == sep) {
            endField();
        } else if (c == u'\r') {
            // \r\n and a lone \r both end a line
            endRow();
            ++line;
            if (i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            endRow();
            ++line;
        } else {
            field += c;
        }
    }
    if (quoted)
        throw SheetError(QStringLiteral("CSV 文件第 %1 行开始的引号没有结束；请检查该行的双引号").arg(quoteLine));
    if (!field.isEmpty() || !row.isEmpty() || wasQuoted)
        endRow();
    return out;
}

SheetRows SheetReader::read(const QString &path, const QString &sheet)
{
    switch (sniff(path)) {
    case Format::Xlsx: return readXlsx(path, sheet);
    case Format::Xls: return readXls(path, sheet);
    case Format::Text: break;
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xlsx") || suffix == QLatin1String("xls"))
        throw SheetError(QStringLiteral("文件“%1”的扩展名是 .%2，但内容不是这种表格；文件可能已损坏或不是表格文件")
                             .arg(fileLabel(path), suffix));
    try {
        return readCsv(readAllCapped(path));
    } catch (const SheetError &e) {
        if (e.message().startsWith(QStringLiteral("文件不是电子表格")))
            throw SheetError(notSpreadsheet(path));
        throw;
    }
}

QStringList SheetReader::sheetNames(const QString &path)
{
    switch (sniff(path)) {
    case Format::Xlsx: return xlsxSheetNames(path);
    case Format::Xls: return xlsSheetNames(path);
    case Format::Text: break;
    }
    return {QString()};
}

QString sheetText(const QVariant &cell)
{
    if (cell.isNull() || !cell.isValid())
        return QString();
    switch (cell.metaType().id()) {
    case QMetaType::QDate: return cell.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::Double: {
        const double v = cell.toDouble();
        if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
            return QString::number(qint64(v));
        return QString::number(v, 'g', 15);
    }
    default: return cell.toString().trimmed();
    }
}

bool sheetDate(const QVariant &cell, QDate *date, QString *error)
{
    *date = QDate();
    if (cell.metaType().id() == QMetaType::QDate) {
        *date = cell.toDate();
        return true;
    }
    const QString text = sheetText(cell);
    if (text.isEmpty())
        return true;
    if (cell.metaType().id() == QMetaType::Double && text.size() != 8) {
        *error = QStringLiteral("“%1”不是日期（请写成 2024-05-03 或设为日期格式）").arg(text);
        return false;
    }
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4})(?:[-/.年](\d{1,2})[-/.月](\d{1,2})日?|(\d{2})(\d{2}))(?:[ T]\d{1,2}:\d{2}(?::\d{2})?)?$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) {
        *error = QStringLiteral("“%1”不是日期（请写成 2024-05-03）").arg(text);
        return false;
    }
    const int y = m.captured(1).toInt();
    const int mo = (m.captured(2).isEmpty() ? m.captured(4) : m.captured(2)).toInt();
    const int d = (m.captured(3).isEmpty() ? m.captured(5) : m.captured(3)).toInt();
    const QDate value(y, mo, d);
    if (!value.isValid() || y < 1900) {
        *error = QStringLiteral("日期“%1”不存在").arg(text);
        return false;
    }
    *date = value;
    return true;
}

bool sheetNumber(const QVariant &cell, double *value, bool *empty, QString *error)
{
    *value = 0;
    *empty = false;
    if (cell.metaType().id() == QMetaType::Double) {
        *value = cell.toDouble();
        if (!std::isfinite(*value)) {
            *error = QStringLiteral("不是有效的数字");
            return false;
        }
        return true;
    }
    QString text = sheetText(cell);
    if (text.isEmpty()) {
        *empty = true;
        return true;
    }
    text.remove(u',').remove(u' ');
    bool ok = false;
    *value = text.toDouble(&ok);
    if (!ok || !std::isfinite(*value)) {
        *error = QStringLiteral("“%1”不是数字").arg(sheetText(cell));
        return false;
    }
    return true;
}

bool sheetString(const QVariant &cell, int maxChars, QString *text, QString *error)
{
    if (cell.metaType().id() == QMetaType::Double && std::fabs(cell.toDouble()) >= 1e15) {
        *error = QStringLiteral("是超过 15 位的数字，表格程序已把它改成了“%1”；请把这一列设为文本格式后重新填写")
                     .arg(QString::number(cell.toDouble(), 'f', 0));
        return false;
    }
    *text = sheetText(cell);
    if (text->size() > maxChars) {
        *error = QStringLiteral("“%1”有 %2 个字，超过 %3 个字").arg(*text).arg(text->size()).arg(maxChars);
        return false;
    }
    return true;
}

SheetTable SheetTable::fromRows(const SheetRows &sheet)
{
    SheetTable t;
    auto isEmpty = [](const QVariantList &row) {
        for (const QVariant &v : row)
            if (!sheetText(v).isEmpty())
                return false;
        return true;
    };
    int r = 0;
    while (r < sheet.rows.size() && isEmpty(sheet.rows.at(r)))
        ++r;
    if (r == sheet.rows.size())
        throw SheetError(sheet.sheetName.isEmpty()
                             ? QStringLiteral("表格是空的：没有标题行，也没有数据；请确认选对了文件")
                             : QStringLiteral("工作表“%1”是空的：没有标题行，也没有数据；请确认选对了文件或工作表")
                                   .arg(sheet.sheetName));
    t.titleRow = r + 1;
    for (const QVariant &v : sheet.rows.at(r))
        t.titles << sheetText(v).simplified();
    for (++r; r < sheet.rows.size(); ++r) {
        if (isEmpty(sheet.rows.at(r)))
            continue;
        t.rows.append({r + 1, sheet.rows.at(r)});
    }
    return t;
}

SheetColumnMap SheetColumnMap::map(const QStringList &titles, const QList<ImportColumn> &columns,
                                   const std::function<QString(const QString &)> &extra)
{
    SheetColumnMap m;
    for (int c = 0; c < titles.size(); ++c) {
        const QString &title = titles.at(c);
        if (title.isEmpty())
            continue;
        QString key;
        QString shown = title;
        for (const ImportColumn &col : columns) {
            if (col.titles.contains(title)) {
                key = col.key;
                shown = col.titles.first();
                break;
            }
        }
        if (key.isEmpty() && extra)
            key = extra(title);
        if (key.isEmpty()) {
            m.unknown << title;
            continue;
        }
        if (m.index.contains(key)) {
            m.problems.append({shown, QStringLiteral("这一列出现了不止一次（第 %1 列和第 %2 列），请只保留一列")
                                          .arg(m.index.value(key) + 1)
                                          .arg(c + 1)});
            continue;
        }
        m.index.insert(key, c);
        m.title.insert(key, shown);
    }
    for (const ImportColumn &col : columns)
        if (col.required && !m.index.contains(col.key))
            m.problems.append(
                {col.titles.first(),
                 QStringLiteral("标题行（第一个有内容的行）中没有这一列；请在标题行写上“%1”").arg(col.titles.first())});
    return m;
}

} // namespace jjgz
