#include "widgets/GridPrinter.h"

#include "data/DBFun.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "widgets/DbGrid.h"

#include <QAction>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>

#include <algorithm>

namespace jjgz {
namespace {

// The font the program installs. Qt's PDF writer maps a glyph back to the lowest character that
// uses it; in some CJK fonts a character and its radical share one glyph (工 and ⼯), and text
// copied from the PDF would then be wrong. This font has no such shared glyphs.
const QString kPrintFamily = QStringLiteral("WenQuanYi Micro Hei");

constexpr int kSignatureColumn = -1;      // the 签字 column in a list of printed columns
constexpr int kSignatureWidth = 90;       // its width in grid pixels
const char *const kSignatureKey = "sign"; // its switch in config.ini

// Font sizes are given in device pixels: the painter is not scaled, so nothing is resolved
// at the printer's resolution and then scaled a second time.
QFont sized(QFont f, double devicePixels, bool bold = false)
{
    f.setPixelSize(std::max(1, qRound(devicePixels)));
    f.setBold(bold);
    return f;
}

// The company name of the open database, or nothing (no database, or it cannot be read).
QString storedCompanyName()
{
    if (!dmMain)
        return {};
    try {
        return GetParam(CompanyNameParam).trimmed();
    } catch (const DbError &) {
        return {};
    }
}

bool isNumberColumn(const DbGrid &grid, int column)
{
    const GridColumn &col = grid.column(column);
    const DataTable *table = grid.table();
    const int f = !table || col.field.isEmpty() ? -1 : table->fieldIndex(col.field);
    return f >= 0 && !col.displayText
           && (table->field(f).kind == FieldKind::Float || table->field(f).kind == FieldKind::Integer);
}

// The texts of the 合计 row: "合计" in the first column when it holds no number, the sum of each
// number column in the column's format.
QHash<int, QString> totalRowTexts(const DbGrid &grid, const QList<int> &columns)
{
    QHash<int, QString> texts;
    const DataTable *table = grid.table();
    const int rows = table && table->isActive() ? table->rowCount() : 0;
    for (int c : columns) {
        if (!isNumberColumn(grid, c))
            continue;
        const int f = table->fieldIndex(grid.column(c).field);
        double sum = 0;
        for (int r = 0; r < rows; ++r)
            sum += table->rowValue(r, f).toDouble();
        texts.insert(c, formatFloat(grid.column(c).format, RoundDec(4, sum)));
    }
    if (!columns.isEmpty() && !texts.contains(columns.first()))
        texts.insert(columns.first(), QStringLiteral("合计"));
    return texts;
}

QString pageNumberText(int page, int pages)
{
    return QStringLiteral("第 %1 页 共 %2 页").arg(page).arg(pages);
}

} // namespace

GridPrinter::GridPrinter(const DbGrid &grid) : m_grid(grid), m_company(storedCompanyName())
{}

QString GridPrinter::resolvedTitleLine() const
{
    QString line = m_titleLine;
    line.replace(QStringLiteral("%[v1]"), m_v1);
    return line;
}

QFont GridPrinter::printFont()
{
    QFont f;
    if (QFontDatabase::hasFamily(kPrintFamily))
        f.setFamilies({kPrintFamily});
    else
        f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                       QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC")});
    return f;
}

int GridPrinter::printedWidth(int column) const
{
    const int shown = m_grid.columnWidth(column);
    return std::max(1, shown > 0 ? shown : m_grid.column(column).width);
}

void GridPrinter::offerSignatureColumn(const QString &settingsKey)
{
    m_signatureKey = settingsKey;
    m_signature = ReadConfig(settingsKey, QString::fromLatin1(kSignatureKey), QStringLiteral("0")) == u"1";
}

double GridPrinter::gridWidth() const
{
    double width = m_signature ? kSignatureWidth : 0;
    for (int c : m_grid.visibleColumns())
        width += printedWidth(c);
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
    QList<int> visible = m_grid.visibleColumns();
    QList<int> widths, keys;
    for (int c : visible)
        widths << printedWidth(c);
    if (m_signature) { // the 签字 column closes the last band
        visible << kSignatureColumn;
        widths << kSignatureWidth;
    }
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
    // A first walk without painting counts the pages for "共 M 页".
    const int pages = m_pageNumbers ? paintPages(printer, nullptr, 0) : 0;
    const int printed = paintPages(printer, &p, pages);
    p.end();
    return printed;
}

// Lays out every page; paints them when `p` is given (else only counts them).
int GridPrinter::paintPages(QPrinter &printer, QPainter *p, int pageCount) const
{
    const double dpi = printer.resolution();
    const double unit = dpi / 96.0; // one screen pixel in device pixels
    const QRectF page(QPointF(0, 0), QSizeF(printer.pageLayout().paintRectPixels(printer.resolution()).size()));

    const ColumnBands layout = printedBands(page.width() / unit);
    const bool banded = layout.bands.size() > 1;
    const double fit = layout.scale; // grid pixels → page
    const double textScale = banded ? fit : std::clamp(fit, kMinTextScale, 1.25);
    auto widthOf = [this](int c) { return c == kSignatureColumn ? kSignatureWidth : printedWidth(c); };

    const QFont base = printFont();
    const QFont companyFont = sized(base, 15 * unit, true);
    const QFont headerFont = sized(base, 21 * unit, true);
    const QFont lineFont = sized(base, 11.0 / 72.0 * dpi);
    const QFont cellFont = sized(base, 12 * unit * textScale);
    const QFont titleFont = sized(base, 12 * unit * textScale, true);
    const double rowHeight = QFontMetricsF(cellFont).height() + 6 * unit * textScale;
    const double companyHeight = QFontMetricsF(companyFont).height() + 4 * unit;
    const double headerHeight = QFontMetricsF(headerFont).height() + 10 * unit;
    const double lineHeight = QFontMetricsF(lineFont).height() + 6 * unit;
    const double numberHeight = m_pageNumbers ? QFontMetricsF(lineFont).height() + 6 * unit : 0.0;
    const double bottom = page.bottom() - numberHeight;
    const double pad = 3 * unit * textScale;

    QList<int> printed; // the band being printed: grid columns, and the 签字 column in the last band
    QList<double> xs;   // left edge of each printed column, then the right edge of the last
    auto titleOf = [this](int c) { return c == kSignatureColumn ? QStringLiteral("签字") : m_grid.column(c).title; };

    DataTable *table = m_grid.table();
    const int rows = table && table->isActive() ? table->rowCount() : 0;
    const int footers = m_grid.footerRowCount();
    const QPen gridPen(Qt::black, std::max(1.0, unit * 0.75));

    int pages = 1;
    double y = page.top();
    auto pageTop = [&](bool first) {
        y = page.top();
        if (!m_company.isEmpty()) {
            if (p) {
                p->setFont(companyFont);
                p->setPen(Qt::black);
                p->drawText(QRectF(page.left(), y, page.width(), companyHeight), Qt::AlignCenter, m_company);
            }
            y += companyHeight;
        }
        if (!m_header.isEmpty()) {
            if (p) {
                p->setFont(headerFont);
                p->setPen(Qt::black);
                p->drawText(QRectF(page.left(), y, page.width(), headerHeight), Qt::AlignCenter, m_header);
            }
            y += headerHeight;
        }
        if (first && !m_titleLine.isEmpty()) {
            if (p) {
                p->setFont(lineFont);
                p->drawText(QRectF(page.left(), y, page.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                            resolvedTitleLine());
            }
            y += lineHeight;
        }
        if (m_grid.showsTitles() && !printed.isEmpty()) {
            if (p) {
                p->setFont(titleFont);
                for (int i = 0; i < printed.size(); ++i) {
                    const QRectF cell(xs[i], y, xs[i + 1] - xs[i], rowHeight);
                    p->setPen(gridPen);
                    p->drawRect(cell);
                    p->drawText(cell.adjusted(pad, 0, -pad, 0), Qt::AlignCenter,
                                QFontMetricsF(titleFont).elidedText(titleOf(printed[i]), Qt::ElideRight,
                                                                    cell.width() - 2 * pad));
                }
            }
            y += rowHeight;
        }
    };
    auto pageFoot = [&] {
        if (!p || !m_pageNumbers)
            return;
        p->setFont(lineFont);
        p->setPen(Qt::black);
        p->drawText(QRectF(page.left(), page.bottom() - numberHeight, page.width(), numberHeight), Qt::AlignCenter,
                    pageNumberText(pages, std::max(pageCount, pages)));
    };
    auto ensureRoom = [&] {
        if (y + rowHeight > bottom + 0.5) {
            pageFoot();
            if (p)
                printer.newPage();
            ++pages;
            pageTop(false);
        }
    };
    auto drawRow = [&](auto textOf, auto isNumber) {
        ensureRoom();
        if (p) {
            p->setFont(cellFont);
            p->setPen(gridPen);
            for (int i = 0; i < printed.size(); ++i) {
                const QRectF cell(xs[i], y, xs[i + 1] - xs[i], rowHeight);
                p->drawRect(cell);
                if (printed[i] == kSignatureColumn)
                    continue;
                const Qt::Alignment align = Qt::AlignVCenter | (isNumber(printed[i]) ? Qt::AlignRight : Qt::AlignLeft);
                p->drawText(
                    cell.adjusted(pad, 0, -pad, 0), align,
                    QFontMetricsF(cellFont).elidedText(textOf(printed[i]), Qt::ElideRight, cell.width() - 2 * pad));
            }
        }
        y += rowHeight;
    };

    for (int b = 0; b < layout.bands.size(); ++b) {
        printed = layout.bands[b];
        QList<int> columns; // the grid columns of the band
        for (int c : printed)
            if (c != kSignatureColumn)
                columns << c;
        xs.clear();
        double x = page.left();
        for (int c : printed) {
            xs << x;
            x += widthOf(c) * unit * fit;
        }
        xs << x;
        if (b > 0) {
            pageFoot();
            if (p)
                printer.newPage();
            ++pages;
        }
        pageTop(true);
        for (int r = 0; r < rows; ++r)
            drawRow([&](int c) { return m_grid.displayText(r, c); }, [&](int c) { return isNumberColumn(m_grid, c); });
        if (m_totalRow && footers == 0) {
            const QHash<int, QString> totals = totalRowTexts(m_grid, columns);
            drawRow([&](int c) { return totals.value(c); }, [&](int c) { return isNumberColumn(m_grid, c); });
        }
        for (int fr = 0; fr < footers; ++fr) {
            drawRow([&](int c) { return m_grid.footerDisplayText(fr, c); },
                    [&](int c) { return m_grid.footerValue(fr, c).metaType().id() == QMetaType::Double; });
        }
    }
    pageFoot();
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

void GridPrinter::preview(QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this](QPrinter *target) { render(*target); });
    if (!m_signatureKey.isEmpty()) {
        // The 签字 column as a switch beside the preview's own buttons.
        auto *bar = dialog.findChild<QToolBar *>();
        auto *view = dialog.findChild<QPrintPreviewWidget *>();
        auto *sign = new QAction(QStringLiteral("签字栏"), &dialog);
        sign->setObjectName(QStringLiteral("actSignature"));
        sign->setCheckable(true);
        sign->setChecked(m_signature);
        sign->setToolTip(QStringLiteral("在表的右边加一列“签字”"));
        QObject::connect(sign, &QAction::toggled, &dialog, [this, view](bool on) {
            m_signature = on;
            WriteConfig(m_signatureKey, QString::fromLatin1(kSignatureKey),
                        on ? QStringLiteral("1") : QStringLiteral("0"));
            if (view)
                view->updatePreview();
        });
        if (bar) {
            bar->addSeparator();
            bar->addAction(sign);
        } else {
            dialog.addAction(sign);
        }
    }
    dialog.exec();
}

} // namespace jjgz
