#include "EnterAsTab.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QWidget>

namespace jjgz {

void EnterAsTab::install(QWidget *dialog)
{
    auto *filter = dialog->findChild<EnterAsTab *>(QString(), Qt::FindDirectChildrenOnly);
    if (!filter)
        filter = new EnterAsTab(dialog);
    for (QWidget *w : dialog->findChildren<QWidget *>()) {
        if (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w)
            || qobject_cast<QAbstractButton *>(w)) {
            w->removeEventFilter(filter);
            w->installEventFilter(filter);
        }
        // Enter must not press a default button behind the user's back.
        if (auto *button = qobject_cast<QPushButton *>(w)) {
            button->setAutoDefault(false);
            button->setDefault(false);
        }
    }
}

bool EnterAsTab::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if (key->modifiers() & ~(Qt::KeypadModifier))
        return false;
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w)
        return false;
    // An open drop-down list takes Enter to choose its entry.
    if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->view() && combo->view()->isVisible())
        return false;
    // Exactly what the Tab key does.
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &tab);
    return true;
}

} // namespace jjgz
