#pragma once
// Shared test fixture: a private application directory with a fresh copy of the delivered
// database, a scripted message service, and screenshots when JJGZ_SHOTS names a folder.
#include "data/MainDM.h"
#include "widgets/MessageService.h"

#include <QApplication>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace jjgz::test {

// Answers questions and file choosers from scripts and records every message shown.
class ScriptedMessages final : public MessageService {
public:
    struct Shown {
        QString title;
        QString text;
        MsgIcon icon;
        bool question;
        QString details; // of a message with a details area
    };

    QList<Shown> shown;
    QList<QMessageBox::StandardButton> answers; // for questions, in order
    QStringList files;                          // for file and folder choosers, in order ("" = cancel)
    QStringList chosenFilters;                  // filters chosen in save dialogs, in order (default: the first)
    QStringList unexpected;                     // questions or choosers that had no scripted answer

    void message(QWidget *parent, const QString &title, const QString &text, MsgIcon icon) override;
    void messageWithDetails(QWidget *parent, const QString &title, const QString &text, MsgIcon icon,
                            const QString &details) override;
    QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                         QMessageBox::StandardButtons buttons, MsgIcon icon) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter,
                         QString *selectedFilter = nullptr) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter) override;
    QString directory(QWidget *parent, const QString &caption, const QString &dir) override;

    // The texts shown, in order (messages and questions).
    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void clear();

    // Records of the last choosers, for checks.
    QString lastChooserDir;
    QString lastChooserFilter;
};

// One test's application: its own directory holding data/zt000.mdb (a fresh copy of the delivered
// database), the data module opened on it, logged in as `operName`, and the scripted messages
// installed. Everything is undone in the destructor.
class TestApp {
public:
    explicit TestApp(const QString &operName = QStringLiteral("admin"),
                     const QString &bizDate = QStringLiteral("2010-12-15"));
    ~TestApp();
    TestApp(const TestApp &) = delete;
    TestApp &operator=(const TestApp &) = delete;

    QString dir() const { return m_dir.path(); }
    QString path(const QString &relative) const;
    ScriptedMessages messages;

    // Convenience for fixtures: run a statement with bound values.
    int exec(const QString &sql, std::initializer_list<QVariant> values = {});
    QVariant scalar(const QString &sql, std::initializer_list<QVariant> values = {});

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TdmMain> m_dm;
    MessageService *m_previousMessages = nullptr;
};

// The delivered database made by the build.
QString deliveredDatabase();

// Saves a PNG of `widget` as <JJGZ_SHOTS>/<name>.png when JJGZ_SHOTS is set.
void saveShot(QWidget *widget, const QString &name);

// Types `text` into `widget` the way a keyboard would, Chinese included: the widget takes the
// focus and gets one key press per character (QTest::keyClicks cannot type Chinese).
void typeText(QWidget *widget, const QString &text);

// Runs `step` on the modal dialog of class T once it is up; any other modal window (or none) is
// recorded in `seen` as its class name and closed, so that a test never hangs.
template <class T> void onModal(std::function<void(T *)> step, QString *seen = nullptr)
{
    QTimer::singleShot(0, [step, seen] {
        QWidget *modal = QApplication::activeModalWidget();
        if (seen)
            *seen = modal ? QString::fromLatin1(modal->metaObject()->className()) : QString();
        if (auto *dialog = qobject_cast<T *>(modal))
            step(dialog);
        else if (modal)
            modal->close();
    });
}

// Pins the user-interface font so that screen tests and screenshots look the same everywhere.
void pinFont();

} // namespace jjgz::test
