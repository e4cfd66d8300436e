#include "wagestructure/GzxmMdy.h"

#include "app/Application.h"
#include "data/MainDM.h"
#include "widgets/EnterAsTab.h"
#include "widgets/MessageService.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace jjgz {

TfrmGzxmMdy::TfrmGzxmMdy(int mode, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_mode(mode)
{
    setObjectName(QStringLiteral("frmGzxmMdy"));
    setWindowTitle(mode == 1 ? QStringLiteral("增加项目") : QStringLiteral("修改项目"));

    auto *frame = new QGroupBox(this);
    edtName = new QLineEdit(frame);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setMaxLength(50);
    cboTp = new QComboBox(frame);
    cboTp->setObjectName(QStringLiteral("cboTp"));
    cboTp->addItems({QStringLiteral("数值型"), QStringLiteral("文本型")});
    edtSize = new QLineEdit(QStringLiteral("0"), frame);
    edtSize->setObjectName(QStringLiteral("edtSize"));
    // Digits only, typed or pasted.
    edtSize->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), edtSize));
    edtSize->setMaxLength(9);

    auto *form = new QFormLayout(frame);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setVerticalSpacing(14);
    form->addRow(QStringLiteral("项目名称"), edtName);
    form->addRow(QStringLiteral("数据类型"), cboTp);
    form->addRow(QStringLiteral("数据宽度"), edtSize);

    btnYes = new QPushButton(QStringLiteral("保存"), this);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton *b : {btnYes, btnCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
        b->setMinimumWidth(80);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnYes);
    buttons->addSpacing(20);
    buttons->addWidget(btnCancel);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    setTabOrder(edtName, cboTp);
    setTabOrder(cboTp, edtSize);
    setTabOrder(edtSize, btnYes);
    setTabOrder(btnYes, btnCancel);

    // A numeric item has no width.
    connect(cboTp, &QComboBox::activated, this, [this](int index) {
        if (index == WageItems::Numeric)
            edtSize->setText(QStringLiteral("0"));
    });
    connect(btnYes, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnYesClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    cboTp->setEnabled(m_mode == 1);
    EnterAsTab::install(this);
    setFixedSize(300, 210);
    edtName->setFocus();
}

void TfrmGzxmMdy::fill(const WageItem &item)
{
    m_xh = item.xh;
    edtName->setText(item.xmname);
    // A stored type outside the list shows no entry; the type is never written back.
    const int type = item.ftype.isNull() ? -1 : item.ftype.toInt();
    cboTp->setCurrentIndex(type == WageItems::Numeric || type == WageItems::Text ? type : -1);
    edtSize->setText(item.fsize);
}

void TfrmGzxmMdy::btnYesClick()
{
    if (edtName->text().trimmed().isEmpty()) {
        showError(this, QStringLiteral("请填项目名称"));
        edtName->setFocus();
        return;
    }
    try {
        if (m_mode == 1)
            WageItems::addItem(edtName->text(),
                               cboTp->currentIndex() == WageItems::Text ? WageItems::Text : WageItems::Numeric,
                               edtSize->text());
        else
            WageItems::modifyItem(m_xh, edtName->text(), edtSize->text());
    } catch (...) {
        showError(this, QStringLiteral("保存失败(") + failureText(std::current_exception()) + QLatin1Char(')'),
                  QStringLiteral("错误"));
        return;
    }
    showInfo(this, QStringLiteral("保存成功"));
    if (m_mode != 1) {
        accept();
        return;
    }
    if (m_onSaved)
        m_onSaved();
    // Ready for the next item: name, type and width of the saved one go.
    edtName->clear();
    cboTp->setCurrentIndex(WageItems::Numeric);
    edtSize->setText(QStringLiteral("0"));
    edtName->setFocus();
}

bool TfrmGzxmMdy::execute(QWidget *parent, int mode, const WageItem &current, const std::function<void()> &saved)
{
    TfrmGzxmMdy dialog(mode, parent);
    dialog.m_onSaved = saved;
    if (mode != 1)
        dialog.fill(current);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace jjgz
