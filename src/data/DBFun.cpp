#include "DBFun.h"

#include "MainDM.h"
#include "MyFun.h"

#include <QDate>
#include <QRegularExpression>

namespace jjgz {
namespace {

// Table and column names come from the program, never from the user; they are checked all the
// same, since they are the one part of a statement that cannot be bound.
const QString &checkedName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plain.match(name).hasMatch())
        throw DbError(QStringLiteral("无效的表名或字段名：%1").arg(name));
    return name;
}

// Runs a select on qryExec3 and tells whether it found a row.
bool anyRow(const QString &sql, std::initializer_list<QVariant> values)
{
    JetQuery &q = dmMain->qryExec3;
    q.setSql(sql);
    for (const QVariant &v : values)
        q.addBind(v);
    q.open();
    const bool found = !q.eof();
    q.close();
    return found;
}

// The first column of the first row (null when there is none).
QVariant firstValue(const QString &sql, std::initializer_list<QVariant> values = {})
{
    return dmMain->scalar(sql, values);
}

// Shared by the next-code routines: the greatest code + 1, zero-filled; 1 when the greatest code
// is not a whole number or there is none.
QString nextFrom(const QString &sql, std::initializer_list<QVariant> values, int widthPid)
{
    const int width = TextToInt(GetParam(widthPid));
    const QVariant top = firstValue(sql, values);
    if (!top.isValid() || top.isNull())
        return PadCode(1, width);
    bool ok = false;
    const qint64 value = top.toString().trimmed().toLongLong(&ok);
    if (!ok || value < 0 || value == std::numeric_limits<qint64>::max())
        return PadCode(1, width);
    return PadCode(value + 1, width);
}

int intOrZero(const QVariant &v)
{
    return v.isNull() ? 0 : v.toInt();
}

} // namespace

QString GetParam(int pid)
{
    JetQuery &q = dmMain->qryExec3;
    q.setSql(QStringLiteral("select * from params where pid=?"));
    q.addBind(pid);
    q.open();
    const QString value = q.eof() ? QString() : q.value(QStringLiteral("pvalue")).toString();
    q.close();
    return value;
}

void SetParam(int pid, const QString &value)
{
    JetQuery &q = dmMain->qryExec3;
    ScratchScope scope(q);
    q.setSql(QStringLiteral("update params set pvalue=? where pid=?"));
    q.addBind(value);
    q.addBind(pid);
    if (q.exec() > 0)
        return;
    q.setSql(QStringLiteral("insert into params (pid, pvalue) values (?, ?)"));
    q.addBind(pid);
    q.addBind(value);
    q.exec();
}

QString NextCode(const QString &table, const QString &column, int widthPid)
{
    return nextFrom(
        QStringLiteral("select top 1 %1 from %2 order by %1 desc").arg(checkedName(column), checkedName(table)), {},
        widthPid);
}

QString NextProcessCode(const QString &gzcode)
{
    return nextFrom(QStringLiteral("select top 1 gxcode from jjgx where gzcode=? order by gxcode desc"), {gzcode}, 4);
}

QString NextWorkerCode()
{
    return nextFrom(QStringLiteral("select top 1 wkcode from worker order by wkcode desc"), {}, 6);
}

int NextItemNo()
{
    JetQuery &q = dmMain->qryExec3;
    q.setSql(QStringLiteral("select * from gzdata where 1=0"));
    q.open();
    const QStringList names = q.fieldNames();
    q.close();
    const QString last = names.isEmpty() ? QString() : names.last();
    if (!last.startsWith(u'f'))
        return 1;
    bool ok = false;
    const int n = last.mid(1).toInt(&ok);
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' 不是有效的整数").arg(last.mid(1)));
    return n + 1;
}

int NextFormulaNo()
{
    return intOrZero(firstValue(QStringLiteral("select max(xh) from gzgs"))) + 1;
}

int NextRecordId()
{
    return intOrZero(firstValue(QStringLiteral("select max(pid) from jjdata"))) + 1;
}

bool ProcessExists(const QString &gzcode, const QString &gxcode)
{
    return anyRow(QStringLiteral("select * from jjgx where gzcode=? and gxcode=?"), {gzcode, gxcode});
}

bool WorkerExists(const QString &wkcode)
{
    return anyRow(QStringLiteral("select * from worker where wkcode=?"), {wkcode});
}

bool PositionExists(const QString &tpcode)
{
    return anyRow(QStringLiteral("select * from worker_tp where tpcode=?"), {tpcode});
}

bool WorkerInUse(const QString &wkcode)
{
    return anyRow(QStringLiteral("select * from jjdata_d where wkcode=?"), {wkcode})
           || anyRow(QStringLiteral("select * from gzdata where wkcode=?"), {wkcode});
}

QString PositionName(const QString &tpcode)
{
    return firstValue(QStringLiteral("select tpname from worker_tp where tpcode=?"), {tpcode}).toString();
}

QString WorkerPositionText(const QString &wkcode)
{
    const QString tpcode = firstValue(QStringLiteral("select tpcode from worker where wkcode=?"), {wkcode}).toString();
    if (tpcode.isEmpty())
        return QString();
    return BracketText(tpcode, PositionName(tpcode));
}

bool MonthHasWages(int year, int month)
{
    return firstValue(QStringLiteral("select count(*) from gzdata where xyear=? and xmonth=?"), {year, month}).toInt()
           > 0;
}

void DeleteWageMonth(int year, int month)
{
    dmMain->exec(QStringLiteral("delete from gzxm_m where xyear=? and xmonth=?"), {year, month});
    dmMain->exec(QStringLiteral("delete from gzdata where xyear=? and xmonth=?"), {year, month});
}

WageMonth LatestWageMonth()
{
    const QDate biz = QDate::fromString(CurBizDate, QStringLiteral("yyyy-MM-dd"));
    WageMonth result{biz.year(), biz.month()};
    JetQuery &q = dmMain->qryExec3;
    q.setSql(QStringLiteral("select top 1 xyear, xmonth from gzdata order by xyear desc, xmonth desc"));
    q.open();
    if (!q.eof()) {
        result.year = q.value(0).toInt();
        result.month = q.value(1).toInt();
    }
    q.close();
    return result;
}

bool HasRight(int code)
{
    if (CurOperName.toLower() == u"admin")
        return true;
    return anyRow(QStringLiteral("select * from rolelist where opername=? and roleid=?"), {CurOperName, code});
}

QString BracketText(const QString &code, const QString &name)
{
    return u'[' + code + u']' + name;
}

QString BracketCode(const QString &text)
{
    const qsizetype close = text.indexOf(u']');
    if (close < 0)
        return text.mid(1);
    return text.mid(1, close - 1);
}

QString BracketName(const QString &text)
{
    const qsizetype close = text.indexOf(u']');
    return close < 0 ? QString() : text.mid(close + 1);
}

} // namespace jjgz
