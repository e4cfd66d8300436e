#include "login/CompanyName.h"

#include "app/Application.h"
#include "data/DBFun.h"
#include "data/MainDM.h"
#include "login/MainFrm.h"
#include "widgets/EnterAsTab.h"
#include "widgets/MessageService.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {
namespace {
constexpr int kNameLength = 100; // the width of params.pvalue
}

TfrmCompany::TfrmCompany(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmCompany"));
    setWindowTitle(QStringLiteral("单位名称"));
    auto *label = new QLabel(QStringLiteral("使用单位名称（显示在状态栏和各打印表的表头）："), this);
    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setMaxLength(kNameLength);
    label->setBuddy(edtName);
    btnYes = new QPushButton(QStringLiteral("保存"), this);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton *b : {btnYes, btnCancel}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(80);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnYes);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edtName);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(btnYes, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnYesClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    EnterAsTab::install(this);
    setTabOrder(edtName, btnYes);
    setTabOrder(btnYes, btnCancel);

    guarded(this, [this] { edtName->setText(GetParam(CompanyNameParam)); });
    setFixedSize(400, sizeHint().height());
}

void TfrmCompany::btnYesClick()
{
    try {
        SetParam(CompanyNameParam, edtName->text().trimmed());
    } catch (const DbError &e) {
        showError(this, QStringLiteral("保存失败(") + e.message() + QLatin1Char(')'), QStringLiteral("错误"));
        return;
    }
    showInfo(this, QStringLiteral("保存成功"));
    accept();
}

bool TfrmCompany::execute(QWidget *parent)
{
    TfrmCompany dialog(parent);
    return dialog.exec() == QDialog::Accepted;
}

void openCompanyName(QWidget *mainWindow, int)
{
    if (!TfrmCompany::execute(mainWindow))
        return;
    if (auto *main = qobject_cast<TfrmMain *>(mainWindow))
        main->fillStatusBar();
}

} // namespace jjgz
