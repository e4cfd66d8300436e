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

void raiseChildForm(QMdiSubWindow *window, int mode)
{
    if (!window)
        return;
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
