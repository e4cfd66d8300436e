#include "piecework/JjData.h"

#include "app/Application.h"
#include "app/ChildForm.h"
#include "app/ImportDialog.h"
#include "app/ListServices.h"
#include "data/DBFun.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "piecework/JjDataMdy.h"
#include "piecework/JjDataSel.h"
#include "piecework/PieceImport.h"
#include "piecework/PieceLog.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"
#include "widgets/MessageService.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolBar>
#include <QVBoxLayout>

namespace jjgz {
namespace {
const QString kScreenKey = QStringLiteral("JjData");
constexpr int FirstLineColumn = 9;
constexpr int LastLineColumn = 15;
} // namespace

TfrmJjData::TfrmJjData(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmJjData"));
    setWindowTitle(QStringLiteral("计件数据录入"));

    ToolBar1 = makeScreenToolBar(this);
    btnQuery = addToolButton(ToolBar1, toolIcon(Glyph::Locate), QStringLiteral("查询"), QStringLiteral("btnQuery"));
    btnAdd = addToolButton(ToolBar1, toolIcon(Glyph::Add), QStringLiteral("增加"), QStringLiteral("btnAdd"));
    btnEdit = addToolButton(ToolBar1, toolIcon(Glyph::Edit), QStringLiteral("修改"), QStringLiteral("btnEdit"));
    btnDel = addToolButton(ToolBar1, toolIcon(Glyph::Delete), QStringLiteral("删除"), QStringLiteral("btnDel"));
    btnPrint = addToolButton(ToolBar1, toolIcon(Glyph::Print), QStringLiteral("打印"), QStringLiteral("btnPrint"));
    btnSetup = addToolButton(ToolBar1, toolIcon(Glyph::Settings), QStringLiteral("设置"), QStringLiteral("btnSetup"));
    btnExport = addToolButton(ToolBar1, toolIcon(Glyph::Export), QStringLiteral("导出"), QStringLiteral("btnExport"));
    btnImport = addToolButton(ToolBar1, importIcon(), QStringLiteral("导入"), QStringLiteral("btnImport"));
    btnImport->setToolTip(QStringLiteral("导入…：从 Excel 或 CSV 表格导入计件数据"));
    btnClose = addToolButton(ToolBar1, toolIcon(Glyph::Close), QStringLiteral("退出"), QStringLiteral("btnClose"));

    lblCaption = makeCaptionStrip(QStringLiteral("计件数据"), this);
    lblTitle = new QLabel(QStringLiteral("标题："), lblCaption);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setStyleSheet(QStringLiteral("background:transparent;border:none;"));
    // Wide enough for any month, whenever the text is set.
    lblTitle->setMinimumWidth(lblTitle->fontMetrics().horizontalAdvance(QStringLiteral("数据月份：0000年00月")) + 8);
    auto *captionLayout = new QHBoxLayout(lblCaption);
    captionLayout->setContentsMargins(10, 0, 10, 0);
    captionLayout->addWidget(lblTitle, 0, Qt::AlignLeft | Qt::AlignVCenter);
    captionLayout->addStretch();

    tmp = new DataTable(this);
    tmp->setObjectName(QStringLiteral("tmp"));
    PieceListing::defineListFields(*tmp);
    grid = new DbGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setTable(tmp);
    grid->addColumn(QStringLiteral("dt"), QStringLiteral("日期"), 100);
    grid->addColumn(QStringLiteral("gzname"), QStringLiteral("工种名称"), 100);
    grid->addColumn(QStringLiteral("gxname"), QStringLiteral("工序名称"), 211);
    grid->addColumn(QStringLiteral("price"), QStringLiteral("单价"), 60);
    grid->addColumn(QStringLiteral("rs"), QStringLiteral("人数"), 60);
    grid->addColumn(QStringLiteral("xsname"), QStringLiteral("系数名称"), 100);
    grid->addColumn(QStringLiteral("xs"), QStringLiteral("系数"), 60, QStringLiteral("0.00"));
    grid->addColumn(QStringLiteral("sl"), QStringLiteral("计件数量"), 60, QStringLiteral("0.00"));
    grid->addColumn(QStringLiteral("je"), QStringLiteral("金额"), 60, QStringLiteral("0.00"));
    grid->addColumn(QStringLiteral("wkcode"), QStringLiteral("员工代码"), 80);
    grid->addColumn(QStringLiteral("wkname"), QStringLiteral("员工姓名"), 80);
    grid->addColumn(QStringLiteral("sex"), QStringLiteral("性别"), 44);
    grid->addColumn(QStringLiteral("tpname"), QStringLiteral("职位名称"), 100);
    grid->addColumn(QStringLiteral("bl"), QStringLiteral("比例"), 60, QStringLiteral("0.00"));
    grid->addColumn(QStringLiteral("je2"), QStringLiteral("金额"), 60, QStringLiteral("0.00"));
    grid->addColumn(QStringLiteral("bmname"), QStringLiteral("部门名称"), 100);
    grid->setReadOnly(true);
    grid->setAllowInsert(false);

    pmGrid = new QMenu(this);
    pmGrid->setObjectName(QStringLiteral("pmGrid"));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pmGrid->popup(grid->viewport()->mapToGlobal(pos)); });
    auto addMenu = [this](const QString &text, const char *name, void (TfrmJjData::*handler)()) {
        QAction *action = pmGrid->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded(this, [this, handler] { (this->*handler)(); }); });
    };
    addMenu(QStringLiteral("增加数据"), "mnuAdd", &TfrmJjData::btnAddClick);
    addMenu(QStringLiteral("修改数据"), "mnuEdit", &TfrmJjData::btnEditClick);
    addMenu(QStringLiteral("删除数据"), "mnuDel", &TfrmJjData::btnDelClick);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Inside the main window the toolbar moves into the main window's tool area.
    layout->addWidget(ToolBar1);
    layout->addWidget(lblCaption);
    layout->addWidget(grid, 1);

    auto wire = [this](QAction *action, void (TfrmJjData::*handler)()) { connectGuarded(action, this, handler); };
    wire(btnQuery, &TfrmJjData::btnQueryClick);
    wire(btnAdd, &TfrmJjData::btnAddClick);
    wire(btnEdit, &TfrmJjData::btnEditClick);
    wire(btnDel, &TfrmJjData::btnDelClick);
    wire(btnPrint, &TfrmJjData::btnPrintClick);
    wire(btnSetup, &TfrmJjData::btnSetupClick);
    wire(btnExport, &TfrmJjData::btnExportClick);
    wire(btnImport, &TfrmJjData::btnImportClick);
    wire(btnClose, &TfrmJjData::btnCloseClick);
    connect(grid, &DbGrid::rowDoubleClicked, this, [this] { guarded(this, [this] { btnEditClick(); }); });

    resize(1000, 600);
    guarded(this, [this] { m_lookups.load(); });
    ApplyColumnSettings(kScreenKey, grid);
    showLineColumns();
}

TfrmJjData::~TfrmJjData() = default;

void TfrmJjData::runQuery(const ListingQuery &query)
{
    m_query = query;
    lblTitle->setText(QStringLiteral("数据月份：") + query.monthLabel);
    reread();
    showLineColumns();
}

void TfrmJjData::reread()
{
    if (!m_query.isValid())
        return;
    PieceListing::load(*tmp, m_query, m_lookups);
}

void TfrmJjData::showLineColumns()
{
    for (int i = FirstLineColumn; i <= LastLineColumn; ++i)
        grid->setColumnVisible(
            i, m_query.detail
                   && ReadConfig(kScreenKey, QStringLiteral("col") + QString::number(i), QStringLiteral("1"))
                          == QLatin1String("1"));
}

bool TfrmJjData::currentHeader(RecordHeader &header) const
{
    if (!tmp->isActive() || tmp->isEmpty() || tmp->currentRow() < 0)
        return false;
    auto number = [this](const char *field) { return tmp->value(QLatin1String(field)); };
    header.pid = int(tmp->asInteger(QStringLiteral("pid")));
    header.dt = QDate::fromString(tmp->text(QStringLiteral("dt")), QStringLiteral("yyyy-MM-dd"));
    header.gzText = BracketText(tmp->text(QStringLiteral("gzcode")), tmp->text(QStringLiteral("gzname")));
    header.gxText = BracketText(tmp->text(QStringLiteral("gxcode")), tmp->text(QStringLiteral("gxname")));
    header.price = number("price");
    header.rs = number("rs");
    header.xsText = tmp->text(QStringLiteral("xscode")).isEmpty()
                        ? QString()
                        : BracketText(tmp->text(QStringLiteral("xscode")), tmp->text(QStringLiteral("xsname")));
    header.xs = number("xs");
    header.sl = number("sl");
    header.je = number("je");
    return true;
}

void TfrmJjData::btnQueryClick()
{
    ListingQuery query;
    if (!TfrmJjDataSel::shared(window())->ask(query))
        return;
    runQuery(query);
}

void TfrmJjData::btnAddClick()
{
    {
        TfrmJjDataMdy dialog(1, QStringLiteral("增加计件数据"), this);
        dialog.exec();
    }
    // Whatever happened in the dialog, the list is read again and ends on its last row.
    reread();
    tmp->last();
}

void TfrmJjData::btnEditClick()
{
    RecordHeader header;
    if (!currentHeader(header))
        return;
    PieceLog::requireOpenRecord(header.pid); // a record of a closed month is not opened for change
    TfrmJjDataMdy dialog(2, QStringLiteral("修改计件数据"), this);
    dialog.setPositionNames(m_lookups.positions());
    dialog.setRecord(header);
    if (dialog.exec() != QDialog::Accepted)
        return;
    reread();
    tmp->locate(QStringLiteral("pid"), header.pid);
}

void TfrmJjData::btnDelClick()
{
    if (!tmp->isActive() || tmp->isEmpty() || tmp->currentRow() < 0)
        return;
    PieceLog::requireOpenRecord(int(tmp->asInteger(QStringLiteral("pid"))));
    if (!askYesNo(this, QStringLiteral("确定要删除吗？")))
        return;
    const int row = tmp->currentRow();
    try {
        // The record goes with all its lines, whichever row of it was chosen.
        PieceListing::removeRecord(int(tmp->asInteger(QStringLiteral("pid"))));
    } catch (const DbError &) {
        showError(this, QStringLiteral("删除失败，正在使用！"));
        return;
    }
    reread();
    if (!tmp->isEmpty())
        tmp->setCurrentRow(std::min(row, tmp->rowCount() - 1));
}

void TfrmJjData::setUpPrint(GridPrinter &printer) const
{
    printer.setPageHeader(QStringLiteral("计件数据一览表"));
    printer.setTitleLine(QStringLiteral("   %[v1]"));
    printer.setV1(lblTitle->text());
    printer.setMarginsMm(QMarginsF(1.0, 1.0, 1.0, 1.0));
}

void TfrmJjData::btnPrintClick()
{
    GridPrinter printer(*grid);
    setUpPrint(printer);
    printer.preview(this);
}

void TfrmJjData::btnSetupClick()
{
    ShowColumnSettings(kScreenKey, grid);
    // The line columns stay away from a list of records whatever was chosen.
    showLineColumns();
}

void TfrmJjData::btnExportClick()
{
    ExportGrid(grid);
}

void TfrmJjData::btnImportClick()
{
    const bool written = TfrmImport::execute(
        this, QStringLiteral("导入计件数据"),
        QStringLiteral("第一个有内容的行是标题行，列的次序不限：单号、日期、工种、工序、数量、系数（可无）、员工代码，"
                       "可加员工姓名以便核对。每行是一位员工的分成，单号相同的行是同一条计件记录；单价、人数、分成比例"
                       "和金额按工序和员工的职位计算，与录入窗口相同。"),
        [](const SheetTable &table, bool dryRun) { return PieceImport::run(table, dryRun, CurOperName); });
    if (written)
        reread();
}

void TfrmJjData::btnCloseClick()
{
    closeChildForm(this);
}

void openPieceWork(QWidget *mainWindow, int)
{
    ListingQuery query;
    if (!TfrmJjDataSel::shared(mainWindow)->ask(query))
        return;
    auto *form = new TfrmJjData();
    form->runQuery(query);
    if (ChildHost *host = childHost()) {
        raiseChildForm(host->addChild(form), 2);
    } else {
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->showMaximized();
    }
}

} // namespace jjgz
