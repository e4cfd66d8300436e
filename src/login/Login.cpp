#include "Login.h"

#include "OperatorData.h"

#include "app/Application.h"
#include "data/DBFun.h"
#include "data/MainDM.h"
#include "data/OpLog.h"
#include "widgets/EnterAsTab.h"
#include "widgets/MessageService.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace jjgz {
namespace {

// The decorative picture on the right of the dialog.
QPixmap loginPicture()
{
    QPixmap pixmap(150, 190);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, pixmap.height());
    sky.setColorAt(0, QColor(0x2f, 0x6f, 0xb5));
    sky.setColorAt(1, QColor(0xa9, 0xd0, 0xf0));
    p.fillRect(pixmap.rect(), sky);
    // A small workshop: roof, walls, and a chimney.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf4, 0xf1, 0xe8));
    p.drawRect(25, 100, 100, 60);
    p.setBrush(QColor(0xc0, 0x39, 0x2b));
    const QPointF roof[] = {{20, 102}, {75, 70}, {130, 102}};
    p.drawPolygon(roof, 3);
    p.setBrush(QColor(0x55, 0x55, 0x55));
    p.drawRect(100, 60, 12, 30);
    p.setBrush(QColor(0x2f, 0x6f, 0xb5));
    p.drawRect(40, 115, 20, 20);
    p.drawRect(90, 115, 20, 20);
    p.setBrush(QColor(0x7a, 0x4a, 0x22));
    p.drawRect(65, 125, 20, 35);
    QFont font = QApplication::font();
    font.setPixelSize(17);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 12, pixmap.width(), 28), Qt::AlignCenter, QStringLiteral("工资管理系统"));
    font.setPixelSize(11);
    font.setBold(false);
    p.setFont(font);
    p.drawText(QRect(0, 38, pixmap.width(), 18), Qt::AlignCenter, QStringLiteral("计件工资 · 月度核算"));
    return pixmap;
}

} // namespace

TfrmLogin::TfrmLogin(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("系统登陆"));
    // No close box: the dialog is left through its two buttons or Esc.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto *frame = new QGroupBox(QStringLiteral("操作员选择"), this);
    cboName = new QComboBox(frame);
    cboName->setObjectName(QStringLiteral("cboName"));
    cboName->setEditable(false);
    edtPwd = new QLineEdit(frame);
    edtPwd->setObjectName(QStringLiteral("edtPwd"));
    edtPwd->setEchoMode(QLineEdit::Password);
    edtDt = new QDateEdit(QDate::currentDate(), frame);
    edtDt->setObjectName(QStringLiteral("edtDt"));
    edtDt->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edtDt->setCalendarPopup(true);
    btnYes = new QPushButton(QStringLiteral("登陆"), frame);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnCancel = new QPushButton(QStringLiteral("取消"), frame);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("操作员名称"), cboName);
    form->addRow(QStringLiteral("密    码"), edtPwd);
    form->addRow(QStringLiteral("业务日期"), edtDt);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnYes);
    buttons->addWidget(btnCancel);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addLayout(form);
    frameLayout->addStretch();
    frameLayout->addLayout(buttons);

    auto *picture = new QLabel(this);
    picture->setPixmap(loginPicture());
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addWidget(picture);
    cboName->setMinimumWidth(170);

    setTabOrder(cboName, edtPwd);
    setTabOrder(edtPwd, edtDt);
    setTabOrder(edtDt, btnYes);
    setTabOrder(btnYes, btnCancel);

    connect(btnYes, &QPushButton::clicked, this, [this] { guarded(this, [this] { btnYesClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    EnterAsTab::install(this);

    loadOperators();
    setFixedSize(sizeHint());
}

void TfrmLogin::loadOperators()
{
    cboName->addItems(OperatorData::loginEntries());
    if (cboName->count() > 0)
        cboName->setCurrentIndex(0);
}

void TfrmLogin::btnYesClick()
{
    const bool ok = cboName->currentIndex() >= 0
                    && OperatorData::passwordMatches(BracketCode(cboName->currentText()), edtPwd->text());
    logLogin(BracketName(cboName->currentText()), ok);
    if (!ok) {
        showError(this, QStringLiteral("密码不正确"));
        return;
    }
    accept();
}

void TfrmLogin::logLogin(const QString &operName, bool ok)
{
    try {
        OpLog::logAs(operName, ok ? OpAction::Login : OpAction::LoginFailed, operName);
    } catch (const DbError &e) {
        // A database that cannot be written (a read-only copy) can still be logged into and read.
        qWarning("login not logged: %s", e.what());
    }
}

TfrmLogin::Result TfrmLogin::loginResult() const
{
    return {BracketName(cboName->currentText()), edtDt->date().toString(QStringLiteral("yyyy-MM-dd"))};
}

bool TfrmLogin::execute(QWidget *parent, Result *result)
{
    TfrmLogin dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (result)
        *result = dialog.loginResult();
    return true;
}

} // namespace jjgz
