#pragma once
// Printing a grid: a page header with centre text, a line above the grid (with "%[v1]" replaced
// for the print), the grid's visible columns with their titles, widths and display formats scaled
// to the page width, page breaks that repeat the column titles, the footer rows at the end.
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
    std::optional<QPageLayout::Orientation> m_orientation;
    std::optional<QList<int>> m_keyColumns;
    double gridWidth() const; // visible columns, screen pixels
    // columnBands over the visible columns, as grid column numbers.
    ColumnBands printedBands(double pageWidth) const;
};

} // namespace jjgz
