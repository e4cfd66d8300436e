#pragma once
// 操作日志: the operation log as a list, newest first, filtered by date range, operator, action
// and text; printed and exported like every list. Read only: nothing here changes the log.
#include <QWidget>

class QAction;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QToolBar;

namespace jjgz {

class DataTable;
class DbGrid;
class GridPrinter;
struct OpLogFilter;

class TfrmOpLog : public QWidget {
    Q_OBJECT
public:
    explicit TfrmOpLog(QWidget *parent = nullptr);
    ~TfrmOpLog() override;

    QToolBar *ToolBar1;
    QAction *btnQuery;  // 查询
    QAction *btnPrint;  // 打印
    QAction *btnSetup;  // 设置
    QAction *btnExport; // 导出
    QAction *btnClose;  // 退出
    QLabel *lblCaption;
    QDateEdit *edtFrom;
    QDateEdit *edtTo;
    QComboBox *cboOper;   // empty: every operator
    QComboBox *cboAction; // empty: every action
    QLineEdit *edtText;   // contained in 对象 or 内容
    DbGrid *grid;
    DataTable *tmp;

    OpLogFilter filter() const;
    void setUpPrint(GridPrinter &printer) const;

    void btnQueryClick();
    void btnPrintClick();
    void btnSetupClick();
    void btnExportClick();
};

} // namespace jjgz
