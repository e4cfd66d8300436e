#include "SchemaUpgrade.h"

#include "DbErrors.h"
#include "MainDM.h"
#include "TaxRateUpgrade.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace jjgz {
namespace {

// The refusals of the closed-month rules. The program checks a month before it writes and says
// which month is closed by whom; these texts are the last line, for any other writer.
#define JJGZ_WAGE_CLOSED "'该月工资已封账，不能修改。如需修改，请先取消封账。'"
#define JJGZ_PIECE_CLOSED "'计件数据所在月份已封账，不能增加、修改或删除。如需修改，请先取消封账。'"

// A month's row of `table` (gzdata, gzxm_m) may be written only while the month is open.
QStringList wageMonthTriggers(const QString &table)
{
    const QString month = QStringLiteral("exists (select 1 from gzlock where xyear = %1.xyear and xmonth = %1.xmonth)");
    const QString raise = QStringLiteral(" begin select raise(abort, " JJGZ_WAGE_CLOSED "); end");
    return {
        QStringLiteral("create trigger if not exists %1_closed_insert before insert on %1 when ").arg(table)
            + month.arg(QStringLiteral("new")) + raise,
        QStringLiteral("create trigger if not exists %1_closed_update before update on %1 when ").arg(table)
            + month.arg(QStringLiteral("old")) + QStringLiteral(" or ") + month.arg(QStringLiteral("new")) + raise,
        QStringLiteral("create trigger if not exists %1_closed_delete before delete on %1 when ").arg(table)
            + month.arg(QStringLiteral("old")) + raise,
    };
}

// The month of a piece-work date (text yyyy-MM-dd) is closed.
QString pieceMonthClosed(const QString &dateExpr)
{
    return QStringLiteral("exists (select 1 from gzlock where xyear = cast(strftime('%Y', %1) as integer) "
                          "and xmonth = cast(strftime('%m', %1) as integer))")
        .arg(dateExpr);
}

QStringList pieceTriggers()
{
    const QString raise = QStringLiteral(" begin select raise(abort, " JJGZ_PIECE_CLOSED "); end");
    const QString lineDate = QStringLiteral("(select dt from jjdata where pid = %1.pid)");
    return {
        QStringLiteral("create trigger if not exists jjdata_closed_insert before insert on jjdata when ")
            + pieceMonthClosed(QStringLiteral("new.dt")) + raise,
        QStringLiteral("create trigger if not exists jjdata_closed_update before update on jjdata when ")
            + pieceMonthClosed(QStringLiteral("old.dt")) + QStringLiteral(" or ")
            + pieceMonthClosed(QStringLiteral("new.dt")) + raise,
        QStringLiteral("create trigger if not exists jjdata_closed_delete before delete on jjdata when ")
            + pieceMonthClosed(QStringLiteral("old.dt")) + raise,
        QStringLiteral("create trigger if not exists jjdata_d_closed_insert before insert on jjdata_d when ")
            + pieceMonthClosed(lineDate.arg(QStringLiteral("new"))) + raise,
        QStringLiteral("create trigger if not exists jjdata_d_closed_update before update on jjdata_d when ")
            + pieceMonthClosed(lineDate.arg(QStringLiteral("old"))) + QStringLiteral(" or ")
            + pieceMonthClosed(lineDate.arg(QStringLiteral("new"))) + raise,
        QStringLiteral("create trigger if not exists jjdata_d_closed_delete before delete on jjdata_d when ")
            + pieceMonthClosed(lineDate.arg(QStringLiteral("old"))) + raise,
    };
}

QList<UpgradeStep> makeSteps()
{
    QList<UpgradeStep> steps;

    UpgradeStep lock;
    lock.name = QStringLiteral("gzlock");
    lock.description = QStringLiteral("封账：已封账的月份不能再修改（权限 1007 封账、1009 取消封账）");
    lock.objects = {QStringLiteral("table:gzlock")};
    lock.statements = {QStringLiteral("create table if not exists gzlock (xyear integer not null, xmonth integer not "
                                      "null, opername varchar(20) collate nocase, locktime text, "
                                      "primary key (xyear, xmonth))")};
    for (const QString &table : {QStringLiteral("gzdata"), QStringLiteral("gzxm_m")})
        lock.statements += wageMonthTriggers(table);
    lock.statements += pieceTriggers();
    for (const QString &sql : std::as_const(lock.statements)) {
        if (sql.startsWith(QLatin1String("create trigger if not exists ")))
            lock.objects << QStringLiteral("trigger:") + sql.section(u' ', 5, 5);
    }
    lock.statements << QStringLiteral("insert or ignore into roles (roleid, rolename, flag) values "
                                      "(1007, '封账', 0), (1009, '取消封账', 0)");
    steps << lock;

    UpgradeStep log;
    log.name = QStringLiteral("oplog");
    log.description = QStringLiteral("操作日志：记录谁在何时做了哪些修改（【系统维护】→操作日志，权限 1907）");
    log.objects = {QStringLiteral("table:oplog"), QStringLiteral("index:oplog_t"),
                   QStringLiteral("trigger:oplog_no_update"), QStringLiteral("trigger:oplog_no_delete")};
    log.statements = {
        QStringLiteral("create table if not exists oplog (id integer primary key, t text, opername varchar(20) "
                       "collate nocase, action varchar(20) collate nocase, target varchar(100) collate nocase, "
                       "detail text)"),
        QStringLiteral("create index if not exists oplog_t on oplog (t)"),
        QStringLiteral("create trigger if not exists oplog_no_update before update on oplog "
                       "begin select raise(abort, '操作日志不能修改'); end"),
        QStringLiteral("create trigger if not exists oplog_no_delete before delete on oplog "
                       "begin select raise(abort, '操作日志不能删除'); end"),
        QStringLiteral("insert or ignore into roles (roleid, rolename, flag) values (1907, '操作日志', 0)"),
    };
    steps << log;

    // 3: the income-tax tables and the permissions of their screens.
    steps << UpgradeStep{taxRateUpgradeName(),
                         taxRateUpgradeDescription(),
                         {QStringLiteral("table:taxrate")},
                         taxRateUpgradeStatements()};

    return steps;
}

QSet<QString> presentObjects(const QSqlDatabase &db)
{
    QSet<QString> present;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select type, name from sqlite_master")))
        throw DbError(dbErrorText(q.lastError()), dbErrorCode(q.lastError()));
    while (q.next())
        present.insert(q.value(0).toString().toLower() + u':' + q.value(1).toString().toLower());
    return present;
}

} // namespace

const QList<UpgradeStep> &SchemaUpgrade::steps()
{
    static const QList<UpgradeStep> list = makeSteps();
    return list;
}

QList<const UpgradeStep *> SchemaUpgrade::missing(const QSqlDatabase &db)
{
    const QSet<QString> present = presentObjects(db);
    QList<const UpgradeStep *> out;
    for (const UpgradeStep &step : steps()) {
        for (const QString &object : step.objects) {
            if (!present.contains(object.toLower())) {
                out << &step;
                break;
            }
        }
    }
    return out;
}

QStringList SchemaUpgrade::apply(const QSqlDatabase &db)
{
    const QList<const UpgradeStep *> todo = missing(db);
    if (todo.isEmpty())
        return {};
    QSqlDatabase conn = db;
    auto failed = [](const QSqlError &error) {
        return DbError(QStringLiteral("升级数据库失败(%1)，数据库没有改变").arg(dbErrorText(error)),
                       dbErrorCode(error));
    };
    if (!conn.transaction())
        throw failed(conn.lastError());
    QStringList added;
    QSqlQuery q(conn);
    for (const UpgradeStep *step : todo) {
        for (const QString &sql : step->statements) {
            if (!q.exec(sql)) {
                const QSqlError error = q.lastError();
                q.finish();
                conn.rollback();
                throw failed(error);
            }
        }
        added << step->description;
    }
    q.finish();
    if (!conn.commit()) {
        const QSqlError error = conn.lastError();
        conn.rollback();
        throw failed(error);
    }
    return added;
}

QString SchemaUpgrade::notice(const QStringList &added)
{
    QString text = QStringLiteral("数据库已升级到本版本，新增了：");
    for (const QString &line : added)
        text += QStringLiteral("\n· ") + line;
    return text;
}

} // namespace jjgz
