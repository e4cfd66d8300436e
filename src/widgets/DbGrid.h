#pragma once
// The grid over a DataTable: ordered columns with centred titles, widths, display formats,
// read-only columns in the tooltip colour, fixed hidden columns (tag 1), pick-list cells that
// also take typed text, ellipsis-button cells, Enter moving to the next cell, whole-row
// selection for read-only lists and optional footer rows (totals).
#include "data/DataTable.h"

#include <QPointer>
#include <QStringList>
#include <QTableView>

#include <functional>

namespace jjgz {

struct GridColumn {
    QString field; // field of the table shown in the column; empty: the column shows nothing
    QString title;
    int width = 64; // pixels
    QString format; // numbers: "0.00" kind; dates: a QDate format (default yyyy-MM-dd)
    bool readOnly = false;
    bool visible = true;   // tag-1 columns are never shown, whatever this says
    int tag = 0;           // 1 = fixed hidden column (code columns), untouched by column settings
    QStringList pickList;  // drop-down of the cell editor; typed text is accepted too
    bool ellipsis = false; // the cell has a "..." button (ellipsisClicked)
    // The text shown for a stored value (for example 0 → "计件"); exports keep integer values.
    std::function<QString(const QVariant &)> displayText;
    QString toolTip; // shown over the column's title
};

class DbGridModel;
class GridDelegate;
class GridFooter;

class DbGrid : public QTableView {
    Q_OBJECT
public:
    explicit DbGrid(QWidget *parent = nullptr);
    ~DbGrid() override;

    void setTable(DataTable *table); // not owned; nullptr detaches the grid
    DataTable *table() const { return m_table; }

    // ---- Columns
    void clearColumns();
    int addColumn(const QString &field, const QString &title, int width = 64, const QString &format = {});
    int addColumn(const GridColumn &column);
    // Ordered columns, in grid order (hidden ones included).
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    const GridColumn &column(int index) const { return m_columns.at(index); }
    int columnIndex(const QString &field) const; // first column showing `field`, or -1
    void setColumnTitle(int index, const QString &title);
    void setColumnWidthPx(int index, int width);
    void setColumnFormat(int index, const QString &format);
    void setColumnReadOnly(int index, bool readOnly);
    void setColumnTag(int index, int tag);
    void setColumnPickList(int index, const QStringList &items);
    void setColumnEllipsis(int index, bool on);
    void setColumnDisplay(int index, std::function<QString(const QVariant &)> displayText);
    // Tag-1 columns stay hidden.
    void setColumnVisible(int index, bool visible);
    bool isColumnVisible(int index) const;
    QList<int> visibleColumns() const; // in grid order

    // The text a cell shows, as formatted for the screen.
    QString displayText(int row, int column) const;

    // ---- Behaviour
    // A read-only grid selects whole rows and emits rowDoubleClicked; nothing is edited in it.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    // Moving down past the last row (arrow, Enter, Tab) appends a row; Insert inserts one.
    void setAllowInsert(bool allow) { m_allowInsert = allow; }
    bool allowInsert() const { return m_allowInsert; }
    void setShowTitles(bool show);
    bool showsTitles() const;
    // Called when Enter is pressed in a cell (`inEditor`: while the cell editor is open, with its
    // text; otherwise with the stored text). Returning true keeps the focus on the cell (an open
    // editor is closed without handing its text to the table); false moves to the next cell.
    using EnterHandler = std::function<bool(int column, const QString &text, bool inEditor)>;
    void setEnterHandler(EnterHandler handler) { m_enterHandler = std::move(handler); }
    // Hands a cell edit in progress to the table and closes the editor.
    void commitEdit();
    // Moves to the next visible cell (then the next row, appending past the last when allowed).
    void moveToNextCell();

    // ---- Footer rows (totals)
    void setFooterRowCount(int rows);
    int footerRowCount() const { return static_cast<int>(m_footers.size()); }
    void setFooterText(int footerRow, int column, const QString &text);
    void setFooterValue(int footerRow, int column, double value); // shown with the column's format
    void setFooterSum(int footerRow, int column);                 // the column's total, kept up to date
    void clearFooterCell(int footerRow, int column);
    // A number (double) for values and sums, the text for texts, invalid when empty.
    QVariant footerValue(int footerRow, int column) const;
    QString footerDisplayText(int footerRow, int column) const;
    int footerRowHeight() const;

signals:
    void ellipsisClicked(int column);
    void rowDoubleClicked(int row);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void updateGeometries() override;

private:
    friend class DbGridModel;
    friend class GridDelegate;
    friend class GridFooter;

    struct FooterCell {
        enum Kind { None, Text, Value, Sum } kind = None;
        QString text;
        double value = 0;
    };

    void applyColumn(int index);
    void syncToTable();
    void refreshFooter();
    int firstVisibleColumn() const;
    bool canAppend() const;
    void handleEditorEnter(QWidget *editor, const QString &text);
    void ellipsisPressed(int row, int column);
    void reportFailure(const std::exception &error);
    FooterCell &footerCell(int footerRow, int column);

    QPointer<DataTable> m_table;
    QList<QMetaObject::Connection> m_tableConnections;
    QList<GridColumn> m_columns;
    QList<QList<FooterCell>> m_footers;
    DbGridModel *m_model = nullptr;
    GridDelegate *m_delegate = nullptr;
    GridFooter *m_footer = nullptr;
    bool m_readOnly = false;
    bool m_allowInsert = true;
    bool m_syncing = false;
    EnterHandler m_enterHandler;
};

} // namespace jjgz
