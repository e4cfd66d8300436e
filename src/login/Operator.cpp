#include "Operator.h"

#include "OperatorAdd.h"
#include "OperatorData.h"
#include "app/Application.h"
#include "widgets/MessageService.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace jjgz {

TfrmOperator::TfrmOperator(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOperator"));
    setWindowTitle(QStringLiteral("操作员管理"));
    auto *frame = new QGroupBox(QStringLiteral("操作员列表"), this);
    grid = new QTableWidget(0, 3, frame);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setHorizontalHeaderLabels({QStringLiteral("编码"), QStringLiteral("名称"), QStringLiteral("所属部门")});
    // A read-only list as the other grids show one: plain titles, no row numbers.
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->setColumnWidth(0, 90);
    grid->setColumnWidth(1, 120);
    grid->setColumnWidth(2, 140);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(grid);

    btnAdd = new QPushButton(QStringLiteral("创建"), this);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnDel = new QPushButton(QStringLiteral("删除"), this);
    btnDel->setObjectName(QStringLiteral("btnDel"));
    btnExit = new QPushButton(QStringLiteral("退出"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    for (QPushButton *b : {btnAdd, btnDel, btnExit})
        b->setAutoDefault(false);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnDel);
    buttons->addWidget(btnExit);
    buttons->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    connect(btnAdd, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnAddClick(); }); });
    connect(btnDel, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnDelClick(); }); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);

    openList();
    setFixedSize(520, 340);
}

void TfrmOperator::openList()
{
    grid->setRowCount(0);
    const QList<OperatorRow> rows = OperatorData::operators();
    grid->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        grid->setItem(row, 0, new QTableWidgetItem(rows[row].operno));
        grid->setItem(row, 1, new QTableWidgetItem(rows[row].opername));
        grid->setItem(row, 2, new QTableWidgetItem(rows[row].dept));
    }
    if (!rows.isEmpty())
        grid->selectRow(0);
}

void TfrmOperator::btnAddClick()
{
    TfrmOperatorAdd::execute(this);
    openList();
}

void TfrmOperator::btnDelClick()
{
    const int row = grid->currentRow();
    if (row < 0 || row >= grid->rowCount())
        return;
    const OperatorRow chosen{grid->item(row, 0)->text(), grid->item(row, 1)->text(), grid->item(row, 2)->text()};
    if (chosen.opername == u"admin") {
        showInfo(this, QStringLiteral("此操作员不能被删除！"));
        return;
    }
    if (!askYesNo(this, QStringLiteral("确认要删除该操作员吗？")))
        return;
    try {
        OperatorData::remove(chosen);
        openList();
    } catch (const std::exception &) {
        showError(this, QStringLiteral("操作员正在使用！"));
    }
}

void TfrmOperator::execute(QWidget *parent)
{
    TfrmOperator dialog(parent);
    dialog.exec();
}

} // namespace jjgz
