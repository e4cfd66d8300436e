#pragma once
// The wage sheet window: one month's wages, one row per employee and one column per item of the
// month. Opened in three modes (entry, pay slips, payment table); a new window each time. The
// work itself is done by WageSheet; this window shows it, takes typing and asks the questions.
#include "payroll/WageSheetMode.h"
#include "report/Report.h"

#include <QWidget>

#include <memory>

class QAction;
class QDateEdit;
class QLabel;
class QMenu;
class QToolBar;

namespace jjgz {

class DbGrid;
class GridPrinter;
class WageSheet;

class TfrmGzData : public QWidget {
    Q_OBJECT
public:
    explicit TfrmGzData(const WageSheetMode &mode, QWidget *parent = nullptr);
    ~TfrmGzData() override;

    int mode() const { return m_mode.mode; }
    // The settings section of the grid's columns: "GzData" + the mode digit.
    QString screenKey() const;
    WageSheet &sheet() { return *m_sheet; }

    QToolBar *ToolBar1;
    QAction *btnQuery;    // 调出
    QAction *btnReCreate; // 重新生成
    QAction *btnCalc;     // 计算
    QAction *btnGzBar;    // 工资条 (pay slips: the printouts build on the sheet)
    QAction *btnGzRep;    // 工资表 (payment table: likewise)
    QAction *btnSetup;    // 设置
    QAction *btnExport;   // 导出
    QAction *btnClose;    // 退出
    QLabel *lblCaption;
    QDateEdit *edtDt; // 工资月份
    DbGrid *grid;
    QMenu *pmGrid; // 计算过程
    QAction *mnuExplain;

    // The explanation of the cell at grid row/column, as 计算过程 shows it (empty when the cell
    // is no item cell).
    QStringList explainCell(int row, int column);

    // 工资条: the pay slips of the sheet's rows and the grid's visible columns in the report preview.
    void btnGzBarClick();
    // The pay slips as 工资条 prints them (the sheet's rows, the grid's visible columns and widths).
    report::Report paySlips(QString *templateMessage) const;
    // 工资表: the grid printed as the payment table; the print as that button sets it up.
    void btnGzRepClick();
    void setUpPaymentTable(GridPrinter &printer) const;

private:
    void SetupSheetColumns();
    void reload(bool recreate); // 调出, or 重新生成 after its question
    void btnQueryClick();
    void btnReCreateClick();
    void btnCalcClick();
    void btnSetupClick();
    void btnExportClick();
    void btnCloseClick();
    void mnuExplainClick();
    void updateButtons();

    WageSheetMode m_mode;
    std::unique_ptr<WageSheet> m_sheet;
};

} // namespace jjgz
