#include "ChildForm.h"

namespace jjgz {
namespace {
ChildHost *g_host = nullptr;
}

void setChildHost(ChildHost *host)
{
    g_host = host;
}

ChildHost *childHost()
{
    return g_host;
}

QMdiSubWindow *findChildForm(const char *className)
{
    if (!g_host || !g_host->childArea())
        return nullptr;
    const QString wanted = QString::fromLatin1(className);
    for (QMdiSubWindow *window : g_host->childArea()->subWindowList(QMdiArea::CreationOrder)) {
        QWidget *form = window->widget();
        if (form && wanted.compare(QString::fromLatin1(form->metaObject()->className()), Qt::CaseInsensitive) == 0)
            return window;
    }
    return nullptr;
}

namespace {

const char *const kWantedState = "jjgzWantedState"; // 1 normal, 2 maximised

// Puts `window` back into the size its screen asks for, unless the user minimised it.
void applyWantedState(QMdiSubWindow *window)
{
    const int wanted = window->property(kWantedState).toInt();
    if (wanted == 0 || window->isMinimized() || !window->isVisible())
        return;
    if (wanted == 2 && !window->isMaximized())
        window->showMaximized();
    else if (wanted == 1 && window->isMaximized())
        window->showNormal();
}

// The window keeps the state of its screen whatever happens to the others: the area no longer
// maximises a window because the one active before was maximised, and a window that is put
// into the other size (by the area or by activating another one) goes back at once.
void keepWantedState(QMdiSubWindow *window, int mode)
{
    const bool first = !window->property(kWantedState).isValid();
    window->setProperty(kWantedState, mode == 1 ? 1 : 2);
    if (QMdiArea *area = window->mdiArea())
        area->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    if (!first)
        return;
    auto later = [window] {
        QMetaObject::invokeMethod(
            window, [window] { applyWantedState(window); }, Qt::QueuedConnection);
    };
    QObject::connect(window, &QMdiSubWindow::windowStateChanged, window, later);
    QObject::connect(window, &QMdiSubWindow::aboutToActivate, window, later);
    if (mode == 1) {
        window->showNormal();
        window->move(0, 0); // a new normal window opens at the top-left corner of the area
    }
}

} // namespace

void raiseChildForm(QMdiSubWindow *window, int mode)
{
    if (!window)
        return;
    keepWantedState(window, mode);
    if (mode == 1)
        window->showNormal();
    else
        window->showMaximized();
    window->raise();
    if (QMdiArea *area = window->mdiArea())
        area->setActiveSubWindow(window);
}

void closeChildForm(QWidget *form)
{
    for (QWidget *w = form->parentWidget(); w; w = w->parentWidget()) {
        if (auto *window = qobject_cast<QMdiSubWindow *>(w)) {
            window->close();
            return;
        }
    }
    form->close();
}

} // namespace jjgz
