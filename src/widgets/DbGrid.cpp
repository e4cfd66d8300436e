#include "widgets/DbGrid.h"

#include "widgets/MessageService.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace jjgz {

// ================================================================ model

class DbGridModel : public QAbstractTableModel {
public:
    explicit DbGridModel(DbGrid *grid) : QAbstractTableModel(grid), m_grid(grid) {}

    DataTable *table() const { return m_grid->m_table; }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        if (parent.isValid() || !table() || !table()->isActive())
            return 0;
        return table()->rowCount();
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : m_grid->columnCount();
    }

    int fieldOf(int column) const
    {
        if (!table() || column < 0 || column >= m_grid->columnCount())
            return -1;
        const QString &f = m_grid->m_columns.at(column).field;
        return f.isEmpty() ? -1 : table()->fieldIndex(f);
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || !table())
            return {};
        const int field = fieldOf(index.column());
        const GridColumn &col = m_grid->m_columns.at(index.column());
        switch (role) {
        case Qt::DisplayRole:
            return m_grid->displayText(index.row(), index.column());
        case Qt::EditRole: {
            if (field < 0)
                return QString();
            const QVariant v = table()->rowValue(index.row(), field);
            if (v.isNull())
                return QString();
            switch (table()->field(field).kind) {
            case FieldKind::Float: return QString::number(v.toDouble(), 'g', 15);
            case FieldKind::Date: return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
            default: return v.toString();
            }
        }
        case Qt::TextAlignmentRole: {
            const bool number = field >= 0 && !col.displayText
                && (table()->field(field).kind == FieldKind::Float || table()->field(field).kind == FieldKind::Integer);
            return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
        }
        case Qt::BackgroundRole:
            if (col.readOnly)
                return m_grid->palette().brush(QPalette::ToolTipBase);
            return {};
        case Qt::ForegroundRole:
            if (col.readOnly)
                return m_grid->palette().brush(QPalette::ToolTipText);
            return {};
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (!m_grid->m_readOnly && !m_grid->m_columns.at(index.column()).readOnly && fieldOf(index.column()) >= 0)
            f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        if (role != Qt::EditRole || !index.isValid() || !table())
            return false;
        const int field = fieldOf(index.column());
        if (field < 0)
            return false;
        try {
            if (!table()->setCurrentRow(index.row()))
                return false;
            table()->setValue(field, value);
        } catch (const std::exception &e) {
            m_grid->reportFailure(e);
            return false;
        }
        return true;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal) {
            if (section < 0 || section >= m_grid->columnCount())
                return {};
            if (role == Qt::DisplayRole)
                return m_grid->m_columns.at(section).title;
            if (role == Qt::TextAlignmentRole)
                return QVariant::fromValue(Qt::AlignCenter);
            return {};
        }
        if (role == Qt::DisplayRole) {
            if (!table() || section != table()->currentRow())
                return QString();
            switch (table()->state()) {
            case DataTable::Insert: return QStringLiteral("*");
            case DataTable::Edit: return QStringLiteral("I");
            default: return QStringLiteral("▶");
            }
        }
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignCenter);
        return {};
    }

    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }
    void beginInsert(int row) { beginInsertRows({}, row, row); }
    void endInsert() { endInsertRows(); }
    void beginRemove(int row) { beginRemoveRows({}, row, row); }
    void endRemove() { endRemoveRows(); }
    void rowChanged(int row)
    {
        if (row >= 0 && row < rowCount())
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    void indicatorChanged()
    {
        if (rowCount() > 0)
            emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }
    void columnsChanged()
    {
        beginResetModel();
        endResetModel();
    }

private:
    DbGrid *m_grid;
};

// ================================================================ cell editors

namespace {

constexpr int kButtonWidth = 18;

// A line editor with a "..." button at its right.
class EllipsisEditor : public QWidget {
public:
    explicit EllipsisEditor(QWidget *parent) : QWidget(parent)
    {
        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        edit = new QLineEdit(this);
        edit->setFrame(false);
        button = new QToolButton(this);
        button->setText(QStringLiteral("..."));
        button->setFixedWidth(kButtonWidth);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(edit);
        layout->addWidget(button);
        setFocusProxy(edit);
        setAutoFillBackground(true);
    }
    QLineEdit *edit;
    QToolButton *button;
};

QString editorText(QWidget *editor)
{
    if (auto *e = qobject_cast<QLineEdit *>(editor))
        return e->text();
    if (auto *c = qobject_cast<QComboBox *>(editor))
        return c->currentText();
    if (auto *x = dynamic_cast<EllipsisEditor *>(editor))
        return x->edit->text();
    return QString();
}

QRect buttonRect(const QRect &cell)
{
    return QRect(cell.right() - kButtonWidth + 1, cell.top(), kButtonWidth, cell.height());
}

} // namespace

class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(DbGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QPointer<QWidget> openEditor;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const GridColumn &col = m_grid->m_columns.at(index.column());
        QWidget *editor = nullptr;
        QWidget *focusChild = nullptr;
        if (!col.pickList.isEmpty()) {
            auto *combo = new QComboBox(parent);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->addItems(col.pickList);
            editor = combo;
            focusChild = combo->lineEdit();
        } else if (col.ellipsis) {
            auto *x = new EllipsisEditor(parent);
            const int column = index.column();
            const int row = index.row();
            QObject::connect(x->button, &QToolButton::clicked, m_grid, [grid = m_grid, row, column] {
                grid->ellipsisPressed(row, column);
            });
            editor = x;
            focusChild = x->edit;
        } else {
            editor = QStyledItemDelegate::createEditor(parent, option, index);
            if (auto *line = qobject_cast<QLineEdit *>(editor)) {
                const int field = m_grid->m_model->fieldOf(index.column());
                if (field >= 0 && m_grid->m_table->field(field).kind == FieldKind::Text && m_grid->m_table->field(field).size > 0)
                    line->setMaxLength(m_grid->m_table->field(field).size);
            }
        }
        if (focusChild) {
            focusChild->setProperty("jjgzCellEditor", QVariant::fromValue(static_cast<QObject *>(editor)));
            focusChild->installEventFilter(const_cast<GridDelegate *>(this));
        }
        const_cast<GridDelegate *>(this)->openEditor = editor;
        return editor;
    }

    // Qt closes an editor by itself (focus out); the grid must then forget it.
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        if (openEditor == editor)
            const_cast<GridDelegate *>(this)->openEditor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        const QString text = index.data(Qt::EditRole).toString();
        if (auto *c = qobject_cast<QComboBox *>(editor))
            c->setEditText(text);
        else if (auto *x = dynamic_cast<EllipsisEditor *>(editor))
            x->edit->setText(text);
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const QString text = editorText(editor);
        if (text == index.data(Qt::EditRole).toString())
            return; // unchanged: the row does not count as modified
        model->setData(index, text, Qt::EditRole);
    }

    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        editor->setGeometry(option.rect);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const GridColumn &col = m_grid->m_columns.at(index.column());
        if (col.ellipsis && !m_grid->m_readOnly && index == m_grid->currentIndex()) {
            const QRect r = buttonRect(option.rect);
            painter->save();
            painter->fillRect(r, option.palette.button());
            painter->setPen(option.palette.color(QPalette::Mid));
            painter->drawRect(r.adjusted(0, 0, -1, -1));
            painter->setPen(option.palette.color(QPalette::ButtonText));
            painter->drawText(r, Qt::AlignCenter, QStringLiteral("..."));
            painter->restore();
        }
    }

    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override
    {
        const GridColumn &col = m_grid->m_columns.at(index.column());
        if (col.ellipsis && !m_grid->m_readOnly && event->type() == QEvent::MouseButtonRelease
            && index == m_grid->currentIndex()) {
            auto *me = static_cast<QMouseEvent *>(event);
            if (buttonRect(option.rect).contains(me->position().toPoint())) {
                m_grid->ellipsisPressed(index.row(), index.column());
                return true;
            }
        }
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        QWidget *editor = qobject_cast<QWidget *>(object);
        if (QObject *top = object->property("jjgzCellEditor").value<QObject *>())
            editor = qobject_cast<QWidget *>(top);
        if (!editor)
            return QStyledItemDelegate::eventFilter(object, event);
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                if (auto *combo = qobject_cast<QComboBox *>(editor); combo && combo->view()->isVisible())
                    return false; // the drop-down takes the choice
                m_grid->handleEditorEnter(editor, editorText(editor));
                return true;
            }
        }
        if (editor != object) {
            // Keys of an editor's inner field: handled as the editor's own (Tab, Esc).
            if (event->type() == QEvent::KeyPress) {
                auto *key = static_cast<QKeyEvent *>(event);
                if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Escape)
                    return QStyledItemDelegate::eventFilter(editor, event);
            }
            if (event->type() == QEvent::FocusOut)
                return false;
            return false;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    DbGrid *m_grid;
};

// ================================================================ footer

class GridFooter : public QWidget {
public:
    explicit GridFooter(DbGrid *grid) : QWidget(grid), m_grid(grid) { setAutoFillBackground(true); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().button());
        const int h = m_grid->footerRowHeight();
        const int offset = m_grid->viewport()->x() - x();
        p.setPen(palette().color(QPalette::Mid));
        for (int fr = 0; fr < m_grid->footerRowCount(); ++fr) {
            const int top = fr * h;
            p.drawLine(0, top + h - 1, width(), top + h - 1);
            for (int c = 0; c < m_grid->columnCount(); ++c) {
                if (m_grid->isColumnHidden(c))
                    continue;
                const int left = offset + m_grid->horizontalHeader()->sectionViewportPosition(c);
                const int w = m_grid->horizontalHeader()->sectionSize(c);
                if (left + w < offset || left > width())
                    continue;
                const QRect cell(left, top, w, h);
                p.setPen(palette().color(QPalette::Mid));
                p.drawLine(cell.topRight(), cell.bottomRight());
                const QVariant v = m_grid->footerValue(fr, c);
                const Qt::Alignment align = Qt::AlignVCenter
                    | (v.metaType().id() == QMetaType::Double ? Qt::AlignRight : Qt::AlignLeft);
                p.setPen(palette().color(QPalette::ButtonText));
                p.drawText(cell.adjusted(3, 0, -3, 0), align, m_grid->footerDisplayText(fr, c));
            }
        }
    }

private:
    DbGrid *m_grid;
};

// ================================================================ grid

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
    case FieldKind::Float:
        return formatFloat(c.format, v.toDouble());
    case FieldKind::Integer:
        return c.format.isEmpty() ? v.toString() : formatFloat(c.format, v.toDouble());
    case FieldKind::Date:
        return v.toDate().toString(c.format.isEmpty() ? QStringLiteral("yyyy-MM-dd") : c.format);
    case FieldKind::Text:
        break;
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
            if (event->modifiers() == Qt::NoModifier && (m_table->isEmpty() || m_table->currentRow() == m_table->rowCount() - 1)) {
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
        default:
            break;
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

// ---------------------------------------------------------------- footer

int DbGrid::footerRowHeight() const
{
    return verticalHeader()->defaultSectionSize();
}

void DbGrid::setFooterRowCount(int rows)
{
    rows = qMax(0, rows);
    while (m_footers.size() > rows)
        m_footers.removeLast();
    while (m_footers.size() < rows)
        m_footers.append(QList<FooterCell>());
    updateGeometries();
    refreshFooter();
}

DbGrid::FooterCell &DbGrid::footerCell(int footerRow, int column)
{
    if (footerRow < 0 || footerRow >= footerRowCount() || column < 0 || column >= columnCount())
        throw DataError(DataError::State, QStringLiteral("合计行或列超出范围"));
    QList<FooterCell> &row = m_footers[footerRow];
    while (row.size() <= column)
        row.append(FooterCell());
    return row[column];
}

void DbGrid::setFooterText(int footerRow, int column, const QString &text)
{
    FooterCell &c = footerCell(footerRow, column);
    c.kind = FooterCell::Text;
    c.text = text;
    refreshFooter();
}

void DbGrid::setFooterValue(int footerRow, int column, double value)
{
    FooterCell &c = footerCell(footerRow, column);
    c.kind = FooterCell::Value;
    c.value = value;
    refreshFooter();
}

void DbGrid::setFooterSum(int footerRow, int column)
{
    footerCell(footerRow, column).kind = FooterCell::Sum;
    refreshFooter();
}

void DbGrid::clearFooterCell(int footerRow, int column)
{
    footerCell(footerRow, column) = FooterCell();
    refreshFooter();
}

QVariant DbGrid::footerValue(int footerRow, int column) const
{
    if (footerRow < 0 || footerRow >= footerRowCount() || column < 0 || column >= m_footers.at(footerRow).size())
        return {};
    const FooterCell &c = m_footers.at(footerRow).at(column);
    switch (c.kind) {
    case FooterCell::None: return {};
    case FooterCell::Text: return c.text;
    case FooterCell::Value: return c.value;
    case FooterCell::Sum: {
        double sum = 0;
        const int field = m_model->fieldOf(column);
        if (m_table && m_table->isActive() && field >= 0) {
            for (int r = 0; r < m_table->rowCount(); ++r) {
                const QVariant v = m_table->rowValue(r, field);
                if (!v.isNull())
                    sum += v.toDouble();
            }
        }
        return sum;
    }
    }
    return {};
}

QString DbGrid::footerDisplayText(int footerRow, int column) const
{
    const QVariant v = footerValue(footerRow, column);
    if (!v.isValid())
        return QString();
    if (v.metaType().id() == QMetaType::Double)
        return formatFloat(m_columns.at(column).format, v.toDouble());
    return v.toString();
}

void DbGrid::refreshFooter()
{
    if (m_footer && m_footer->isVisible())
        m_footer->update();
}

void DbGrid::updateGeometries()
{
    QTableView::updateGeometries();
    const int height = footerRowCount() * footerRowHeight();
    QMargins m = viewportMargins();
    if (m.bottom() != height) {
        m.setBottom(height);
        setViewportMargins(m);
    }
    if (height > 0) {
        const QRect vp = viewport()->geometry();
        m_footer->setGeometry(frameWidth(), vp.bottom() + 1, vp.right() + 1 - frameWidth(), height);
        m_footer->show();
        m_footer->raise();
        m_footer->update();
    } else {
        m_footer->hide();
    }
}

} // namespace jjgz
