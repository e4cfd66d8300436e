#pragma once
// 封账 / 取消封账 on the wage sheet window, and how the window shows a closed month: the heading
// says "（已封账）" and the grid is read-only. The rules themselves are MonthLocks'.
#include <QObject>

class QAction;

namespace jjgz {

class TfrmGzData;
class WageSheet;

class MonthLockActions : public QObject {
    Q_OBJECT
public:
    // Adds the two buttons to the window's toolbar (entry mode only; enabled by permissions 1007
    // and 1009) and becomes the window's child.
    static MonthLockActions *install(TfrmGzData *form, WageSheet *sheet);
    // The window's helper, or null.
    static MonthLockActions *of(TfrmGzData *form);
    // Shows the loaded month's state: heading, read-only grid, buttons. Call after every load.
    void refresh();

    QAction *btnLock;   // 封账
    QAction *btnUnlock; // 取消封账

private:
    MonthLockActions(TfrmGzData *form, WageSheet *sheet);
    void lockClick();
    void unlockClick();
    TfrmGzData *m_form;
    WageSheet *m_sheet; // null when the window could not read its lists
};

} // namespace jjgz
