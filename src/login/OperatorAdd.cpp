#include "OperatorAdd.h"

#include "OperatorData.h"

#include "app/Application.h"
#include "widgets/EnterAsTab.h"
#include "widgets/MessageService.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {

TfrmOperatorAdd::TfrmOperatorAdd(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOperatorAdd"));
    setWindowTitle(QStringLiteral("创建操作员"));
    edtNo = new QLineEdit(this);
    edtNo->setObjectName(QStringLiteral("edtNo"));
    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtPwd = new QLineEdit(this);
    edtPwd->setObjectName(QStringLiteral("edtPwd"));
    edtPwd->setEchoMode(QLineEdit::Password);
    edtPwd1 = new QLineEdit(this);
    edtPwd1->setObjectName(QStringLiteral("edtPwd1"));
    edtPwd1->setEchoMode(QLineEdit::Password);
    edtBm = new QLineEdit(this);
    edtBm->setObjectName(QStringLiteral("edtBm"));
    btnSave = new QPushButton(QStringLiteral("保存"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("操作员编码："), edtNo);
    form->addRow(QStringLiteral("操作员名称："), edtName);
    form->addRow(QStringLiteral("密    码："), edtPwd);
    form->addRow(QStringLiteral("确认密码："), edtPwd1);
    form->addRow(QStringLiteral("所属部门："), edtBm);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    setTabOrder(edtNo, edtName);
    setTabOrder(edtName, edtPwd);
    setTabOrder(edtPwd, edtPwd1);
    setTabOrder(edtPwd1, edtBm);
    setTabOrder(edtBm, btnSave);
    setTabOrder(btnSave, btnCancel);

    connect(btnSave, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnSaveClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    EnterAsTab::install(this);
    edtName->setMinimumWidth(180);
    setFixedSize(sizeHint());
}

void TfrmOperatorAdd::btnSaveClick()
{
    const QString refused =
        OperatorData::create(edtNo->text(), edtName->text(), edtPwd->text(), edtPwd1->text(), edtBm->text());
    if (!refused.isEmpty()) {
        showError(this, refused);
        return;
    }
    for (QLineEdit *e : {edtNo, edtName, edtPwd, edtPwd1, edtBm})
        e->clear();
    edtName->setFocus();
}

void TfrmOperatorAdd::execute(QWidget *parent)
{
    TfrmOperatorAdd dialog(parent);
    dialog.exec();
}

} // namespace jjgz
