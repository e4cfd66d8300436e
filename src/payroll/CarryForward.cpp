#include "payroll/CarryForward.h"

#include "data/MainDM.h"
#include "data/MonthLocks.h"
#include "data/OpLog.h"

#include <QDate>

namespace jjgz {

WageMonth CarryForward::defaultSource()
{
    return LatestWageMonth();
}

WageMonth CarryForward::monthAfter(WageMonth month)
{
    return month.month >= 12 ? WageMonth{month.year + 1, 1} : WageMonth{month.year, month.month + 1};
}

CarryForward::Check CarryForward::check(WageMonth source, WageMonth target)
{
    if (!MonthHasWages(source.year, source.month))
        return Check::SourceEmpty;
    if (source.year * 12 + source.month == target.year * 12 + target.month)
        return Check::SameMonth;
    return Check::Ok;
}

bool CarryForward::targetHasRows(WageMonth target)
{
    return MonthHasWages(target.year, target.month);
}

int CarryForward::run(WageMonth source, WageMonth target, bool overwrite)
{
    MonthLocks::requireOpen(target.year, target.month);
    int copied = 0;
    inTransaction([&] {
        if (overwrite)
            DeleteWageMonth(target.year, target.month);

        JetQuery &q = dmMain->qryExec;
        q.setSql(QStringLiteral("select count(*) from gzxm_m where xyear=? and xmonth=?"));
        q.addBind(source.year).addBind(source.month);
        q.open();
        const bool hasItems = q.value(0).toInt() > 0;
        q.close();
        // A closed source month stays as it is (its item list, if any, was fixed when it closed).
        if (!hasItems && !MonthLocks::isClosed(source.year, source.month)) {
            q.setSql(QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) "
                                    "select ?,?,xh,fname,xmname,ftype,fsize from gzxm order by xh"));
            q.addBind(source.year).addBind(source.month);
            q.exec();
        }

        // Every column after xyear and xmonth is copied by position: the target row takes the
        // source row's wkcode and every item value.
        q.setSql(QStringLiteral("select * from gzdata where 1=0"));
        q.open();
        const QStringList columns = q.fieldNames();
        q.close();
        QStringList names;
        for (const QString &c : columns)
            names << u'"' + QString(c).replace(u'"', QStringLiteral("\"\"")) + u'"';
        const QStringList rest = names.mid(2);
        q.setSql(QStringLiteral("insert into gzdata(%1) select ?,?%2 from gzdata where xyear=? and xmonth=?")
                     .arg(names.join(u','), rest.isEmpty() ? QString() : u',' + rest.join(u',')));
        q.addBind(target.year).addBind(target.month).addBind(source.year).addBind(source.month);
        copied = q.exec();
        q.close();
        OpLog::log(OpAction::Carry,
                   OpLog::monthText(source.year, source.month) + QStringLiteral(" → ")
                       + OpLog::monthText(target.year, target.month),
                   QStringLiteral("%1 名员工的工资").arg(copied));
    });
    return copied;
}

} // namespace jjgz
