#pragma once
// Printing a grid: a page header with centre text, a line above the grid (with "%[v1]" replaced
// for the print), the grid's visible columns with their titles, widths and display formats scaled
// to the page width, page breaks that repeat the column titles, the footer rows at the end.
// Through a print preview from which the user prints, or straight into a PDF file.
#include <QMarginsF>
#include <QPageLayout>
#include <QString>

class QPrinter;
class QWidget;

namespace jjgz {

class DbGrid;

class GridPrinter {
public:
    explicit GridPrinter(const DbGrid &grid);

    void setPageHeader(const QString &centreText) { m_header = centreText; }
    // The line above the grid, printed on the first page (宋体 11 pt), e.g. "   %[v1]".
    void setTitleLine(const QString &line) { m_titleLine = line; }
    // The text that replaces "%[v1]" in the title line for this print.
    void setV1(const QString &value) { m_v1 = value; }
    QString resolvedTitleLine() const;
    // Page margins in millimetres (10 mm on every side unless set).
    void setMarginsMm(const QMarginsF &margins) { m_margins = margins; }
    void setOrientation(QPageLayout::Orientation orientation) { m_orientation = orientation; }

    // Gives the printer the page size, orientation and margins of this print.
    void setUpPrinter(QPrinter &printer) const;
    // Paints every page on a printer that was set up; returns the number of pages.
    int render(QPrinter &printer) const;
    // Prints into a PDF file; false when the file cannot be written.
    bool printToPdf(const QString &path) const;
    // The print preview dialog (modal), from which the user prints.
    void preview(QWidget *parent) const;

private:
    const DbGrid &m_grid;
    QString m_header;
    QString m_titleLine;
    QString m_v1;
    QMarginsF m_margins{10, 10, 10, 10};
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
};

} // namespace jjgz
