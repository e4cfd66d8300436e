#include "widgets/GridPrinter.h"

#include "widgets/DbGrid.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>

namespace jjgz {
namespace {

QFont songFont()
{
    QFont f;
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                   QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                   QStringLiteral("WenQuanYi Micro Hei")});
    return f;
}

// Font sizes are given in device pixels: the painter is not scaled, so nothing is resolved
// at the printer's resolution and then scaled a second time.
QFont sized(QFont f, double devicePixels, bool bold = false)
{
    f.setPixelSize(std::max(1, qRound(devicePixels)));
    f.setBold(bold);
    return f;
}

} // namespace

GridPrinter::GridPrinter(const DbGrid &grid) : m_grid(grid)
{}

QString GridPrinter::resolvedTitleLine() const
{
    QString line = m_titleLine;
    line.replace(QStringLiteral("%[v1]"), m_v1);
    return line;
}

double GridPrinter::gridWidth() const
{
    double width = 0;
    for (int c : m_grid.visibleColumns())
        width += std::max(1, m_grid.column(c).width);
    return width;
}

QPageLayout::Orientation GridPrinter::orientation() const
{
    if (m_orientation)
        return *m_orientation;
    const QPageLayout portrait(QPageSize(QPageSize::A4), QPageLayout::Portrait, m_margins, QPageLayout::Millimeter);
    const double portraitWidth = portrait.paintRect(QPageLayout::Point).width() * 96.0 / 72.0;
    return gridWidth() > portraitWidth + 0.5 ? QPageLayout::Landscape : QPageLayout::Portrait;
}

QList<int> GridPrinter::keyColumns() const
{
    const QList<int> columns = m_grid.visibleColumns();
    if (m_keyColumns) {
        QList<int> keys;
        for (int c : *m_keyColumns)
            if (columns.contains(c))
                keys << c;
        return keys;
    }
    auto firstEndingIn = [&](const QString &end, const QString &exact) {
        for (int c : columns)
            if (m_grid.column(c).field.compare(exact, Qt::CaseInsensitive) == 0)
                return c;
        for (int c : columns)
            if (m_grid.column(c).field.endsWith(end, Qt::CaseInsensitive))
                return c;
        return -1;
    };
    QList<int> keys;
    for (int c : {firstEndingIn(QStringLiteral("code"), QStringLiteral("wkcode")),
                  firstEndingIn(QStringLiteral("name"), QStringLiteral("wkname"))})
        if (c >= 0)
            keys << c;
    if (keys.isEmpty() && !columns.isEmpty())
        keys << columns.first();
    std::sort(keys.begin(), keys.end(), [&](int a, int b) { return columns.indexOf(a) < columns.indexOf(b); });
    return keys;
}

GridPrinter::ColumnBands GridPrinter::columnBands(const QList<int> &widths, const QList<int> &keys, double pageWidth)
{
    ColumnBands out;
    double total = 0;
    for (int w : widths)
        total += std::max(1, w);
    if (widths.isEmpty() || total <= 0 || pageWidth <= 0) {
        out.bands << QList<int>();
        for (int i = 0; i < widths.size(); ++i)
            out.bands.last() << i;
        return out;
    }
    const double fit = pageWidth / total;
    if (fit >= kMinTextScale) {
        out.scale = fit;
        QList<int> all;
        for (int i = 0; i < widths.size(); ++i)
            all << i;
        out.bands << all;
        return out;
    }
    out.scale = kMinTextScale;
    const double room = pageWidth / kMinTextScale; // screen pixels per page
    QList<int> usedKeys;
    double keyWidth = 0;
    for (int k : keys)
        if (k >= 0 && k < widths.size() && keyWidth + std::max(1, widths[k]) <= room / 2) {
            usedKeys << k;
            keyWidth += std::max(1, widths[k]);
        }
    QList<int> band = usedKeys;
    double used = keyWidth;
    bool bandHasOwn = false;
    for (int i = 0; i < widths.size(); ++i) {
        if (usedKeys.contains(i))
            continue;
        const double w = std::max(1, widths[i]);
        if (bandHasOwn && used + w > room) {
            out.bands << band;
            band = usedKeys;
            used = keyWidth;
        }
        band << i;
        used += w;
        bandHasOwn = true;
    }
    if (bandHasOwn || out.bands.isEmpty())
        out.bands << band;
    // Each band: the keys first, then its own columns, all in the list's order.
    for (QList<int> &b : out.bands)
        std::sort(b.begin(), b.end(), [&](int a, int c) {
            const bool ka = usedKeys.contains(a), kc = usedKeys.contains(c);
            if (ka != kc)
                return ka;
            return a < c;
        });
    return out;
}

GridPrinter::ColumnBands GridPrinter::printedBands(double pageWidth) const
{
    const QList<int> visible = m_grid.visibleColumns();
    QList<int> widths, keys;
    for (int c : visible)
        widths << m_grid.column(c).width;
    for (int k : keyColumns())
        keys << int(visible.indexOf(k));
    ColumnBands bands = columnBands(widths, keys, pageWidth);
    for (QList<int> &band : bands.bands)
        for (int &i : band)
            i = visible.at(i);
    return bands;
}

void GridPrinter::setUpPrinter(QPrinter &printer) const
{
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(orientation());
    printer.setPageMargins(m_margins, QPageLayout::Millimeter);
}

int GridPrinter::render(QPrinter &printer) const
{
    QPainter p;
    if (!p.begin(&printer))
        return 0;
    const double dpi = printer.resolution();
    const double unit = dpi / 96.0; // one screen pixel in device pixels
    const QRectF page(QPointF(0, 0), QSizeF(printer.pageLayout().paintRectPixels(printer.resolution()).size()));

    const ColumnBands layout = printedBands(page.width() / unit);
    const bool banded = layout.bands.size() > 1;
    const double fit = layout.scale; // grid pixels → page
    const double textScale = banded ? fit : std::clamp(fit, kMinTextScale, 1.25);

    const QFont headerFont = sized(songFont(), 21 * unit, true);
    const QFont lineFont = sized(songFont(), 11.0 / 72.0 * dpi);
    const QFont cellFont = sized(m_grid.font(), 12 * unit * textScale);
    const QFont titleFont = sized(m_grid.font(), 12 * unit * textScale, true);
    const double rowHeight = QFontMetricsF(cellFont).height() + 6 * unit * textScale;
    const double headerHeight = QFontMetricsF(headerFont).height() + 10 * unit;
    const double lineHeight = QFontMetricsF(lineFont).height() + 6 * unit;
    const double pad = 3 * unit * textScale;

    QList<int> columns; // the band being printed
    QList<double> xs;   // left edge of each printed column, then the right edge of the last

    DataTable *table = m_grid.table();
    const int rows = table && table->isActive() ? table->rowCount() : 0;
    const int footers = m_grid.footerRowCount();
    const QPen gridPen(Qt::black, std::max(1.0, unit * 0.75));

    int pages = 1;
    double y = page.top();
    auto pageTop = [&](bool first) {
        y = page.top();
        if (!m_header.isEmpty()) {
            p.setFont(headerFont);
            p.setPen(Qt::black);
            p.drawText(QRectF(page.left(), y, page.width(), headerHeight), Qt::AlignCenter, m_header);
            y += headerHeight;
        }
        if (first && !m_titleLine.isEmpty()) {
            p.setFont(lineFont);
            p.drawText(QRectF(page.left(), y, page.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       resolvedTitleLine());
            y += lineHeight;
        }
        if (m_grid.showsTitles() && !columns.isEmpty()) {
            p.setFont(titleFont);
            for (int i = 0; i < columns.size(); ++i) {
                const QRectF cell(xs[i], y, xs[i + 1] - xs[i], rowHeight);
                p.setPen(gridPen);
                p.drawRect(cell);
                p.drawText(cell.adjusted(pad, 0, -pad, 0), Qt::AlignCenter,
                           QFontMetricsF(titleFont).elidedText(m_grid.column(columns[i]).title, Qt::ElideRight,
                                                               cell.width() - 2 * pad));
            }
            y += rowHeight;
        }
    };
    auto ensureRoom = [&] {
        if (y + rowHeight > page.bottom() + 0.5) {
            printer.newPage();
            ++pages;
            pageTop(false);
        }
    };
    auto drawRow = [&](auto textOf, auto isNumber) {
        ensureRoom();
        p.setFont(cellFont);
        p.setPen(gridPen);
        for (int i = 0; i < columns.size(); ++i) {
            const QRectF cell(xs[i], y, xs[i + 1] - xs[i], rowHeight);
            p.drawRect(cell);
            const Qt::Alignment align = Qt::AlignVCenter | (isNumber(columns[i]) ? Qt::AlignRight : Qt::AlignLeft);
            p.drawText(cell.adjusted(pad, 0, -pad, 0), align,
                       QFontMetricsF(cellFont).elidedText(textOf(columns[i]), Qt::ElideRight, cell.width() - 2 * pad));
        }
        y += rowHeight;
    };

    for (int b = 0; b < layout.bands.size(); ++b) {
        columns = layout.bands[b];
        xs.clear();
        double x = page.left();
        for (int c : columns) {
            xs << x;
            x += std::max(1, m_grid.column(c).width) * unit * fit;
        }
        xs << x;
        if (b > 0) {
            printer.newPage();
            ++pages;
        }
        pageTop(true);
        for (int r = 0; r < rows; ++r) {
            drawRow([&](int c) { return m_grid.displayText(r, c); },
                    [&](int c) {
                        const GridColumn &col = m_grid.column(c);
                        const int f = col.field.isEmpty() ? -1 : table->fieldIndex(col.field);
                        return f >= 0 && !col.displayText
                               && (table->field(f).kind == FieldKind::Float
                                   || table->field(f).kind == FieldKind::Integer);
                    });
        }
        for (int fr = 0; fr < footers; ++fr) {
            drawRow([&](int c) { return m_grid.footerDisplayText(fr, c); },
                    [&](int c) { return m_grid.footerValue(fr, c).metaType().id() == QMetaType::Double; });
        }
    }
    p.end();
    return pages;
}

bool GridPrinter::printToPdf(const QString &path) const
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    setUpPrinter(printer);
    return render(printer) > 0;
}

void GridPrinter::preview(QWidget *parent) const
{
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this](QPrinter *target) { render(*target); });
    dialog.exec();
}

} // namespace jjgz
