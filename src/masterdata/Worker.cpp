#include "masterdata/Worker.h"

#include "app/Application.h"
#include "app/ChildForm.h"
#include "app/ImportDialog.h"
#include "app/ListServices.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "masterdata/WorkerData.h"
#include "masterdata/WorkerImport.h"
#include "masterdata/WorkerMdy.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"
#include "widgets/MessageService.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace jjgz {
namespace {
constexpr int CodeRole = Qt::UserRole;
const QString kScreenKey = QStringLiteral("Worker");
} // namespace

QIcon TfrmWorker::nodeIcon()
{
    QStyle *st = QApplication::style();
    QIcon icon;
    icon.addPixmap(st->standardIcon(QStyle::SP_DirClosedIcon).pixmap(16, 16), QIcon::Normal);
    icon.addPixmap(st->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16, 16), QIcon::Selected);
    return icon;
}

TfrmWorker::TfrmWorker(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmWorker"));
    setWindowTitle(QStringLiteral("员工名册管理"));

    ToolBar1 = makeScreenToolBar(this);
    btnAdd = addToolButton(ToolBar1, toolIcon(Glyph::Add), QStringLiteral("增加"), QStringLiteral("btnAdd"));
    btnEdit = addToolButton(ToolBar1, toolIcon(Glyph::Edit), QStringLiteral("修改"), QStringLiteral("btnEdit"));
    btnDel = addToolButton(ToolBar1, toolIcon(Glyph::Delete), QStringLiteral("删除"), QStringLiteral("btnDel"));
    btnPrint = addToolButton(ToolBar1, toolIcon(Glyph::Print), QStringLiteral("打印"), QStringLiteral("btnPrint"));
    btnLocate = addToolButton(ToolBar1, toolIcon(Glyph::Locate), QStringLiteral("定位"), QStringLiteral("btnLocate"));
    btnSetup = addToolButton(ToolBar1, toolIcon(Glyph::Settings), QStringLiteral("设置"), QStringLiteral("btnSetup"));
    btnExport = addToolButton(ToolBar1, toolIcon(Glyph::Export), QStringLiteral("导出"), QStringLiteral("btnExport"));
    btnImport = addToolButton(ToolBar1, importIcon(), QStringLiteral("导入"), QStringLiteral("btnImport"));
    btnImport->setToolTip(QStringLiteral("导入…：从 Excel 或 CSV 表格导入员工"));
    btnClose = addToolButton(ToolBar1, toolIcon(Glyph::Close), QStringLiteral("退出"), QStringLiteral("btnClose"));

    lblCaption = makeCaptionStrip(QStringLiteral("员工名册"), this);
    tv = makeGroupTree(this);
    // A right click selects the node under the mouse as a left click does.
    tv->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tv, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (QTreeWidgetItem *item = tv->itemAt(pos))
            tv->setCurrentItem(item);
    });

    qryWorker = new DataTable(this);
    qryWorker->setObjectName(QStringLiteral("qryWorker"));
    WorkerData::defineListFields(*qryWorker);
    grid = new DbGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setTable(qryWorker);
    grid->addColumn(QStringLiteral("wkcode"), QStringLiteral("员工代码"), 74);
    grid->addColumn(QStringLiteral("wkname"), QStringLiteral("员工姓名"), 100);
    grid->addColumn(QStringLiteral("sex"), QStringLiteral("性别"), 38);
    grid->addColumn(QStringLiteral("tpname"), QStringLiteral("职位名称"), 100);
    grid->addColumn(QStringLiteral("sfid"), QStringLiteral("身份证号"), 100);
    grid->addColumn(QStringLiteral("xl"), QStringLiteral("学历"), 100);
    grid->addColumn(QStringLiteral("addr"), QStringLiteral("地址"), 127);
    grid->addColumn(QStringLiteral("phone"), QStringLiteral("电话"), 100);
    grid->addColumn(QStringLiteral("indate"), QStringLiteral("入职日期"), 100);
    grid->addColumn(QStringLiteral("bankacc"), QStringLiteral("银行帐号"), 100);
    const int gztpColumn = grid->addColumn(QStringLiteral("gztp"), QStringLiteral("工资类型"), 100);
    const int stateColumn = grid->addColumn(QStringLiteral("state"), QStringLiteral("状态"), 100);
    grid->addColumn(QStringLiteral("mm"), QStringLiteral("备注"), 153);
    grid->setColumnDisplay(gztpColumn, &WorkerData::gztpText);
    grid->setColumnDisplay(stateColumn, &WorkerData::stateText);
    grid->setReadOnly(true);
    grid->setAllowInsert(false);

    pmGrid = new QMenu(this);
    pmGrid->setObjectName(QStringLiteral("pmGrid"));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pmGrid->popup(grid->viewport()->mapToGlobal(pos)); });
    auto addMenu = [this](const QString &text, const char *name, void (TfrmWorker::*handler)()) {
        QAction *action = pmGrid->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded(this, [this, handler] { (this->*handler)(); }); });
    };
    addMenu(QStringLiteral("增加员工"), "mnuAdd", &TfrmWorker::btnAddClick);
    addMenu(QStringLiteral("修改员工"), "mnuEdit", &TfrmWorker::btnEditClick);
    addMenu(QStringLiteral("删除员工"), "mnuDel", &TfrmWorker::btnDelClick);
    QSplitter *splitter = makeTreeListSplitter(this, QStringLiteral("部门列表"), tv, QStringLiteral("员工列表"), grid);
    splitter->setObjectName(QStringLiteral("splitter"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Inside the main window the toolbar moves into the main window's tool area.
    layout->addWidget(ToolBar1);
    layout->addWidget(lblCaption);
    layout->addWidget(splitter, 1);

    auto wire = [this](QAction *action, void (TfrmWorker::*handler)()) { connectGuarded(action, this, handler); };
    wire(btnAdd, &TfrmWorker::btnAddClick);
    wire(btnEdit, &TfrmWorker::btnEditClick);
    wire(btnDel, &TfrmWorker::btnDelClick);
    wire(btnPrint, &TfrmWorker::btnPrintClick);
    wire(btnLocate, &TfrmWorker::btnLocateClick);
    wire(btnSetup, &TfrmWorker::btnSetupClick);
    wire(btnExport, &TfrmWorker::btnExportClick);
    wire(btnImport, &TfrmWorker::btnImportClick);
    wire(btnClose, &TfrmWorker::btnCloseClick);
    connect(grid, &DbGrid::rowDoubleClicked, this, [this] { guarded(this, [this] { btnEditClick(); }); });
    connect(tv, &QTreeWidget::currentItemChanged, this, [this] { guarded(this, [this] { openList(); }); });

    move(0, 0);
    resize(1000, 600);
    ApplyColumnSettings(kScreenKey, grid);
    guarded(this, [this] { buildTree(); });
}

TfrmWorker::~TfrmWorker() = default;

void TfrmWorker::buildTree()
{
    const QIcon icon = nodeIcon();
    tv->clear();
    for (const DepartNode &node : WorkerData::departments()) {
        auto *item = new QTreeWidgetItem(tv, {node.text()});
        item->setData(0, CodeRole, node.bmcode);
        item->setIcon(0, icon);
    }
    if (tv->topLevelItemCount() > 0)
        tv->setCurrentItem(tv->topLevelItem(0));
    else
        openList();
}

QString TfrmWorker::currentBmcode() const
{
    const QTreeWidgetItem *item = tv->currentItem();
    return item ? item->data(0, CodeRole).toString() : QString();
}

void TfrmWorker::openList()
{
    if (!tv->currentItem()) {
        qryWorker->close();
        return;
    }
    WorkerData::loadList(*qryWorker, currentBmcode());
}

void TfrmWorker::btnAddClick()
{
    const QTreeWidgetItem *node = tv->currentItem();
    if (!node)
        return;
    TfrmWorkerMdy::execute(this, EditMode::Add, currentBmcode(), QStringLiteral("增加员工"), node->text(0));
    // Whatever happened in the dialog, the list shows the department again, on its last row.
    openList();
    qryWorker->last();
}

void TfrmWorker::btnEditClick()
{
    const QTreeWidgetItem *node = tv->currentItem();
    if (!node || !qryWorker->isActive() || qryWorker->isEmpty() || qryWorker->currentRow() < 0)
        return;
    const WorkerValues worker = WorkerData::current(*qryWorker);
    if (!TfrmWorkerMdy::execute(this, EditMode::Modify, currentBmcode(), QStringLiteral("修改员工信息"), node->text(0),
                                worker))
        return;
    openList();
    qryWorker->locate(QStringLiteral("wkcode"), worker.wkcode);
}

void TfrmWorker::btnDelClick()
{
    if (!qryWorker->isActive() || qryWorker->isEmpty() || qryWorker->currentRow() < 0)
        return;
    const QString wkcode = qryWorker->text(QStringLiteral("wkcode"));
    const QString wkname = qryWorker->text(QStringLiteral("wkname"));
    if (WorkerData::inUse(wkcode)) {
        showError(this, QStringLiteral("该员工存在相关信息，不能删除"));
        return;
    }
    if (!askYesNo(this, QStringLiteral("确认要删除员工：") + wkname + QStringLiteral("吗？")))
        return;
    try {
        WorkerData::remove(wkcode);
    } catch (const DbError &) {
        showError(this, QStringLiteral("员工删除失败！"));
        return;
    }
    openList();
}

void TfrmWorker::setUpPrint(GridPrinter &printer) const
{
    printer.setPageHeader(QStringLiteral("员工名册"));
    printer.setTitleLine(QStringLiteral("所属部门：%[v1]"));
    const QTreeWidgetItem *node = tv->currentItem();
    printer.setV1(node ? node->text(0) : QString());
    printer.setOrientation(QPageLayout::Landscape);
}

void TfrmWorker::btnPrintClick()
{
    if (!tv->currentItem() || !qryWorker->isActive())
        return;
    GridPrinter printer(*grid);
    setUpPrint(printer);
    printer.preview(this);
}

void TfrmWorker::btnLocateClick()
{
    const QString name = InputPrompt(QStringLiteral("员工输入"), QStringLiteral("请输入员工姓名"));
    if (name.isEmpty() || !qryWorker->isActive())
        return;
    qryWorker->locate(QStringLiteral("wkname"), name);
}

void TfrmWorker::btnSetupClick()
{
    ShowColumnSettings(kScreenKey, grid);
}

void TfrmWorker::btnExportClick()
{
    ExportGrid(grid);
}

void TfrmWorker::btnImportClick()
{
    const QString code =
        qryWorker->isActive() && !qryWorker->isEmpty() ? qryWorker->text(QStringLiteral("wkcode")) : QString();
    const bool written = TfrmImport::execute(
        this, QStringLiteral("导入员工名册"),
        QStringLiteral("第一个有内容的行是标题行，列的次序不限：员工代码（必填）、员工姓名、部门（代码或名称）、性别、"
                       "职位、身份证号、学历、地址、电话、入职日期、银行账号、工资类型、状态、备注。"
                       "新的员工代码增加员工，已有的代码更新表格中有的列。"),
        [](const SheetTable &table, bool dryRun) { return WorkerImport::run(table, dryRun); });
    if (!written)
        return;
    openList();
    if (!code.isEmpty())
        qryWorker->locate(QStringLiteral("wkcode"), code);
}

void TfrmWorker::btnCloseClick()
{
    closeChildForm(this);
}

} // namespace jjgz
