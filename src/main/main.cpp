// jjgz: piece-work payroll for small manufacturers.
#include "app/Application.h"
#include "login/Program.h"
#include "widgets/ToolIcons.h"

#include <csignal>

int main(int argc, char **argv)
{
    // A write past the file-size limit fails with an error that is reported, instead of ending
    // the process by signal.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    jjgz::Application::setUpSystemLocale();
    jjgz::Application app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(QStringLiteral("工资管理系统"));
    jjgz::Application::setUpLocale();
    jjgz::Application::setUpFont();
    QApplication::setWindowIcon(jjgz::toolIcon(jjgz::Glyph::WageEntry));
    return jjgz::startProgram();
}
