#pragma once
// Printing a grid: a page header with centre text (under the user's company name), a line above
// the grid (with "%[v1]" replaced for the print), the grid's visible columns with their titles,
// display formats and the widths the clerk gave them on the screen, scaled to the page width,
// page breaks that repeat the column titles, the footer rows at the end. On request a 合计 row of
// the number columns, "第 N 页 共 M 页" under every page and an empty 签字 column for signatures.
// Through a print preview from which the user prints, or straight into a PDF file.
//
// Wide lists: a list wider than a portrait page prints landscape unless an orientation was set
// (the preview still lets the user turn the page). A list wider than the page shrinks to fit only
// down to kMinTextScale (cells of about 7 pt); beyond that its columns are printed in bands, one
// after the other, each band on pages of its own with the key columns (code and name) repeated
// at its left.
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QString>

#include <optional>

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
    // The orientation of this print: the one set, else landscape when the list is wider than a
    // portrait page.
    QPageLayout::Orientation orientation() const;
    // The grid columns repeated at the left of every band (see columnBands). Unless set: the
    // employee code and name columns when the list shows them, else its first code and first
    // name column (fields ending in "code" and "name"), else its first column.
    void setKeyColumns(const QList<int> &columns) { m_keyColumns = columns; }
    QList<int> keyColumns() const;

    // Smallest scale of the grid's text on paper: the grid's 12 px (9 pt) cells at about 7 pt.
    static constexpr double kMinTextScale = 7.0 / 9.0;
    struct ColumnBands {
        QList<QList<int>> bands; // grid columns of each band, in print order
        double scale = 1;        // printed width of a grid pixel, in screen pixels (1 = as on screen)
    };
    // Splits the visible columns into bands for a page `pageWidth` screen pixels wide: one band
    // scaled to fit while that is at least kMinTextScale, else as few bands as fit at that scale,
    // each starting with the key columns (a column wider than the page gets a band of its own).
    static ColumnBands columnBands(const QList<int> &widths, const QList<int> &keys, double pageWidth);

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
    std::optional<QPageLayout::Orientation> m_orientation;
    std::optional<QList<int>> m_keyColumns;
    double gridWidth() const; // visible columns, screen pixels
    // columnBands over the visible columns, as grid column numbers.
    ColumnBands printedBands(double pageWidth) const;
};

} // namespace jjgz
