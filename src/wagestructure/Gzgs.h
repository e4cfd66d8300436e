#pragma once
// The formula list: a child window of the main window (at most one, maximised) with its toolbar,
// the heading and the list of formulas; formulas are added, modified and deleted through it.
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace jjgz {

class DataTable;
class DbGrid;

class TfrmGzgs : public QWidget {
    Q_OBJECT
public:
    explicit TfrmGzgs(QWidget *parent = nullptr);
    ~TfrmGzgs() override;

    QToolBar *ToolBar1;
    QAction *btnAppend;
    QAction *btnMdy;
    QAction *btnDel;
    QAction *btnClose;
    QLabel *lblCaption;
    DbGrid *grid;
    DataTable *qryGzgs;
    QMenu *pmGrid;

    void openList();

private:
    void btnAppendClick();
    void btnMdyClick();
    void btnDelClick();
    void btnCloseClick();
};

} // namespace jjgz
