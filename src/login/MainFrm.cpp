#include "MainFrm.h"

#include "Login.h"
#include "Screens.h"
#include "app/Application.h"
#include "app/DBFun.h"
#include "app/MainDM.h"
#include "app/MyFun.h"
#include "widgets/MessageService.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>
#include <QToolButton>

#include <cmath>

namespace jjgz {
namespace {

int g_reloginPause = 2000;

// Pictures of the toolbar buttons, drawn on a 48 × 48 grid and shown at 24 × 24.
enum class Glyph { PieceEntry, WageEntry, PaySlip, PayTable, Summary, JobType, Process, Roster, Relogin, Exit };

const QColor Ink(0x2d, 0x3a, 0x4b);
const QColor Paper(0xfd, 0xfb, 0xf3);
const QColor Blue(0x2f, 0x7b, 0xd0);
const QColor Green(0x3a, 0xa5, 0x5d);
const QColor Orange(0xef, 0x8a, 0x24);
const QColor Red(0xd2, 0x3f, 0x31);
const QColor Gold(0xf2, 0xc0, 0x32);
const QColor Brown(0x9a, 0x67, 0x3d);

void drawCoin(QPainter &p, QPointF centre, qreal radius)
{
    p.setPen(QPen(QColor(0xb0, 0x80, 0x10), 2));
    p.setBrush(Gold);
    p.drawEllipse(centre, radius, radius);
    QFont font = QApplication::font();
    font.setPixelSize(int(radius * 1.5));
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0x7a, 0x4a, 0x00));
    p.drawText(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), Qt::AlignCenter,
               QStringLiteral("¥"));
}

void drawSheet(QPainter &p, const QRectF &r, int rows, int columns, const QColor &header)
{
    p.setPen(QPen(Ink, 2));
    p.setBrush(Paper);
    p.drawRect(r);
    const qreal rowHeight = r.height() / rows;
    p.fillRect(QRectF(r.left() + 1, r.top() + 1, r.width() - 2, rowHeight - 1), header);
    p.setPen(QPen(Ink, 1.2));
    for (int i = 1; i < rows; ++i)
        p.drawLine(QPointF(r.left(), r.top() + i * rowHeight), QPointF(r.right(), r.top() + i * rowHeight));
    for (int i = 1; i < columns; ++i) {
        const qreal x = r.left() + i * r.width() / columns;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
}

void drawPerson(QPainter &p, QPointF head, qreal scale, const QColor &colour)
{
    p.setPen(QPen(colour.darker(140), 1.5));
    p.setBrush(colour);
    QPainterPath body;
    const qreal w = 13 * scale;
    const qreal top = head.y() + 7 * scale;
    body.moveTo(head.x() - w, top + 14 * scale);
    body.cubicTo(head.x() - w, top, head.x() + w, top, head.x() + w, top + 14 * scale);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(colour.lighter(130));
    p.drawEllipse(head, 6.5 * scale, 6.5 * scale);
}

QIcon toolIcon(Glyph glyph)
{
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    switch (glyph) {
    case Glyph::PieceEntry: {
        // A clipboard with a pencil.
        p.setPen(QPen(Ink, 2));
        p.setBrush(QColor(0xc8, 0x9a, 0x64));
        p.drawRoundedRect(QRectF(7, 6, 28, 38), 3, 3);
        p.setBrush(Paper);
        p.drawRect(QRectF(11, 11, 20, 29));
        p.setBrush(QColor(0x80, 0x80, 0x88));
        p.drawRoundedRect(QRectF(14, 3, 14, 7), 2, 2);
        p.setPen(QPen(Blue, 2));
        for (int y : {18, 24, 30})
            p.drawLine(QPointF(14, y), QPointF(28, y));
        p.save();
        p.translate(36, 30);
        p.rotate(35);
        p.setPen(QPen(Ink, 1.5));
        p.setBrush(Orange);
        p.drawRect(QRectF(-3.5, -16, 7, 18));
        p.setBrush(QColor(0xf5, 0xd6, 0xa8));
        const QPointF tip[] = {{-3.5, 2}, {3.5, 2}, {0, 9}};
        p.drawPolygon(tip, 3);
        p.restore();
        break;
    }
    case Glyph::WageEntry:
        drawSheet(p, QRectF(4, 5, 32, 30), 5, 3, QColor(0xb7, 0xd4, 0xf2));
        drawCoin(p, QPointF(34, 34), 11);
        break;
    case Glyph::PaySlip: {
        // A slip torn off along a perforation.
        p.setPen(QPen(Ink, 2));
        p.setBrush(Paper);
        p.drawRect(QRectF(3, 13, 42, 22));
        p.setPen(QPen(Ink, 1.5, Qt::DashLine));
        p.drawLine(QPointF(12, 13), QPointF(12, 35));
        p.setPen(QPen(Blue, 2));
        p.drawLine(QPointF(16, 20), QPointF(30, 20));
        p.drawLine(QPointF(16, 26), QPointF(26, 26));
        drawCoin(p, QPointF(37, 25), 7);
        break;
    }
    case Glyph::PayTable:
        drawSheet(p, QRectF(4, 6, 40, 36), 6, 4, QColor(0x9f, 0xd3, 0xae));
        break;
    case Glyph::Summary: {
        // A bar chart.
        p.setPen(QPen(Ink, 2));
        p.drawLine(QPointF(5, 4), QPointF(5, 43));
        p.drawLine(QPointF(5, 43), QPointF(45, 43));
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(Blue);
        p.drawRect(QRectF(10, 22, 8, 21));
        p.setBrush(Green);
        p.drawRect(QRectF(22, 10, 8, 33));
        p.setBrush(Orange);
        p.drawRect(QRectF(34, 28, 8, 15));
        break;
    }
    case Glyph::JobType: {
        // A gear.
        QPainterPath gear;
        const QPointF c(24, 24);
        const int teeth = 8;
        for (int i = 0; i < teeth * 4; ++i) {
            const qreal angle = (i - 0.5) * M_PI / (teeth * 2);
            const qreal radius = (i % 4 == 1 || i % 4 == 2) ? 21 : 15.5;
            const QPointF pt(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
            if (i == 0)
                gear.moveTo(pt);
            else
                gear.lineTo(pt);
        }
        gear.closeSubpath();
        gear.addEllipse(c, 6, 6);
        p.setPen(QPen(Ink, 1.8));
        p.setBrush(QColor(0x7d, 0x8e, 0xa3));
        p.drawPath(gear);
        break;
    }
    case Glyph::Process: {
        // Three steps joined by arrows.
        const QRectF boxes[] = {{3, 4, 16, 12}, {16, 18, 16, 12}, {29, 32, 16, 12}};
        const QColor colours[] = {Blue, Green, Orange};
        p.setPen(QPen(Ink, 2));
        for (int i = 0; i < 2; ++i) {
            const QPointF from(boxes[i].center().x(), boxes[i].bottom());
            const QPointF to(boxes[i + 1].left(), boxes[i + 1].center().y());
            p.setBrush(Qt::NoBrush);
            p.drawLine(from, QPointF(from.x(), to.y()));
            p.drawLine(QPointF(from.x(), to.y()), to);
            p.setBrush(Ink);
            const QPointF head[] = {to, {to.x() - 5, to.y() - 3.5}, {to.x() - 5, to.y() + 3.5}};
            p.drawPolygon(head, 3);
        }
        for (int i = 0; i < 3; ++i) {
            p.setBrush(colours[i]);
            p.drawRoundedRect(boxes[i], 2.5, 2.5);
        }
        break;
    }
    case Glyph::Roster:
        drawPerson(p, QPointF(31, 14), 1.0, Green);
        drawPerson(p, QPointF(18, 20), 1.15, Blue);
        break;
    case Glyph::Relogin: {
        // A key.
        p.setPen(QPen(QColor(0xa0, 0x70, 0x00), 2));
        p.setBrush(Gold);
        QPainterPath key;
        key.addEllipse(QPointF(14, 24), 10, 10);
        key.addRect(QRectF(22, 21, 22, 6));
        key.addRect(QRectF(34, 27, 4, 7));
        key.addRect(QRectF(40, 27, 4, 9));
        key = key.simplified();
        key.addEllipse(QPointF(11, 24), 3.5, 3.5);
        p.drawPath(key);
        break;
    }
    case Glyph::Exit: {
        // An open door with an arrow leading out.
        p.setPen(QPen(Ink, 2));
        p.setBrush(QColor(0xe8, 0xe2, 0xd4));
        p.drawRect(QRectF(6, 4, 24, 40));
        p.setBrush(Brown);
        const QPointF door[] = {{6, 4}, {20, 9}, {20, 47}, {6, 44}};
        p.drawPolygon(door, 4);
        p.setBrush(Gold);
        p.drawEllipse(QPointF(17, 27), 1.8, 1.8);
        p.setPen(QPen(Red, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(26, 24), QPointF(40, 24));
        p.setPen(Qt::NoPen);
        p.setBrush(Red);
        const QPointF head[] = {{46, 24}, {37, 16}, {37, 32}};
        p.drawPolygon(head, 3);
        break;
    }
    }
    p.end();
    return QIcon(pixmap);
}

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
                           {{u"打印工资条", 1301}, {u"工资发放表", 1303}, {u"工资汇总表", 1305}});
    mnuInit = addTopMenu(QStringLiteral("【初始设置】"), QStringLiteral("mnuInit"), 1,
                         {{u"计件工种设置", 1503},
                          {u"计件工序设置", 1505},
                          {u"计件系数设置", 1507},
                          {u"-", 0},
                          {u"工资项目定义", 1509},
                          {u"计算公式定义", 1511},
                          {u"-", 0},
                          {u"部门设置", 1512},
                          {u"职位设置", 1513},
                          {u"员工名册管理", 1515}});
    mnuOperator = addTopMenu(QStringLiteral("【操作员】"), QStringLiteral("mnuOperator"), 0,
                             {{u"操作员管理", 1701}, {u"设定权限", 1703}, {u"修改密码", 1705}});
    mnuMaintain = addTopMenu(QStringLiteral("【系统维护】"), QStringLiteral("mnuMaintain"), 0,
                             {{u"数据初始化", 1901}, {u"数据备份", 1903}, {u"数据恢复", 1905}});
    mnuHelp = addTopMenu(QStringLiteral("【系统帮助】"), QStringLiteral("mnuHelp"), 0,
                         {{u"帮助主题", 2101}, {u"关于...", 2105}});
    connect(mnuHelp, &QMenu::aboutToShow, this, &TfrmMain::updateWindowMenu);
}

void TfrmMain::createToolBar()
{
    ToolBar1 = new QToolBar(QStringLiteral("ToolBar1"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setIconSize(QSize(24, 24));
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    auto addButton = [this](const QString &caption, Glyph glyph, int code) {
        QAction *action = ToolBar1->addAction(toolIcon(glyph), plainCaption(caption));
        action->setData(code);
        if (QWidget *button = ToolBar1->widgetForAction(action)) {
            button->setFixedSize(60, 45);
            button->setObjectName(QStringLiteral("tb%1").arg(code));
        }
        if (code > 0) {
            action->setObjectName(QStringLiteral("tb%1").arg(code));
            connect(action, &QAction::triggered, this, [this, code] { openCode(code); });
        }
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
    pnlCompany->setText(QStringLiteral("使用单位：") + GetParam(8));
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
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from rolelist where opername=? order by roleid"));
    q.addBind(CurOperName);
    q.open();
    QList<int> granted;
    while (!q.eof()) {
        granted << q.value(QStringLiteral("roleid")).toInt();
        q.next();
    }
    q.close();
    for (int code : granted) {
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
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from roles where flag=1"));
    q.open();
    QList<int> switchedOff;
    while (!q.eof()) {
        switchedOff << q.value(QStringLiteral("roleid")).toInt();
        q.next();
    }
    q.close();
    for (int code : switchedOff) {
        if (code <= 0)
            continue;
        if (QAction *item = menuItem(code))
            item->setVisible(false);
        if (QAction *button = toolButton(code))
            button->setVisible(false);
    }
}

void TfrmMain::tidyMenus()
{
    for (QMenu *menu : {mnuDaily, mnuReport, mnuInit, mnuOperator}) {
        if (codeOf(menu->menuAction()) == 1)
            continue;
        QAction *lastVisible = nullptr;
        bool content = false;
        for (QAction *item : menu->actions()) {
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
        menu->menuAction()->setVisible(content);
    }
}

void TfrmMain::openCode(int code)
{
    guarded(this, [this, code] { openScreen(code, this); });
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
