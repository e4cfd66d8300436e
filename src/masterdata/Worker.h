#pragma once
// The employee roster: a child window of the main window with the departments on the left and
// the employees of the chosen department on the right.
#include <QWidget>

class QAction;
class QIcon;
class QLabel;
class QMenu;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace jjgz {

class DataTable;
class DbGrid;
class GridPrinter;

class TfrmWorker : public QWidget {
    Q_OBJECT
public:
    explicit TfrmWorker(QWidget *parent = nullptr);
    ~TfrmWorker() override;

    // The picture of tree nodes: one for a node, another when it is selected.
    static QIcon nodeIcon();

    QToolBar *ToolBar1;
    QAction *btnAdd;
    QAction *btnEdit;
    QAction *btnDel;
    QAction *btnPrint;
    QAction *btnLocate;
    QAction *btnSetup;
    QAction *btnExport;
    QAction *btnImport;
    QAction *btnClose;
    QLabel *lblCaption;
    QTreeWidget *tv;
    DbGrid *grid;
    DataTable *qryWorker; // the employees of the selected department
    QMenu *pmGrid;

    // The department code of the selected node (empty when none is selected).
    QString currentBmcode() const;
    // The print of the employee list of the selected department.
    void setUpPrint(GridPrinter &printer) const;

private:
    void buildTree();
    void openList(); // the employees of the selected department, on the first row
    void btnAddClick();
    void btnEditClick();
    void btnDelClick();
    void btnPrintClick();
    void btnLocateClick();
    void btnSetupClick();
    void btnExportClick();
    void btnImportClick();
    void btnCloseClick();
};

} // namespace jjgz
