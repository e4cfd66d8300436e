// The data module, the delivered database and the shared database routines.
#include "TestSupport.h"
#include "app/Startup.h"
#include "data/DBFun.h"
#include "data/MainDM.h"
#include "data/MyFun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

class DbTest : public QObject {
    Q_OBJECT
private slots:
    void schemaAndSeedRows();
    void connectionFailures_data();
    void connectionFailures();
    void databaseBesideProgram();
    void quotesAreData();
    void nextCode_data();
    void nextCode();
    void nextNumbers();
    void itemColumns();
    void lookups();
    void wageMonths();
    void hasRight();
    void protectedMasterData_data();
    void protectedMasterData();
    void recordTakesItsLines();
    void transactionRollsBack();
    void readOnlyDatabase();
};

void DbTest::schemaAndSeedRows()
{
    TestApp app;
    // Every table and column, in order.
    const QList<QPair<QString, QString>> tables = {
        {"depart", "bmcode,bmname"},
        {"worker_tp", "tpcode,tpname"},
        {"worker", "wkcode,wkname,bmcode,sex,tpcode,sfid,xl,addr,phone,indate,bankacc,gztp,state,mm"},
        {"jjgz", "gzcode,gzname"},
        {"jjgx", "gzcode,gxcode,gxname,unit,price,rs"},
        {"jjgx_d", "gzcode,gxcode,tpcode,bl,price"},
        {"jjxs", "xscode,xsname,xs"},
        {"jjdata", "pid,dt,gzcode,gxcode,price,rs,xscode,xs,sl,je,opername"},
        {"jjdata_d", "pid,wkcode,tpcode,bl,je"},
        {"gzxm", "xh,fname,xmname,ftype,fsize"},
        {"gzxm_m", "xyear,xmonth,xh,fname,xmname,ftype,fsize"},
        {"gzgs", "xh,fname,gs,gsdesc,con,condesc"},
        {"gzdata", "xyear,xmonth,wkcode"},
        {"taxrate", "kind,xh,upper,rate,kcs"},
        {"operator", "operno,opername,pwd,dept"},
        {"roles", "roleid,rolename,flag"},
        {"rolelist", "opername,roleid"},
        {"params", "pid,pvalue,pdesc"},
    };
    for (const auto &[table, columns] : tables) {
        JetQuery &q = dmMain->qryExec;
        q.setSql(QStringLiteral("select * from %1 where 1=0").arg(table));
        q.open();
        QCOMPARE(q.fieldNames().join(u','), columns);
        q.close();
    }
    // Seed rows: admin found whatever the letter case, a role per permission code, params 1-8.
    QCOMPARE(app.scalar("select pwd from operator where opername='ADMIN'").toString(), QString());
    QCOMPARE(app.scalar("select count(*) from roles where flag=0").toInt(), 30);
    QCOMPARE(app.scalar("select count(*) from taxrate").toInt(), 14);
    QCOMPARE(app.scalar("select rolename from roles where roleid=1503").toString(), QStringLiteral("计件工种设置"));
    QCOMPARE(app.scalar("select count(*) from params where pid between 1 and 8").toInt(), 8);
    QCOMPARE(GetParam(8), QString());
    QCOMPARE(GetParam(99), QString());
}

void DbTest::connectionFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing"
                             << "找不到数据库文件";
    QTest::newRow("folder") << "folder"
                            << "是一个文件夹";
    QTest::newRow("text file") << "text"
                               << "不是本系统的数据库文件";
    QTest::newRow("foreign database") << "foreign"
                                      << "缺少数据表";
}

void DbTest::connectionFailures()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    const QString db = dir.filePath(QStringLiteral("data/zt000.mdb"));
    QByteArray before;
    if (kind == u"folder") {
        QDir().mkpath(db);
    } else if (kind == u"text") {
        QFile f(db);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("这不是数据库\n");
    } else if (kind == u"foreign") {
        QVERIFY(QFile::copy(deliveredDatabase(), db));
        QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
        QProcess::execute(QStringLiteral("sqlite3"), {db, QStringLiteral("drop table params")});
    }
    if (QFileInfo(db).isFile()) {
        QFile f(db);
        QVERIFY(f.open(QIODevice::ReadOnly));
        before = f.readAll();
    }
    ScriptedMessages messages;
    MessageService *previous = setMessageService(&messages);
    setAppDir(dir.path());
    TdmMain *dm = connectDatabase();
    setAppDir(QString());
    setMessageService(previous);

    QVERIFY(!dm);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].title, QStringLiteral("提示"));
    QCOMPARE(messages.shown[0].icon, MsgIcon::Error);
    QVERIFY2(messages.shown[0].text.startsWith(QStringLiteral("连接数据库库失败(")),
             qPrintable(messages.shown[0].text));
    QVERIFY2(messages.shown[0].text.contains(reason), qPrintable(messages.shown[0].text));
    QVERIFY(messages.shown[0].text.endsWith(u')'));
    // Nothing created, nothing changed.
    if (kind == u"missing") {
        QVERIFY(!QFileInfo::exists(db));
    } else if (!before.isEmpty()) {
        QFile f(db);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }
    QCOMPARE(QDir(dir.filePath(QStringLiteral("data"))).entryList(QDir::Files | QDir::NoDotAndDotDot).size(),
             kind == u"missing" || kind == u"folder" ? 0 : 1);
}

void DbTest::databaseBesideProgram()
{
    // The working directory plays no part.
    const QString old = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    QCOMPARE(databasePath(), QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("data/zt000.mdb")));
    QDir::setCurrent(old);
}

void DbTest::quotesAreData()
{
    TestApp app;
    const QString code = QStringLiteral("O'B-1");
    const QString name = QStringLiteral("O'Brien 张'三 [x] 100%");
    app.exec("insert into worker (wkcode, wkname) values (?, ?)", {code, name});
    QVERIFY(WorkerExists(code));
    QVERIFY(WorkerExists(QStringLiteral("o'b-1"))); // codes compare without regard to case
    QVERIFY(!WorkerExists(QStringLiteral("O'B-1' or '1'='1")));
    QCOMPARE(app.scalar("select wkname from worker where wkcode=?", {code}).toString(), name);
    QCOMPARE(app.scalar("select '['+wkcode+']'+wkname from worker").toString(), u'[' + code + u']' + name);
}

void DbTest::nextCode_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty table") << "3" << QStringList{} << "001";
    QTest::newRow("after 002") << "3" << QStringList{"001", "002"} << "003";
    QTest::newRow("to 010") << "3" << QStringList{"009"} << "010";
    QTest::newRow("no width") << "" << QStringList{} << "1";
    QTest::newRow("no width, 9 sorts above 10") << "" << QStringList{"9", "10"} << "10";
    QTest::newRow("not a number") << "3" << QStringList{"001", "ABC"} << "001";
    QTest::newRow("blank width") << "  " << QStringList{"1"} << "2";
}

void DbTest::nextCode()
{
    QFETCH(QString, width);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    TestApp app;
    app.exec("update params set pvalue=? where pid=1", {width});
    for (const QString &code : existing)
        app.exec("insert into jjgz (gzcode, gzname) values (?, 'x')", {code});
    QCOMPARE(NextCode(QStringLiteral("jjgz"), QStringLiteral("gzcode"), 1), expected);
    // A width that is not a number is reported, not guessed.
    app.exec("update params set pvalue='三' where pid=1");
    QVERIFY_THROWS_EXCEPTION(ConversionError, NextCode(QStringLiteral("jjgz"), QStringLiteral("gzcode"), 1));
}

void DbTest::nextNumbers()
{
    TestApp app;
    QCOMPARE(NextFormulaNo(), 1);
    QCOMPARE(NextRecordId(), 1);
    QCOMPARE(NextWorkerCode(), QStringLiteral("0001"));
    QCOMPARE(NextProcessCode(QStringLiteral("01")), QStringLiteral("001"));
    app.exec("insert into jjgz (gzcode, gzname) values ('01', 'a'), ('02', 'b')");
    app.exec("insert into jjgx (gzcode, gxcode, gxname) values ('01', '004', 'x'), ('02', '009', 'y')");
    QCOMPARE(NextProcessCode(QStringLiteral("01")), QStringLiteral("005")); // numbered per job type
    app.exec("insert into gzgs (xh, fname, gs) values (7, 'f1', '1')");
    app.exec("insert into jjdata (pid) values (41)");
    QCOMPARE(NextFormulaNo(), 8);
    QCOMPARE(NextRecordId(), 42);
}

void DbTest::itemColumns()
{
    TestApp app;
    QCOMPARE(NextItemNo(), 1);
    for (int i = 1; i <= 12; ++i)
        app.exec(QStringLiteral("alter table gzdata add f%1 float default 0").arg(i));
    app.exec("alter table gzdata add f13 varchar(20)");
    QCOMPARE(NextItemNo(), 14);
    app.exec("alter table gzdata drop f13");
    QCOMPARE(NextItemNo(), 13);
    // Dropping a middle column keeps the order of the others.
    app.exec("alter table gzdata drop f5");
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from gzdata where 1=0"));
    q.open();
    QCOMPARE(q.fieldNames().mid(0, 8).join(u','), QStringLiteral("xyear,xmonth,wkcode,f1,f2,f3,f4,f6"));
    q.close();
    app.exec("insert into gzdata (xyear, xmonth, wkcode) values (2010, 1, 'a')");
    QCOMPARE(app.scalar("select f12 from gzdata").toDouble(), 0.0);
}

void DbTest::lookups()
{
    TestApp app;
    app.exec("insert into worker_tp (tpcode, tpname) values ('01', '组长')");
    app.exec("insert into worker (wkcode, wkname, tpcode) values ('0001', '张三', '01'), ('0002', '李四', null), "
             "('0003', '王五', '99')");
    QCOMPARE(WorkerPositionText(QStringLiteral("0001")), QStringLiteral("[01]组长"));
    QCOMPARE(WorkerPositionText(QStringLiteral("0002")), QString());
    QCOMPARE(WorkerPositionText(QStringLiteral("0003")), QStringLiteral("[99]"));
    QCOMPARE(WorkerPositionText(QStringLiteral("none")), QString());
    QVERIFY(PositionExists(QStringLiteral("01")));
    QVERIFY(!PositionExists(QStringLiteral("99")));
    QVERIFY(!WorkerInUse(QStringLiteral("0001")));
    app.exec("insert into jjdata_d (pid, wkcode) values (1, '0001')");
    app.exec("insert into gzdata (xyear, xmonth, wkcode) values (2010, 1, '0002')");
    QVERIFY(WorkerInUse(QStringLiteral("0001")));
    QVERIFY(WorkerInUse(QStringLiteral("0002")));
    QVERIFY(!WorkerInUse(QStringLiteral("0003")));
    app.exec("insert into jjgz (gzcode) values ('01')");
    app.exec("insert into jjgx (gzcode, gxcode) values ('01', '001')");
    QVERIFY(ProcessExists(QStringLiteral("01"), QStringLiteral("001")));
    QVERIFY(!ProcessExists(QStringLiteral("02"), QStringLiteral("001")));
    QCOMPARE(BracketCode(QStringLiteral("[01]组长]x")), QStringLiteral("01"));
    QCOMPARE(BracketName(QStringLiteral("[01]组长]x")), QStringLiteral("组长]x"));
}

void DbTest::wageMonths()
{
    TestApp app(QStringLiteral("admin"), QStringLiteral("2011-03-20"));
    WageMonth m = LatestWageMonth();
    QCOMPARE(m.year, 2011);
    QCOMPARE(m.month, 3);
    app.exec("insert into gzdata (xyear, xmonth, wkcode) values (2009, 12, 'a'), (2010, 1, 'a'), (2010, 1, 'b')");
    app.exec("insert into gzxm_m (xyear, xmonth, xh, fname) values (2010, 1, 1, 'f1')");
    m = LatestWageMonth();
    QCOMPARE(m.year, 2010);
    QCOMPARE(m.month, 1);
    QVERIFY(MonthHasWages(2010, 1));
    QVERIFY(!MonthHasWages(2010, 2));
    DeleteWageMonth(2010, 1);
    QVERIFY(!MonthHasWages(2010, 1));
    QVERIFY(MonthHasWages(2009, 12));
    QCOMPARE(app.scalar("select count(*) from gzxm_m").toInt(), 0);
}

void DbTest::hasRight()
{
    TestApp app(QStringLiteral("ADMIN"));
    QVERIFY(HasRight(1303));
    CurOperName = QStringLiteral("O'Neil");
    QVERIFY(!HasRight(1303));
    app.exec("insert into rolelist (opername, roleid) values (?, 1303)", {CurOperName});
    QVERIFY(HasRight(1303));
    QVERIFY(!HasRight(1301));
    // A grant is stored once: the same operator and code again (in any letter case) is refused.
    for (const char *name : {"O'Neil", "o'neil"}) {
        try {
            app.exec("insert into rolelist (opername, roleid) values (?, 1303)", {QString::fromUtf8(name)});
            QFAIL("a second row of the same grant was stored");
        } catch (const DbError &e) {
            QVERIFY(e.isConstraint());
        }
    }
    QCOMPARE(app.scalar("select count(*) from rolelist where opername=? and roleid=1303", {CurOperName}).toInt(), 1);
}

void DbTest::protectedMasterData_data()
{
    QTest::addColumn<QString>("use");
    QTest::addColumn<QString>("deletion");
    QTest::newRow("department by employee") << "insert into worker (wkcode, bmcode) values ('1', 'D1')"
                                            << "delete from depart where bmcode='d1'";
    QTest::newRow("position by employee") << "insert into worker (wkcode, tpcode) values ('1', 'T1')"
                                          << "delete from worker_tp where tpcode='T1'";
    QTest::newRow("position by share") << "insert into jjgx_d (gzcode, gxcode, tpcode) values ('G1', '001', 'T1')"
                                       << "delete from worker_tp where tpcode='T1'";
    QTest::newRow("job type by process") << "insert into jjgx (gzcode, gxcode) values ('G1', '002')"
                                         << "delete from jjgz where gzcode='G1'";
    QTest::newRow("job type by record") << "insert into jjdata (pid, gzcode, gxcode) values (1, 'G2', '001')"
                                        << "delete from jjgz where gzcode='G2'";
    QTest::newRow("process by record") << "insert into jjdata (pid, gzcode, gxcode) values (1, 'G1', '001')"
                                       << "delete from jjgx where gzcode='G1' and gxcode='001'";
    QTest::newRow("coefficient by record") << "insert into jjdata (pid, xscode) values (1, 'X1')"
                                           << "delete from jjxs where xscode='X1'";
    QTest::newRow("code changed under its users") << "insert into worker (wkcode, bmcode) values ('1', 'D1')"
                                                  << "update depart set bmcode='D9' where bmcode='D1'";
}

void DbTest::protectedMasterData()
{
    QFETCH(QString, use);
    QFETCH(QString, deletion);
    TestApp app;
    app.exec("insert into depart values ('D1', '车间')");
    app.exec("insert into worker_tp values ('T1', '组长')");
    app.exec("insert into jjgz values ('G1', '裁剪'), ('G2', '缝纫')");
    app.exec("insert into jjgx (gzcode, gxcode) values ('G1', '001')");
    app.exec("insert into jjxs values ('X1', '加急', 1.5)");
    // Unused master data goes without a word...
    app.exec("insert into depart values ('D2', '仓库')");
    QCOMPARE(app.exec("delete from depart where bmcode='D2'"), 1);
    // ...used master data is refused and stays.
    app.exec(use);
    const int before = app.scalar("select (select count(*) from depart)+(select count(*) from worker_tp)+"
                                  "(select count(*) from jjgz)+(select count(*) from jjgx)+(select count(*) from jjxs)")
                           .toInt();
    try {
        app.exec(deletion);
        QFAIL("the change was not refused");
    } catch (const DbError &e) {
        QVERIFY(e.isConstraint());
    }
    const int after = app.scalar("select (select count(*) from depart)+(select count(*) from worker_tp)+"
                                 "(select count(*) from jjgz)+(select count(*) from jjgx)+(select count(*) from jjxs)")
                          .toInt();
    QCOMPARE(after, before);
    QCOMPARE(app.scalar("select count(*) from depart where bmcode='D1'").toInt(), 1);
}

void DbTest::recordTakesItsLines()
{
    TestApp app;
    app.exec("insert into jjdata (pid, dt) values (1, '2010-12-01'), (2, '2011-01-31')");
    app.exec("insert into jjdata_d (pid, wkcode, je) values (1, 'a', 1), (1, 'b', 2), (2, 'a', 3)");
    app.exec("delete from jjdata where pid=1");
    QCOMPARE(app.scalar("select count(*) from jjdata_d").toInt(), 1);
    QCOMPARE(app.scalar("select count(*) from jjdata where year(dt)=2011 and month(dt)=1").toInt(), 1);
    // Dates travel as text yyyy-MM-dd.
    app.exec("insert into jjdata (pid, dt) values (3, ?)", {QDate(2010, 2, 3)});
    QCOMPARE(app.scalar("select dt from jjdata where pid=3").toString(), QStringLiteral("2010-02-03"));
}

void DbTest::transactionRollsBack()
{
    TestApp app;
    try {
        inTransaction([&] {
            app.exec("insert into depart values ('D1', 'a')");
            app.exec("insert into depart values ('d1', 'b')"); // the same code in another case
        });
        QFAIL("duplicate accepted");
    } catch (const DbError &) {
    }
    QCOMPARE(app.scalar("select count(*) from depart").toInt(), 0);
    QVERIFY(!dmMain->inTransaction());
}

void DbTest::readOnlyDatabase()
{
    TestApp app;
    app.exec("insert into depart values ('D1', '车间')");
    const QString db = app.path(QStringLiteral("data/zt000.mdb"));
    // Reopen read-only through SQLite's own switch: the message must say so, the data stays.
    QSqlDatabase ro = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("ro"));
    ro.setDatabaseName(db);
    ro.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    QVERIFY(ro.open());
    {
        JetQuery q(ro);
        q.setSql(QStringLiteral("delete from depart"));
        try {
            q.exec();
            QFAIL("wrote to a read-only database");
        } catch (const DbError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("只读")), qPrintable(e.message()));
        }
    }
    ro.close();
    ro = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("ro"));
    QCOMPARE(app.scalar("select count(*) from depart").toInt(), 1);
}

QTEST_GUILESS_MAIN(DbTest)
#include "DbTest.moc"
