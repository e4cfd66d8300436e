#pragma once
// Every message box, question and file or folder chooser of the program goes through the one
// service installed here. The real service shows Qt's dialogs; tests install a scripted one.
#include <QMessageBox>
#include <QString>

class QWidget;

namespace jjgz {

enum class MsgIcon { Information, Warning, Error, Question };

class MessageService {
public:
    virtual ~MessageService() = default;
    // A message with a single 确定 button.
    virtual void message(QWidget *parent, const QString &title, const QString &text, MsgIcon icon) = 0;
    // The same with `details` in the box's details area, which the user opens when wanted (for
    // long lists). The default puts them under the text.
    virtual void messageWithDetails(QWidget *parent, const QString &title, const QString &text, MsgIcon icon,
                                    const QString &details);
    // A question; returns the button that was pressed (one of `buttons`).
    virtual QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                                 QMessageBox::StandardButtons buttons, MsgIcon icon) = 0;
    // File and folder choosers: an empty result means cancelled. `filter` uses Qt's form
    // ("Excel Files(*.xls)", several joined by ";;"); `selectedFilter`, when given, receives the
    // filter the user chose.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter,
                                 QString *selectedFilter = nullptr) = 0;
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;
    virtual QString directory(QWidget *parent, const QString &caption, const QString &dir) = 0;
};

// Every message box of the program is at least this wide (its content, without the frame), so
// that its title and buttons never crowd the text.
constexpr int MessageBoxMinimumWidth = 300;
void widenMessageBox(QMessageBox &box);

// The service in force. Never null: the Qt one until another is installed.
MessageService &messages();
// Installs `service` (not owned) and returns the previous one; nullptr restores the Qt one.
MessageService *setMessageService(MessageService *service);

// The message kinds used throughout the program.
void showInfo(QWidget *parent, const QString &text); // 提示, information
void showError(QWidget *parent, const QString &text, const QString &title = QStringLiteral("提示")); // error icon
bool askYesNo(QWidget *parent, const QString &text);                                                 // 询问, Yes / No
// The application's default error box for a failure that ended an action. The text is first
// made plain (failureForClerk).
void showFailure(QWidget *parent, const QString &text);
// A failure's text as a clerk reads it: the database's and the driver's words become plain
// Chinese, and a refused value names the column by its title in the list near `parent`.
QString failureForClerk(QWidget *parent, const QString &text);

} // namespace jjgz
