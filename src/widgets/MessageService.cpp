#include "MessageService.h"

#include <QFileDialog>

namespace jjgz {
namespace {

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

class QtMessageService final : public MessageService {
public:
    void message(QWidget *parent, const QString &title, const QString &text, MsgIcon icon) override
    {
        QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, parent);
        box.exec();
    }
    QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                         QMessageBox::StandardButtons buttons, MsgIcon icon) override
    {
        QMessageBox box(toQt(icon), title, text, buttons, parent);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter, QString *selectedFilter) override
    {
        return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
    }
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override
    {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    }
    QString directory(QWidget *parent, const QString &caption, const QString &dir) override
    {
        return QFileDialog::getExistingDirectory(parent, caption, dir);
    }
};

QtMessageService &qtService()
{
    static QtMessageService service;
    return service;
}

MessageService *current = nullptr;

} // namespace

MessageService &messages()
{
    return current ? *current : qtService();
}

MessageService *setMessageService(MessageService *service)
{
    MessageService *previous = current;
    current = service;
    return previous;
}

void showInfo(QWidget *parent, const QString &text)
{
    messages().message(parent, QStringLiteral("提示"), text, MsgIcon::Information);
}

void showError(QWidget *parent, const QString &text, const QString &title)
{
    messages().message(parent, title, text, MsgIcon::Error);
}

bool askYesNo(QWidget *parent, const QString &text)
{
    return messages().question(parent, QStringLiteral("询问"), text, QMessageBox::Yes | QMessageBox::No,
                               MsgIcon::Question)
        == QMessageBox::Yes;
}

void showFailure(QWidget *parent, const QString &text)
{
    messages().message(parent, QStringLiteral("错误"), text, MsgIcon::Error);
}

} // namespace jjgz
