// The .xlsx reader: the package through libzip, each part through QXmlStreamReader. Every part
// is unpacked with a size limit, whatever size the package's directory claims for it.
#include "data/SheetReader.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <zip.h>

#include <cmath>
#include <memory>

namespace jjgz {
namespace {

const QString kBroken = QStringLiteral("文件“%1”不是有效的 .xlsx 表格（%2）；请在表格程序中打开并重新保存后再导入");

struct ZipCloser {
    void operator()(zip_t *z) const { zip_discard(z); }
};
using Zip = std::unique_ptr<zip_t, ZipCloser>;

class Package {
public:
    explicit Package(const QString &path) : m_name(QFileInfo(path).fileName())
    {
        int error = 0;
        m_zip.reset(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error));
        if (!m_zip)
            throw SheetError(kBroken.arg(m_name, QStringLiteral("无法打开压缩包")));
    }
    bool has(const QString &part) const
    {
        return zip_name_locate(m_zip.get(), part.toUtf8().constData(), ZIP_FL_NOCASE) >= 0;
    }
    // The bytes of `part`; `required` false gives empty bytes for a missing part.
    QByteArray read(const QString &part, bool required = true) const
    {
        const zip_int64_t index = zip_name_locate(m_zip.get(), part.toUtf8().constData(), ZIP_FL_NOCASE);
        if (index < 0) {
            if (!required)
                return {};
            throw SheetError(kBroken.arg(m_name, QStringLiteral("缺少 %1").arg(part)));
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip.get(), zip_uint64_t(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)
            && st.size > zip_uint64_t(SheetReader::kMaxUnpacked))
            throw tooLarge();
        zip_file_t *file = zip_fopen_index(m_zip.get(), zip_uint64_t(index), 0);
        if (!file)
            throw SheetError(kBroken.arg(m_name, QStringLiteral("无法读取 %1").arg(part)));
        QByteArray out;
        char buffer[65536];
        for (;;) {
            const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
            if (n < 0) {
                zip_fclose(file);
                throw SheetError(kBroken.arg(m_name, QStringLiteral("%1 已损坏").arg(part)));
            }
            if (n == 0)
                break;
            // The directory's size may lie: the limit holds for what really comes out.
            if (out.size() + n > SheetReader::kMaxUnpacked) {
                zip_fclose(file);
                throw tooLarge();
            }
            out.append(buffer, qsizetype(n));
        }
        zip_fclose(file);
        return out;
    }
    const QString &name() const { return m_name; }
    SheetError broken(const QString &why) const { return SheetError(kBroken.arg(m_name, why)); }

private:
    SheetError tooLarge() const
    {
        return SheetError(QStringLiteral("文件“%1”解压后超过 %2 MB，不能导入；请只保留要导入的工作表和行后再试")
                              .arg(m_name)
                              .arg(SheetReader::kMaxUnpacked / (1024 * 1024)));
    }
    QString m_name;
    Zip m_zip;
};

struct SheetRef {
    QString name;
    QString part; // e.g. xl/worksheets/sheet1.xml
};

QString resolveTarget(const QString &target)
{
    if (target.startsWith(u'/'))
        return target.mid(1);
    QString t = target;
    while (t.startsWith(QLatin1String("./")))
        t = t.mid(2);
    return QStringLiteral("xl/") + t;
}

QList<SheetRef> sheetsOf(const Package &pkg, bool *date1904)
{
    QHash<QString, QString> targets;
    {
        QXmlStreamReader xml(pkg.read(QStringLiteral("xl/_rels/workbook.xml.rels")));
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("Relationship"))
                targets.insert(xml.attributes().value(QLatin1String("Id")).toString(),
                               resolveTarget(xml.attributes().value(QLatin1String("Target")).toString()));
        }
        if (xml.hasError())
            throw pkg.broken(QStringLiteral("工作簿关系损坏"));
    }
    QList<SheetRef> out;
    QXmlStreamReader xml(pkg.read(QStringLiteral("xl/workbook.xml")));
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("workbookPr") && date1904) {
            const QString v = xml.attributes().value(QLatin1String("date1904")).toString();
            *date1904 = v == QLatin1String("1") || v == QLatin1String("true");
        }
        if (xml.name() != QLatin1String("sheet"))
            continue;
        QString rid;
        for (const QXmlStreamAttribute &a : xml.attributes())
            if (a.name() == QLatin1String("id"))
                rid = a.value().toString();
        out.append({xml.attributes().value(QLatin1String("name")).toString(), targets.value(rid)});
    }
    if (xml.hasError())
        throw pkg.broken(QStringLiteral("工作簿内容损坏"));
    return out;
}

// Text of one <si> or <is>: its <t> elements joined, phonetic runs left out.
QString stringItem(QXmlStreamReader &xml)
{
    QString text;
    const QString end = xml.name().toString();
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (xml.name() == QLatin1String("t") && phonetic == 0)
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            else if (xml.name() == end)
                break;
        }
    }
    return text;
}

QStringList sharedStrings(const Package &pkg)
{
    QStringList out;
    QXmlStreamReader xml(pkg.read(QStringLiteral("xl/sharedStrings.xml"), false));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("si"))
            out << stringItem(xml);
    }
    if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        throw pkg.broken(QStringLiteral("共享文字表损坏"));
    return out;
}

// A number format shows a date when its code has a day, month or year part outside quoted
// text, brackets and escapes (the elapsed-time codes [h] are durations, not dates).
bool isDateCode(const QString &code)
{
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (quoted) {
            if (c == u'"')
                quoted = false;
            continue;
        }
        if (c == u'"') {
            quoted = true;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const qsizetype close = code.indexOf(u']', i);
            if (close < 0)
                return false;
            i = close;
        } else {
            const QChar l = c.toLower();
            if (l == u'y' || l == u'd' || l == u'm' || c == u'年' || c == u'月' || c == u'日')
                return true;
        }
    }
    return false;
}

bool isBuiltinDate(int id)
{
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
}

// For each cell style (index of cellXfs): whether it shows a date.
QList<bool> dateStyles(const Package &pkg)
{
    QHash<int, bool> custom;
    QList<bool> out;
    QXmlStreamReader xml(pkg.read(QStringLiteral("xl/styles.xml"), false));
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto attrs = xml.attributes();
            if (xml.name() == QLatin1String("numFmt"))
                custom.insert(attrs.value(QLatin1String("numFmtId")).toInt(),
                              isDateCode(attrs.value(QLatin1String("formatCode")).toString()));
            else if (xml.name() == QLatin1String("cellXfs"))
                inCellXfs = true;
            else if (inCellXfs && xml.name() == QLatin1String("xf")) {
                const int id = attrs.value(QLatin1String("numFmtId")).toInt();
                out << (custom.contains(id) ? custom.value(id) : isBuiltinDate(id));
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    return out;
}

// "BC12" -> column 54 (0-based), or -1.
int columnOf(QStringView ref)
{
    int col = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref.at(i).isLetter(); ++i) {
        col = col * 26 + (ref.at(i).toUpper().unicode() - 'A' + 1);
        if (col > 16384)
            return -1;
    }
    return i == 0 ? -1 : col - 1;
}

QDate serialDate(double serial, bool date1904)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958465) // up to 9999-12-31
        return {};
    const qint64 days = qint64(std::floor(serial));
    if (date1904)
        return QDate(1904, 1, 1).addDays(days);
    // Serial 60 is the 29 February 1900 that never was; serials before it are one day off.
    return days < 60 ? QDate(1899, 12, 31).addDays(days) : QDate(1899, 12, 30).addDays(days);
}

} // namespace

QStringList xlsxSheetNames(const QString &path)
{
    const Package pkg(path);
    QStringList names;
    for (const SheetRef &s : sheetsOf(pkg, nullptr))
        names << s.name;
    return names;
}

SheetRows readXlsx(const QString &path, const QString &sheet)
{
    const Package pkg(path);
    bool date1904 = false;
    const QList<SheetRef> sheets = sheetsOf(pkg, &date1904);
    if (sheets.isEmpty())
        throw pkg.broken(QStringLiteral("没有工作表"));
    SheetRef chosen = sheets.first();
    if (!sheet.isEmpty()) {
        bool found = false;
        for (const SheetRef &s : sheets)
            if (s.name == sheet) {
                chosen = s;
                found = true;
            }
        if (!found) {
            QStringList names;
            for (const SheetRef &s : sheets)
                names << s.name;
            throw SheetError(QStringLiteral("文件“%1”中没有名为“%2”的工作表（有：%3）")
                                 .arg(pkg.name(), sheet, names.join(QStringLiteral("、"))));
        }
    }
    if (chosen.part.isEmpty() || !pkg.has(chosen.part))
        throw pkg.broken(QStringLiteral("工作表“%1”的内容缺失").arg(chosen.name));

    const QStringList strings = sharedStrings(pkg);
    const QList<bool> dates = dateStyles(pkg);
    SheetRows out;
    out.sheetName = chosen.name;
    QXmlStreamReader xml(pkg.read(chosen.part));
    qint64 cells = 0;
    int rowIndex = -1; // 0-based index of the current row
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("row")) {
            const int r = xml.attributes().value(QLatin1String("r")).toInt();
            rowIndex = r > 0 ? r - 1 : rowIndex + 1;
            if (rowIndex > 1048575)
                throw pkg.broken(QStringLiteral("行号超出范围"));
            continue;
        }
        if (xml.name() != QLatin1String("c"))
            continue;
        if (rowIndex < 0)
            rowIndex = 0;
        const auto attrs = xml.attributes();
        const QString ref = attrs.value(QLatin1String("r")).toString();
        const QString type = attrs.value(QLatin1String("t")).toString();
        const int style = attrs.value(QLatin1String("s")).toInt();
        // Cells without a reference follow the one before them.
        int col = ref.isEmpty() ? -2 : columnOf(ref);
        if (col == -1)
            throw pkg.broken(QStringLiteral("单元格引用“%1”无效").arg(ref));
        QString raw;
        QString inlineText;
        bool hasInline = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == QLatin1String("v"))
                    raw = xml.readElementText();
                else if (xml.name() == QLatin1String("is")) {
                    inlineText = stringItem(xml);
                    hasInline = true;
                }
            } else if (xml.isEndElement() && xml.name() == QLatin1String("c")) {
                break;
            }
        }
        QVariant value;
        if (type == QLatin1String("s")) {
            bool ok = false;
            const int i = raw.toInt(&ok);
            if (!ok || i < 0 || i >= strings.size())
                throw pkg.broken(QStringLiteral("单元格 %1 引用了不存在的文字").arg(ref));
            value = strings.at(i);
        } else if (type == QLatin1String("inlineStr")) {
            value = hasInline ? inlineText : raw;
        } else if (type == QLatin1String("str") || type == QLatin1String("e")) {
            value = raw; // a formula's text result, or an error such as #DIV/0!
        } else if (type == QLatin1String("b")) {
            value = raw == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        } else if (type == QLatin1String("d")) {
            value = QDate::fromString(raw.left(10), QStringLiteral("yyyy-MM-dd"));
        } else if (!raw.isEmpty()) {
            bool ok = false;
            const double d = raw.toDouble(&ok);
            if (!ok)
                value = raw;
            else if (style >= 0 && style < dates.size() && dates.at(style)) {
                const QDate date = serialDate(d, date1904);
                value = date.isValid() ? QVariant(date) : QVariant(d);
            } else
                value = d;
        }
        QVariantList &row = [&]() -> QVariantList & {
            while (out.rows.size() <= rowIndex)
                out.rows.append(QVariantList());
            return out.rows[rowIndex];
        }();
        if (col == -2)
            col = int(row.size());
        if (value.isNull())
            continue;
        if (++cells > SheetReader::kMaxCells)
            throw SheetError(QStringLiteral("工作表超过 %1 个单元格，请分成几个文件导入").arg(SheetReader::kMaxCells));
        while (row.size() <= col)
            row.append(QVariant());
        row[col] = value;
    }
    if (xml.hasError())
        throw pkg.broken(QStringLiteral("工作表内容损坏"));
    return out;
}

} // namespace jjgz
