#include "piecework/PieceListing.h"

#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "piecework/PieceLog.h"

namespace jjgz {
namespace {

// Codes compare without regard to case in the database; the lookups do the same.
QString key(const QString &code)
{
    return code.toCaseFolded();
}

QString nameIn(const QHash<QString, QString> &names, const QString &code)
{
    if (code.isEmpty())
        return {};
    return names.value(key(code));
}

template <class F> void eachRow(const QString &sql, F &&take)
{
    JetQuery q(dmMain->conZt());
    q.setSql(sql);
    q.open();
    while (!q.eof()) {
        take(q);
        q.next();
    }
    q.close();
}

QVariant number(const QVariant &v)
{
    return v.isNull() ? QVariant() : QVariant(VarToFloat(v));
}

} // namespace

// ---------------------------------------------------------------- lookups

void PieceLookups::load()
{
    m_jobTypes.clear();
    m_processes.clear();
    m_coefficients.clear();
    m_workers.clear();
    m_departs.clear();
    m_positions.clear();
    m_positionsByKey.clear();
    eachRow(QStringLiteral("select gzcode,gxcode,gxname from jjgx order by gxcode"), [this](JetQuery &q) {
        m_processes.insert(key(q.value(0).toString()) + QChar(0x1f) + key(q.value(1).toString()),
                           q.value(2).toString());
    });
    eachRow(QStringLiteral("select gzcode,gzname from jjgz order by gzcode"),
            [this](JetQuery &q) { m_jobTypes.insert(key(q.value(0).toString()), q.value(1).toString()); });
    eachRow(QStringLiteral("select xscode,xsname from jjxs order by xscode"),
            [this](JetQuery &q) { m_coefficients.insert(key(q.value(0).toString()), q.value(1).toString()); });
    eachRow(QStringLiteral("select wkcode,wkname,sex,bmcode from worker order by wkcode"), [this](JetQuery &q) {
        m_workers.insert(key(q.value(0).toString()),
                         {q.value(1).toString(), q.value(2).toString(), q.value(3).toString()});
    });
    eachRow(QStringLiteral("select bmcode,bmname from depart order by bmcode"),
            [this](JetQuery &q) { m_departs.insert(key(q.value(0).toString()), q.value(1).toString()); });
    eachRow(QStringLiteral("select tpcode,tpname from worker_tp order by tpcode"), [this](JetQuery &q) {
        m_positions.insert(q.value(0).toString(), q.value(1).toString());
        m_positionsByKey.insert(key(q.value(0).toString()), q.value(1).toString());
    });
}

QString PieceLookups::jobTypeName(const QString &gzcode) const
{
    return nameIn(m_jobTypes, gzcode);
}

QString PieceLookups::processName(const QString &gzcode, const QString &gxcode) const
{
    if (gzcode.isEmpty() || gxcode.isEmpty())
        return {};
    return m_processes.value(key(gzcode) + QChar(0x1f) + key(gxcode));
}

QString PieceLookups::coefficientName(const QString &xscode) const
{
    return nameIn(m_coefficients, xscode);
}

QString PieceLookups::workerName(const QString &wkcode) const
{
    return wkcode.isEmpty() ? QString() : m_workers.value(key(wkcode)).name;
}

QString PieceLookups::workerSex(const QString &wkcode) const
{
    return wkcode.isEmpty() ? QString() : m_workers.value(key(wkcode)).sex;
}

QString PieceLookups::workerDepart(const QString &wkcode) const
{
    return wkcode.isEmpty() ? QString() : m_workers.value(key(wkcode)).bmcode;
}

QString PieceLookups::departName(const QString &bmcode) const
{
    return nameIn(m_departs, bmcode);
}

QString PieceLookups::positionName(const QString &tpcode) const
{
    if (tpcode.isEmpty())
        return {};
    return m_positionsByKey.value(key(tpcode));
}

// ---------------------------------------------------------------- the listing

QString PieceListing::monthLabel(const QDate &month)
{
    return month.toString(QStringLiteral("yyyy年MM月"));
}

ListingQuery PieceListing::buildQuery(const PieceFilter &filter)
{
    ListingQuery query;
    query.detail = filter.detail;
    query.monthLabel = monthLabel(filter.month);
    QString sql = filter.detail
                      ? QStringLiteral("select m.pid,m.dt,m.gzcode,m.gxcode,m.price,m.rs,m.xscode,m.xs,m.sl,m.je,"
                                       "d.wkcode,d.tpcode,d.bl,d.je from jjdata m,jjdata_d d where m.pid=d.pid")
                      : QStringLiteral("select pid,dt,gzcode,gxcode,price,rs,xscode,xs,sl,je from jjdata where 1=1");
    sql += QStringLiteral(" and year(dt)=? and month(dt)=?");
    query.values << filter.month.year() << filter.month.month();
    if (!filter.gzcode.isEmpty()) {
        sql += QStringLiteral(" and gzcode=?");
        query.values << filter.gzcode;
    }
    if (!filter.gxcode.isEmpty()) {
        sql += QStringLiteral(" and gxcode=?");
        query.values << filter.gxcode;
    }
    if (filter.detail) {
        // Department and employee filters choose lines, so only this mode has them.
        if (!filter.bmcode.isEmpty()) {
            sql += QStringLiteral(" and wkcode in (select wkcode from worker where bmcode=?)");
            query.values << filter.bmcode;
        }
        if (!filter.wkcode.isEmpty()) {
            sql += QStringLiteral(" and wkcode=?");
            query.values << filter.wkcode;
        }
        if (!filter.wkname.isEmpty()) {
            sql += QStringLiteral(" and wkcode in (select wkcode from worker where wkname=?)");
            query.values << filter.wkname;
        }
        sql += QStringLiteral(" order by dt,d.pid,d.wkcode");
    } else {
        sql += QStringLiteral(" order by dt,pid");
    }
    query.sql = sql;
    return query;
}

void PieceListing::defineListFields(DataTable &list)
{
    list.setFields({
        {QStringLiteral("pid"), FieldKind::Integer, 0},  {QStringLiteral("dt"), FieldKind::Text, 10},
        {QStringLiteral("gzcode"), FieldKind::Text, 10}, {QStringLiteral("gzname"), FieldKind::Text, 200},
        {QStringLiteral("gxcode"), FieldKind::Text, 50}, {QStringLiteral("gxname"), FieldKind::Text, 200},
        {QStringLiteral("price"), FieldKind::Float, 0},  {QStringLiteral("rs"), FieldKind::Float, 0},
        {QStringLiteral("xscode"), FieldKind::Text, 10}, {QStringLiteral("xsname"), FieldKind::Text, 50},
        {QStringLiteral("xs"), FieldKind::Float, 0},     {QStringLiteral("sl"), FieldKind::Float, 0},
        {QStringLiteral("je"), FieldKind::Float, 0},     {QStringLiteral("wkcode"), FieldKind::Text, 20},
        {QStringLiteral("tpcode"), FieldKind::Text, 10}, {QStringLiteral("bl"), FieldKind::Float, 0},
        {QStringLiteral("je2"), FieldKind::Float, 0},    {QStringLiteral("wkname"), FieldKind::Text, 20},
        {QStringLiteral("sex"), FieldKind::Text, 2},     {QStringLiteral("bmcode"), FieldKind::Text, 10},
        {QStringLiteral("bmname"), FieldKind::Text, 20}, {QStringLiteral("tpname"), FieldKind::Text, 20},
    });
}

int PieceListing::load(DataTable &list, const ListingQuery &query, const PieceLookups &lookups)
{
    JetQuery q(dmMain->conZt());
    q.setSql(query.sql);
    for (const QVariant &v : query.values)
        q.addBind(v);
    q.open();
    list.disableViews();
    list.close();
    list.open();
    int count = 0;
    try {
        while (!q.eof()) {
            const QString gzcode = q.value(2).toString();
            const QString gxcode = q.value(3).toString();
            const QString xscode = q.value(6).toString();
            QVariantList row{
                q.value(0).toLongLong(),
                q.value(1).toString().left(10),
                gzcode,
                lookups.jobTypeName(gzcode),
                gxcode,
                lookups.processName(gzcode, gxcode),
                number(q.value(4)),
                number(q.value(5)),
                xscode,
                lookups.coefficientName(xscode),
                number(q.value(7)),
                number(q.value(8)),
                number(q.value(9)),
            };
            if (query.detail) {
                const QString wkcode = q.value(10).toString();
                const QString tpcode = q.value(11).toString();
                const QString bmcode = lookups.workerDepart(wkcode);
                row << wkcode << tpcode << number(q.value(12)) << number(q.value(13)) << lookups.workerName(wkcode)
                    << lookups.workerSex(wkcode) << bmcode << lookups.departName(bmcode)
                    << lookups.positionName(tpcode);
            } else {
                for (int i = 0; i < 9; ++i)
                    row << QVariant();
            }
            list.appendRow(row);
            ++count;
            q.next();
        }
    } catch (...) {
        list.enableViews();
        throw;
    }
    q.close();
    list.first();
    list.enableViews();
    return count;
}

void PieceListing::removeRecord(int pid)
{
    PieceLog::requireOpenRecord(pid);
    inTransaction([&] {
        PieceLog::deleting(pid);
        JetQuery &q = dmMain->qryExec;
        q.setSql(QStringLiteral("delete from jjdata_d where pid=?"));
        q.addBind(pid);
        q.exec();
        q.setSql(QStringLiteral("delete from jjdata where pid=?"));
        q.addBind(pid);
        q.exec();
        q.close();
    });
}

} // namespace jjgz
