#pragma once
// Printing a grid: a page header with centre text (under the user's company name), a line above
// the grid (with "%[v1]" replaced for the print), the grid's visible columns with their titles,
// display formats and the widths the clerk gave them on the screen, scaled to the page width,
// page breaks that repeat the column titles, the footer rows at the end. On request a 合计 row of
// the number columns, "第 N 页 共 M 页" under every page and an empty 签字 column for signatures.
// Through a print preview from which the user prints, or straight into a PDF file.
#include <QMarginsF>
#include <QPageLayout>
#include <QString>

class QFont;
class QPainter;
class QPrinter;
class QWidget;

namespace jjgz {

class DbGrid;

class GridPrinter {
public:
    // Takes the company name from the database (parameter 8) when one is open.
    explicit GridPrinter(const DbGrid &grid);

    void setPageHeader(const QString &centreText) { m_header = centreText; }
    // The line above the grid, printed on the first page (11 pt), e.g. "   %[v1]".
    void setTitleLine(const QString &line) { m_titleLine = line; }
    // The text that replaces "%[v1]" in the title line for this print.
    void setV1(const QString &value) { m_v1 = value; }
    QString resolvedTitleLine() const;
    // Page margins in millimetres (10 mm on every side unless set).
    void setMarginsMm(const QMarginsF &margins) { m_margins = margins; }
    void setOrientation(QPageLayout::Orientation orientation) { m_orientation = orientation; }

    // The company line over the page header; empty prints none.
    void setCompanyName(const QString &name) { m_company = name; }
    const QString &companyName() const { return m_company; }
    // A 合计 row after the rows, summing every number column (not when the grid has footer rows
    // of its own).
    void setTotalRow(bool on) { m_totalRow = on; }
    // "第 N 页 共 M 页" at the foot of every page.
    void setPageNumbers(bool on) { m_pageNumbers = on; }
    // An empty column "签字" at the right end.
    void setSignatureColumn(bool on) { m_signature = on; }
    bool signatureColumn() const { return m_signature; }
    // The preview offers the 签字 column as a switch in its toolbar; the choice is kept in
    // config.ini under section `settingsKey` and is this print's starting choice.
    void offerSignatureColumn(const QString &settingsKey);

    // The printed width (in grid pixels) of grid column `column`: as wide as it is on screen.
    int printedWidth(int column) const;
    // The font of every printed text: the font the program installs, by name, when it is there.
    static QFont printFont();

    // Gives the printer the page size, orientation and margins of this print.
    void setUpPrinter(QPrinter &printer) const;
    // Paints every page on a printer that was set up; returns the number of pages.
    int render(QPrinter &printer) const;
    // Prints into a PDF file; false when the file cannot be written.
    bool printToPdf(const QString &path) const;
    // The print preview dialog (modal), from which the user prints.
    void preview(QWidget *parent);

private:
    int paintPages(QPrinter &printer, QPainter *p, int pageCount) const;

    const DbGrid &m_grid;
    QString m_header;
    QString m_titleLine;
    QString m_v1;
    QString m_company;
    QString m_signatureKey;
    bool m_totalRow = false;
    bool m_pageNumbers = false;
    bool m_signature = false;
    QMarginsF m_margins{10, 10, 10, 10};
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
};

} // namespace jjgz
