#include "payroll/JzNext.h"

#include "app/Application.h"
#include "data/MonthLocks.h"
#include "payroll/CarryForward.h"
#include "widgets/EnterAsTab.h"
#include "widgets/MessageService.h"
#include "widgets/MonthPicker.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {

namespace {
WageMonth monthOf(const QDateEdit *picker)
{
    return {picker->date().year(), picker->date().month()};
}
} // namespace

TfrmJzNext::TfrmJzNext(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmJzNext"));
    setWindowTitle(QStringLiteral("结转下月"));

    const WageMonth source = CarryForward::defaultSource();
    const WageMonth target = CarryForward::monthAfter(source);

    auto *group = new QGroupBox(QStringLiteral("月份选择"), this);
    edtMonth = makeMonthPicker(group, source.year, source.month);
    edtMonth->setObjectName(QStringLiteral("edtMonth"));
    edtMonth2 = makeMonthPicker(group, target.year, target.month);
    edtMonth2->setObjectName(QStringLiteral("edtMonth2"));
    auto *form = new QFormLayout(group);
    form->addRow(QStringLiteral("转出月份"), edtMonth);
    form->addRow(QStringLiteral("转入月份"), edtMonth2);

    btnOk = new QPushButton(QStringLiteral("结转"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnOk->setAutoDefault(false);
    btnCancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(btnOk, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnOkClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    EnterAsTab::install(this);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

void TfrmJzNext::execute(QWidget *parent)
{
    TfrmJzNext dialog(parent);
    dialog.exec();
}

void TfrmJzNext::btnOkClick()
{
    const WageMonth source = monthOf(edtMonth);
    const WageMonth target = monthOf(edtMonth2);
    switch (CarryForward::check(source, target)) {
    case CarryForward::Check::SourceEmpty:
        showError(this, QStringLiteral("转出月份没有工资数据"), QStringLiteral("错误"));
        return;
    case CarryForward::Check::SameMonth:
        showError(this, QStringLiteral("转出转入月份不能是同一个月"), QStringLiteral("错误"));
        return;
    case CarryForward::Check::Ok: break;
    }
    if (const auto lock = MonthLocks::lockOf(target.year, target.month)) {
        showError(this, MonthLocks::refusalText(*lock), QStringLiteral("错误"));
        return;
    }
    if (!askYesNo(this, QStringLiteral("确认要结转吗？")))
        return;
    const bool overwrite = CarryForward::targetHasRows(target);
    if (overwrite && !askYesNo(this, QStringLiteral("转入月份工资数据已存在，覆盖吗？")))
        return;
    try {
        CarryForward::run(source, target, overwrite);
    } catch (...) {
        showError(this, QStringLiteral("结转失败(%1)").arg(failureText(std::current_exception())),
                  QStringLiteral("错误"));
        return;
    }
    showInfo(this, QStringLiteral("结转成功"));
}

} // namespace jjgz
