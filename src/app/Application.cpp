#include "Application.h"

#include "data/MainDM.h"
#include "data/MyFun.h"
#include "widgets/MessageService.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace jjgz {

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showFailureOf(nullptr, std::current_exception());
        return false;
    }
}

namespace {

// Words of Qt's own dialogs that its Chinese translation leaves in English or words oddly
// ("体积" for a file's size); consulted before Qt's translation.
class DialogWords final : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        static const struct {
            const char *context;
            const char *source;
            const char16_t *text;
        } words[] = {
            {"QFileSystemModel", "Size", u"大小"},
            {"QAbstractFileIconProvider", "Folder", u"文件夹"},
            {"QAbstractFileIconProvider", "File", u"文件"},
            {"QAbstractFileIconProvider", "Drive", u"驱动器"},
            {"QAbstractFileIconProvider", "%1 File", u"%1 文件"},
            {"QFileIconProvider", "Folder", u"文件夹"},
            {"QFileIconProvider", "File", u"文件"},
            {"QFileIconProvider", "Drive", u"驱动器"},
            {"QFileIconProvider", "%1 File", u"%1 文件"},
        };
        for (const auto &w : words)
            if (qstrcmp(context, w.context) == 0 && qstrcmp(sourceText, w.source) == 0)
                return QString::fromUtf16(w.text);
        return QString();
    }
};

} // namespace

void Application::setUpSystemLocale()
{
    // Qt's own dialogs show dates and file sizes in the system locale, which is read from the
    // environment when first needed: Simplified Chinese, whatever the desktop runs.
    qputenv("LC_ALL", "zh_CN.UTF-8");
}

void Application::setUpLocale()
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto *translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
    QCoreApplication::installTranslator(new DialogWords(qApp));
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
