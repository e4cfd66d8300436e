#pragma once
// The report engine: lays a template out over the program's sources and values into pages,
// which are painted on the preview, a printer or a PDF file.
//
//   Report r(ReportTemplate::loadOr(paySlipTemplatePath(), ReportTemplate::builtInPaySlip(), &msg));
//   r.setSourceCount("rows", sheetRows);
//   r.setSourceCount("columns", visibleColumns);
//   r.setValues([&](const ValueQuery &q) -> std::optional<QVariant> { … });
//   r.setColumnWidths([&](int column) { return double(widthInPixels(column)); });
//   showReportPreview(r, parent);                  // or r.saveAsPdf(path, &error)
#include "report/ReportTemplate.h"

#include <QList>
#include <QMap>
#include <QRectF>
#include <QVariant>

#include <functional>

class QPainter;
class QPrinter;

namespace jjgz::report {

// What the program is asked: `name` for the current entry `row` of the data band's source and
// the current entry `column` of the column band's source (-1 outside either).
struct ValueQuery {
    QString name;
    int row = -1;
    int column = -1;
};
// The value (number, text, date; an invalid QVariant prints nothing), or nothing when the
// program does not know the name, which stops the report with a message naming it.
using ValueFunction = std::function<std::optional<QVariant>(const ValueQuery &)>;
// The width of a column entry in screen pixels; 0 or less takes the template's width.
using WidthFunction = std::function<double(int column)>;

// One thing printed on a page, in millimetres from the paper's top left corner.
struct ReportItem {
    enum Kind { Text, Line } kind = Text;
    QRectF rect; // a line goes from topLeft to bottomRight
    QString text;
    TextStyle style;
    Frame frame;
};

// Laid-out pages, ready to paint.
class ReportDocument {
public:
    QString title;
    QSizeF pageSizeMm{210, 297};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QList<QList<ReportItem>> pages;

    int pageCount() const { return int(pages.size()); }
    // The texts of one page in printing order (for checks and searches).
    QStringList texts(int page) const;
    // Paints page `page` with its top left corner at the painter's origin, `pxPerMm` device
    // pixels to the millimetre.
    void paintPage(QPainter &painter, int page, double pxPerMm) const;
    // Gives the printer this document's paper and orientation, painting from the paper's corner.
    void setUpPrinter(QPrinter &printer) const;
    // Paints every page on a printer that was set up; false when the printer refused.
    bool print(QPrinter &printer) const;
    bool writePdf(const QString &path, QString *error) const;
};

class Report {
public:
    explicit Report(ReportTemplate t = ReportTemplate::builtInPaySlip());

    const ReportTemplate &reportTemplate() const { return m_template; }
    void setTemplate(ReportTemplate t) { m_template = std::move(t); }
    // The number of entries of a source named in the template ("rows", "columns").
    void setSourceCount(const QString &source, int count) { m_counts[source] = std::max(0, count); }
    void setValues(ValueFunction values) { m_values = std::move(values); }
    void setColumnWidths(WidthFunction widths) { m_widths = std::move(widths); }

    // Lays the report out; on failure returns nothing and sets `error` (Chinese).
    std::optional<ReportDocument> prepare(QString *error) const;
    bool saveAsPdf(const QString &path, QString *error) const;

private:
    ReportTemplate m_template;
    QMap<QString, int> m_counts;
    ValueFunction m_values;
    WidthFunction m_widths;
};

// A value as a template prints it: numbers by `format`, dates by `format` or yyyy-MM-dd.
QString formatValue(const QVariant &value, const QString &format);
QString formatNumber(double value, const QString &format);

} // namespace jjgz::report
