#pragma once
// The wage item list: a modal window of fixed size with its toolbar, the heading and the list of
// items; the items are added, modified and deleted through it.
#include <QDialog>

class QAction;
class QLabel;
class QToolBar;

namespace jjgz {

class DataTable;
class DbGrid;
struct WageItem;

class TfrmGzxm : public QDialog {
    Q_OBJECT
public:
    static void execute(QWidget *parent);
    explicit TfrmGzxm(QWidget *parent = nullptr);
    ~TfrmGzxm() override;

    QToolBar *ToolBar1;
    QAction *btnAppend;
    QAction *btnMdy;
    QAction *btnDel;
    QAction *btnClose;
    QLabel *lblCaption;
    DbGrid *grid;
    DataTable *qryGzxm;

    void openList();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void btnAppendClick();
    void btnMdyClick();
    void btnDelClick();
    static QString deleteQuestion(const WageItem &item);
};

} // namespace jjgz
