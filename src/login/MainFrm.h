#pragma once
#include "app/ChildForm.h"

#include <QMainWindow>

class QMdiArea;

namespace jjgz {

// The program's main window: a frame for the child screens.
class TfrmMain : public QMainWindow, public ChildHost {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    static QString productTitle();

    QMdiArea *childArea() override { return mdiArea; }
    QMdiSubWindow *addChild(QWidget *form) override;

    QMdiArea *mdiArea;

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace jjgz
