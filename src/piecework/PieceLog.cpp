#include "piecework/PieceLog.h"

#include "data/MainDM.h"
#include "data/MonthLocks.h"
#include "data/OpLog.h"
#include "piecework/PieceData.h"

namespace jjgz {
namespace {

QDate storedDate(int pid)
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select dt from jjdata where pid=?"));
    q.addBind(pid).open();
    return q.eof() ? QDate() : QDate::fromString(q.value(0).toString().left(10), QStringLiteral("yyyy-MM-dd"));
}

QString target(int pid)
{
    return QStringLiteral("计件记录 %1").arg(pid);
}

QString number(const QVariant &v)
{
    return v.isNull() ? QStringLiteral("空") : QString::number(v.toDouble(), 'g', 12);
}

} // namespace

void PieceLog::requireOpen(int mode, const RecordValues &record)
{
    MonthLocks::requireOpenDate(record.dt);
    if (mode != 1)
        requireOpenRecord(record.pid);
}

void PieceLog::requireOpenRecord(int pid)
{
    MonthLocks::requireOpenDate(storedDate(pid));
}

void PieceLog::saved(int mode, int pid, const RecordValues &r, int lines)
{
    const QString detail = QStringLiteral("日期 %1，工种 %2，工序 %3，单价 %4，数量 %5，金额 %6，%7 行")
                               .arg(r.dt.toString(QStringLiteral("yyyy-MM-dd")), r.gzcode, r.gxcode, number(r.price),
                                    number(r.sl), number(r.je))
                               .arg(lines);
    OpLog::log(mode == 1 ? OpAction::PieceAdd : OpAction::PieceModify, target(pid), detail);
}

void PieceLog::deleting(int pid)
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select dt, gzcode, gxcode, sl, je from jjdata where pid=?"));
    q.addBind(pid).open();
    if (q.eof())
        return;
    OpLog::log(OpAction::PieceDelete, target(pid),
               QStringLiteral("日期 %1，工种 %2，工序 %3，数量 %4，金额 %5")
                   .arg(q.value(0).toString().left(10), q.value(1).toString(), q.value(2).toString(),
                        number(q.value(3)), number(q.value(4))));
}

} // namespace jjgz
