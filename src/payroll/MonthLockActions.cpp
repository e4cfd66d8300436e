#include "payroll/MonthLockActions.h"

#include "app/Application.h"
#include "app/Input.h"
#include "data/DBFun.h"
#include "data/MonthLocks.h"
#include "payroll/GzData.h"
#include "payroll/WageSheet.h"
#include "widgets/DbGrid.h"
#include "widgets/MessageService.h"
#include "widgets/ScreenParts.h"

#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <QToolButton>

namespace jjgz {
namespace {

// A padlock, shut or open, on the 48 × 48 grid of the toolbar pictures.
QIcon padlock(bool shut)
{
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPen shackle(QColor(0x55, 0x5b, 0x66), 5);
    p.setPen(shackle);
    p.setBrush(Qt::NoBrush);
    QPainterPath bow;
    const qreal left = 14, right = 34, top = 8;
    bow.moveTo(left, 24);
    bow.lineTo(left, 18);
    bow.arcTo(QRectF(left, top, right - left, 20), 180, -180);
    bow.lineTo(right, shut ? 24 : 16);
    p.translate(shut ? 0 : 6, shut ? 0 : -4);
    p.drawPath(bow);
    p.resetTransform();
    p.setPen(Qt::NoPen);
    p.setBrush(shut ? QColor(0xc0, 0x8a, 0x1e) : QColor(0x3c, 0x9a, 0x4a));
    p.drawRoundedRect(QRectF(9, 22, 30, 20), 3, 3);
    p.setBrush(QColor(0x33, 0x33, 0x33));
    p.drawEllipse(QPointF(24, 30), 3, 3);
    p.drawRect(QRectF(23, 31, 2, 6));
    return QIcon(pixmap);
}

const QString kHeading = QStringLiteral("工资数据");
const QString kClosedMark = QStringLiteral("（已封账）");

} // namespace

MonthLockActions *MonthLockActions::install(TfrmGzData *form, WageSheet *sheet)
{
    return new MonthLockActions(form, sheet);
}

MonthLockActions *MonthLockActions::of(TfrmGzData *form)
{
    return form ? form->findChild<MonthLockActions *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

MonthLockActions::MonthLockActions(TfrmGzData *form, WageSheet *sheet) : QObject(form), m_form(form), m_sheet(sheet)
{
    QToolBar *bar = form->ToolBar1;
    // Beside 计算, before the printouts, looking like the window's other buttons.
    auto make = [&](bool shut, const QString &caption, const QString &name) {
        auto *action = new QAction(padlock(shut), caption, bar);
        action->setObjectName(name);
        bar->insertAction(form->btnGzBar, action);
        if (auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action))) {
            button->setFixedWidth(ScreenButtonSize.width());
            button->setAutoRaise(true);
        }
        action->setVisible(form->mode() == 0);
        return action;
    };
    btnLock = make(true, QStringLiteral("封账"), QStringLiteral("btnLock"));
    btnUnlock = make(false, QStringLiteral("取消封账"), QStringLiteral("btnUnlock"));
    connect(btnLock, &QAction::triggered, this, [this] { guarded(m_form, [this] { lockClick(); }); });
    connect(btnUnlock, &QAction::triggered, this, [this] { guarded(m_form, [this] { unlockClick(); }); });
    refresh();
}

void MonthLockActions::refresh()
{
    const bool loaded = m_sheet && m_sheet->isLoaded();
    const bool closed = loaded && MonthLocks::isClosed(m_sheet->year(), m_sheet->month());
    m_form->lblCaption->setText(closed ? kHeading + kClosedMark : kHeading);
    if (m_form->mode() == 0)
        m_form->grid->setReadOnly(closed);
    btnLock->setEnabled(loaded && !closed && HasRight(RightCloseMonth));
    btnUnlock->setEnabled(loaded && closed && HasRight(RightReopenMonth));
}

void MonthLockActions::lockClick()
{
    if (!m_sheet || !m_sheet->isLoaded())
        return;
    WageSheet &sheet = *m_sheet;
    const QString month = monthCaption(sheet.year(), sheet.month());
    if (!askYesNo(m_form, QStringLiteral("确认要对%1封账吗？封账后该月的工资数据和计件数据都不能再修改。").arg(month)))
        return;
    MonthLocks::close(sheet.year(), sheet.month());
    refresh();
    showInfo(m_form, QStringLiteral("%1已封账").arg(month));
}

void MonthLockActions::unlockClick()
{
    if (!m_sheet || !m_sheet->isLoaded())
        return;
    WageSheet &sheet = *m_sheet;
    if (const QString refusal = MonthLocks::reopenRefusal(); !refusal.isEmpty()) {
        showError(m_form, refusal);
        return;
    }
    const QString month = monthCaption(sheet.year(), sheet.month());
    TfrmInput prompt(m_form);
    prompt.setObjectName(QStringLiteral("frmReopenReason"));
    prompt.setWindowTitle(QStringLiteral("取消封账"));
    prompt.setLabel(QStringLiteral("取消%1的封账，请输入原因：").arg(month));
    if (prompt.exec() != QDialog::Accepted)
        return;
    if (prompt.text().trimmed().isEmpty()) {
        showError(m_form, QStringLiteral("请输入取消封账的原因。"));
        return;
    }
    MonthLocks::reopen(sheet.year(), sheet.month(), prompt.text());
    refresh();
    showInfo(m_form, QStringLiteral("%1已取消封账").arg(month));
}

} // namespace jjgz
