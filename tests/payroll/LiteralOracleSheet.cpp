// The literal procedure on a loaded wage sheet and the database.
#include "LiteralOracle.h"

#include "data/MainDM.h"
#include "payroll/WageSheet.h"

namespace jjgz::test {

namespace {

// "select sum(d.je),sum(sl) ..." for one employee of the month, run at every use.
PieceworkTotals pieceworkTotal(int year, int month, const QString &wkcode)
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select sum(d.je),sum(sl),count(*) from jjdata m,jjdata_d d "
                            "where m.pid=d.pid and year(dt)=? and month(dt)=? and wkcode=?"));
    q.addBind(year).addBind(month).addBind(wkcode).open();
    PieceworkTotals t;
    if (!q.eof()) {
        t.je = q.value(0).toDouble();
        t.sl = q.value(1).toDouble();
        t.lines = q.value(2).toInt();
    }
    q.close();
    return t;
}

} // namespace

OracleResult literalCalculate(const WageSheet &sheet)
{
    const MonthSheet &ms = sheet.sheet();
    LiteralMonth month;
    for (const SheetItem &it : ms.items()) {
        month.fnames << it.fname;
        if (const SheetFormula *f = sheet.formulaFor(it.fname))
            month.formulas.push_back(LiteralFormula{f->gs, f->con});
        else
            month.formulas.push_back(std::nullopt);
    }
    for (int r = 0; r < ms.rowCount(); ++r)
        month.wkcodes << ms.wkcode(r);
    month.cells = ms.cells();
    const int year = sheet.year(), m = sheet.month();
    month.totals = [&month, year, m](int row) { return pieceworkTotal(year, m, month.wkcodes[row]); };
    return literalCalculate(month);
}

} // namespace jjgz::test
