// jjgz: piece-work payroll for small manufacturers.
#include "app/Application.h"
#include "data/MainDM.h"
#include "app/Startup.h"
#include "login/Login.h"
#include "login/MainFrm.h"
#include "widgets/ToolIcons.h"

#include <memory>

int main(int argc, char **argv)
{
    jjgz::Application app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(QStringLiteral("工资管理系统"));
    jjgz::Application::setUpLocale();
    jjgz::Application::setUpFont();
    QApplication::setWindowIcon(jjgz::toolIcon(jjgz::Glyph::WageEntry));

    std::unique_ptr<jjgz::TdmMain> dm(jjgz::connectDatabase());
    if (!dm)
        return 1;
    jjgz::dmMain = dm.get();

    jjgz::TfrmLogin::Result login;
    if (!jjgz::TfrmLogin::execute(nullptr, &login))
        return 0;
    jjgz::CurOperName = login.operName;
    jjgz::CurBizDate = login.bizDate;

    int code = 0;
    {
        jjgz::TfrmMain main;
        main.showMaximized();
        code = app.exec();
    }
    jjgz::dmMain = nullptr;
    return code;
}
