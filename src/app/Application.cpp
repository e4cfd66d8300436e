#include "Application.h"

#include "data/MainDM.h"
#include "data/MyFun.h"
#include "widgets/MessageService.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace jjgz {

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showFailureOf(nullptr, std::current_exception());
        return false;
    }
}

void Application::setUpLocale()
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto *translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

void Application::setUpFont()
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    QApplication::setFont(font);
}

QString failureText(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const DbError &e) {
        return e.message();
    } catch (const ConversionError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("未知错误");
    }
}

void showFailureOf(QWidget *parent, std::exception_ptr failure)
{
    showFailure(parent, failureText(failure));
}

} // namespace jjgz
