// DbGrid's cell editors and the delegate that opens them.
#include "widgets/DbGridParts.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

namespace jjgz {

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

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const GridColumn &col = m_grid->m_columns.at(index.column());
    // Typing stops at the width of a text field (in characters, as the database column).
    const int field = m_grid->m_model->fieldOf(index.column());
    int limit = 0;
    if (field >= 0 && m_grid->m_table->field(field).kind == FieldKind::Text)
        limit = m_grid->m_table->field(field).size;
    QWidget *editor = nullptr;
    QLineEdit *line = nullptr;
    if (!col.pickList.isEmpty()) {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(col.pickList);
        editor = combo;
        line = combo->lineEdit();
    } else if (col.ellipsis) {
        auto *x = new EllipsisEditor(parent);
        const int column = index.column();
        const int row = index.row();
        QObject::connect(x->button, &QToolButton::clicked, m_grid,
                         [grid = m_grid, row, column] { grid->ellipsisPressed(row, column); });
        editor = x;
        line = x->edit;
    } else {
        editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *plain = qobject_cast<QLineEdit *>(editor); plain && limit > 0)
            plain->setMaxLength(limit);
    }
    QWidget *focusChild = line;
    if (line && limit > 0)
        line->setMaxLength(limit);
    if (focusChild) {
        focusChild->setProperty("jjgzCellEditor", QVariant::fromValue(static_cast<QObject *>(editor)));
        focusChild->installEventFilter(const_cast<GridDelegate *>(this));
    }
    const_cast<GridDelegate *>(this)->openEditor = editor;
    return editor;
}

void GridDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    if (openEditor == editor)
        const_cast<GridDelegate *>(this)->openEditor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

void GridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto *c = qobject_cast<QComboBox *>(editor))
        c->setEditText(text);
    else if (auto *x = dynamic_cast<EllipsisEditor *>(editor))
        x->edit->setText(text);
    else
        QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const QString text = editorText(editor);
    if (text == index.data(Qt::EditRole).toString())
        return; // unchanged: the row does not count as modified
    model->setData(index, text, Qt::EditRole);
}

void GridDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

void GridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
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

bool GridDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                               const QModelIndex &index)
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

bool GridDelegate::eventFilter(QObject *object, QEvent *event)
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
} // namespace jjgz
