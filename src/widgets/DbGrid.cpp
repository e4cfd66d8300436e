// DbGrid, the view: its table, columns, cursor, editing keys and the moves between cells.
// The model, the cell editors and the footer live in DbGridModel.cpp, DbGridEditors.cpp and
// DbGridFooter.cpp.
#include "widgets/DbGridParts.h"

#include "widgets/MessageService.h"

#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace jjgz {

DbGrid::DbGrid(QWidget *parent) : QTableView(parent)
{
    m_model = new DbGridModel(this);
    m_delegate = new GridDelegate(this);
    m_footer = new GridFooter(this);
    m_footer->hide();
    setModel(m_model);
    setItemDelegate(m_delegate);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(12);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked
                    | QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(true);
    setWordWrap(false);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] { refreshFooter(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { refreshFooter(); });
}

DbGrid::~DbGrid()
{
    for (const auto &c : m_tableConnections)
        disconnect(c);
}

void DbGrid::setTable(DataTable *table)
{
    if (m_table == table)
        return;
    for (const auto &c : m_tableConnections)
        disconnect(c);
    m_tableConnections.clear();
    m_model->beginReset();
    m_table = table;
    m_model->endReset();
    if (table) {
        auto *model = m_model;
        // While rows come and go the view moves its cursor by itself: those moves are not the
        // user's and must not move the table (m_syncing); the table's own cursor is applied after.
        m_tableConnections << connect(table, &DataTable::aboutToReset, this, [this, model] {
            m_syncing = true;
            model->beginReset();
        });
        m_tableConnections << connect(table, &DataTable::reset, this, [this, model] {
            model->endReset();
            m_syncing = false;
            for (int i = 0; i < columnCount(); ++i)
                applyColumn(i);
            refreshFooter();
        });
        m_tableConnections << connect(table, &DataTable::aboutToInsertRow, this, [this, model](int row) {
            m_syncing = true;
            model->beginInsert(row);
        });
        m_tableConnections << connect(table, &DataTable::rowInserted, this, [this, model](int) {
            model->endInsert();
            m_syncing = false;
            refreshFooter();
        });
        m_tableConnections << connect(table, &DataTable::aboutToRemoveRow, this, [this, model](int row) {
            if (m_delegate->openEditor)
                closeEditor(m_delegate->openEditor, QAbstractItemDelegate::RevertModelCache);
            m_syncing = true;
            model->beginRemove(row);
        });
        m_tableConnections << connect(table, &DataTable::rowRemoved, this, [this, model](int) {
            model->endRemove();
            m_syncing = false;
            refreshFooter();
        });
        m_tableConnections << connect(table, &DataTable::rowChanged, this, [this, model](int row) {
            model->rowChanged(row);
            refreshFooter();
        });
        m_tableConnections << connect(table, &DataTable::stateChanged, this, [this, model] {
            model->indicatorChanged();
            viewport()->update();
        });
        m_tableConnections << connect(table, &DataTable::currentRowChanged, this, [this, model] {
            syncToTable();
            model->indicatorChanged();
        });
        m_tableConnections << connect(table, &DataTable::flushEditors, this, [this] { commitEdit(); });
        m_tableConnections << connect(table, &QObject::destroyed, this, [this] {
            // The table is gone (m_table is already null): the view forgets its rows.
            for (const auto &c : m_tableConnections)
                disconnect(c);
            m_tableConnections.clear();
            m_delegate->openEditor = nullptr;
            m_model->beginReset();
            m_model->endReset();
            m_syncing = false;
            refreshFooter();
        });
        for (int i = 0; i < columnCount(); ++i)
            applyColumn(i);
        syncToTable();
    }
    refreshFooter();
}

// ---------------------------------------------------------------- columns

void DbGrid::clearColumns()
{
    m_columns.clear();
    for (auto &row : m_footers)
        row.clear();
    m_model->columnsChanged();
    refreshFooter();
}

int DbGrid::addColumn(const QString &field, const QString &title, int width, const QString &format)
{
    GridColumn c;
    c.field = field;
    c.title = title;
    c.width = width;
    c.format = format;
    return addColumn(c);
}

int DbGrid::addColumn(const GridColumn &column)
{
    m_columns.append(column);
    m_model->columnsChanged();
    for (int i = 0; i < columnCount(); ++i)
        applyColumn(i);
    refreshFooter();
    return columnCount() - 1;
}

int DbGrid::columnIndex(const QString &field) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void DbGrid::applyColumn(int index)
{
    const GridColumn &c = m_columns.at(index);
    setColumnHidden(index, c.tag == 1 || !c.visible);
    QTableView::setColumnWidth(index, c.width);
}

void DbGrid::setColumnTitle(int index, const QString &title)
{
    m_columns[index].title = title;
    emit m_model->headerDataChanged(Qt::Horizontal, index, index);
}

void DbGrid::setColumnWidthPx(int index, int width)
{
    m_columns[index].width = width;
    applyColumn(index);
}

void DbGrid::setColumnFormat(int index, const QString &format)
{
    m_columns[index].format = format;
    viewport()->update();
    refreshFooter();
}

void DbGrid::setColumnReadOnly(int index, bool readOnly)
{
    m_columns[index].readOnly = readOnly;
    viewport()->update();
}

void DbGrid::setColumnTag(int index, int tag)
{
    m_columns[index].tag = tag;
    applyColumn(index);
    refreshFooter();
}

void DbGrid::setColumnPickList(int index, const QStringList &items)
{
    m_columns[index].pickList = items;
}

void DbGrid::setColumnEllipsis(int index, bool on)
{
    m_columns[index].ellipsis = on;
    viewport()->update();
}

void DbGrid::setColumnDisplay(int index, std::function<QString(const QVariant &)> displayText)
{
    m_columns[index].displayText = std::move(displayText);
    viewport()->update();
}

void DbGrid::setColumnVisible(int index, bool visible)
{
    m_columns[index].visible = visible;
    applyColumn(index);
    refreshFooter();
}

bool DbGrid::isColumnVisible(int index) const
{
    const GridColumn &c = m_columns.at(index);
    return c.tag != 1 && c.visible;
}

QList<int> DbGrid::visibleColumns() const
{
    QList<int> out;
    for (int i = 0; i < m_columns.size(); ++i)
        if (isColumnVisible(i))
            out << i;
    return out;
}

int DbGrid::firstVisibleColumn() const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (!isColumnHidden(i))
            return i;
    return -1;
}

QString DbGrid::displayText(int row, int column) const
{
    if (!m_table || column < 0 || column >= columnCount())
        return QString();
    const GridColumn &c = m_columns.at(column);
    const int field = m_model->fieldOf(column);
    if (field < 0)
        return QString();
    const QVariant v = m_table->rowValue(row, field);
    if (c.displayText)
        return c.displayText(v);
    if (v.isNull())
        return QString();
    switch (m_table->field(field).kind) {
    case FieldKind::Float: return formatFloat(c.format, v.toDouble());
    case FieldKind::Integer: return c.format.isEmpty() ? v.toString() : formatFloat(c.format, v.toDouble());
    case FieldKind::Date: return v.toDate().toString(c.format.isEmpty() ? QStringLiteral("yyyy-MM-dd") : c.format);
    case FieldKind::Text: break;
    }
    return v.toString();
}

// ---------------------------------------------------------------- behaviour

void DbGrid::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    if (readOnly) {
        commitEdit();
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        verticalHeader()->hide();
    } else {
        setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked
                        | QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
        setSelectionBehavior(QAbstractItemView::SelectItems);
        verticalHeader()->show();
    }
    viewport()->update();
}

void DbGrid::setShowTitles(bool show)
{
    horizontalHeader()->setVisible(show);
}

bool DbGrid::showsTitles() const
{
    return !horizontalHeader()->isHidden();
}

void DbGrid::reportFailure(const std::exception &error)
{
    if (auto *d = dynamic_cast<const DataError *>(&error))
        showFailure(this, d->message());
    else
        showFailure(this, QString::fromUtf8(error.what()));
}

void DbGrid::syncToTable()
{
    if (!m_table || m_syncing)
        return;
    const int row = m_table->currentRow();
    const QModelIndex cur = currentIndex();
    if (row < 0 || row >= m_model->rowCount()) {
        viewport()->update();
        return;
    }
    if (cur.isValid() && cur.row() == row)
        return;
    int col = cur.isValid() ? cur.column() : firstVisibleColumn();
    if (col < 0)
        col = 0;
    if (col >= m_model->columnCount())
        return;
    m_syncing = true;
    setCurrentIndex(m_model->index(row, col));
    m_syncing = false;
}

void DbGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    viewport()->update();
    if (m_syncing || !m_table || !current.isValid() || !m_table->isActive())
        return;
    if (current.row() == m_table->currentRow())
        return;
    bool moved = false;
    try {
        moved = m_table->setCurrentRow(current.row());
    } catch (const std::exception &e) {
        reportFailure(e);
    }
    if (!moved) {
        // The row could not be left: the cursor stays on it.
        const int row = m_table->currentRow();
        if (row >= 0 && row < m_model->rowCount()) {
            m_syncing = true;
            setCurrentIndex(m_model->index(row, current.column()));
            m_syncing = false;
        }
    }
}

bool DbGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (m_readOnly || !m_table || !index.isValid() || !(m_model->flags(index) & Qt::ItemIsEditable))
        return QTableView::edit(index, trigger, event);
    if (index.row() != m_table->currentRow()) {
        if (trigger == QAbstractItemView::AllEditTriggers || trigger == QAbstractItemView::EditKeyPressed
            || trigger == QAbstractItemView::AnyKeyPressed || trigger == QAbstractItemView::DoubleClicked) {
            try {
                if (!m_table->setCurrentRow(index.row()))
                    return false;
            } catch (const std::exception &e) {
                reportFailure(e);
                return false;
            }
        }
    }
    const bool started = QTableView::edit(index, trigger, event);
    if (started && m_table->state() == DataTable::Browse) {
        try {
            m_table->edit();
        } catch (const std::exception &e) {
            reportFailure(e);
        }
    }
    return started;
}

void DbGrid::commitEdit()
{
    QWidget *editor = m_delegate->openEditor;
    if (!editor)
        return;
    m_delegate->openEditor = nullptr;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool DbGrid::canAppend() const
{
    if (m_readOnly || !m_allowInsert || !m_table || !m_table->isActive())
        return false;
    return !(m_table->state() == DataTable::Insert && !m_table->isModified());
}

void DbGrid::moveToNextCell()
{
    if (!m_table)
        return;
    const QModelIndex cur = currentIndex();
    if (!cur.isValid()) {
        const int c = firstVisibleColumn();
        if (m_model->rowCount() > 0 && c >= 0)
            setCurrentIndex(m_model->index(0, c));
        return;
    }
    for (int c = cur.column() + 1; c < columnCount(); ++c) {
        if (!isColumnHidden(c)) {
            setCurrentIndex(m_model->index(cur.row(), c));
            return;
        }
    }
    const int first = firstVisibleColumn();
    if (first < 0)
        return;
    if (cur.row() + 1 < m_model->rowCount()) {
        setCurrentIndex(m_model->index(cur.row() + 1, first));
        if (currentIndex().row() == cur.row() + 1)
            return;
        return;
    }
    if (canAppend()) {
        try {
            if (m_table->append()) {
                m_syncing = true;
                setCurrentIndex(m_model->index(m_table->currentRow(), first));
                m_syncing = false;
            }
        } catch (const std::exception &e) {
            m_syncing = false;
            reportFailure(e);
        }
    }
}

void DbGrid::handleEditorEnter(QWidget *editor, const QString &text)
{
    const QModelIndex cur = currentIndex();
    if (m_enterHandler && cur.isValid()) {
        bool handled = false;
        try {
            handled = m_enterHandler(cur.column(), text, true);
        } catch (const std::exception &e) {
            reportFailure(e);
            handled = true;
        }
        if (handled) {
            if (m_delegate->openEditor == editor) {
                m_delegate->openEditor = nullptr;
                closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
            }
            setFocus();
            return;
        }
    }
    if (m_delegate->openEditor == editor) {
        m_delegate->openEditor = nullptr;
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    setFocus();
    moveToNextCell();
}

void DbGrid::ellipsisPressed(int row, int column)
{
    if (!m_table)
        return;
    commitEdit();
    try {
        if (row != m_table->currentRow() && !m_table->setCurrentRow(row))
            return;
    } catch (const std::exception &e) {
        reportFailure(e);
        return;
    }
    emit ellipsisClicked(column);
}

void DbGrid::keyPressEvent(QKeyEvent *event)
{
    if (!m_table || m_readOnly || !m_table->isActive()) {
        QTableView::keyPressEvent(event);
        return;
    }
    const QModelIndex cur = currentIndex();
    try {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            if (state() == QAbstractItemView::EditingState)
                break;
            if (m_enterHandler && cur.isValid()) {
                const QString stored = m_model->data(cur, Qt::EditRole).toString();
                if (m_enterHandler(cur.column(), stored, false))
                    return;
            }
            moveToNextCell();
            return;
        }
        case Qt::Key_Down:
            if (event->modifiers() == Qt::NoModifier
                && (m_table->isEmpty() || m_table->currentRow() == m_table->rowCount() - 1)) {
                if (canAppend()) {
                    const int col = cur.isValid() ? cur.column() : firstVisibleColumn();
                    if (m_table->append() && col >= 0) {
                        m_syncing = true;
                        setCurrentIndex(m_model->index(m_table->currentRow(), col));
                        m_syncing = false;
                    }
                }
                return;
            }
            break;
        case Qt::Key_Insert:
            if (event->modifiers() == Qt::NoModifier && m_allowInsert) {
                m_table->insert();
                return;
            }
            break;
        case Qt::Key_Escape:
            if (m_table->isEditing()) {
                m_table->cancel();
                return;
            }
            break;
        default: break;
        }
    } catch (const std::exception &e) {
        m_syncing = false;
        reportFailure(e);
        return;
    }
    QTableView::keyPressEvent(event);
}

void DbGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_readOnly) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid())
            emit rowDoubleClicked(index.row());
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

} // namespace jjgz
