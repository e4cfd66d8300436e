#pragma once
// The program's application object: failures that end a user's action arrive here as exceptions
// and are shown in the default error box while the program goes on.
#include <QAction>
#include <QApplication>

namespace jjgz {

class Application : public QApplication {
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Before the application object is made: the system locale is Simplified Chinese.
    static void setUpSystemLocale();
    // Chinese standard buttons and dialogs, and the pinned user-interface font.
    static void setUpLocale();
    static void setUpFont();
};

// Runs `work` and shows any failure in the default error box; returns false when it failed.
template <class F> bool guarded(QWidget *parent, F &&work);

QString failureText(std::exception_ptr failure);

// Connects `action` to `handler` of `screen`, guarded: a failure of the handler is shown in the
// default error box and ends only that action.
template <class T> void connectGuarded(QAction *action, T *screen, void (T::*handler)())
{
    QObject::connect(action, &QAction::triggered, screen,
                     [screen, handler] { guarded(screen, [screen, handler] { (screen->*handler)(); }); });
}
void showFailureOf(QWidget *parent, std::exception_ptr failure);

template <class F> bool guarded(QWidget *parent, F &&work)
{
    try {
        work();
        return true;
    } catch (...) {
        showFailureOf(parent, std::current_exception());
        return false;
    }
}

} // namespace jjgz
