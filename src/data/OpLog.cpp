#include "OpLog.h"

#include "MainDM.h"

#include <QDateTime>
#include <QStringList>

namespace jjgz {

QList<QString> OpAction::all()
{
    return {Calc,          SaveSheet,     Recreate,    Carry,       Close,          Reopen,     Import,
            PieceAdd,      PieceModify,   PieceDelete, ItemAdd,     ItemModify,     ItemDelete, FormulaAdd,
            FormulaModify, FormulaDelete, TaxRates,    OperatorAdd, OperatorDelete, Grant,      Password,
            Backup,        Restore,       Init,        Login,       LoginFailed};
}

void OpLog::log(const QString &action, const QString &target, const QString &detail)
{
    logAs(CurOperName, action, target, detail);
}

void OpLog::logAs(const QString &opername, const QString &action, const QString &target, const QString &detail)
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("insert into oplog (t, opername, action, target, detail) values (?, ?, ?, ?, ?)"));
    q.addBind(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
        .addBind(opername)
        .addBind(action)
        .addBind(target.left(100))
        .addBind(detail);
    q.exec();
}

namespace {
// `text` as a LIKE pattern that matches it literally anywhere.
QString containsPattern(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'%', QStringLiteral("\\%"))
        .replace(u'_', QStringLiteral("\\_"));
    return u'%' + text + u'%';
}
} // namespace

QList<OpLogEntry> OpLog::read(const OpLogFilter &filter)
{
    QStringList where;
    QList<QVariant> values;
    if (filter.from.isValid()) {
        where << QStringLiteral("t >= ?");
        values << filter.from.toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (filter.to.isValid()) {
        where << QStringLiteral("t < ?");
        values << filter.to.addDays(1).toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (!filter.opername.isEmpty()) {
        where << QStringLiteral("opername = ?");
        values << filter.opername;
    }
    if (!filter.action.isEmpty()) {
        where << QStringLiteral("action = ?");
        values << filter.action;
    }
    if (!filter.text.isEmpty()) {
        where << QStringLiteral("(target like ? escape '\\' or detail like ? escape '\\')");
        values << containsPattern(filter.text) << containsPattern(filter.text);
    }
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select id, t, opername, action, target, detail from oplog")
             + (where.isEmpty() ? QString() : QStringLiteral(" where ") + where.join(QStringLiteral(" and ")))
             + QStringLiteral(" order by id desc"));
    for (const QVariant &v : std::as_const(values))
        q.addBind(v);
    QList<OpLogEntry> rows;
    for (q.open(); !q.eof(); q.next())
        rows.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                     q.value(4).toString(), q.value(5).toString()});
    return rows;
}

QStringList OpLog::operators()
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select distinct opername from oplog order by opername"));
    QStringList names;
    for (q.open(); !q.eof(); q.next())
        names << q.value(0).toString();
    return names;
}

QString OpLog::monthText(int year, int month)
{
    return QStringLiteral("%1-%2").arg(year).arg(month, 2, 10, QLatin1Char('0'));
}

} // namespace jjgz
