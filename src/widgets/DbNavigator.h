#pragma once
// The navigator bar of an editor grid: insert, delete, edit, post and cancel on one DataTable.
#include "data/DataTable.h"

#include <QPointer>
#include <QWidget>

class QToolButton;

namespace jjgz {

class DbNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { Insert, Delete, EditRow, Post, Cancel, ButtonCount };

    explicit DbNavigator(QWidget *parent = nullptr);
    void setTable(DataTable *table); // not owned
    DataTable *table() const { return m_table; }
    // Asks "确定要删除吗？" before deleting (on by default).
    void setConfirmDelete(bool confirm) { m_confirmDelete = confirm; }
    QToolButton *button(Button which) const { return m_buttons[which]; }
    // Carries out a button's action, as a click does (failures are shown, not thrown).
    void trigger(Button which);

private:
    void updateButtons();
    QPointer<DataTable> m_table;
    QList<QMetaObject::Connection> m_connections;
    QToolButton *m_buttons[ButtonCount] = {};
    bool m_confirmDelete = true;
};

} // namespace jjgz
