#include "OperatorPwd.h"

#include "OperatorData.h"

#include "app/Application.h"
#include "data/MainDM.h"
#include "widgets/EnterAsTab.h"
#include "widgets/MessageService.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {

TfrmOperatorPwd::TfrmOperatorPwd(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOperatorPwd"));
    setWindowTitle(QStringLiteral("修改密码"));
    edtName = new QLineEdit(CurOperName, this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setReadOnly(true);
    edtName->setFocusPolicy(Qt::NoFocus);
    edtOldPwd = new QLineEdit(this);
    edtOldPwd->setObjectName(QStringLiteral("edtOldPwd"));
    edtPwd = new QLineEdit(this);
    edtPwd->setObjectName(QStringLiteral("edtPwd"));
    edtPwd1 = new QLineEdit(this);
    edtPwd1->setObjectName(QStringLiteral("edtPwd1"));
    for (QLineEdit *e : {edtOldPwd, edtPwd, edtPwd1})
        e->setEchoMode(QLineEdit::Password);
    btnSave = new QPushButton(QStringLiteral("保存"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnExit = new QPushButton(QStringLiteral("退出"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("操作员名称"), edtName);
    form->addRow(QStringLiteral("旧密码"), edtOldPwd);
    form->addRow(QStringLiteral("新密码"), edtPwd);
    form->addRow(QStringLiteral("新密码确认"), edtPwd1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnExit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    setTabOrder(edtOldPwd, edtPwd);
    setTabOrder(edtPwd, edtPwd1);
    setTabOrder(edtPwd1, btnSave);
    setTabOrder(btnSave, btnExit);

    connect(btnSave, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnSaveClick(); }); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
    EnterAsTab::install(this);
    edtName->setMinimumWidth(180);
    setFixedSize(sizeHint());
    edtOldPwd->setFocus();
}

void TfrmOperatorPwd::btnSaveClick()
{
    bool changed = false;
    const QString message =
        OperatorData::changePassword(CurOperName, edtOldPwd->text(), edtPwd->text(), edtPwd1->text(), &changed);
    if (!changed) {
        showError(this, message);
        return;
    }
    showInfo(this, message);
    accept();
}

void TfrmOperatorPwd::execute(QWidget *parent)
{
    TfrmOperatorPwd dialog(parent);
    dialog.exec();
}

} // namespace jjgz
