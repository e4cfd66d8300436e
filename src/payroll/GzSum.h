#pragma once
// The department summary 工资汇总表: for one month the total of every wage item per department,
// printed and exported like every list.
#include "payroll/SummaryData.h"

#include <QWidget>

class QAction;
class QDateEdit;
class QLabel;
class QToolBar;

namespace jjgz {

class DataTable;
class DbGrid;
class GridPrinter;

class TfrmGzSum : public QWidget {
    Q_OBJECT
public:
    explicit TfrmGzSum(QWidget *parent = nullptr);
    ~TfrmGzSum() override;

    QToolBar *ToolBar1;
    QAction *btnQuery;
    QAction *btnGzRep;
    QAction *btnSetup;
    QAction *btnExport;
    QAction *btnClose;
    QLabel *lblCaption;
    QDateEdit *edtDt;
    DbGrid *grid;
    DataTable *tmp;

    int loadedYear() const { return m_year; }
    int loadedMonth() const { return m_month; }
    // The print of the grid as 打印 sets it up ("工资汇总表", the month line).
    void setUpPrint(GridPrinter &printer) const;

    void btnQueryClick();
    void btnGzRepClick();
    void btnSetupClick();
    void btnExportClick();

private:
    void buildColumns(const QList<MonthItem> &items);

    SummaryData m_data;
    int m_year = 0;
    int m_month = 0;
};

} // namespace jjgz
