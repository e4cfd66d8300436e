#include "wagestructure/Gzgs.h"

#include "app/Application.h"
#include "app/ChildForm.h"
#include "data/DataTable.h"
#include "wagestructure/GzgsData.h"
#include "wagestructure/GzgsMdy.h"
#include "widgets/DbGrid.h"
#include "widgets/MessageService.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QVBoxLayout>

namespace jjgz {
namespace {

// The description columns are read in a smaller font than the codes beside them.
class SmallFontDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->font = smaller(option->font);
        option->fontMetrics = QFontMetrics(option->font);
    }

private:
    static QFont smaller(QFont font)
    {
        if (font.pixelSize() > 0)
            font.setPixelSize(std::max(9, font.pixelSize() * 5 / 6));
        else
            font.setPointSizeF(std::max(7.0, font.pointSizeF() * 5 / 6));
        return font;
    }
};

} // namespace

TfrmGzgs::TfrmGzgs(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmGzgs"));
    setWindowTitle(QStringLiteral("计算公式定义"));

    ToolBar1 = makeScreenToolBar(this);
    btnAppend = addToolButton(ToolBar1, toolIcon(Glyph::Add), QStringLiteral("增加"), QStringLiteral("btnAppend"));
    btnMdy = addToolButton(ToolBar1, toolIcon(Glyph::Edit), QStringLiteral("修改"), QStringLiteral("btnMdy"));
    btnDel = addToolButton(ToolBar1, toolIcon(Glyph::Delete), QStringLiteral("删除"), QStringLiteral("btnDel"));
    btnClose = addToolButton(ToolBar1, toolIcon(Glyph::Close), QStringLiteral("退出"), QStringLiteral("btnClose"));

    lblCaption = makeCaptionStrip(QStringLiteral("计算公式定义"), this);

    qryGzgs = new DataTable(this);
    qryGzgs->setObjectName(QStringLiteral("qryGzgs"));
    WageFormulas::defineListFields(*qryGzgs);
    grid = new DbGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setTable(qryGzgs);
    grid->addColumn(QStringLiteral("xh"), QStringLiteral("序号"), 40);
    grid->addColumn(QStringLiteral("fname"), QStringLiteral("项目编码"), 60);
    grid->addColumn(QStringLiteral("xmname"), QStringLiteral("项目名称"), 80);
    grid->addColumn(QStringLiteral("gs"), QStringLiteral("计算公式"), 200);
    const int gsdesc = grid->addColumn(QStringLiteral("gsdesc"), QStringLiteral("公式描述"), 250);
    grid->addColumn(QStringLiteral("con"), QStringLiteral("采用条件"), 200);
    const int condesc = grid->addColumn(QStringLiteral("condesc"), QStringLiteral("条件描述"), 250);
    auto *small = new SmallFontDelegate(grid);
    grid->setItemDelegateForColumn(gsdesc, small);
    grid->setItemDelegateForColumn(condesc, small);
    grid->setReadOnly(true);
    grid->setAllowInsert(false);

    pmGrid = new QMenu(this);
    pmGrid->setObjectName(QStringLiteral("pmGrid"));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pmGrid->popup(grid->viewport()->mapToGlobal(pos)); });
    auto wire = [this](QAction *action, void (TfrmGzgs::*handler)()) { connectGuarded(action, this, handler); };
    auto addMenu = [this, &wire](const QString &text, const char *name, void (TfrmGzgs::*handler)()) {
        QAction *action = pmGrid->addAction(text);
        action->setObjectName(QLatin1String(name));
        wire(action, handler);
    };
    addMenu(QStringLiteral("增加公式"), "mnuAppend", &TfrmGzgs::btnAppendClick);
    addMenu(QStringLiteral("修改公式"), "mnuMdy", &TfrmGzgs::btnMdyClick);
    addMenu(QStringLiteral("删除公式"), "mnuDel", &TfrmGzgs::btnDelClick);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Inside the main window the toolbar moves into the main window's tool area.
    layout->addWidget(ToolBar1);
    layout->addWidget(lblCaption);
    layout->addWidget(grid, 1);

    wire(btnAppend, &TfrmGzgs::btnAppendClick);
    wire(btnMdy, &TfrmGzgs::btnMdyClick);
    wire(btnDel, &TfrmGzgs::btnDelClick);
    wire(btnClose, &TfrmGzgs::btnCloseClick);
    connect(grid, &DbGrid::rowDoubleClicked, this, [this] { guarded(this, [this] { btnMdyClick(); }); });

    resize(1000, 600);
    guarded(this, [this] { openList(); });
}

TfrmGzgs::~TfrmGzgs() = default;

void TfrmGzgs::openList()
{
    WageFormulas::loadList(*qryGzgs);
}

void TfrmGzgs::btnAppendClick()
{
    TfrmGzgsMdy::execute(this, 1);
    openList();
    qryGzgs->last();
}

void TfrmGzgs::btnMdyClick()
{
    if (!qryGzgs->isActive() || qryGzgs->isEmpty() || qryGzgs->currentRow() < 0)
        return;
    const WageFormula formula = WageFormulas::current(*qryGzgs);
    if (!TfrmGzgsMdy::execute(this, 2, formula))
        return;
    openList();
    qryGzgs->locate(QStringLiteral("xh"), formula.xh);
}

void TfrmGzgs::btnDelClick()
{
    if (!qryGzgs->isActive() || qryGzgs->isEmpty() || qryGzgs->currentRow() < 0)
        return;
    const int xh = int(qryGzgs->asInteger(QStringLiteral("xh")));
    if (!askYesNo(this, QStringLiteral("确定要删除吗？")))
        return;
    // A failure ends the action in the default error box; the list stays as it is.
    WageFormulas::remove(xh);
    const int row = qryGzgs->currentRow();
    openList();
    qryGzgs->setCurrentRow(std::min(row, qryGzgs->rowCount() - 1));
}

void TfrmGzgs::btnCloseClick()
{
    closeChildForm(this);
}

} // namespace jjgz
