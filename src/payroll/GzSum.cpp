#include "payroll/GzSum.h"

#include "app/Application.h"
#include "app/ChildForm.h"
#include "app/ListServices.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "payroll/WagePrint.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"
#include "widgets/MonthPicker.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

namespace jjgz {
namespace {
const QString kScreenKey = QStringLiteral("GzSum");
} // namespace

TfrmGzSum::TfrmGzSum(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmGzSum"));
    setWindowTitle(QStringLiteral("工资汇总表"));

    ToolBar1 = makeScreenToolBar(this);
    btnQuery = addToolButton(ToolBar1, toolIcon(Glyph::Locate), QStringLiteral("查询"), QStringLiteral("btnQuery"));
    btnGzRep = addToolButton(ToolBar1, toolIcon(Glyph::Print), QStringLiteral("打印"), QStringLiteral("btnGzRep"));
    btnSetup = addToolButton(ToolBar1, toolIcon(Glyph::Settings), QStringLiteral("设置"), QStringLiteral("btnSetup"));
    btnExport = addToolButton(ToolBar1, toolIcon(Glyph::Export), QStringLiteral("导出"), QStringLiteral("btnExport"));
    btnClose = addToolButton(ToolBar1, toolIcon(Glyph::Close), QStringLiteral("退出"), QStringLiteral("btnClose"));

    lblCaption = makeCaptionStrip(QStringLiteral("工资汇总表"), this);
    // The picker starts at the business date's month, the month a clerk is working on.
    const QDate biz = QDate::fromString(CurBizDate, QStringLiteral("yyyy-MM-dd"));
    edtDt = makeMonthPicker(this, biz.isValid() ? biz.year() : QDate::currentDate().year(),
                            biz.isValid() ? biz.month() : QDate::currentDate().month());
    edtDt->setObjectName(QStringLiteral("edtDt"));
    auto *monthRow = new QHBoxLayout;
    monthRow->addWidget(new QLabel(QStringLiteral("工资月份"), this));
    monthRow->addWidget(edtDt);
    monthRow->addStretch();

    tmp = new DataTable(this);
    tmp->setObjectName(QStringLiteral("tmp"));
    grid = new DbGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setReadOnly(true);
    grid->setTable(tmp);
    buildColumns({});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblCaption);
    layout->addLayout(monthRow);
    layout->addWidget(grid, 1);

    connect(btnQuery, &QAction::triggered, this, [this] { guarded(this, [this] { btnQueryClick(); }); });
    connect(btnGzRep, &QAction::triggered, this, [this] { guarded(this, [this] { btnGzRepClick(); }); });
    connect(btnSetup, &QAction::triggered, this, [this] { guarded(this, [this] { btnSetupClick(); }); });
    connect(btnExport, &QAction::triggered, this, [this] { guarded(this, [this] { btnExportClick(); }); });
    connect(btnClose, &QAction::triggered, this, [this] { closeChildForm(this); });
}

TfrmGzSum::~TfrmGzSum() = default;

void TfrmGzSum::buildColumns(const QList<MonthItem> &items)
{
    grid->clearColumns();
    GridColumn code;
    code.field = QStringLiteral("bmcode");
    code.tag = 1;
    grid->addColumn(code);
    grid->addColumn(QStringLiteral("bmname"), QStringLiteral("部门名称"), 70);
    for (const MonthItem &item : items)
        grid->addColumn(item.fname, item.xmname, 60, QStringLiteral("0.00"));
}

void TfrmGzSum::btnQueryClick()
{
    const int year = edtDt->date().year();
    const int month = edtDt->date().month();
    const QList<MonthItem> items = m_data.query(year, month, *tmp);
    m_year = year;
    m_month = month;
    buildColumns(items);
    ApplyColumnSettings(kScreenKey, grid);
}

void TfrmGzSum::setUpPrint(GridPrinter &printer) const
{
    setUpMonthPrint(printer, QStringLiteral("工资汇总表"), m_year, m_month);
    printer.setTotalRow(true);
    printer.setPageNumbers(true);
}

void TfrmGzSum::btnGzRepClick()
{
    GridPrinter printer(*grid);
    setUpPrint(printer);
    printer.preview(this);
}

void TfrmGzSum::btnSetupClick()
{
    if (tmp->isActive())
        ShowColumnSettings(kScreenKey, grid);
}

void TfrmGzSum::btnExportClick()
{
    ExportGrid(grid);
}

} // namespace jjgz
