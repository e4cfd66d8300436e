#include "Restore.h"

#include "HintPanel.h"
#include "Maintenance.h"

#include "app/Application.h"
#include "app/ChildForm.h"
#include "data/DataPaths.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "data/SchemaUpgrade.h"
#include "widgets/MessageService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {

bool closeChildWindows()
{
    ChildHost *host = childHost();
    QMdiArea *area = host ? host->childArea() : nullptr;
    if (!area)
        return true;
    area->closeAllSubWindows();
    for (QMdiSubWindow *window : area->subWindowList())
        if (window->isVisible())
            return false;
    // The closed screens go now, with their queries, before the connection closes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return true;
}

TfrmRestore::TfrmRestore(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRestore"));
    setWindowTitle(QStringLiteral("数据恢复"));
    auto *hint =
        makeHintPanel({QStringLiteral("恢复数据之前要慎重！"), QStringLiteral("恢复数据后，系统当前的数据将被取代"),
                       QStringLiteral("恢复数据时，应选择最后一次生成的最新备份文件")},
                      this);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    btnYes = new QPushButton(QStringLiteral("恢复(&R)"), this);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnYes->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *barRow = new QHBoxLayout;
    barRow->addWidget(new QLabel(QStringLiteral("恢复进度"), this));
    barRow->addWidget(ProgressBar1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnYes);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addSpacing(6);
    layout->addLayout(barRow);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    connect(btnYes, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnYesClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(440, sizeHint().height());
}

void TfrmRestore::btnYesClick()
{
    const QString startDir =
        ReadConfig(QStringLiteral("Backup"), QStringLiteral("BkDir"), DataPaths::defaultBackupDir());
    const QString file = messages().openFileName(this, QStringLiteral("请选择备份文件"), startDir,
                                                 QStringLiteral("backup files(*.bak)"));
    if (file.isEmpty())
        return;
    if (!QFileInfo(file).isFile()) {
        showError(this, QStringLiteral("文件不存在"));
        return;
    }
    if (!askYesNo(this, QStringLiteral("确认要把文件\n") + QDir::toNativeSeparators(file)
                            + QStringLiteral("\n恢复到系统中吗？")))
        return;

    m_busy = true;
    btnYes->setEnabled(false);
    btnCancel->setEnabled(false);
    struct Done {
        TfrmRestore *form;
        ~Done()
        {
            form->m_busy = false;
            form->btnYes->setEnabled(true);
            form->btnCancel->setEnabled(true);
            if (form->ProgressBar1->maximum() == 0) // still the busy indicator of a refused check
                form->ProgressBar1->setRange(0, 100);
        }
    } done{this};
    ProgressBar1->setValue(0);
    RestoreJob job(file);
    job.extract([this](int percent) { showProgress(ProgressBar1, percent); });
    // No window may write the old data into the restored database.
    if (!closeChildWindows()) {
        ProgressBar1->setValue(0);
        showError(
            this,
            QStringLiteral(
                "有窗口没有关闭，数据恢复已取消，系统的数据没有改变。\n请先保存或放弃该窗口中的修改，再恢复数据。"));
        return;
    }
    job.install();
    showProgress(ProgressBar1, 100);
    // A backup of an earlier version was brought up to date when it was checked: said once.
    showInfo(this, job.upgraded().isEmpty() ? QStringLiteral("恢复完毕")
                                            : QStringLiteral("恢复完毕\n\n") + SchemaUpgrade::notice(job.upgraded()));
}

void TfrmRestore::reject()
{
    if (!m_busy)
        QDialog::reject();
}

void TfrmRestore::execute(QWidget *parent)
{
    TfrmRestore dialog(parent);
    dialog.exec();
}

} // namespace jjgz
