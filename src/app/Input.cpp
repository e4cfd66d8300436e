#include "app/Input.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace jjgz {

TfrmInput::TfrmInput(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmInput"));
    setWindowTitle(QStringLiteral("输入"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblPrompt"));
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("edtInput"));
    m_label->setBuddy(m_edit);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_ok->setObjectName(QStringLiteral("btnOk"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(300, 120);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
}

void TfrmInput::setLabel(const QString &text)
{
    m_label->setText(text);
}

QString TfrmInput::text() const
{
    return m_edit->text();
}

} // namespace jjgz
