#include "MainFrm.h"

#include "widgets/MessageService.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace jjgz {

TfrmMain::TfrmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdiArea);
    setWindowTitle(productTitle());
    setChildHost(this);
}

TfrmMain::~TfrmMain()
{
    if (childHost() == this)
        setChildHost(nullptr);
}

QString TfrmMain::productTitle()
{
    return QStringLiteral("工资管理系统 V1.0");
}

QMdiSubWindow *TfrmMain::addChild(QWidget *form)
{
    form->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *window = mdiArea->addSubWindow(form);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (askYesNo(this, QStringLiteral("确认要退出吗？")))
        event->accept();
    else
        event->ignore();
}

} // namespace jjgz
