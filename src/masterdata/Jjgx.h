#pragma once
// The process window: the job types on the left, the processes of the chosen one on the right.
#include "masterdata/JjgxMdy.h"

#include <QWidget>

class QAction;
class QLabel;
class QToolBar;
class QTreeWidget;

namespace jjgz {

class DataTable;
class DbGrid;

class TfrmJjgx : public QWidget {
    Q_OBJECT
public:
    explicit TfrmJjgx(QWidget *parent = nullptr);

    QToolBar *ToolBar1;
    QAction *tbAdd;
    QAction *tbModify;
    QAction *tbDelete;
    QAction *tbPrint;
    QAction *tbLocate;
    QAction *tbSetup;
    QAction *tbExport;
    QAction *tbExit;
    QTreeWidget *tv;
    DataTable *qry; // the processes of the chosen job type
    DbGrid *grid;

    // The job-type code and text of the selected node (empty when none is selected).
    QString currentGzcode() const;
    QString currentGzText() const;
    // Re-reads the processes of the selected job type.
    void openList();

    // What 增加 and 修改 hand the dialog; false when the action has nothing to work on.
    bool addRequest(JjgxMdyRequest &request) const;
    bool modifyRequest(JjgxMdyRequest &request) const;

    void btnAddClick();
    void btnModifyClick();
    void btnDeleteClick();
    void btnPrintClick();
    void btnLocateClick();
    void btnSetupClick();
    void btnExportClick();

private:
    void fillTree();
    void closeWindow();
};

} // namespace jjgz
