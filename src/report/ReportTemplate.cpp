#include "report/ReportTemplate.h"

#include "report/GzBarTemplate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QSet>
#include <QXmlStreamReader>

#include <cmath>

namespace jjgz::report {
namespace {

// Thrown inside the reader with a Chinese reason; positioned at the current element.
struct Fault {
    QString reason;
};

// A template is read whole into memory, and the reader's copies of a text cost many times its
// size: a file or a single value beyond these is refused before it can exhaust the memory.
constexpr qint64 kMaxTemplateBytes = 1024 * 1024;
constexpr qsizetype kMaxValueLength = 4096; // characters of one attribute value or one text

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

QString tooBig(const QString &origin, qint64 bytes)
{
    return QStringLiteral("报表模板 “%1” 太大（%2，最多 1 MB），没有读取。请检查是否选错了文件，或改小模板。")
        .arg(origin, megabytes(bytes));
}

class Reader {
public:
    explicit Reader(const QByteArray &xml) : m_xml(xml) {}

    ReportTemplate read()
    {
        ReportTemplate t;
        if (!nextElement())
            fail(QStringLiteral("文件中没有 <report> 元素"));
        if (m_xml.name() != QLatin1String("report"))
            fail(QStringLiteral("最外层的元素应是 <report>，而不是 <%1>").arg(m_xml.name()));
        check({"name", "font", "size"});
        t.name = text("name");
        m_defaults.families = families(text("font", QStringLiteral("宋体")));
        m_defaults.pointSize = number("size", 9, 1);
        while (nextElement()) {
            const auto n = m_xml.name();
            if (n == QLatin1String("page"))
                readPage(t);
            else if (n == QLatin1String("band"))
                t.bands << readBand();
            else
                unexpected();
        }
        return t;
    }

    QXmlStreamReader m_xml;
    qint64 m_elementEnd = 0; // just past the start tag of the element being read

private:
    TextStyle m_defaults;

    [[noreturn]] void fail(const QString &reason) { throw Fault{reason}; }
    [[noreturn]] void unexpected() { fail(QStringLiteral("这里不能有元素 <%1>").arg(m_xml.name())); }

    // Moves to the next child start element of the current element; false at its end.
    bool nextElement()
    {
        if (!m_xml.readNextStartElement()) {
            if (m_xml.hasError())
                throw Fault{};
            return false;
        }
        m_elementEnd = m_xml.characterOffset();
        return true;
    }

    void check(std::initializer_list<const char *> allowed)
    {
        for (const QXmlStreamAttribute &a : m_xml.attributes()) {
            bool ok = false;
            for (const char *name : allowed)
                ok = ok || a.name() == QLatin1String(name);
            if (!ok)
                fail(QStringLiteral("元素 <%1> 没有属性 “%2”").arg(m_xml.name(), a.name()));
            if (a.value().size() > kMaxValueLength)
                fail(QStringLiteral("属性 %1 的值太长（%2 个字符，最多 %3 个）")
                         .arg(a.name())
                         .arg(a.value().size())
                         .arg(kMaxValueLength));
        }
    }
    bool has(const char *name) const { return m_xml.attributes().hasAttribute(QLatin1String(name)); }
    QString text(const char *name, const QString &otherwise = {}) const
    {
        return has(name) ? m_xml.attributes().value(QLatin1String(name)).toString() : otherwise;
    }
    double number(const char *name, double otherwise, double minimum = 0)
    {
        if (!has(name))
            return otherwise;
        bool ok = false;
        const QString t = text(name).trimmed();
        const double v = t.toDouble(&ok);
        if (!ok || !std::isfinite(v))
            fail(QStringLiteral("属性 %1 的值 “%2” 不是数字").arg(QLatin1String(name), t));
        if (v > 10000)
            fail(QStringLiteral("属性 %1 的值 %2 太大（最多 10000 毫米）").arg(QLatin1String(name), t));
        if (v < minimum)
            fail(QStringLiteral("属性 %1 的值 %2 太小（至少 %3）").arg(QLatin1String(name), t).arg(minimum));
        return v;
    }
    double required(const char *name, double minimum = 0)
    {
        if (!has(name))
            fail(QStringLiteral("元素 <%1> 缺少属性 %2").arg(m_xml.name(), QLatin1String(name)));
        return number(name, 0, minimum);
    }
    bool boolean(const char *name, bool otherwise)
    {
        if (!has(name))
            return otherwise;
        const QString t = text(name).trimmed().toLower();
        if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("1"))
            return true;
        if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("0"))
            return false;
        fail(QStringLiteral("属性 %1 的值应是 true 或 false，而不是 “%2”").arg(QLatin1String(name), text(name)));
    }
    template <typename T>
    T choice(const char *name, T otherwise, std::initializer_list<std::pair<const char *, T>> options)
    {
        if (!has(name))
            return otherwise;
        const QString t = text(name).trimmed();
        QStringList names;
        for (const auto &[key, value] : options) {
            if (t.compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
                return value;
            names << QLatin1String(key);
        }
        fail(QStringLiteral("属性 %1 的值 “%2” 不认识（可用：%3）")
                 .arg(QLatin1String(name), t, names.join(QStringLiteral("、"))));
    }
    Qt::PenStyle penStyle(const char *name, Qt::PenStyle otherwise)
    {
        return choice<Qt::PenStyle>(
            name, otherwise,
            {{"none", Qt::NoPen}, {"solid", Qt::SolidLine}, {"dash", Qt::DashLine}, {"dot", Qt::DotLine}});
    }
    QColor color(const char *name, const QColor &otherwise)
    {
        if (!has(name))
            return otherwise;
        const QColor c = QColor::fromString(text(name).trimmed());
        if (!c.isValid())
            fail(QStringLiteral("属性 %1 的值 “%2” 不是颜色（例如 #eeeeee）").arg(QLatin1String(name), text(name)));
        return c;
    }
    static QStringList families(const QString &list)
    {
        QStringList out;
        for (const QString &f : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
            out << f.trimmed();
        return out;
    }

    void readPage(ReportTemplate &t)
    {
        check({"size", "width", "height", "orientation", "margins"});
        if (has("size")) {
            static const QList<std::pair<const char *, QPageSize::PageSizeId>> sizes{
                {"A3", QPageSize::A3}, {"A4", QPageSize::A4},         {"A5", QPageSize::A5},
                {"B5", QPageSize::B5}, {"Letter", QPageSize::Letter}, {"Legal", QPageSize::Legal}};
            const QString s = text("size").trimmed();
            bool found = false;
            for (const auto &[key, id] : sizes) {
                if (s.compare(QLatin1String(key), Qt::CaseInsensitive) == 0) {
                    t.paperMm = QPageSize::size(id, QPageSize::Millimeter);
                    found = true;
                }
            }
            if (!found)
                fail(QStringLiteral("纸张 “%1” 不认识（可用 A3、A4、A5、B5、Letter、Legal，或写 width 和 height）")
                         .arg(s));
        }
        const double w = number("width", t.paperMm.width(), 20), h = number("height", t.paperMm.height(), 20);
        t.paperMm = QSizeF(std::min(w, h), std::max(w, h));
        // A paper given wider than high is a landscape page unless told otherwise.
        t.orientation = choice<QPageLayout::Orientation>(
            "orientation", w > h ? QPageLayout::Landscape : QPageLayout::Portrait,
            {{"portrait", QPageLayout::Portrait}, {"landscape", QPageLayout::Landscape}});
        if (has("margins")) {
            QList<double> m;
            for (const QString &part : text("margins").split(QLatin1Char(','))) {
                bool ok = false;
                m << part.trimmed().toDouble(&ok);
                if (!ok || !std::isfinite(m.last()) || m.last() < 0)
                    fail(QStringLiteral("页边距 “%1” 应是一个或四个不小于 0 的数字（左,上,右,下）")
                             .arg(text("margins")));
            }
            if (m.size() == 1)
                t.marginsMm = QMarginsF(m[0], m[0], m[0], m[0]);
            else if (m.size() == 4)
                t.marginsMm = QMarginsF(m[0], m[1], m[2], m[3]);
            else
                fail(QStringLiteral("页边距 “%1” 应是一个或四个数字（左,上,右,下）").arg(text("margins")));
        }
        const QSizeF page = t.pageSizeMm();
        if (t.marginsMm.left() + t.marginsMm.right() >= page.width() - 10
            || t.marginsMm.top() + t.marginsMm.bottom() >= page.height() - 10)
            fail(QStringLiteral("页边距太大，纸上没有留下可印的地方"));
        if (nextElement())
            unexpected();
    }

    Band readBand()
    {
        check({"type", "height", "source", "stretch", "keepTogether", "firstPage", "spaceAfter", "cutLine"});
        Band b;
        b.line = int(m_xml.lineNumber());
        if (!has("type"))
            fail(QStringLiteral("元素 <band> 缺少属性 type"));
        b.kind = choice<Band::Kind>("type", Band::Data,
                                    {{"title", Band::Title},
                                     {"pageHeader", Band::PageHeader},
                                     {"data", Band::Data},
                                     {"pageFooter", Band::PageFooter}});
        if (has("source") && b.kind != Band::Data)
            fail(QStringLiteral("只有 data 栏有数据源（source）"));
        b.source = text("source", QStringLiteral("rows")).trimmed();
        b.height = required("height");
        b.stretch = boolean("stretch", false);
        b.keepTogether = boolean("keepTogether", false);
        b.firstPage = boolean("firstPage", true);
        b.spaceAfter = number("spaceAfter", 0);
        b.cutLine = penStyle("cutLine", Qt::NoPen);
        while (nextElement()) {
            if (m_xml.name() == QLatin1String("columns")) {
                if (b.columns)
                    fail(QStringLiteral("一个栏里只能有一个 <columns>"));
                b.columns = readColumns(b);
            } else {
                b.objects << readObject(false);
            }
        }
        return b;
    }

    ColumnBand readColumns(const Band &band)
    {
        check({"source", "x", "y", "height", "gap", "width", "pixel"});
        ColumnBand c;
        c.line = int(m_xml.lineNumber());
        c.source = text("source", c.source).trimmed();
        c.x = number("x", 0);
        c.y = number("y", 0);
        c.height = required("height", 1);
        c.gap = number("gap", c.gap);
        c.defaultWidth = number("width", c.defaultWidth, 1);
        c.pixelMm = number("pixel", c.pixelMm, 0.01);
        if (c.y + c.height > band.height + 1e-9)
            fail(QStringLiteral("<columns> 超出了所在栏的高度 %1").arg(band.height));
        while (nextElement())
            c.objects << readObject(true);
        return c;
    }

    ReportObject readObject(bool inColumns)
    {
        ReportObject o;
        o.line = int(m_xml.lineNumber());
        const bool isText = m_xml.name() == QLatin1String("text");
        if (!isText && m_xml.name() != QLatin1String("line"))
            unexpected();
        o.kind = isText ? ReportObject::Text : ReportObject::Line;
        if (isText)
            check({"x", "y", "width", "height", "font", "size", "bold", "italic", "align", "valign", "wrap", "format",
                   "frame", "frameWidth", "frameStyle", "color", "background"});
        else
            check({"x", "y", "width", "height", "lineWidth", "style"});
        o.x = number("x", 0);
        o.y = number("y", 0);
        o.fillsSlice = inColumns && !has("width");
        if (!o.fillsSlice)
            o.width = isText ? required("width", 0.1) : number("width", 0);
        o.height = isText ? required("height", 0.1) : number("height", 0);
        if (!isText) {
            o.frame.width = number("lineWidth", 0.2, 0);
            o.frame.style = penStyle("style", Qt::SolidLine);
            if (nextElement())
                unexpected();
            return o;
        }
        TextStyle &s = o.style;
        s = m_defaults;
        if (has("font"))
            s.families = families(text("font"));
        s.pointSize = number("size", s.pointSize, 1);
        s.bold = boolean("bold", false);
        s.italic = boolean("italic", false);
        s.autoAlign = has("align") && text("align").trimmed().toLower() == QLatin1String("auto");
        const Qt::Alignment h = s.autoAlign ? Qt::AlignLeft
                                            : choice<Qt::Alignment>("align", Qt::AlignLeft,
                                                                    {{"left", Qt::AlignLeft},
                                                                     {"center", Qt::AlignHCenter},
                                                                     {"right", Qt::AlignRight},
                                                                     {"auto", Qt::AlignLeft}});
        const Qt::Alignment v =
            choice<Qt::Alignment>("valign", Qt::AlignVCenter,
                                  {{"top", Qt::AlignTop}, {"middle", Qt::AlignVCenter}, {"bottom", Qt::AlignBottom}});
        s.align = h | v;
        s.wrap = boolean("wrap", false);
        s.format = text("format");
        s.color = color("color", Qt::black);
        s.background = color("background", QColor());
        const QString frame = text("frame", QStringLiteral("none")).trimmed().toLower();
        if (frame == QLatin1String("all")) {
            o.frame.left = o.frame.top = o.frame.right = o.frame.bottom = true;
        } else if (frame != QLatin1String("none")) {
            for (const QChar c : frame) {
                if (c == QLatin1Char('l'))
                    o.frame.left = true;
                else if (c == QLatin1Char('t'))
                    o.frame.top = true;
                else if (c == QLatin1Char('r'))
                    o.frame.right = true;
                else if (c == QLatin1Char('b'))
                    o.frame.bottom = true;
                else
                    fail(QStringLiteral("边框 “%1” 应是 all、none 或 l、t、r、b 的组合").arg(frame));
            }
        }
        o.frame.width = number("frameWidth", o.frame.width);
        o.frame.style = penStyle("frameStyle", Qt::SolidLine);
        const QString content = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError())
            throw Fault{};
        if (content.size() > kMaxValueLength)
            fail(QStringLiteral("文字太长（%1 个字符，最多 %2 个）").arg(content.size()).arg(kMaxValueLength));
        o.segments = segments(content);
        return o;
    }

    QList<Segment> segments(const QString &content)
    {
        QList<Segment> out;
        QString literal;
        for (qsizetype i = 0; i < content.size(); ++i) {
            const QChar c = content[i];
            if (c != QLatin1Char('[')) {
                literal += c;
                continue;
            }
            if (i + 1 < content.size() && content[i + 1] == QLatin1Char('[')) {
                literal += c;
                ++i;
                continue;
            }
            const qsizetype close = content.indexOf(QLatin1Char(']'), i + 1);
            const QString name = close < 0 ? QString() : content.mid(i + 1, close - i - 1).trimmed();
            if (close < 0 || name.isEmpty() || name.contains(QLatin1Char('[')))
                fail(QStringLiteral("文字 “%1” 中的 “[” 没有配上名称和 “]”（要印出 “[” 请写 “[[”）").arg(content));
            if (!literal.isEmpty())
                out << Segment{false, literal};
            literal.clear();
            out << Segment{true, name};
            i = close;
        }
        if (!literal.isEmpty())
            out << Segment{false, literal};
        return out;
    }
};

QString readerReason(const QXmlStreamReader &xml)
{
    switch (xml.error()) {
    case QXmlStreamReader::PrematureEndOfDocumentError: return QStringLiteral("文件不完整，缺少结束标记");
    case QXmlStreamReader::UnexpectedElementError: return QStringLiteral("这里不能有子元素");
    case QXmlStreamReader::NotWellFormedError:
    default: return QStringLiteral("XML 格式不正确（标记不完整、不配对或含有不允许的字符）");
    }
}

} // namespace

QSizeF ReportTemplate::pageSizeMm() const
{
    return orientation == QPageLayout::Landscape ? paperMm.transposed() : paperMm;
}

std::optional<ReportTemplate> ReportTemplate::parse(const QByteArray &xml, const QString &origin, QString *error)
{
    if (xml.size() > kMaxTemplateBytes) {
        if (error)
            *error = tooBig(origin, xml.size());
        return std::nullopt;
    }
    Reader reader(xml);
    try {
        ReportTemplate t = reader.read();
        t.origin = origin;
        if (error)
            error->clear();
        return t;
    } catch (const Fault &fault) {
        if (error) {
            // XML faults are placed where the reader stopped; faults of the content at the
            // start of the element they concern.
            qint64 line = reader.m_xml.lineNumber(), column = reader.m_xml.columnNumber();
            if (!fault.reason.isEmpty()) {
                const QString text = QString::fromUtf8(xml);
                const qsizetype start = std::max<qsizetype>(
                    0, text.lastIndexOf(QLatin1Char('<'), std::max<qint64>(0, reader.m_elementEnd - 1)));
                line = text.left(start).count(QLatin1Char('\n')) + 1;
                column = start - (start > 0 ? text.lastIndexOf(QLatin1Char('\n'), start - 1) : -1);
            }
            *error = QStringLiteral("报表模板 “%1” 第 %2 行第 %3 列：%4。")
                         .arg(origin)
                         .arg(line)
                         .arg(std::max<qint64>(1, column))
                         .arg(fault.reason.isEmpty() ? readerReason(reader.m_xml) : fault.reason);
        }
        return std::nullopt;
    }
}

std::optional<ReportTemplate> ReportTemplate::loadFile(const QString &path, QString *error)
{
    QFile file(path);
    const QString name = QDir::toNativeSeparators(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("无法读取报表模板 “%1”（%2），请检查文件是否存在、能否打开。")
                         .arg(name, file.exists() ? QStringLiteral("没有读取权限或文件被占用")
                                                  : QStringLiteral("文件不存在"));
        return std::nullopt;
    }
    if (file.size() > kMaxTemplateBytes) {
        if (error)
            *error = tooBig(name, file.size());
        return std::nullopt;
    }
    return parse(file.read(kMaxTemplateBytes + 1), name, error);
}

ReportTemplate ReportTemplate::loadOr(const QString &path, const ReportTemplate &fallback, QString *message)
{
    if (message)
        message->clear();
    if (!QFileInfo::exists(path))
        return fallback;
    QString error;
    if (auto t = loadFile(path, &error))
        return *t;
    if (message)
        *message = error + QStringLiteral("现改用程序内置的格式打印；请修正或删除这个模板文件。");
    return fallback;
}

QByteArray ReportTemplate::builtInPaySlipText()
{
    return QByteArray(kGzBarTemplate);
}

ReportTemplate ReportTemplate::builtInPaySlip()
{
    QString error;
    auto t = parse(builtInPaySlipText(), QStringLiteral("程序内置的工资条格式"), &error);
    Q_ASSERT_X(t, "builtInPaySlip", qPrintable(error));
    return t ? *t : ReportTemplate{};
}

QString paySlipTemplatePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("rep/gzbar.frf"));
}

} // namespace jjgz::report
