#pragma once
#include "app/ChildForm.h"
#include "login/Screens.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QToolBar>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QStatusBar;

namespace jjgz {

// The program's main window: the frame of the child screens, with the menus and the toolbar of
// every function, the status bar of the login, and the background picture. Its top tool bar area
// is the tool area (CoolBar1): ToolBar1 first, then the toolbar of the active child.
class TfrmMain : public QMainWindow, public ChildHost {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    static QString productTitle();
    // How long a confirmed re-login blocks the window before the functions are set up again.
    static int reloginPause();
    static void setReloginPause(int milliseconds);

    QMdiArea *childArea() override { return mdiArea; }
    // Puts `form` into a new child window and shows it. A toolbar that the form owns (a direct
    // child QToolBar) moves to the main window's tool area and is shown while the child is active.
    QMdiSubWindow *addChild(QWidget *form) override;

    // The steps run at creation and after a confirmed re-login: background, status panels,
    // caption, enabling by grants, hiding of switched-off codes, tidying of the menus.
    void runCreationSteps();
    // Loads bk.jpg (when it exists) and stretches it over the client area.
    void layBackground();
    void relogin();
    // Rebuilds the list of open child windows at the end of 【系统帮助】.
    void updateWindowMenu();

    // The permission code carried by a menu item, top menu or toolbar button (0: none needed).
    static int codeOf(const QAction *action);
    // The menu item (or top menu) carrying `code`, and the toolbar button carrying it (or null).
    QAction *menuItem(int code) const;
    QAction *toolButton(int code) const;
    QList<QMenu *> topMenus() const;
    // The toolbar a child brought along (null when it has none).
    QToolBar *toolBarOf(QWidget *form) const { return m_childBars.value(form); }
    // The background as laid over the client area (null when there is no picture).
    const QPixmap &bkImage() const { return m_bkLaid; }

    // Puts `opener` in place of the screen table's opener for `code` in this window only (tests
    // put their own screens behind a menu item this way); null gives the table's opener back.
    void setScreenOpener(int code, ScreenOpener opener);
    // Fills the status bar panels again (after the company name was changed).
    void fillStatusBar();

    QMdiArea *mdiArea;
    QToolBar *ToolBar1;
    QStatusBar *StatusBar1;
    QLabel *pnlOperator;
    QLabel *pnlBizDate;
    QLabel *pnlCompany;
    QMenu *mnuDaily;
    QMenu *mnuReport;
    QMenu *mnuInit;
    QMenu *mnuOperator;
    QMenu *mnuMaintain;
    QMenu *mnuHelp;
    QAction *tbRelogin;
    QAction *tbExit;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    QMenu *createPopupMenu() override { return nullptr; }

private:
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void enableByGrants();
    void hideSwitchedOff();
    void tidyMenus();
    QList<QAction *> codedActions() const;
    void openCode(int code);
    void childActivated(QMdiSubWindow *window);

    QHash<int, ScreenOpener> m_openers;
    QHash<QWidget *, QPointer<QToolBar>> m_childBars;
    QList<QAction *> m_windowEntries;
    QPixmap m_bkSource;
    QPixmap m_bkLaid;
    QDateTime m_bkStamp;
    qint64 m_bkFileSize = -1;
};

} // namespace jjgz
