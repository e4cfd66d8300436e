#include "MonthLocks.h"

#include "DBFun.h"
#include "MainDM.h"
#include "OpLog.h"

#include <QDateTime>

namespace jjgz {

QString monthCaption(int year, int month)
{
    return QStringLiteral("%1年%2月").arg(year).arg(month, 2, 10, QLatin1Char('0'));
}

std::optional<MonthLock> MonthLocks::lockOf(int year, int month)
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select opername, locktime from gzlock where xyear=? and xmonth=?"));
    q.addBind(year).addBind(month);
    q.open();
    if (q.eof())
        return std::nullopt;
    return MonthLock{year, month, q.value(0).toString(), q.value(1).toString()};
}

QList<MonthLock> MonthLocks::all()
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select xyear, xmonth, opername, locktime from gzlock order by xyear, xmonth"));
    QList<MonthLock> locks;
    for (q.open(); !q.eof(); q.next())
        locks.append({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toString(), q.value(3).toString()});
    return locks;
}

QString MonthLocks::refusalText(const MonthLock &lock)
{
    return QStringLiteral("%1已封账（由 %2 于 %3 封账），不能修改。如需修改，请先取消封账。")
        .arg(monthCaption(lock.year, lock.month), lock.opername, lock.locktime);
}

void MonthLocks::requireOpen(int year, int month)
{
    if (const auto lock = lockOf(year, month))
        throw DbError(refusalText(*lock));
}

void MonthLocks::requireOpenDate(const QDate &date)
{
    if (date.isValid())
        requireOpen(date.year(), date.month());
}

QString MonthLocks::closeRefusal()
{
    if (HasRight(RightCloseMonth))
        return {};
    return QStringLiteral("操作员 %1 没有封账的权限（权限代码 %2），请向管理员申请。")
        .arg(CurOperName)
        .arg(RightCloseMonth);
}

QString MonthLocks::reopenRefusal()
{
    if (HasRight(RightReopenMonth))
        return {};
    return QStringLiteral("操作员 %1 没有取消封账的权限（权限代码 %2）。只有管理员或被授予此权限的操作员才能取消封账。")
        .arg(CurOperName)
        .arg(RightReopenMonth);
}

void MonthLocks::close(int year, int month)
{
    if (const QString refusal = closeRefusal(); !refusal.isEmpty())
        throw DbError(refusal);
    if (const auto lock = lockOf(year, month))
        throw DbError(QStringLiteral("%1已经封账（由 %2 于 %3 封账）。")
                          .arg(monthCaption(year, month), lock->opername, lock->locktime));
    inTransaction([&] {
        JetQuery q(dmMain->conZt());
        q.setSql(QStringLiteral("select count(*) from gzdata where xyear=? and xmonth=?"));
        q.addBind(year).addBind(month).open();
        const int rows = q.value(0).toInt();
        q.setSql(QStringLiteral("select count(*) from gzxm_m where xyear=? and xmonth=?"));
        q.addBind(year).addBind(month).open();
        const bool hasItems = q.value(0).toInt() > 0;
        q.close();
        if (!hasItems) {
            q.setSql(QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) "
                                    "select ?,?,xh,fname,xmname,ftype,fsize from gzxm order by xh"));
            q.addBind(year).addBind(month).exec();
        }
        const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        q.setSql(QStringLiteral("insert into gzlock (xyear, xmonth, opername, locktime) values (?, ?, ?, ?)"));
        q.addBind(year).addBind(month).addBind(CurOperName).addBind(now).exec();
        OpLog::log(OpAction::Close, OpLog::monthText(year, month), QStringLiteral("%1 名员工的工资").arg(rows));
    });
}

void MonthLocks::reopen(int year, int month, const QString &reason)
{
    if (const QString refusal = reopenRefusal(); !refusal.isEmpty())
        throw DbError(refusal);
    const auto lock = lockOf(year, month);
    if (!lock)
        throw DbError(QStringLiteral("%1没有封账，不需要取消封账。").arg(monthCaption(year, month)));
    if (reason.trimmed().isEmpty())
        throw DbError(QStringLiteral("请输入取消封账的原因。"));
    inTransaction([&] {
        JetQuery q(dmMain->conZt());
        q.setSql(QStringLiteral("delete from gzlock where xyear=? and xmonth=?"));
        q.addBind(year).addBind(month).exec();
        OpLog::log(
            OpAction::Reopen, OpLog::monthText(year, month),
            QStringLiteral("原因：%1（原由 %2 于 %3 封账）").arg(reason.trimmed(), lock->opername, lock->locktime));
    });
}

} // namespace jjgz
