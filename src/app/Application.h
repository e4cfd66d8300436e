#pragma once
// The program's application object: failures that end a user's action arrive here as exceptions
// and are shown in the default error box while the program goes on.
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
template <class F>
bool guarded(QWidget *parent, F &&work);

QString failureText(std::exception_ptr failure);
void showFailureOf(QWidget *parent, std::exception_ptr failure);

template <class F>
bool guarded(QWidget *parent, F &&work)
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
