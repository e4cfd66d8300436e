#pragma once
// The report preview: one page at a time with zoom and page navigation, from which the user
// prints or saves the report as a PDF file.
#include "report/Report.h"

#include <QDialog>

class QAction;
class QLabel;
class QScrollArea;

namespace jjgz::report {

class PageView;

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    explicit ReportPreview(ReportDocument doc, QWidget *parent = nullptr);

    const ReportDocument &document() const { return m_doc; }
    int currentPage() const { return m_page; } // 0-based
    double zoom() const { return m_zoom; }     // 1 = actual size
    void showPage(int page);
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    void fitWidth();
    // Asks for a file name and writes the PDF; true when written.
    bool saveAsPdf();
    // The print dialog, then the printer.
    void print();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void refresh();
    double widthZoom() const; // the zoom at which the page fills the window's width

    ReportDocument m_doc;
    int m_page = 0;
    double m_zoom = 1.0;
    bool m_fittedOnce = false;
    PageView *m_view = nullptr;
    QScrollArea *m_scroll = nullptr;
    QLabel *m_pageLabel = nullptr;
    QLabel *m_zoomLabel = nullptr;
    QAction *m_first = nullptr, *m_prev = nullptr, *m_next = nullptr, *m_last = nullptr;
    QAction *m_in = nullptr, *m_out = nullptr;
};

// Lays `report` out and shows the preview (modal); a template or layout failure is shown as an
// error message instead. Returns false when nothing could be shown.
bool showReportPreview(const Report &report, QWidget *parent, const QString &title = QStringLiteral("打印预览"));

} // namespace jjgz::report
