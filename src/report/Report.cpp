#include "report/Report.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <cmath>

namespace jjgz::report {
namespace {

constexpr double kPadX = 0.8; // inner margins of a text object, mm
constexpr double kPadY = 0.3;
constexpr double kEps = 1e-6;
constexpr double kMeasurePxPerMm = 10; // resolution at which layout measures text
const QChar kPageMark(0x1);            // stand-ins for [page] and [pages] until the pages are known
const QChar kPagesMark(0x2);

struct Fault {
    QString message;
};

// The font the program installs. Qt's PDF writer maps a glyph back to the lowest character that
// uses it; in some CJK fonts a character and its radical share one glyph (工 and ⼯), and text
// copied from a PDF would then be wrong. This font has no such shared glyphs, so every text is
// printed in it whenever it is installed, whatever the template or the desktop prefers.
const QString kPrintFamily = QStringLiteral("WenQuanYi Micro Hei");

QStringList printFamilies(const TextStyle &s)
{
    static const bool installed = QFontDatabase::hasFamily(kPrintFamily);
    if (installed)
        return {kPrintFamily};
    QStringList families = s.families;
    families << QStringLiteral("SimSun") << QStringLiteral("AR PL UMing CN") << QStringLiteral("Droid Sans Fallback")
             << QStringLiteral("Noto Serif CJK SC") << QStringLiteral("Noto Sans CJK SC");
    return families;
}

QFont fontFor(const TextStyle &s, double pxPerMm)
{
    QFont f;
    f.setFamilies(printFamilies(s));
    f.setPixelSize(std::max(1, qRound(s.pointSize * 25.4 / 72.0 * pxPerMm)));
    f.setBold(s.bold);
    f.setItalic(s.italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong: return true;
    default: return false;
    }
}

// A block of one band instance: items with y relative to the block, x on the page, and the
// offsets at which it may be split across pages.
struct Block {
    double height = 0;
    QList<ReportItem> items;
    QList<double> breaks;
};

class Layout {
public:
    Layout(const ReportTemplate &t, const QMap<QString, int> &counts, const ValueFunction &values,
           const WidthFunction &widths)
        : m_t(t), m_counts(counts), m_values(values), m_widths(widths)
    {
        const QSizeF page = t.pageSizeMm();
        m_left = t.marginsMm.left();
        m_right = page.width() - t.marginsMm.right();
        m_top = t.marginsMm.top();
        m_bottom = page.height() - t.marginsMm.bottom();
        m_doc.title = t.name;
        m_doc.pageSizeMm = page;
        m_doc.orientation = t.orientation;
    }

    ReportDocument run()
    {
        double footers = 0;
        double laterHeaders = 0;
        for (const Band &b : m_t.bands) {
            if (b.kind == Band::PageFooter)
                footers += build(b, -1).height;
            else if (b.kind == Band::PageHeader)
                laterHeaders += build(b, -1).height;
        }
        m_limit = m_bottom - footers;
        m_freshRoom = m_limit - m_top - laterHeaders;
        newPage();
        for (const Band &b : m_t.bands) {
            if (b.kind == Band::Title) {
                place(build(b, -1), b.keepTogether);
                space(b, false);
            } else if (b.kind == Band::Data) {
                const int rows = count(b.source, b.line);
                for (int r = 0; r < rows; ++r) {
                    place(build(b, r), b.keepTogether);
                    space(b, r + 1 < rows);
                }
            }
        }
        const int pages = m_doc.pageCount();
        for (int p = 0; p < pages; ++p) {
            m_page = p;
            m_y = m_limit;
            for (const Band &b : m_t.bands) {
                if (b.kind == Band::PageFooter) {
                    const Block blk = build(b, -1);
                    put(blk, 0, blk.height);
                    m_y += blk.height;
                }
            }
            for (ReportItem &item : m_doc.pages[p]) {
                item.text.replace(kPageMark, QString::number(p + 1));
                item.text.replace(kPagesMark, QString::number(pages));
            }
        }
        return std::move(m_doc);
    }

private:
    const ReportTemplate &m_t;
    const QMap<QString, int> &m_counts;
    const ValueFunction &m_values;
    const WidthFunction &m_widths;
    ReportDocument m_doc;
    double m_left, m_right, m_top, m_bottom;
    double m_limit = 0;     // where the page footers begin
    double m_freshRoom = 0; // room for bands on a page after the first
    double m_y = 0;
    double m_bodyTop = 0; // below the page headers of the current page
    int m_page = -1;

    [[noreturn]] void fail(int line, const QString &what) const
    {
        throw Fault{QStringLiteral("报表模板 “%1” 第 %2 行：%3").arg(m_t.origin).arg(line).arg(what)};
    }

    int count(const QString &source, int line) const
    {
        const auto it = m_counts.find(source);
        if (it == m_counts.end())
            fail(line, QStringLiteral("程序没有提供数据源 “%1”，请检查模板。").arg(source));
        return it.value();
    }

    void newPage()
    {
        m_doc.pages.append(QList<ReportItem>());
        m_page = m_doc.pageCount() - 1;
        m_y = m_top;
        for (const Band &b : m_t.bands) {
            if (b.kind == Band::PageHeader && (m_page > 0 || b.firstPage)) {
                const Block blk = build(b, -1);
                put(blk, 0, blk.height);
                m_y += blk.height;
            }
        }
        m_bodyTop = m_y;
    }

    double room() const { return m_limit - m_y; }
    bool atPageTop() const { return m_y <= m_bodyTop + kEps; }

    // Puts the items of `blk` from offset `from` up to `to` at the current position.
    void put(const Block &blk, double from, double to)
    {
        const bool toEnd = to >= blk.height - kEps;
        for (ReportItem item : blk.items) {
            const double top = item.rect.top();
            if (top >= from - kEps && (top < to - kEps || toEnd)) {
                item.rect.translate(0, m_y - from);
                m_doc.pages[m_page].append(item);
            }
        }
    }

    void place(const Block &blk, bool keepTogether)
    {
        if (keepTogether && blk.height > room() + kEps && blk.height <= m_freshRoom + kEps && !atPageTop())
            newPage();
        double offset = 0;
        for (;;) {
            if (blk.height - offset <= room() + kEps) {
                put(blk, offset, blk.height);
                m_y += blk.height - offset;
                return;
            }
            double cut = -1;
            for (double b : blk.breaks)
                if (b > offset + kEps && b - offset <= room() + kEps)
                    cut = b;
            if (cut < 0) {
                if (!atPageTop()) {
                    newPage();
                    continue;
                }
                // Not even one piece fits an empty page: it runs over rather than being lost.
                cut = blk.height;
                for (double b : blk.breaks) {
                    if (b > offset + kEps) {
                        cut = b;
                        break;
                    }
                }
                if (cut >= blk.height - kEps) {
                    put(blk, offset, blk.height);
                    m_y += blk.height - offset;
                    return;
                }
            }
            put(blk, offset, cut);
            newPage();
            offset = cut;
        }
    }

    void space(const Band &b, bool more)
    {
        if (b.spaceAfter <= 0)
            return;
        if (!more) {
            m_y = std::min(m_y + b.spaceAfter, m_limit);
            return;
        }
        if (b.spaceAfter > room() + kEps) {
            newPage();
            return;
        }
        if (b.cutLine != Qt::NoPen) {
            ReportItem cut;
            cut.kind = ReportItem::Line;
            const double y = m_y + b.spaceAfter / 2;
            cut.rect = QRectF(QPointF(m_left, y), QPointF(m_right, y));
            cut.frame.style = b.cutLine;
            cut.frame.width = 0.2;
            m_doc.pages[m_page].append(cut);
        }
        m_y += b.spaceAfter;
    }

    QString resolve(const ReportObject &o, int row, int column, bool *numeric) const
    {
        QString out;
        bool anyNumber = false, anyOther = false;
        for (const Segment &s : o.segments) {
            if (!s.isName) {
                out += s.text;
                continue;
            }
            if (s.text == QLatin1String("page")) {
                out += kPageMark;
            } else if (s.text == QLatin1String("pages")) {
                out += kPagesMark;
            } else if (s.text == QLatin1String("row")) {
                out += row >= 0 ? QString::number(row + 1) : QString();
            } else if (s.text == QLatin1String("column")) {
                out += column >= 0 ? QString::number(column + 1) : QString();
            } else {
                std::optional<QVariant> v;
                if (m_values)
                    v = m_values(ValueQuery{s.text, row, column});
                if (!v)
                    fail(o.line, QStringLiteral("程序不认识名称 [%1]，请检查模板。").arg(s.text));
                (isNumber(*v) ? anyNumber : anyOther) = true;
                out += formatValue(*v, o.style.format);
            }
        }
        *numeric = anyNumber && !anyOther;
        return out;
    }

    ReportItem item(const ReportObject &o, const QRectF &rect, int row, int column) const
    {
        ReportItem it;
        it.rect = rect;
        it.frame = o.frame;
        if (o.kind == ReportObject::Line) {
            it.kind = ReportItem::Line;
            return it;
        }
        it.style = o.style;
        bool numeric = false;
        it.text = resolve(o, row, column, &numeric);
        if (o.style.autoAlign)
            it.style.align = (it.style.align & Qt::AlignVertical_Mask) | (numeric ? Qt::AlignRight : Qt::AlignLeft);
        return it;
    }

    static double textHeight(const ReportItem &it)
    {
        const QFont f = fontFor(it.style, kMeasurePxPerMm);
        const double w = std::max(1.0, (it.rect.width() - 2 * kPadX) * kMeasurePxPerMm);
        const QRectF r =
            QFontMetricsF(f).boundingRect(QRectF(0, 0, w, 1e6), Qt::TextWordWrap | it.style.align, it.text);
        return r.height() / kMeasurePxPerMm + 2 * kPadY;
    }

    Block build(const Band &b, int row) const
    {
        Block blk;
        double extra = 0;
        double columnsBottom = 0;
        if (b.columns) {
            const ColumnBand &c = *b.columns;
            const int n = count(c.source, c.line);
            const double avail = std::max(1.0, m_right - m_left - c.x);
            const double pitch = c.height + c.gap;
            int line = 0;
            double x = 0;
            for (int col = 0; col < n; ++col) {
                const double px = m_widths ? m_widths(col) : 0;
                const double w = std::min(px > 0 ? px * c.pixelMm : c.defaultWidth, avail);
                if (x > kEps && x + w > avail + kEps) {
                    ++line;
                    x = 0;
                }
                for (const ReportObject &o : c.objects) {
                    const QRectF r(m_left + c.x + x + o.x, c.y + line * pitch + o.y, o.fillsSlice ? w - o.x : o.width,
                                   o.height);
                    blk.items << item(o, r, row, col);
                }
                x += w;
            }
            for (int k = 1; k <= line; ++k)
                blk.breaks << c.y + k * pitch;
            extra = line * pitch;
            columnsBottom = c.y + c.height;
        }
        const qsizetype first = blk.items.size();
        for (const ReportObject &o : b.objects) {
            const double y = o.y + (b.columns && o.y >= columnsBottom - kEps ? extra : 0);
            blk.items << item(o, QRectF(m_left + o.x, y, o.width, o.height), row, -1);
        }
        blk.height = b.height + extra;
        if (b.stretch) {
            double need = blk.height;
            QList<double> oldBottoms;
            for (qsizetype i = first; i < blk.items.size(); ++i) {
                ReportItem &it = blk.items[i];
                oldBottoms << it.rect.bottom();
                if (it.kind == ReportItem::Text && it.style.wrap) {
                    const double h = textHeight(it);
                    if (h > it.rect.height())
                        it.rect.setHeight(h);
                }
                need = std::max(need, it.rect.bottom());
            }
            if (need > blk.height + kEps) {
                for (qsizetype i = first; i < blk.items.size(); ++i)
                    if (oldBottoms[i - first] >= blk.height - kEps)
                        blk.items[i].rect.setBottom(need);
                blk.height = need;
            }
        }
        return blk;
    }
};

QString trimZeros(QString digits, int keep)
{
    // digits is "int.frac"; drops trailing zeros of frac beyond `keep`.
    const qsizetype dot = digits.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return digits;
    qsizetype end = digits.size();
    while (end > dot + 1 + keep && digits[end - 1] == QLatin1Char('0'))
        --end;
    if (end == dot + 1)
        --end;
    return digits.left(end);
}

} // namespace

QString formatNumber(double value, const QString &format)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (format.isEmpty()) {
        if (value == std::trunc(value) && std::abs(value) < 1e15)
            return QString::number(qint64(value));
        return QString::number(value, 'g', 15);
    }
    const QStringList sections = format.split(QLatin1Char(';'));
    QString section = sections[0];
    bool minus = value < 0;
    if (minus && sections.size() >= 2) {
        section = sections[1];
        minus = false;
    }
    auto patternOf = [](const QString &s, qsizetype *begin, qsizetype *end) {
        *begin = -1;
        *end = -1;
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (QStringLiteral("0#,.").contains(s[i])) {
                if (*begin < 0)
                    *begin = i;
                *end = i + 1;
            }
        }
    };
    qsizetype begin, end;
    patternOf(section, &begin, &end);
    const QString pattern = begin < 0 ? QString() : section.mid(begin, end - begin);
    const qsizetype dot = pattern.indexOf(QLatin1Char('.'));
    const QString intPart = dot < 0 ? pattern : pattern.left(dot);
    const QString fracPart = dot < 0 ? QString() : pattern.mid(dot + 1);
    const int minFrac = int(fracPart.count(QLatin1Char('0')));
    const int maxFrac = minFrac + int(fracPart.count(QLatin1Char('#')));
    const int minInt = int(intPart.count(QLatin1Char('0')));
    QString digits = trimZeros(QString::number(std::abs(value), 'f', maxFrac), minFrac);
    if (sections.size() >= 3 && digits.toDouble() == 0)
        return sections[2];
    if (digits.toDouble() == 0)
        minus = false;
    qsizetype point = digits.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? digits : digits.left(point);
    const QString frac = point < 0 ? QString() : digits.mid(point);
    if (whole == QLatin1String("0") && minInt == 0 && !frac.isEmpty())
        whole.clear();
    while (whole.size() < minInt)
        whole.prepend(QLatin1Char('0'));
    if (intPart.contains(QLatin1Char(','))) {
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, QLatin1Char(','));
    }
    QString number = whole + frac;
    if (number.isEmpty())
        number = QStringLiteral("0");
    const QString prefix = begin < 0 ? section : section.left(begin);
    const QString suffix = begin < 0 ? QString() : section.mid(end);
    return (minus ? QStringLiteral("-") : QString()) + prefix + number + suffix;
}

QString formatValue(const QVariant &value, const QString &format)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (isNumber(value))
        return formatNumber(value.toDouble(), format);
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(format.isEmpty() ? QStringLiteral("yyyy-MM-dd") : format);
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(format.isEmpty() ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : format);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("是") : QStringLiteral("否");
    return value.toString();
}

QStringList ReportDocument::texts(int page) const
{
    QStringList out;
    if (page < 0 || page >= pageCount())
        return out;
    for (const ReportItem &item : pages[page])
        if (item.kind == ReportItem::Text)
            out << item.text;
    return out;
}

void ReportDocument::paintPage(QPainter &p, int page, double s) const
{
    if (page < 0 || page >= pageCount())
        return;
    p.save();
    for (const ReportItem &item : pages[page]) {
        const QRectF r(item.rect.x() * s, item.rect.y() * s, item.rect.width() * s, item.rect.height() * s);
        if (item.kind == ReportItem::Line) {
            if (item.frame.style == Qt::NoPen)
                continue;
            p.setPen(QPen(Qt::black, std::max(1.0, item.frame.width * s), item.frame.style, Qt::FlatCap));
            p.drawLine(r.topLeft(), r.bottomRight());
            continue;
        }
        if (item.style.background.isValid())
            p.fillRect(r, item.style.background);
        if (!item.text.isEmpty()) {
            const QFont font = fontFor(item.style, s);
            p.setFont(font);
            p.setPen(item.style.color);
            const QRectF inner = r.adjusted(kPadX * s, kPadY * s, -kPadX * s, -kPadY * s);
            if (item.style.wrap) {
                p.drawText(inner, int(item.style.align) | Qt::TextWordWrap, item.text);
            } else {
                const QFontMetricsF fm(font, p.device());
                p.drawText(inner, int(item.style.align) | Qt::TextSingleLine,
                           fm.elidedText(item.text, Qt::ElideRight, inner.width()));
            }
        }
        if (item.frame.any()) {
            p.setPen(QPen(Qt::black, std::max(1.0, item.frame.width * s), item.frame.style, Qt::SquareCap));
            if (item.frame.top)
                p.drawLine(r.topLeft(), r.topRight());
            if (item.frame.bottom)
                p.drawLine(r.bottomLeft(), r.bottomRight());
            if (item.frame.left)
                p.drawLine(r.topLeft(), r.bottomLeft());
            if (item.frame.right)
                p.drawLine(r.topRight(), r.bottomRight());
        }
    }
    p.restore();
}

void ReportDocument::setUpPrinter(QPrinter &printer) const
{
    const QSizeF portrait(std::min(pageSizeMm.width(), pageSizeMm.height()),
                          std::max(pageSizeMm.width(), pageSizeMm.height()));
    const QPageSize size(portrait, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    printer.setDocName(title);
}

bool ReportDocument::print(QPrinter &printer) const
{
    QPainter p;
    if (!p.begin(&printer))
        return false;
    const double s = printer.resolution() / 25.4;
    for (int i = 0; i < pageCount(); ++i) {
        if (i > 0 && !printer.newPage())
            return false;
        paintPage(p, i, s);
    }
    return p.end();
}

bool ReportDocument::writePdf(const QString &path, QString *error) const
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    setUpPrinter(printer);
    if (print(printer))
        return true;
    if (error)
        *error =
            QStringLiteral("无法写入 PDF 文件 “%1”。请检查文件夹是否存在、有没有写入权限，文件是否正被其他程序打开。")
                .arg(QDir::toNativeSeparators(path));
    return false;
}

Report::Report(ReportTemplate t) : m_template(std::move(t))
{}

std::optional<ReportDocument> Report::prepare(QString *error) const
{
    try {
        ReportDocument doc = Layout(m_template, m_counts, m_values, m_widths).run();
        if (error)
            error->clear();
        return doc;
    } catch (const Fault &fault) {
        if (error)
            *error = fault.message;
        return std::nullopt;
    }
}

bool Report::saveAsPdf(const QString &path, QString *error) const
{
    const auto doc = prepare(error);
    return doc && doc->writePdf(path, error);
}

} // namespace jjgz::report
