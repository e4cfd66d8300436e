#include "report/ReportPreview.h"

#include "widgets/MessageService.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QToolBar>

namespace jjgz::report {
namespace {

const QList<double> kZooms{0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};
constexpr int kPaperMargin = 16; // grey around the paper, pixels

// A magnifying glass with a plus or a minus.
QIcon zoomIcon(bool in)
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x50, 0x80), 4));
    p.setBrush(QColor(0xe8, 0xf0, 0xff));
    p.drawEllipse(QRectF(6, 6, 26, 26));
    p.setPen(QPen(QColor(0x60, 0x40, 0x20), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(30, 30), QPointF(42, 42));
    p.setPen(QPen(QColor(0x20, 0x80, 0x20), 4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(12, 19), QPointF(26, 19));
    if (in)
        p.drawLine(QPointF(19, 12), QPointF(19, 26));
    return QIcon(pm);
}

} // namespace

// The current page on its paper, at the preview's zoom.
class PageView : public QWidget {
public:
    explicit PageView(const ReportPreview &preview, QWidget *parent) : QWidget(parent), m_preview(preview)
    {
        setObjectName(QStringLiteral("pageView"));
    }

    double pxPerMm() const
    {
        const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
        return dpi / 25.4 * m_preview.zoom();
    }
    QSize paperSize() const
    {
        const QSizeF mm = m_preview.document().pageSizeMm;
        return QSize(qRound(mm.width() * pxPerMm()), qRound(mm.height() * pxPerMm()));
    }
    QSize sizeHint() const override { return paperSize() + QSize(2 * kPaperMargin, 2 * kPaperMargin); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x80, 0x80, 0x80));
        const QSize paper = paperSize();
        const QPoint origin(std::max(kPaperMargin, (width() - paper.width()) / 2), kPaperMargin);
        p.fillRect(QRect(origin + QPoint(4, 4), paper), QColor(0x40, 0x40, 0x40));
        p.fillRect(QRect(origin, paper), Qt::white);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.translate(origin);
        m_preview.document().paintPage(p, m_preview.currentPage(), pxPerMm());
    }

private:
    const ReportPreview &m_preview;
};

ReportPreview::ReportPreview(ReportDocument doc, QWidget *parent) : QDialog(parent), m_doc(std::move(doc))
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(m_doc.title.isEmpty() ? QStringLiteral("打印预览")
                                         : QStringLiteral("打印预览 - %1").arg(m_doc.title));
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    QToolBar *bar = makeScreenToolBar(this);
    QAction *print = addToolButton(bar, toolIcon(Glyph::Print), QStringLiteral("打印"), QStringLiteral("actPrint"));
    QAction *pdf = addToolButton(bar, toolIcon(Glyph::Export), QStringLiteral("保存为PDF"), QStringLiteral("actPdf"),
                                 QSize(72, 0));
    bar->addSeparator();
    m_in = addToolButton(bar, zoomIcon(true), QStringLiteral("放大"), QStringLiteral("actZoomIn"));
    m_out = addToolButton(bar, zoomIcon(false), QStringLiteral("缩小"), QStringLiteral("actZoomOut"));
    QAction *fit = addToolButton(bar, style()->standardIcon(QStyle::SP_TitleBarMaxButton), QStringLiteral("页宽"),
                                 QStringLiteral("actFitWidth"));
    bar->addSeparator();
    m_first = addToolButton(bar, style()->standardIcon(QStyle::SP_MediaSkipBackward), QStringLiteral("首页"),
                            QStringLiteral("actFirst"));
    m_prev = addToolButton(bar, style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("上一页"),
                           QStringLiteral("actPrev"));
    m_next = addToolButton(bar, style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("下一页"),
                           QStringLiteral("actNext"));
    m_last = addToolButton(bar, style()->standardIcon(QStyle::SP_MediaSkipForward), QStringLiteral("末页"),
                           QStringLiteral("actLast"));
    bar->addSeparator();
    QAction *close = addToolButton(bar, toolIcon(Glyph::Close), QStringLiteral("关闭"), QStringLiteral("actClose"));

    print->setShortcut(QKeySequence::Print);
    m_in->setShortcut(QKeySequence::ZoomIn);
    m_out->setShortcut(QKeySequence::ZoomOut);
    connect(print, &QAction::triggered, this, &ReportPreview::print);
    connect(pdf, &QAction::triggered, this, &ReportPreview::saveAsPdf);
    connect(m_in, &QAction::triggered, this, &ReportPreview::zoomIn);
    connect(m_out, &QAction::triggered, this, &ReportPreview::zoomOut);
    connect(fit, &QAction::triggered, this, &ReportPreview::fitWidth);
    connect(m_first, &QAction::triggered, this, [this] { showPage(0); });
    connect(m_prev, &QAction::triggered, this, [this] { showPage(m_page - 1); });
    connect(m_next, &QAction::triggered, this, [this] { showPage(m_page + 1); });
    connect(m_last, &QAction::triggered, this, [this] { showPage(m_doc.pageCount() - 1); });
    connect(close, &QAction::triggered, this, &QDialog::accept);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("scroll"));
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_view = new PageView(*this, m_scroll);
    m_scroll->setWidget(m_view);

    // The page number and the zoom under the page.
    auto *status = new QWidget(this);
    auto *statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(8, 3, 8, 3);
    m_pageLabel = new QLabel(status);
    m_pageLabel->setObjectName(QStringLiteral("lblPage"));
    m_zoomLabel = new QLabel(status);
    m_zoomLabel->setObjectName(QStringLiteral("lblZoom"));
    m_zoomLabel->setMinimumWidth(m_zoomLabel->fontMetrics().horizontalAdvance(QStringLiteral("400%")) + 4);
    m_zoomLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    statusLayout->addWidget(m_pageLabel);
    statusLayout->addStretch(1);
    statusLayout->addWidget(new QLabel(QStringLiteral("显示比例："), status));
    statusLayout->addWidget(m_zoomLabel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(status);

    QSize size(960, 720);
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 0.9);
    resize(size);
    refresh();
}

void ReportPreview::showPage(int page)
{
    m_page = std::clamp(page, 0, std::max(0, m_doc.pageCount() - 1));
    m_scroll->verticalScrollBar()->setValue(0);
    refresh();
}

void ReportPreview::setZoom(double zoom)
{
    m_zoom = std::clamp(zoom, kZooms.first(), kZooms.last());
    refresh();
}

void ReportPreview::zoomIn()
{
    for (double z : kZooms) {
        if (z > m_zoom + 1e-6) {
            setZoom(z);
            return;
        }
    }
}

void ReportPreview::zoomOut()
{
    for (auto it = kZooms.crbegin(); it != kZooms.crend(); ++it) {
        if (*it < m_zoom - 1e-6) {
            setZoom(*it);
            return;
        }
    }
}

double ReportPreview::widthZoom() const
{
    const double atOne = m_view->paperSize().width() / m_zoom;
    const int room =
        m_scroll->viewport()->width() - 2 * kPaperMargin - m_scroll->verticalScrollBar()->sizeHint().width();
    return atOne > 0 && room > 0 ? room / atOne : 0;
}

void ReportPreview::fitWidth()
{
    if (const double z = widthZoom(); z > 0)
        setZoom(z);
}

void ReportPreview::refresh()
{
    const int pages = m_doc.pageCount();
    m_pageLabel->setText(QStringLiteral("第 %1 页 / 共 %2 页").arg(pages ? m_page + 1 : 0).arg(pages));
    m_zoomLabel->setText(QStringLiteral("%1%").arg(qRound(m_zoom * 100)));
    m_first->setEnabled(m_page > 0);
    m_prev->setEnabled(m_page > 0);
    m_next->setEnabled(m_page + 1 < pages);
    m_last->setEnabled(m_page + 1 < pages);
    m_in->setEnabled(m_zoom < kZooms.last() - 1e-6);
    m_out->setEnabled(m_zoom > kZooms.first() + 1e-6);
    m_view->resize(m_view->sizeHint());
    m_view->update();
}

bool ReportPreview::saveAsPdf()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        dir = QDir::homePath();
    const QString suggested =
        QDir(dir).filePath((m_doc.title.isEmpty() ? QStringLiteral("报表") : m_doc.title) + QStringLiteral(".pdf"));
    QString path =
        messages().saveFileName(this, QStringLiteral("保存为PDF"), suggested, QStringLiteral("PDF 文件(*.pdf)"));
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    QString error;
    if (!m_doc.writePdf(path, &error)) {
        showError(this, error, QStringLiteral("错误"));
        return false;
    }
    showInfo(this, QStringLiteral("已保存为 PDF 文件：%1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void ReportPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    m_doc.setUpPrinter(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印"));
    dialog.setMinMax(1, std::max(1, m_doc.pageCount()));
    if (dialog.exec() != QDialog::Accepted)
        return;
    ReportDocument printed = m_doc;
    if (printer.printRange() == QPrinter::PageRange) {
        const int from = std::max(1, printer.fromPage()), to = std::min(m_doc.pageCount(), printer.toPage());
        printed.pages = m_doc.pages.mid(from - 1, std::max(0, to - from + 1));
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        printed.pages = m_doc.pages.mid(m_page, 1);
    }
    if (!printed.print(printer))
        showError(this, QStringLiteral("打印失败：打印机没有接受这份报表。请检查打印机是否已连接、已开机，然后再试。"),
                  QStringLiteral("错误"));
}

void ReportPreview::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_fittedOnce)
        return;
    m_fittedOnce = true;
    // Opens at actual size, or smaller so that the whole width of the page is seen.
    if (const double z = widthZoom(); z > 0 && z < m_zoom)
        setZoom(z);
}

void ReportPreview::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_PageDown: showPage(m_page + 1); return;
    case Qt::Key_PageUp: showPage(m_page - 1); return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) {
            showPage(0);
            return;
        }
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) {
            showPage(m_doc.pageCount() - 1);
            return;
        }
        break;
    default: break;
    }
    QDialog::keyPressEvent(event);
}

bool showReportPreview(const Report &report, QWidget *parent, const QString &title)
{
    QString error;
    auto doc = report.prepare(&error);
    if (!doc) {
        showError(parent, error, QStringLiteral("错误"));
        return false;
    }
    ReportPreview preview(std::move(*doc), parent);
    if (!title.isEmpty())
        preview.setWindowTitle(title);
    preview.exec();
    return true;
}

} // namespace jjgz::report
