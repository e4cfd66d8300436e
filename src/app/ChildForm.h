#pragma once
// Child screens of the main window. The main window registers itself as the host; screens
// that exist at most once are found again by their class and brought forward.
#include <QMdiArea>
#include <QMdiSubWindow>

namespace jjgz {

class ChildHost {
public:
    virtual ~ChildHost() = default;
    virtual QMdiArea *childArea() = 0;
    // Puts `form` into a new child window (taking over its toolbar, if it owns one) and shows it.
    virtual QMdiSubWindow *addChild(QWidget *form) = 0;
};

void setChildHost(ChildHost *host);
ChildHost *childHost();

// The open child window whose screen class is `className` (compared without regard to case).
QMdiSubWindow *findChildForm(const char *className);
// Shows the window in normal size (mode 1) or maximised (otherwise) and brings it to the front.
void raiseChildForm(QMdiSubWindow *window, int mode);

// Closes the child window that holds `form` (or `form` itself when it stands alone), through
// the window's own close handling.
void closeChildForm(QWidget *form);

// The one window of screen class T: found again, or created as a new child of the main window.
template <class T> T *ShowChildForm(int mode)
{
    if (QMdiSubWindow *found = findChildForm(T::staticMetaObject.className())) {
        raiseChildForm(found, mode);
        return qobject_cast<T *>(found->widget());
    }
    auto *form = new T();
    QMdiSubWindow *window = childHost()->addChild(form);
    raiseChildForm(window, mode);
    return form;
}

} // namespace jjgz
