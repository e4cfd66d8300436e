#include "wagestructure/Gzxm.h"

#include "app/Application.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "wagestructure/GzxmData.h"
#include "wagestructure/GzxmMdy.h"
#include "widgets/DbGrid.h"
#include "widgets/MessageService.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>

namespace jjgz {

TfrmGzxm::TfrmGzxm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmGzxm"));
    setWindowTitle(QStringLiteral("工资项目定义"));

    ToolBar1 = makeScreenToolBar(this);
    btnAppend = addToolButton(ToolBar1, toolIcon(Glyph::Add), QStringLiteral("增加"), QStringLiteral("btnAppend"));
    btnMdy = addToolButton(ToolBar1, toolIcon(Glyph::Edit), QStringLiteral("修改"), QStringLiteral("btnMdy"));
    btnDel = addToolButton(ToolBar1, toolIcon(Glyph::Delete), QStringLiteral("删除"), QStringLiteral("btnDel"));
    btnClose = addToolButton(ToolBar1, toolIcon(Glyph::Close), QStringLiteral("退出"), QStringLiteral("btnClose"));

    lblCaption = makeCaptionStrip(QStringLiteral("工资项目定义"), this);

    qryGzxm = new DataTable(this);
    qryGzxm->setObjectName(QStringLiteral("qryGzxm"));
    WageItems::defineListFields(*qryGzxm);
    grid = new DbGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setTable(qryGzxm);
    grid->addColumn(QStringLiteral("xh"), QStringLiteral("序号"), 70);
    grid->addColumn(QStringLiteral("fname"), QStringLiteral("工资项目编码"), 100);
    grid->addColumn(QStringLiteral("xmname"), QStringLiteral("工资项目名称"), 160);
    const int typeColumn = grid->addColumn(QStringLiteral("ftype"), QStringLiteral("数据类型"), 100);
    grid->addColumn(QStringLiteral("fsize"), QStringLiteral("数据宽度"), 100);
    grid->setColumnDisplay(typeColumn, &WageItems::typeText);
    grid->setReadOnly(true);
    grid->setAllowInsert(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(lblCaption);
    layout->addWidget(grid, 1);

    auto wire = [this](QAction *action, void (TfrmGzxm::*handler)()) { connectGuarded(action, this, handler); };
    wire(btnAppend, &TfrmGzxm::btnAppendClick);
    wire(btnMdy, &TfrmGzxm::btnMdyClick);
    wire(btnDel, &TfrmGzxm::btnDelClick);
    connect(btnClose, &QAction::triggered, this, &QDialog::reject);
    connect(grid, &DbGrid::rowDoubleClicked, this, [this] { guarded(this, [this] { btnMdyClick(); }); });
    connect(this, &QDialog::finished, qryGzxm, &DataTable::close);

    setFixedSize(560, 420);
    guarded(this, [this] { openList(); });
}

TfrmGzxm::~TfrmGzxm() = default;

void TfrmGzxm::showEvent(QShowEvent *event)
{
    // Centred on the screen.
    if (const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TfrmGzxm::openList()
{
    WageItems::loadList(*qryGzxm);
}

void TfrmGzxm::btnAppendClick()
{
    TfrmGzxmMdy::execute(this, 1, {}, [this] {
        openList();
        qryGzxm->last();
    });
    openList();
    qryGzxm->last();
}

void TfrmGzxm::btnMdyClick()
{
    if (!qryGzxm->isActive() || qryGzxm->isEmpty() || qryGzxm->currentRow() < 0)
        return;
    const WageItem item = WageItems::current(*qryGzxm);
    if (!TfrmGzxmMdy::execute(this, 2, item))
        return;
    openList();
    qryGzxm->locate(QStringLiteral("xh"), item.xh);
}

// "确定要删除吗？", naming the item's formulas that go with it.
QString TfrmGzxm::deleteQuestion(const WageItem &item)
{
    const QList<WageItems::ItemFormula> formulas = WageItems::formulasOf(item.fname);
    QString text = QStringLiteral("确定要删除吗？");
    if (formulas.isEmpty())
        return text;
    text += QStringLiteral("\n\n工资项目“%1”(%2)的 %3 个计算公式将一并删除：")
                .arg(item.xmname, item.fname)
                .arg(formulas.size());
    constexpr int shown = 10;
    for (qsizetype i = 0; i < formulas.size() && i < shown; ++i) {
        const WageItems::ItemFormula &f = formulas[i];
        text += QStringLiteral("\n序号%1：%2").arg(f.xh).arg(f.gs);
        if (!f.con.isEmpty())
            text += QStringLiteral("　条件：") + f.con;
    }
    if (formulas.size() > shown)
        text += QStringLiteral("\n……另有 %1 个").arg(formulas.size() - shown);
    return text;
}

void TfrmGzxm::btnDelClick()
{
    if (!qryGzxm->isActive() || qryGzxm->isEmpty() || qryGzxm->currentRow() < 0)
        return;
    const WageItem item = WageItems::current(*qryGzxm);
    if (!askYesNo(this, deleteQuestion(item)))
        return;
    try {
        WageItems::deleteItem(item.xh, item.fname);
    } catch (const std::exception &) {
        showError(this, QStringLiteral("删除失败，正在使用！"));
        return;
    }
    const int row = qryGzxm->currentRow();
    openList();
    qryGzxm->setCurrentRow(std::min(row, qryGzxm->rowCount() - 1));
}

void TfrmGzxm::execute(QWidget *parent)
{
    TfrmGzxm dialog(parent);
    dialog.exec();
}

} // namespace jjgz
