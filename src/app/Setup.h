#pragma once
// Column settings dialog: one tick per column of a list, in two columns; every click applies
// the ticks to the list and stores them in config.ini under the screen's key.
#include <QDialog>

class QListWidget;

namespace jjgz {

class DbGrid;

class TfrmSetup : public QDialog {
    Q_OBJECT
public:
    TfrmSetup(const QString &screenKey, DbGrid *grid, QWidget *parent = nullptr);

    QListWidget *lstColumns() const { return m_list; }

private:
    void applyTicks();

    QString m_screenKey;
    DbGrid *m_grid;
    QListWidget *m_list;
    bool m_filling = false;
};

} // namespace jjgz
