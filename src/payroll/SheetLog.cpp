#include "payroll/SheetLog.h"

#include "data/MainDM.h"
#include "data/OpLog.h"
#include "payroll/WageSheet.h"

#include <QHash>

namespace jjgz {
namespace {

struct Pending {
    int year = 0, month = 0;
    int employees = 0, items = 0, failed = 0;
};

// Calculations not saved yet, by sheet.
QHash<const WageSheet *, Pending> &pending()
{
    static QHash<const WageSheet *, Pending> map;
    return map;
}

} // namespace

void SheetLog::loaded(const WageSheet &sheet)
{
    pending().remove(&sheet);
}

void SheetLog::calculated(const WageSheet &sheet, const CalcResult &r)
{
    pending().insert(&sheet, {sheet.year(), sheet.month(), r.employees, r.items, r.failedCells});
}

void SheetLog::saved(const WageSheet &sheet)
{
    const QString month = OpLog::monthText(sheet.year(), sheet.month());
    const auto it = pending().constFind(&sheet);
    if (it != pending().constEnd() && it->year == sheet.year() && it->month == sheet.month()) {
        const Pending p = *it;
        pending().remove(&sheet);
        OpLog::log(
            OpAction::Calc, month,
            QStringLiteral("%1 名员工，%2 个项目，%3 个单元格计算失败").arg(p.employees).arg(p.items).arg(p.failed));
        return;
    }
    pending().remove(&sheet);
    OpLog::log(OpAction::SaveSheet, month,
               QStringLiteral("%1 名员工").arg(const_cast<WageSheet &>(sheet).tmp().rowCount()));
}

void SheetLog::recreating(int year, int month)
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select count(*) from gzdata where xyear=? and xmonth=?"));
    q.addBind(year).addBind(month).open();
    OpLog::log(OpAction::Recreate, OpLog::monthText(year, month),
               QStringLiteral("删除原有 %1 名员工的工资数据后重新生成").arg(q.value(0).toInt()));
}

} // namespace jjgz
