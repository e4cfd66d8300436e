#include "masterdata/Jjgx.h"

#include "app/Application.h"
#include "app/DBFun.h"
#include "app/ListServices.h"
#include "app/MainDM.h"
#include "widgets/DataTable.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"
#include "widgets/MessageService.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
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
    QStyle *st = style();

    ToolBar1 = new QToolBar(QStringLiteral("ToolBar1"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setIconSize(QSize(24, 24));
    auto addButton = [this](const QIcon &icon, const QString &caption, const char *name) {
        QAction *action = ToolBar1->addAction(icon, caption);
        action->setObjectName(QLatin1String(name));
        if (auto *button = qobject_cast<QToolButton *>(ToolBar1->widgetForAction(action))) {
            button->setFixedWidth(60);
            button->setAutoRaise(true);
        }
        return action;
    };
    tbAdd = addButton(st->standardIcon(QStyle::SP_FileDialogNewFolder), QStringLiteral("增加"), "tbAdd");
    tbModify = addButton(st->standardIcon(QStyle::SP_FileDialogDetailedView), QStringLiteral("修改"), "tbModify");
    tbDelete = addButton(st->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("删除"), "tbDelete");
    tbPrint = addButton(st->standardIcon(QStyle::SP_FileIcon), QStringLiteral("打印"), "tbPrint");
    tbLocate = addButton(st->standardIcon(QStyle::SP_FileDialogContentsView), QStringLiteral("定位"), "tbLocate");
    tbSetup = addButton(st->standardIcon(QStyle::SP_FileDialogListView), QStringLiteral("设置"), "tbSetup");
    tbExport = addButton(st->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("导出"), "tbExport");
    tbExit = addButton(st->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("退出"), "tbExit");

    auto *caption = new QLabel(QStringLiteral("工序设置"), this);
    caption->setObjectName(QStringLiteral("lblCaption"));
    caption->setAlignment(Qt::AlignCenter);
    caption->setMinimumHeight(26);
    QFont captionFont = caption->font();
    captionFont.setBold(true);
    if (captionFont.pointSizeF() > 0)
        captionFont.setPointSizeF(captionFont.pointSizeF() * 1.2);
    else
        captionFont.setPixelSize(captionFont.pixelSize() * 6 / 5);
    caption->setFont(captionFont);
    caption->setStyleSheet(QStringLiteral("background:#dfe8f3;border-bottom:1px solid #a8b8cc;"));

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    auto *treeFrame = new QGroupBox(QStringLiteral("工种列表"), splitter);
    tv = new QTreeWidget(treeFrame);
    tv->setObjectName(QStringLiteral("tv"));
    tv->setHeaderHidden(true);
    tv->setRootIsDecorated(false);
    tv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tv->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *treeLayout = new QVBoxLayout(treeFrame);
    treeLayout->setContentsMargins(4, 4, 4, 4);
    treeLayout->addWidget(tv);

    auto *listFrame = new QGroupBox(QStringLiteral("工序列表"), splitter);
    qry = new DataTable(this);
    qry->setObjectName(QStringLiteral("qry"));
    ProcessData::defineProcessFields(*qry);
    grid = new DbGrid(listFrame);
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
        connect(action, &QAction::triggered, this, [this, handler] { guarded(this, [this, handler] { (this->*handler)(); }); });
    };
    addMenu(QStringLiteral("增加工序"), &TfrmJjgx::btnAddClick);
    addMenu(QStringLiteral("修改工序"), &TfrmJjgx::btnModifyClick);
    addMenu(QStringLiteral("删除工序"), &TfrmJjgx::btnDeleteClick);
    auto *listLayout = new QVBoxLayout(listFrame);
    listLayout->setContentsMargins(4, 4, 4, 4);
    listLayout->addWidget(grid);

    splitter->addWidget(treeFrame);
    splitter->addWidget(listFrame);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({199, 800});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Inside the main window the toolbar moves into the main window's tool area.
    layout->addWidget(ToolBar1);
    layout->addWidget(caption);
    layout->addWidget(splitter, 1);

    auto wire = [this](QAction *action, void (TfrmJjgx::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { guarded(this, [this, handler] { (this->*handler)(); }); });
    };
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
    request.mode = 1;
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
    request.mode = 2;
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
    TfrmJjgxMdy::execute(this, request);
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
    if (!askYesNo(this, QStringLiteral("确认要删除工序：") + qry->text(QStringLiteral("gxname")) + QStringLiteral("吗？")))
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
    for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(w)) {
            sub->close();
            return;
        }
    }
    close();
}

} // namespace jjgz
