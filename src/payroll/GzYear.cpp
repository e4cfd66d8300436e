#include "payroll/GzYear.h"

#include "app/Application.h"
#include "app/ChildForm.h"
#include "app/ListServices.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "payroll/YearSummary.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

namespace jjgz {
namespace {
const QString kScreenKey = QStringLiteral("GzYear");
} // namespace

TfrmGzYear::TfrmGzYear(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmGzYear"));
    setWindowTitle(QStringLiteral("年度汇总"));

    ToolBar1 = makeScreenToolBar(this);
    btnQuery = addToolButton(ToolBar1, toolIcon(Glyph::Locate), QStringLiteral("查询"), QStringLiteral("btnQuery"));
    btnGzRep = addToolButton(ToolBar1, toolIcon(Glyph::Print), QStringLiteral("打印"), QStringLiteral("btnGzRep"));
    btnSetup = addToolButton(ToolBar1, toolIcon(Glyph::Settings), QStringLiteral("设置"), QStringLiteral("btnSetup"));
    btnExport = addToolButton(ToolBar1, toolIcon(Glyph::Export), QStringLiteral("导出"), QStringLiteral("btnExport"));
    btnClose = addToolButton(ToolBar1, toolIcon(Glyph::Close), QStringLiteral("退出"), QStringLiteral("btnClose"));

    lblCaption = makeCaptionStrip(QStringLiteral("年度汇总"), this);
    const QDate biz = QDate::fromString(CurBizDate, QStringLiteral("yyyy-MM-dd"));
    edtYear = new QSpinBox(this);
    edtYear->setObjectName(QStringLiteral("edtYear"));
    edtYear->setRange(1900, 9999);
    edtYear->setSuffix(QStringLiteral("年"));
    edtYear->setValue(biz.isValid() ? biz.year() : QDate::currentDate().year());
    auto *yearRow = new QHBoxLayout;
    yearRow->addWidget(new QLabel(QStringLiteral("年度"), this));
    yearRow->addWidget(edtYear);
    yearRow->addStretch();

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
    layout->addLayout(yearRow);
    layout->addWidget(grid, 1);

    connect(btnQuery, &QAction::triggered, this, [this] { guarded(this, [this] { btnQueryClick(); }); });
    connect(btnGzRep, &QAction::triggered, this, [this] { guarded(this, [this] { btnGzRepClick(); }); });
    connect(btnSetup, &QAction::triggered, this, [this] { guarded(this, [this] { btnSetupClick(); }); });
    connect(btnExport, &QAction::triggered, this, [this] { guarded(this, [this] { btnExportClick(); }); });
    connect(btnClose, &QAction::triggered, this, [this] { closeChildForm(this); });
}

TfrmGzYear::~TfrmGzYear() = default;

void TfrmGzYear::buildColumns(const QList<MonthItem> &items)
{
    grid->clearColumns();
    grid->addColumn(QStringLiteral("wkcode"), QStringLiteral("员工代码"), 70);
    grid->addColumn(QStringLiteral("wkname"), QStringLiteral("员工姓名"), 70);
    grid->addColumn(QStringLiteral("bmname"), QStringLiteral("部门名称"), 70);
    grid->addColumn(QStringLiteral("months"), QStringLiteral("月数"), 40);
    for (const MonthItem &item : items)
        grid->addColumn(item.fname, item.xmname, 70, QStringLiteral("0.00"));
}

void TfrmGzYear::btnQueryClick()
{
    const int year = edtYear->value();
    const QList<MonthItem> items = YearSummary::query(year, *tmp);
    m_year = year;
    buildColumns(items);
    ApplyColumnSettings(kScreenKey, grid);
}

void TfrmGzYear::setUpPrint(GridPrinter &printer) const
{
    printer.setPageHeader(QStringLiteral("年度汇总"));
    printer.setTitleLine(QStringLiteral("  %[v1]"));
    printer.setV1(QStringLiteral("年度：%1年").arg(m_year));
}

void TfrmGzYear::btnGzRepClick()
{
    GridPrinter printer(*grid);
    setUpPrint(printer);
    printer.preview(this);
}

void TfrmGzYear::btnSetupClick()
{
    if (tmp->isActive())
        ShowColumnSettings(kScreenKey, grid);
}

void TfrmGzYear::btnExportClick()
{
    ExportGrid(grid);
}

} // namespace jjgz
