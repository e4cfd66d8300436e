#include "masterdata/Jjgx.h"

#include "app/Application.h"
#include "app/ChildForm.h"
#include "app/ListServices.h"
#include "data/DBFun.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"
#include "widgets/MessageService.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace jjgz {

namespace {
constexpr int CodeRole = Qt::UserRole;
}

TfrmJjgx::TfrmJjgx(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmJjgx"));
    setWindowTitle(QStringLiteral("计件工序设置"));

    ToolBar1 = makeScreenToolBar(this);
    tbAdd = addToolButton(ToolBar1, toolIcon(Glyph::Add), QStringLiteral("增加"), QStringLiteral("tbAdd"));
    tbModify = addToolButton(ToolBar1, toolIcon(Glyph::Edit), QStringLiteral("修改"), QStringLiteral("tbModify"));
    tbDelete = addToolButton(ToolBar1, toolIcon(Glyph::Delete), QStringLiteral("删除"), QStringLiteral("tbDelete"));
    tbPrint = addToolButton(ToolBar1, toolIcon(Glyph::Print), QStringLiteral("打印"), QStringLiteral("tbPrint"));
    tbLocate = addToolButton(ToolBar1, toolIcon(Glyph::Locate), QStringLiteral("定位"), QStringLiteral("tbLocate"));
    tbSetup = addToolButton(ToolBar1, toolIcon(Glyph::Settings), QStringLiteral("设置"), QStringLiteral("tbSetup"));
    tbExport = addToolButton(ToolBar1, toolIcon(Glyph::Export), QStringLiteral("导出"), QStringLiteral("tbExport"));
    tbExit = addToolButton(ToolBar1, toolIcon(Glyph::Close), QStringLiteral("退出"), QStringLiteral("tbExit"));

    QLabel *caption = makeCaptionStrip(QStringLiteral("工序设置"), this);
    tv = makeGroupTree(this);

    qry = new DataTable(this);
    qry->setObjectName(QStringLiteral("qry"));
    ProcessData::defineProcessFields(*qry);
    grid = new DbGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setTable(qry);
    grid->addColumn(QStringLiteral("gxcode"), QStringLiteral("工序代码"), 90);
    grid->addColumn(QStringLiteral("gxname"), QStringLiteral("工序名称"), 398);
    grid->addColumn(QStringLiteral("unit"), QStringLiteral("计价单位"), 90);
    grid->addColumn(QStringLiteral("price"), QStringLiteral("计件单价"), 90);
    grid->addColumn(QStringLiteral("rs"), QStringLiteral("工序人数"), 90);
    grid->setReadOnly(true);
    grid->setAllowInsert(false);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto addMenu = [this](const QString &text, void (TfrmJjgx::*handler)()) {
        auto *action = new QAction(text, grid);
        grid->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded(this, [this, handler] { (this->*handler)(); }); });
    };
    addMenu(QStringLiteral("增加工序"), &TfrmJjgx::btnAddClick);
    addMenu(QStringLiteral("修改工序"), &TfrmJjgx::btnModifyClick);
    addMenu(QStringLiteral("删除工序"), &TfrmJjgx::btnDeleteClick);
    QSplitter *splitter = makeTreeListSplitter(this, QStringLiteral("工种列表"), tv, QStringLiteral("工序列表"), grid);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Inside the main window the toolbar moves into the main window's tool area.
    layout->addWidget(ToolBar1);
    layout->addWidget(caption);
    layout->addWidget(splitter, 1);

    auto wire = [this](QAction *action, void (TfrmJjgx::*handler)()) { connectGuarded(action, this, handler); };
    wire(tbAdd, &TfrmJjgx::btnAddClick);
    wire(tbModify, &TfrmJjgx::btnModifyClick);
    wire(tbDelete, &TfrmJjgx::btnDeleteClick);
    wire(tbPrint, &TfrmJjgx::btnPrintClick);
    wire(tbLocate, &TfrmJjgx::btnLocateClick);
    wire(tbSetup, &TfrmJjgx::btnSetupClick);
    wire(tbExport, &TfrmJjgx::btnExportClick);
    connect(tbExit, &QAction::triggered, this, [this] { closeWindow(); });
    connect(grid, &DbGrid::rowDoubleClicked, this, [this] { guarded(this, [this] { btnModifyClick(); }); });
    connect(tv, &QTreeWidget::currentItemChanged, this, [this] { guarded(this, [this] { openList(); }); });

    move(0, 0);
    resize(900, 560);
    guarded(this, [this] { fillTree(); });
    ApplyColumnSettings(QStringLiteral("Jjgx"), grid);
}

void TfrmJjgx::fillTree()
{
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    QIcon nodeIcon;
    nodeIcon.addPixmap(closedIcon.pixmap(16, 16), QIcon::Normal);
    nodeIcon.addPixmap(openIcon.pixmap(16, 16), QIcon::Selected);
    tv->clear();
    for (const JobTypeNode &node : ProcessData::jobTypes()) {
        auto *item = new QTreeWidgetItem(tv, {node.text()});
        item->setData(0, CodeRole, node.gzcode);
        item->setIcon(0, nodeIcon);
    }
    if (tv->topLevelItemCount() > 0)
        tv->setCurrentItem(tv->topLevelItem(0));
    else
        openList();
}

QString TfrmJjgx::currentGzcode() const
{
    const QTreeWidgetItem *item = tv->currentItem();
    return item ? item->data(0, CodeRole).toString() : QString();
}

QString TfrmJjgx::currentGzText() const
{
    const QTreeWidgetItem *item = tv->currentItem();
    return item ? item->text(0) : QString();
}

void TfrmJjgx::openList()
{
    if (!tv->currentItem()) {
        qry->close();
        qry->open();
        return;
    }
    ProcessData::loadProcesses(*qry, currentGzcode());
}

bool TfrmJjgx::addRequest(JjgxMdyRequest &request) const
{
    if (!tv->currentItem())
        return false;
    request.mode = EditMode::Add;
    request.gzText = currentGzText();
    request.process = ProcessValues{};
    request.process.gzcode = currentGzcode();
    request.process.gxcode = NextProcessCode(request.process.gzcode);
    return true;
}

bool TfrmJjgx::modifyRequest(JjgxMdyRequest &request) const
{
    if (!tv->currentItem() || !qry->isActive() || qry->isEmpty() || qry->currentRow() < 0)
        return false;
    request.mode = EditMode::Modify;
    request.gzText = currentGzText();
    request.process.gzcode = currentGzcode();
    request.process.gxcode = qry->text(QStringLiteral("gxcode"));
    request.process.gxname = qry->text(QStringLiteral("gxname"));
    request.process.unit = qry->text(QStringLiteral("unit"));
    request.process.price = qry->value(QStringLiteral("price"));
    request.process.rs = qry->value(QStringLiteral("rs"));
    return true;
}

void TfrmJjgx::btnAddClick()
{
    JjgxMdyRequest request;
    if (!addRequest(request))
        return;
    TfrmJjgxMdy::execute(this, request, [this](const QString &gxcode) {
        openList();
        qry->locate(QStringLiteral("gxcode"), gxcode);
    });
    openList();
    qry->last();
}

void TfrmJjgx::btnModifyClick()
{
    JjgxMdyRequest request;
    if (!modifyRequest(request))
        return;
    if (!TfrmJjgxMdy::execute(this, request))
        return;
    openList();
    qry->locate(QStringLiteral("gxcode"), request.process.gxcode);
}

void TfrmJjgx::btnDeleteClick()
{
    if (!qry->isActive() || qry->isEmpty() || qry->currentRow() < 0)
        return;
    const QString gzcode = qry->text(QStringLiteral("gzcode"));
    const QString gxcode = qry->text(QStringLiteral("gxcode"));
    if (!askYesNo(this,
                  QStringLiteral("确认要删除工序：") + qry->text(QStringLiteral("gxname")) + QStringLiteral("吗？")))
        return;
    try {
        ProcessData::remove(gzcode, gxcode);
    } catch (const DbError &) {
        showError(this, QStringLiteral("工序删除失败！"), QStringLiteral("提示"));
        return;
    }
    openList();
}

void TfrmJjgx::btnPrintClick()
{
    if (!tv->currentItem())
        return;
    GridPrinter printer(*grid);
    printer.setPageHeader(QStringLiteral("计件工序"));
    printer.setTitleLine(QStringLiteral("所属工种：%[v1]"));
    printer.setV1(currentGzText());
    printer.preview(this);
}

void TfrmJjgx::btnLocateClick()
{
    const QString code = InputPrompt(QStringLiteral("工序输入"), QStringLiteral("请输入工序代码"));
    if (code.isEmpty() || !qry->isActive())
        return;
    qry->locate(QStringLiteral("gxcode"), code);
}

void TfrmJjgx::btnSetupClick()
{
    ShowColumnSettings(QStringLiteral("Jjgx"), grid);
}

void TfrmJjgx::btnExportClick()
{
    ExportGrid(grid);
}

void TfrmJjgx::closeWindow()
{
    closeChildForm(this);
}

} // namespace jjgz
