// Closed months and the operation log in the data layer: the schema upgrade of an older
// database, closing and reopening with their permissions, the refusal texts, the triggers that
// stop any other writer, and the log's filters.
#include "TestSupport.h"

#include "data/DBFun.h"
#include "data/MonthLocks.h"
#include "data/OpLog.h"
#include "data/SchemaUpgrade.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// Runs statements on a connection of its own (not the data module's), as another program would.
void rawExec(const QString &path, const QStringList &statements)
{
    const QString name = QStringLiteral("raw");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString &sql : statements)
            QVERIFY2(q.exec(sql), qPrintable(sql + QStringLiteral(": ") + q.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QStringList schemaObjects(const QString &path)
{
    QStringList names;
    const QString name = QStringLiteral("objects");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(QStringLiteral("select type || ':' || name from sqlite_master where name not like 'sqlite_%' "
                                   "order by 1"),
                    db);
        while (q.next())
            names << q.value(0).toString();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return names;
}

// The delivered database as the version before closed months made it.
QString makeOldDatabase(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("old.mdb"));
    QFile::remove(path);
    QFile::copy(deliveredDatabase(), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QStringList drop;
    for (const QString &t :
         {QStringLiteral("gzdata"), QStringLiteral("gzxm_m"), QStringLiteral("jjdata"), QStringLiteral("jjdata_d")})
        for (const QString &op : {QStringLiteral("insert"), QStringLiteral("update"), QStringLiteral("delete")})
            drop << QStringLiteral("drop trigger %1_closed_%2").arg(t, op);
    drop << QStringLiteral("drop table gzlock") << QStringLiteral("drop table oplog")
         << QStringLiteral("delete from roles where roleid in (1007, 1009, 1907)")
         << QStringLiteral("insert into worker(wkcode, wkname, state) values('A', '张三', 0)");
    rawExec(path, drop);
    return path;
}

int count(const QString &sql, std::initializer_list<QVariant> values = {})
{
    return dmMain->scalar(sql, values).toInt();
}

} // namespace

class ClosedMonthsTest : public QObject {
    Q_OBJECT
private slots:
    void deliveredNeedsNoUpgrade();
    void upgradeOldDatabaseOnce();
    void failedUpgradeChangesNothing();
    void closeAndReopenNeedRights();
    void refusalNamesMonthAndCloser();
    void triggersStopOtherWriters_data();
    void triggersStopOtherWriters();
    void logOnlyGrows();
    void logRowGoesWithRolledBackChange();
    void logFilters_data();
    void logFilters();
};

void ClosedMonthsTest::deliveredNeedsNoUpgrade()
{
    TestApp app;
    QVERIFY(dmMain->upgradeNotes().isEmpty());
    QVERIFY(SchemaUpgrade::missing(dmMain->conZt()).isEmpty());
    for (int code : {1007, 1009, 1907})
        QCOMPARE(app.scalar(QStringLiteral("select count(*) from roles where roleid=? and flag=0"), {code}).toInt(), 1);
}

void ClosedMonthsTest::upgradeOldDatabaseOnce()
{
    QTemporaryDir dir;
    const QString path = makeOldDatabase(dir);
    {
        TdmMain dm(path);
        QCOMPARE(dm.upgradeNotes().size(), 2);
        QVERIFY(dm.upgradeNotes()[0].contains(QStringLiteral("封账")));
        QVERIFY(dm.upgradeNotes()[1].contains(QStringLiteral("操作日志")));
        QVERIFY(SchemaUpgrade::notice(dm.upgradeNotes()).startsWith(QStringLiteral("数据库已升级")));
    }
    // What an old database gets is what a new one has; its data stays.
    QCOMPARE(schemaObjects(path), schemaObjects(deliveredDatabase()));
    {
        TdmMain dm(path);
        QVERIFY(dm.upgradeNotes().isEmpty()); // told once
        dmMain = &dm;
        QCOMPARE(count(QStringLiteral("select count(*) from worker")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) from roles where roleid in (1007, 1009, 1907)")), 3);
        QCOMPARE(count(QStringLiteral("select count(*) from params")), 8);
        dmMain = nullptr;
    }
}

void ClosedMonthsTest::failedUpgradeChangesNothing()
{
    QTemporaryDir dir;
    const QString path = makeOldDatabase(dir);
    // The second step fails half-way: the first one must not stay either.
    rawExec(path, {QStringLiteral("create trigger no_1907 before insert on roles when new.roleid = 1907 "
                                  "begin select raise(abort, 'refused'); end")});
    const QStringList before = schemaObjects(path);
    try {
        TdmMain dm(path);
        QFAIL("the upgrade should have failed");
    } catch (const DbError &e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("升级数据库失败")), qPrintable(e.message()));
    }
    QCOMPARE(schemaObjects(path), before);
    QVERIFY(!before.contains(QStringLiteral("table:gzlock")));
}

void ClosedMonthsTest::closeAndReopenNeedRights()
{
    TestApp app(QStringLiteral("clerk"));
    app.exec(QStringLiteral("insert into operator(operno, opername, pwd) values('002', 'clerk', '')"));
    try {
        MonthLocks::close(2024, 5);
        QFAIL("closed without 1007");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("1007")), qPrintable(e.message()));
    }
    QVERIFY(!MonthLocks::isClosed(2024, 5));

    app.exec(QStringLiteral("insert into rolelist(opername, roleid) values('clerk', 1007)"));
    MonthLocks::close(2024, 5);
    QVERIFY(MonthLocks::isClosed(2024, 5));
    QCOMPARE(MonthLocks::lockOf(2024, 5)->opername, QStringLiteral("clerk"));
    QVERIFY_THROWS_EXCEPTION(DbError, MonthLocks::close(2024, 5)); // already closed

    try {
        MonthLocks::reopen(2024, 5, QStringLiteral("改错了"));
        QFAIL("reopened without 1009");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("1009")), qPrintable(e.message()));
    }
    QVERIFY(MonthLocks::isClosed(2024, 5));

    app.exec(QStringLiteral("insert into rolelist(opername, roleid) values('clerk', 1009)"));
    QVERIFY_THROWS_EXCEPTION(DbError, MonthLocks::reopen(2024, 5, QStringLiteral("  ")));
    QVERIFY(MonthLocks::isClosed(2024, 5));
    MonthLocks::reopen(2024, 5, QStringLiteral("补发加班费"));
    QVERIFY(!MonthLocks::isClosed(2024, 5));

    // The log keeps both, the reason with the reopening; the refusals left nothing.
    const QList<OpLogEntry> rows = OpLog::read();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].action, OpAction::Reopen);
    QCOMPARE(rows[0].target, QStringLiteral("2024-05"));
    QVERIFY2(rows[0].detail.contains(QStringLiteral("补发加班费")), qPrintable(rows[0].detail));
    QCOMPARE(rows[0].opername, QStringLiteral("clerk"));
    QCOMPARE(rows[1].action, OpAction::Close);

    // admin needs no grant.
    CurOperName = QStringLiteral("Admin");
    MonthLocks::close(2024, 6);
    MonthLocks::reopen(2024, 6, QStringLiteral("测试"));
}

void ClosedMonthsTest::refusalNamesMonthAndCloser()
{
    TestApp app;
    app.exec(QStringLiteral("insert into gzlock(xyear, xmonth, opername, locktime) values(2024, 5, '王会计', "
                            "'2024-06-03 10:15:00')"));
    try {
        MonthLocks::requireOpen(2024, 5);
        QFAIL("no refusal");
    } catch (const DbError &e) {
        QCOMPARE(e.message(), QStringLiteral("2024年05月已封账（由 王会计 于 2024-06-03 10:15:00 封账），不能修改。"
                                             "如需修改，请先取消封账。"));
    }
    MonthLocks::requireOpen(2024, 4);
    MonthLocks::requireOpenDate(QDate(2024, 6, 1));
    QVERIFY_THROWS_EXCEPTION(DbError, MonthLocks::requireOpenDate(QDate(2024, 5, 31)));
}

void ClosedMonthsTest::triggersStopOtherWriters_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("piecework");
    const bool wage = false, piece = true;
    // clang-format off
    QTest::newRow("gzdata insert") << "insert into gzdata(xyear,xmonth,wkcode) values(2024,5,'C')" << true << wage;
    QTest::newRow("gzdata update") << "update gzdata set f1=9 where xyear=2024 and xmonth=5" << true << wage;
    QTest::newRow("gzdata delete") << "delete from gzdata where xyear=2024 and xmonth=5" << true << wage;
    QTest::newRow("gzdata moved in") << "update gzdata set xmonth=5 where xyear=2024 and xmonth=4" << true << wage;
    QTest::newRow("gzdata moved out") << "update gzdata set xmonth=6 where xyear=2024 and xmonth=5" << true << wage;
    QTest::newRow("gzxm_m insert") << "insert into gzxm_m(xyear,xmonth,xh,fname) values(2024,5,9,'f9')" << true << wage;
    QTest::newRow("gzxm_m update") << "update gzxm_m set xmname='x' where xyear=2024 and xmonth=5" << true << wage;
    QTest::newRow("gzxm_m delete") << "delete from gzxm_m where xyear=2024 and xmonth=5" << true << wage;
    QTest::newRow("jjdata insert") << "insert into jjdata(pid,dt,sl) values(9,'2024-05-31',1)" << true << piece;
    QTest::newRow("jjdata update") << "update jjdata set sl=2 where pid=1" << true << piece;
    QTest::newRow("jjdata moved out") << "update jjdata set dt='2024-06-01' where pid=1" << true << piece;
    QTest::newRow("jjdata moved in") << "update jjdata set dt='2024-05-02' where pid=2" << true << piece;
    QTest::newRow("jjdata delete") << "delete from jjdata where pid=1" << true << piece;
    QTest::newRow("jjdata_d insert") << "insert into jjdata_d(pid,wkcode,je) values(1,'B',1)" << true << piece;
    QTest::newRow("jjdata_d update") << "update jjdata_d set je=5 where pid=1" << true << piece;
    QTest::newRow("jjdata_d delete") << "delete from jjdata_d where pid=1" << true << piece;
    // The open months around it stay writable.
    QTest::newRow("open gzdata") << "update gzdata set f1=9 where xyear=2024 and xmonth=4" << false << wage;
    QTest::newRow("open gzxm_m") << "delete from gzxm_m where xyear=2024 and xmonth=4" << false << wage;
    QTest::newRow("open jjdata") << "update jjdata set sl=3 where pid=2" << false << piece;
    QTest::newRow("open jjdata_d") << "delete from jjdata_d where pid=2" << false << piece;
    QTest::newRow("open jjdata delete") << "delete from jjdata where pid=2" << false << piece;
    // clang-format on
}

void ClosedMonthsTest::triggersStopOtherWriters()
{
    QFETCH(QString, sql);
    QFETCH(bool, refused);
    QFETCH(bool, piecework);
    TestApp app;
    app.exec(QStringLiteral("alter table gzdata add f1 float default 0"));
    for (int m : {4, 5}) {
        app.exec(QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname) values(2024,?,1,'f1','基本')"), {m});
        for (const char *wk : {"A", "B"})
            app.exec(QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f1) values(2024,?,?,1)"),
                     {m, QString::fromLatin1(wk)});
    }
    app.exec(QStringLiteral("insert into jjdata(pid,dt,sl) values(1,'2024-05-10',1)"));
    app.exec(QStringLiteral("insert into jjdata(pid,dt,sl) values(2,'2024-06-10',1)"));
    app.exec(QStringLiteral("insert into jjdata_d(pid,wkcode,je) values(1,'A',1)"));
    app.exec(QStringLiteral("insert into jjdata_d(pid,wkcode,je) values(2,'A',1)"));
    app.exec(QStringLiteral("insert into gzlock(xyear,xmonth,opername,locktime) values(2024,5,'admin','2024-06-01')"));

    const QString snapshot =
        QStringLiteral("select (select group_concat(xmonth||wkcode||f1) from gzdata) || '/' || "
                       "(select group_concat(xmonth||fname||ifnull(xmname,'')) from gzxm_m) || '/' || "
                       "(select group_concat(pid||dt||sl) from jjdata) || '/' || (select group_concat(pid||wkcode||je) "
                       "from jjdata_d)");
    const QString before = app.scalar(snapshot).toString();
    try {
        app.exec(sql);
        QVERIFY2(!refused, "the statement went through");
        QVERIFY(app.scalar(snapshot).toString() != before);
    } catch (const DbError &e) {
        QVERIFY2(refused, qPrintable(e.message()));
        // The rule's own Chinese text, as it stands.
        QCOMPARE(e.message(),
                 piecework ? QStringLiteral("计件数据所在月份已封账，不能增加、修改或删除。如需修改，请先取消封账。")
                           : QStringLiteral("该月工资已封账，不能修改。如需修改，请先取消封账。"));
        QVERIFY(e.isConstraint());
        QCOMPARE(app.scalar(snapshot).toString(), before);
    }
}

void ClosedMonthsTest::logOnlyGrows()
{
    TestApp app;
    OpLog::log(OpAction::Backup, QStringLiteral("a.bak"));
    QVERIFY_THROWS_EXCEPTION(DbError, app.exec(QStringLiteral("update oplog set opername='x'")));
    QVERIFY_THROWS_EXCEPTION(DbError, app.exec(QStringLiteral("delete from oplog")));
    QCOMPARE(app.scalar(QStringLiteral("select opername from oplog")).toString(), QStringLiteral("admin"));
}

void ClosedMonthsTest::logRowGoesWithRolledBackChange()
{
    TestApp app;
    try {
        inTransaction([&] {
            OpLog::log(OpAction::OperatorAdd, QStringLiteral("x"));
            app.exec(QStringLiteral("insert into nosuchtable values(1)"));
        });
        QFAIL("no failure");
    } catch (const DbError &) {
    }
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from oplog")).toInt(), 0);
}

void ClosedMonthsTest::logFilters_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("oper");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("ids"); // newest first
    QTest::newRow("everything") << ""
                                << ""
                                << ""
                                << ""
                                << "" << QList<int>{5, 4, 3, 2, 1};
    QTest::newRow("from day") << "2024-06-02"
                              << ""
                              << ""
                              << ""
                              << "" << QList<int>{5, 4, 3};
    QTest::newRow("to day, included") << ""
                                      << "2024-06-02"
                                      << ""
                                      << ""
                                      << "" << QList<int>{3, 2, 1};
    QTest::newRow("one day") << "2024-06-02"
                             << "2024-06-02"
                             << ""
                             << ""
                             << "" << QList<int>{3};
    QTest::newRow("operator any case") << ""
                                       << ""
                                       << "CLERK"
                                       << ""
                                       << "" << QList<int>{4, 2};
    QTest::newRow("action") << ""
                            << ""
                            << ""
                            << "封账"
                            << "" << QList<int>{5, 1};
    QTest::newRow("text in target") << ""
                                    << ""
                                    << ""
                                    << ""
                                    << "2024-05" << QList<int>{5, 1};
    QTest::newRow("text in detail") << ""
                                    << ""
                                    << ""
                                    << ""
                                    << "改错" << QList<int>{2};
    QTest::newRow("percent is literal") << ""
                                        << ""
                                        << ""
                                        << ""
                                        << "50%" << QList<int>{4};
    QTest::newRow("underscore is literal") << ""
                                           << ""
                                           << ""
                                           << ""
                                           << "a_b" << QList<int>{3};
    QTest::newRow("all at once") << "2024-06-01"
                                 << "2024-06-30"
                                 << "admin"
                                 << "封账"
                                 << "05" << QList<int>{5, 1};
}

void ClosedMonthsTest::logFilters()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, oper);
    QFETCH(QString, action);
    QFETCH(QString, text);
    QFETCH(QList<int>, ids);
    TestApp app;
    // clang-format off
    const QList<QStringList> rows = {
        {"2024-06-01 09:00:00", "admin", "封账", "2024-05", "3 名员工的工资"},
        {"2024-06-01 18:30:00", "clerk", "取消封账", "2024-04", "原因：改错了"},
        {"2024-06-02 23:59:59", "admin", "数据备份", "a_b.bak", ""},
        {"2024-06-03 00:00:00", "clerk", "修改计件", "计件记录 7", "数量 50%"},
        {"2024-06-04 08:00:00", "admin", "封账", "2024-05", "再次"},
    };
    // clang-format on
    for (const QStringList &r : rows)
        app.exec(QStringLiteral("insert into oplog(t, opername, action, target, detail) values(?,?,?,?,?)"),
                 {r[0], r[1], r[2], r[3], r[4]});
    OpLogFilter f;
    f.from = QDate::fromString(from, QStringLiteral("yyyy-MM-dd"));
    f.to = QDate::fromString(to, QStringLiteral("yyyy-MM-dd"));
    f.opername = oper;
    f.action = action;
    f.text = text;
    QList<int> got;
    for (const OpLogEntry &e : OpLog::read(f))
        got << int(e.id);
    QCOMPARE(got, ids);
}

QTEST_MAIN(ClosedMonthsTest)
#include "ClosedMonthsTest.moc"
