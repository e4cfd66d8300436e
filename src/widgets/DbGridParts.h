#pragma once
// The inner parts of DbGrid, shared by its source files only: the model that shows the table's
// rows, the delegate that opens the cell editors, and the footer rows. Screens use DbGrid.h.
#include "widgets/DbGrid.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QWidget>

namespace jjgz {

// The grid's rows and columns as an item model: display and edit texts, alignment, the
// read-only colours, and the row indicator of the current row (▶ browse, I edit, * insert).
class DbGridModel : public QAbstractTableModel {
public:
    explicit DbGridModel(DbGrid *grid) : QAbstractTableModel(grid), m_grid(grid) {}

    DataTable *table() const { return m_grid->m_table; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;

    int fieldOf(int column) const;

    QVariant data(const QModelIndex &index, int role) const override;

    Qt::ItemFlags flags(const QModelIndex &index) const override;

    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }
    void beginInsert(int row) { beginInsertRows({}, row, row); }
    void endInsert() { endInsertRows(); }
    void beginRemove(int row) { beginRemoveRows({}, row, row); }
    void endRemove() { endRemoveRows(); }
    void rowChanged(int row);
    void indicatorChanged();
    void columnsChanged();

private:
    DbGrid *m_grid;
};

// Opens the cell editors (line, pick list, line with "..." button), hands their text to the
// model, and routes Enter in an editor to the grid.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(DbGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QPointer<QWidget> openEditor;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Qt closes an editor by itself (focus out); the grid must then forget it.
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;

    void setEditorData(QWidget *editor, const QModelIndex &index) const override;

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    DbGrid *m_grid;
};

// Paints the footer rows (totals) under the viewport.
class GridFooter : public QWidget {
public:
    explicit GridFooter(DbGrid *grid) : QWidget(grid), m_grid(grid) { setAutoFillBackground(true); }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    DbGrid *m_grid;
};

} // namespace jjgz
