#include "MainFrm.h"

#include "Login.h"
#include "OperatorRole.h"
#include "Screens.h"
#include "app/Application.h"
#include "data/DBFun.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "widgets/MessageService.h"
#include "widgets/ScreenParts.h"
#include "widgets/ToolIcons.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>

namespace jjgz {
namespace {

int g_reloginPause = 2000;

// A menu caption never turns into a keyboard accelerator.
QString plainCaption(QString caption)
{
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

struct MenuEntry {
    const char16_t *caption; // "-" for a separator
    int code;
};

} // namespace

TfrmMain::TfrmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowState(windowState() | Qt::WindowMaximized);
    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdiArea);
    mdiArea->viewport()->installEventFilter(this);
    connect(mdiArea, &QMdiArea::subWindowActivated, this, &TfrmMain::childActivated);

    createMenus();
    createToolBar();
    createStatusBar();
    setChildHost(this);
    runCreationSteps();
}

TfrmMain::~TfrmMain()
{
    if (childHost() == this)
        setChildHost(nullptr);
    // The children go first, while the toolbars they brought are still known.
    disconnect(mdiArea, nullptr, this, nullptr);
    mdiArea->viewport()->removeEventFilter(this);
    delete mdiArea;
    mdiArea = nullptr;
}

QString TfrmMain::productTitle()
{
    return QStringLiteral("工资管理系统 V1.0");
}

int TfrmMain::reloginPause()
{
    return g_reloginPause;
}

void TfrmMain::setReloginPause(int milliseconds)
{
    g_reloginPause = std::max(0, milliseconds);
}

void TfrmMain::createMenus()
{
    auto addTopMenu = [this](const QString &caption, const QString &name, int code,
                             std::initializer_list<MenuEntry> entries) {
        QMenu *menu = menuBar()->addMenu(caption);
        menu->setObjectName(name);
        menu->menuAction()->setData(code);
        for (const MenuEntry &entry : entries) {
            const QString text = QString::fromUtf16(entry.caption);
            QAction *action = nullptr;
            if (text == u"-") {
                action = menu->addSeparator();
            } else {
                action = menu->addAction(plainCaption(text));
                action->setObjectName(QStringLiteral("mi%1").arg(entry.code));
                connect(action, &QAction::triggered, this, [this, itemCode = entry.code] { openCode(itemCode); });
            }
            action->setData(entry.code);
        }
        return menu;
    };

    mnuDaily = addTopMenu(QStringLiteral("【日常处理】"), QStringLiteral("mnuDaily"), 0,
                          {{u"计件数据录入", 1001}, {u"工资数据录入", 1003}, {u"结转下月", 1005}});
    mnuReport = addTopMenu(QStringLiteral("【工资报表】"), QStringLiteral("mnuReport"), 0,
                           {{u"打印工资条", 1301},
                            {u"工资发放表", 1303},
                            {u"工资汇总表", 1305},
                            {u"年度汇总", 1307},
                            {u"个税申报导出", 1309}});
    mnuInit = addTopMenu(QStringLiteral("【初始设置】"), QStringLiteral("mnuInit"), 1,
                         {{u"计件工种设置", 1503},
                          {u"计件工序设置", 1505},
                          {u"计件系数设置", 1507},
                          {u"-", 0},
                          {u"工资项目定义", 1509},
                          {u"计算公式定义", 1511},
                          {u"税率表", 1517},
                          {u"-", 0},
                          {u"部门设置", 1512},
                          {u"职位设置", 1513},
                          {u"员工名册管理", 1515},
                          {u"-", 0},
                          {u"单位名称...", 1519}});
    mnuOperator = addTopMenu(QStringLiteral("【操作员】"), QStringLiteral("mnuOperator"), 0,
                             {{u"操作员管理", 1701}, {u"设定权限", 1703}, {u"修改密码", 1705}});
    mnuMaintain = addTopMenu(QStringLiteral("【系统维护】"), QStringLiteral("mnuMaintain"), 0,
                             {{u"数据初始化", 1901}, {u"数据备份", 1903}, {u"数据恢复", 1905}, {u"操作日志", 1907}});
    mnuHelp = addTopMenu(QStringLiteral("【系统帮助】"), QStringLiteral("mnuHelp"), 0,
                         {{u"帮助主题", 2101}, {u"关于...", 2105}});
    connect(mnuHelp, &QMenu::aboutToShow, this, &TfrmMain::updateWindowMenu);
}

void TfrmMain::createToolBar()
{
    ToolBar1 = makeScreenToolBar(this);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    auto addButton = [this](const QString &caption, Glyph glyph, int code) {
        const QString name = QStringLiteral("tb%1").arg(code);
        QAction *action = addToolButton(ToolBar1, toolIcon(glyph), plainCaption(caption), name, QSize(60, 45));
        action->setData(code);
        if (QWidget *button = ToolBar1->widgetForAction(action))
            button->setObjectName(name);
        if (code > 0)
            connect(action, &QAction::triggered, this, [this, code] { openCode(code); });
        return action;
    };
    addButton(QStringLiteral("计件录入"), Glyph::PieceEntry, 1001);
    addButton(QStringLiteral("工资录入"), Glyph::WageEntry, 1003);
    ToolBar1->addSeparator()->setData(0);
    addButton(QStringLiteral("工资条"), Glyph::PaySlip, 1301);
    addButton(QStringLiteral("发放表"), Glyph::PayTable, 1303);
    addButton(QStringLiteral("汇总表"), Glyph::Summary, 1305);
    ToolBar1->addSeparator()->setData(0);
    addButton(QStringLiteral("计件工种"), Glyph::JobType, 1503);
    addButton(QStringLiteral("计件工序"), Glyph::Process, 1505);
    addButton(QStringLiteral("职工名册"), Glyph::Roster, 1515);
    ToolBar1->addSeparator()->setData(0);
    tbRelogin = addButton(QStringLiteral("重新登陆"), Glyph::Relogin, 0);
    tbRelogin->setObjectName(QStringLiteral("tbRelogin"));
    tbExit = addButton(QStringLiteral("退出系统"), Glyph::Exit, 0);
    tbExit->setObjectName(QStringLiteral("tbExit"));
    connect(tbRelogin, &QAction::triggered, this, [this] { guarded(this, [this] { relogin(); }); });
    connect(tbExit, &QAction::triggered, this, &QWidget::close);
}

void TfrmMain::createStatusBar()
{
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    auto panel = [this](const QString &name) {
        auto *label = new QLabel(StatusBar1);
        label->setObjectName(name);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setContentsMargins(4, 0, 4, 0);
        return label;
    };
    pnlOperator = panel(QStringLiteral("pnlOperator"));
    pnlOperator->setFixedWidth(200);
    pnlBizDate = panel(QStringLiteral("pnlBizDate"));
    pnlBizDate->setFixedWidth(200);
    pnlCompany = panel(QStringLiteral("pnlCompany"));
    StatusBar1->addWidget(pnlOperator);
    StatusBar1->addWidget(pnlBizDate);
    StatusBar1->addWidget(pnlCompany, 1);
}

void TfrmMain::runCreationSteps()
{
    layBackground();
    fillStatusBar();
    setWindowTitle(productTitle());
    enableByGrants();
    hideSwitchedOff();
    tidyMenus();
}

void TfrmMain::layBackground()
{
    // The file is read again whenever it changed on disk; a missing file keeps the picture there is.
    bool reloaded = false;
    const QFileInfo file(appPath(QStringLiteral("bk.jpg")));
    if (file.isFile() && (file.lastModified() != m_bkStamp || file.size() != m_bkFileSize)) {
        QPixmap picture;
        if (picture.load(file.absoluteFilePath())) {
            m_bkSource = picture;
            m_bkStamp = file.lastModified();
            m_bkFileSize = file.size();
            reloaded = true;
        }
    }
    if (m_bkSource.isNull() || !mdiArea)
        return;
    const QSize size = mdiArea->viewport()->size();
    if (size.isEmpty() || (!reloaded && m_bkLaid.size() == size))
        return;
    m_bkLaid = m_bkSource.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    mdiArea->setBackground(QBrush(m_bkLaid));
}

void TfrmMain::fillStatusBar()
{
    pnlOperator->setText(QStringLiteral("操作员：") + CurOperName);
    const QDate date = QDate::fromString(CurBizDate, QStringLiteral("yyyy-MM-dd"));
    pnlBizDate->setText(QStringLiteral("业务日期：")
                        + (date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : CurBizDate));
    pnlCompany->setText(QStringLiteral("使用单位：") + GetParam(CompanyNameParam));
}

int TfrmMain::codeOf(const QAction *action)
{
    return action ? action->data().toInt() : 0;
}

QList<QMenu *> TfrmMain::topMenus() const
{
    return {mnuDaily, mnuReport, mnuInit, mnuOperator, mnuMaintain, mnuHelp};
}

QList<QAction *> TfrmMain::codedActions() const
{
    QList<QAction *> actions;
    for (QMenu *menu : topMenus()) {
        actions << menu->menuAction();
        for (QAction *item : menu->actions())
            if (!m_windowEntries.contains(item))
                actions << item;
    }
    actions << ToolBar1->actions();
    return actions;
}

QAction *TfrmMain::menuItem(int code) const
{
    for (QMenu *menu : topMenus()) {
        if (codeOf(menu->menuAction()) == code)
            return menu->menuAction();
        for (QAction *item : menu->actions())
            if (!item->isSeparator() && codeOf(item) == code && !m_windowEntries.contains(item))
                return item;
    }
    return nullptr;
}

QAction *TfrmMain::toolButton(int code) const
{
    for (QAction *action : ToolBar1->actions())
        if (!action->isSeparator() && codeOf(action) == code)
            return action;
    return nullptr;
}

void TfrmMain::enableByGrants()
{
    const bool admin = CurOperName.toLower() == u"admin";
    for (QAction *action : codedActions())
        if (codeOf(action) > 0)
            action->setEnabled(admin);
    if (admin)
        return;
    for (int code : OperatorGrants::grantsOf(CurOperName)) {
        if (code <= 0)
            continue;
        if (QAction *item = menuItem(code))
            item->setEnabled(true);
        if (QAction *button = toolButton(code))
            button->setEnabled(true);
    }
}

void TfrmMain::hideSwitchedOff()
{
    for (int code : OperatorGrants::switchedOffCodes()) {
        if (code <= 0)
            continue;
        if (QAction *item = menuItem(code))
            item->setVisible(false);
        if (QAction *button = toolButton(code))
            button->setVisible(false);
    }
}

// Hides separators that would lead, trail or stand doubled among the visible `items`;
// tells whether any visible item other than a separator is left.
static bool hideStraySeparators(const QList<QAction *> &items)
{
    QAction *lastVisible = nullptr;
    bool content = false;
    for (QAction *item : items) {
        if (!item->isVisible())
            continue;
        if (item->isSeparator()) {
            if (!lastVisible || lastVisible->isSeparator()) {
                item->setVisible(false);
                continue;
            }
        } else {
            content = true;
        }
        lastVisible = item;
    }
    if (lastVisible && lastVisible->isSeparator())
        lastVisible->setVisible(false);
    return content;
}

void TfrmMain::tidyMenus()
{
    for (QMenu *menu : {mnuDaily, mnuReport, mnuInit, mnuOperator}) {
        if (codeOf(menu->menuAction()) == 1)
            continue;
        menu->menuAction()->setVisible(hideStraySeparators(menu->actions()));
    }
    // The main toolbar follows the same rule, so hidden buttons leave no doubled separator.
    hideStraySeparators(ToolBar1->actions());
}

void TfrmMain::openCode(int code)
{
    guarded(this, [this, code] {
        if (const ScreenOpener own = m_openers.value(code)) {
            const ScreenEntry *entry = screenEntry(code);
            own(this, entry ? entry->mode : 0);
        } else {
            openScreen(code, this);
        }
    });
}

void TfrmMain::setScreenOpener(int code, ScreenOpener opener)
{
    if (opener)
        m_openers.insert(code, opener);
    else
        m_openers.remove(code);
}

void TfrmMain::relogin()
{
    TfrmLogin::Result login;
    if (!TfrmLogin::execute(this, &login))
        return;
    CurOperName = login.operName;
    CurBizDate = login.bizDate;
    if (g_reloginPause > 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QThread::msleep(g_reloginPause);
        QApplication::restoreOverrideCursor();
    }
    runCreationSteps();
}

QMdiSubWindow *TfrmMain::addChild(QWidget *form)
{
    form->setAttribute(Qt::WA_DeleteOnClose);
    if (auto *bar = form->findChild<QToolBar *>(QString(), Qt::FindDirectChildrenOnly)) {
        // A band of the tool area beside ToolBar1: it can be moved within the area, never out.
        bar->setMovable(true);
        bar->setFloatable(false);
        bar->setAllowedAreas(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, bar);
        bar->hide();
        m_childBars.insert(form, bar);
        connect(form, &QObject::destroyed, this, [this, form] {
            if (QPointer<QToolBar> gone = m_childBars.take(form))
                gone->deleteLater();
        });
    }
    QMdiSubWindow *window = mdiArea->addSubWindow(form);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    childActivated(mdiArea->activeSubWindow());
    return window;
}

void TfrmMain::childActivated(QMdiSubWindow *window)
{
    QToolBar *wanted = window ? m_childBars.value(window->widget()) : nullptr;
    for (const QPointer<QToolBar> &bar : std::as_const(m_childBars))
        if (bar && bar != wanted)
            bar->hide();
    if (wanted)
        wanted->show();
}

void TfrmMain::updateWindowMenu()
{
    for (QAction *entry : std::as_const(m_windowEntries)) {
        mnuHelp->removeAction(entry);
        entry->deleteLater();
    }
    m_windowEntries.clear();
    const QList<QMdiSubWindow *> windows = mdiArea->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    m_windowEntries << mnuHelp->addSeparator();
    QMdiSubWindow *active = mdiArea->activeSubWindow();
    for (QMdiSubWindow *window : windows) {
        QAction *entry = mnuHelp->addAction(plainCaption(window->windowTitle()));
        entry->setCheckable(true);
        entry->setChecked(window == active);
        QPointer<QMdiSubWindow> target(window);
        connect(entry, &QAction::triggered, this, [this, target] {
            if (!target)
                return;
            if (target->isMinimized())
                target->showNormal();
            mdiArea->setActiveSubWindow(target);
        });
        m_windowEntries << entry;
    }
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (!askYesNo(this, QStringLiteral("确认要退出吗？"))) {
        event->ignore();
        return;
    }
    // The children close first, each through its own close handling; one that stays open
    // (an edit it will not give up) keeps the program running.
    mdiArea->closeAllSubWindows();
    for (QMdiSubWindow *window : mdiArea->subWindowList()) {
        if (window->isVisible()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (mdiArea && watched == mdiArea->viewport() && event->type() == QEvent::Resize)
        layBackground();
    return QMainWindow::eventFilter(watched, event);
}

} // namespace jjgz
