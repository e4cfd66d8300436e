#include "Init.h"

#include "Maintenance.h"

#include "app/Application.h"
#include "data/MainDM.h"
#include "widgets/MessageService.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace jjgz {

TfrmInit::TfrmInit(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmInit"));
    setWindowTitle(QStringLiteral("数据初始化"));
    gbList = new QGroupBox(QStringLiteral("数据列表"), this);
    gbList->setObjectName(QStringLiteral("gbList"));
    QCheckBox **boxes[] = {&chkGz, &chkJj, &chkUser, &chkBm, &chkGzxm, &chkGzgx, &chkOper};
    for (const InitGroupInfo &info : initGroups()) {
        auto *check = new QCheckBox(info.caption, gbList);
        check->setObjectName(QString::fromLatin1(info.checkBox));
        check->setChecked(info.byDefault);
        *boxes[int(info.group)] = check;
    }
    auto *grid = new QGridLayout(gbList);
    grid->setHorizontalSpacing(40);
    grid->setVerticalSpacing(10);
    grid->setContentsMargins(20, 14, 20, 14);
    grid->addWidget(chkOper, 0, 0);
    grid->addWidget(chkGzgx, 1, 0);
    grid->addWidget(chkGzxm, 2, 0);
    grid->addWidget(chkBm, 3, 0);
    grid->addWidget(chkUser, 0, 1);
    grid->addWidget(chkJj, 1, 1);
    grid->addWidget(chkGz, 2, 1);

    btnOk = new QPushButton(QStringLiteral("清空"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbList);
    layout->addLayout(buttons);

    connect(btnOk, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnOkClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(sizeHint());
}

QCheckBox *TfrmInit::box(int group) const
{
    QCheckBox *const boxes[] = {chkGz, chkJj, chkUser, chkBm, chkGzxm, chkGzgx, chkOper};
    return boxes[group];
}

void TfrmInit::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmInit::btnOkClick()
{
    QList<InitGroup> groups;
    for (const InitGroupInfo &info : initGroups())
        if (box(int(info.group))->isChecked())
            groups << info.group;
    if (groups.isEmpty()) {
        showError(this, QStringLiteral("请选择数据项目"));
        return;
    }
    if (!askYesNo(this, initQuestion(groups)))
        return;
    const QStringList closed = closedMonthsClearedBy(groups);
    if (!closed.isEmpty()) {
        const QString months = closed.join(QStringLiteral("、"));
        if (CurOperName.toLower() != u"admin") {
            showError(this, QStringLiteral("以下月份已封账，不能清空：%1。请先取消封账后再初始化。").arg(months));
            return;
        }
        if (!askYesNo(this, QStringLiteral("以下月份已封账：%1。\n\n确认连同这些已封账月份的数据一起清空吗？"
                                           "清空后不能恢复。")
                                .arg(months)))
            return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        initializeData(groups, !closed.isEmpty());
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    showInfo(this, QStringLiteral("数据初始化成功"));
}

void TfrmInit::execute(QWidget *parent)
{
    TfrmInit dialog(parent);
    dialog.exec();
}

} // namespace jjgz
