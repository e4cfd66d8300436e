#pragma once
// 年度汇总: for a chosen year, one row per employee with each item's total over the year and the
// months counted; printed and exported like every list.
#include "payroll/SummaryData.h"

#include <QWidget>

class QAction;
class QLabel;
class QSpinBox;
class QToolBar;

namespace jjgz {

class DataTable;
class DbGrid;
class GridPrinter;

class TfrmGzYear : public QWidget {
    Q_OBJECT
public:
    explicit TfrmGzYear(QWidget *parent = nullptr);
    ~TfrmGzYear() override;

    QToolBar *ToolBar1;
    QAction *btnQuery;
    QAction *btnGzRep;
    QAction *btnSetup;
    QAction *btnExport;
    QAction *btnClose;
    QLabel *lblCaption;
    QSpinBox *edtYear;
    DbGrid *grid;
    DataTable *tmp;

    int loadedYear() const { return m_year; }
    void setUpPrint(GridPrinter &printer) const;

    void btnQueryClick();
    void btnGzRepClick();
    void btnSetupClick();
    void btnExportClick();

private:
    void buildColumns(const QList<MonthItem> &items);
    int m_year = 0;
};

} // namespace jjgz
