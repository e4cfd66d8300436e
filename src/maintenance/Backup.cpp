#include "Backup.h"

#include "HintPanel.h"
#include "Maintenance.h"

#include "app/Application.h"
#include "data/DataPaths.h"
#include "data/MyFun.h"
#include "widgets/MessageService.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace jjgz {
namespace {

QString withSeparator(QString dir)
{
    dir = QDir::toNativeSeparators(dir);
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    return dir;
}

} // namespace

TfrmBackup::TfrmBackup(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBackup"));
    setWindowTitle(QStringLiteral("数据备份"));
    auto *hint = makeHintPanel({QStringLiteral("为安全起见，建议每天备份数据！"),
                                QStringLiteral("备份文件的后缀为 .bak，压缩格式，支持winzip，winrar解压"),
                                QStringLiteral("备份文件名份格式为：jjgzyyyyMMdd_HHmmss.bak。")},
                               this);

    edtDir = new QLineEdit(this);
    edtDir->setObjectName(QStringLiteral("edtDir"));
    actDir = edtDir->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
    actDir->setObjectName(QStringLiteral("actDir"));
    actDir->setToolTip(QStringLiteral("选择目录"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    btnYes = new QPushButton(QStringLiteral("备份(&B)"), this);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnYes->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *dirRow = new QHBoxLayout;
    auto *dirLabel = new QLabel(QStringLiteral("备份至->"), this);
    dirLabel->setBuddy(edtDir);
    dirRow->addWidget(dirLabel);
    dirRow->addWidget(edtDir, 1);
    auto *barRow = new QHBoxLayout;
    barRow->addWidget(new QLabel(QStringLiteral("备份进度"), this));
    barRow->addWidget(ProgressBar1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnYes);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addSpacing(6);
    layout->addLayout(dirRow);
    layout->addLayout(barRow);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    connect(actDir, &QAction::triggered, this, [this] { guarded(this, [this] { actDirClick(); }); });
    connect(btnYes, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnYesClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    edtDir->setText(
        ReadConfig(QStringLiteral("Backup"), QStringLiteral("BkDir"), withSeparator(DataPaths::defaultBackupDir())));
    edtDir->setMinimumWidth(320);
    resize(440, sizeHint().height());
}

void TfrmBackup::actDirClick()
{
    const QString chosen =
        messages().directory(this, QStringLiteral("请选择备份文件存放的目录"), edtDir->text().trimmed());
    if (chosen.isEmpty())
        return;
    const QString dir = withSeparator(chosen);
    edtDir->setText(dir);
    edtDir->setCursorPosition(dir.size());
    rememberDir(dir);
}

// The folder of the last backup is where the next backup and a restore start.
void TfrmBackup::rememberDir(const QString &dir)
{
    if (ReadConfig(QStringLiteral("Backup"), QStringLiteral("BkDir"), QString()) == dir)
        return;
    if (!WriteConfig(QStringLiteral("Backup"), QStringLiteral("BkDir"), dir))
        showError(this, QStringLiteral("备份目录没有记入设置文件 config.ini(文件不能写入)，下次需要重新选择。"));
}

void TfrmBackup::btnYesClick()
{
    const QString dir = edtDir->text().trimmed();
    if (dir.isEmpty()) {
        showError(this, QStringLiteral("请选择备份文件存放的目录"));
        return;
    }
    const QString path = QDir::fromNativeSeparators(dir);
    if (!QDir::isAbsolutePath(path) || !QFileInfo(path).isDir()) {
        showError(this, QStringLiteral("目录不正确"));
        return;
    }
    m_busy = true;
    btnYes->setEnabled(false);
    btnCancel->setEnabled(false);
    struct Done {
        TfrmBackup *form;
        ~Done()
        {
            form->m_busy = false;
            form->btnYes->setEnabled(true);
            form->btnCancel->setEnabled(true);
        }
    } done{this};
    ProgressBar1->setValue(0);
    const QString archive = backupDatabase(path, clock(), [this](int percent) { showProgress(ProgressBar1, percent); });
    showInfo(this, QStringLiteral("备份成功，文件名为：\n") + QFileInfo(archive).fileName());
    // A folder typed into the field is remembered as one picked with the button is.
    rememberDir(withSeparator(dir));
}

void TfrmBackup::reject()
{
    if (!m_busy)
        QDialog::reject();
}

void TfrmBackup::execute(QWidget *parent)
{
    TfrmBackup dialog(parent);
    dialog.exec();
}

} // namespace jjgz
