// Backup, restore and initialization without windows: archives read back with Python's
// zipfile and unzip, refused archives leaving the data folder as it was.
#include "maintenance/Maintenance.h"
#include "MaintenanceFixture.h"
#include "data/DBFun.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace jjgz;
using namespace jjgz::test;

namespace {

const QDateTime kAt(QDate(2024, 1, 5), QTime(14, 30, 12));

// What Python's zipfile and sqlite3 find in an archive.
QJsonObject readBack(const QString &archive)
{
    const QString out = python(
        QStringLiteral("import sys, zipfile, sqlite3, tempfile, os, json\n"
                       "z = zipfile.ZipFile(sys.argv[1])\n"
                       "infos = z.infolist()\n"
                       "d = tempfile.mkdtemp()\n"
                       "p = z.extract(infos[0], d)\n"
                       "c = sqlite3.connect(p)\n"
                       "rows = [list(r) for r in c.execute('select wkcode, wkname from worker order by wkcode')]\n"
                       "print(json.dumps({'names': [i.filename for i in infos], 'method': infos[0].compress_type,\n"
                       "  'flags': infos[0].flag_bits, 'test': z.testzip(), 'dt': list(infos[0].date_time),\n"
                       "  'integrity': c.execute('pragma integrity_check').fetchone()[0], 'rows': rows}))\n"),
        {archive});
    return QJsonDocument::fromJson(out.toUtf8()).object();
}

QStringList workers()
{
    QStringList names;
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select wkcode, wkname from worker order by wkcode"));
    for (q.open(); !q.eof(); q.next())
        names << q.text(QStringLiteral("wkcode")) + u'/' + q.text(QStringLiteral("wkname"));
    return names;
}

QStringList triggers()
{
    QStringList names;
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select name from sqlite_master where type='trigger' order by name"));
    for (q.open(); !q.eof(); q.next())
        names << q.text(QStringLiteral("name"));
    return names;
}

} // namespace

class MaintenanceTest : public QObject {
    Q_OBJECT
private slots:
    void backupArchive();
    void backupProgressFollowsBytes();
    void backupRefused_data();
    void backupRefused();
    void backupDiskFullLeavesNothing_data();
    void backupDiskFullLeavesNothing();
    void restoreOwnBackup();
    void restoreRefused_data();
    void restoreRefused();
    void initGroups_data();
    void initGroups();
    void initFailureDeletesNothing();
};

void MaintenanceTest::backupArchive()
{
    TestApp app;
    fillEveryTable();
    QTemporaryDir target;
    const QString archive = backupDatabase(target.path(), kAt);
    QCOMPARE(QFileInfo(archive).fileName(), QStringLiteral("jjgz20240105_143012.bak"));
    QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"jjgz20240105_143012.bak"});

    const QJsonObject found = readBack(archive);
    QCOMPARE(found.value("names").toVariant().toStringList(), QStringList{"zt000.mdb"});
    QCOMPARE(found.value("method").toInt(), 8);    // deflated
    QCOMPARE(found.value("flags").toInt() & 6, 0); // normal compression (level 6), not maximum
    QVERIFY(found.value("test").isNull());         // every CRC right
    QCOMPARE(found.value("integrity").toString(), QStringLiteral("ok"));
    QCOMPARE(found.value("rows").toVariant().toList().size(), 2);
    QCOMPARE(found.value("rows").toArray().at(1).toArray().at(1).toString(), QStringLiteral("李'四"));
    QCOMPARE(found.value("dt").toVariant().toList().first().toInt(), 2024);

    // A common ZIP tool lists the single entry too.
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-l"), archive});
    QVERIFY(unzip.waitForFinished());
    const QString listing = QString::fromUtf8(unzip.readAllStandardOutput());
    QVERIFY2(listing.contains(QStringLiteral("zt000.mdb")) && listing.contains(QStringLiteral("1 file")),
             qPrintable(listing));
}

void MaintenanceTest::backupProgressFollowsBytes()
{
    TestApp app;
    sql("with recursive c(n) as (select 1 union all select n + 1 from c where n < 3000) "
        "insert into worker (wkcode, wkname, mm) select 'W' || n, '员工' || n, hex(randomblob(90)) from c");
    QTemporaryDir target;
    QList<int> seen;
    backupDatabase(target.path(), kAt, [&](int percent) { seen << percent; });
    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen.last(), 100);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    // The compression moves the bar step by step, not in one jump at the end.
    const qsizetype during = std::count_if(seen.begin(), seen.end(), [](int p) { return p > 10 && p < 100; });
    QVERIFY2(during >= 50, qPrintable(QString::number(during)));
}

void MaintenanceTest::backupRefused_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("missing folder") << false;
    QTest::newRow("read-only folder") << true;
}

void MaintenanceTest::backupRefused()
{
    QFETCH(bool, readOnly);
    if (readOnly && ::geteuid() == 0)
        QSKIP("root writes into read-only folders");
    TestApp app;
    QTemporaryDir target;
    QString dir = target.path();
    if (readOnly)
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    else
        dir += QStringLiteral("/missing");
    try {
        backupDatabase(dir, kAt);
        QFAIL("the backup was not refused");
    } catch (const MaintenanceError &e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("备份失败(")), qPrintable(e.message()));
        QVERIFY(e.message().contains(readOnly ? QStringLiteral("没有写入权限") : QStringLiteral("不存在")));
    }
    QFile::setPermissions(target.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(QDir(target.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

void MaintenanceTest::backupDiskFullLeavesNothing_data()
{
    QTest::addColumn<bool>("whileCompressing");
    QTest::newRow("disk full while copying the database") << false;
    QTest::newRow("disk full while writing the archive") << true;
}

void MaintenanceTest::backupDiskFullLeavesNothing()
{
    QFETCH(bool, whileCompressing);
    TestApp app;
    sql("with recursive c(n) as (select 1 union all select n + 1 from c where n < 1500) "
        "insert into worker (wkcode, mm) select 'W' || n, randomblob(1000) from c");
    QTemporaryDir target;
    // Random bytes do not compress: their archive is larger than they are, so a file-size limit
    // just above them stops the archive half-written, as a full disk would. Half the database's
    // size stops the copy of the database.
    QTemporaryFile noise;
    noise.open();
    QByteArray bytes(1 << 20, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(QRandomGenerator::global()->generate());
    noise.write(bytes);
    noise.flush();
    const qint64 limit = whileCompressing ? bytes.size() + 64 : QFileInfo(app.path("data/zt000.mdb")).size() / 2;
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited{rlim_t(limit), old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
    QString message;
    try {
        if (whileCompressing)
            writeArchive(noise.fileName(), kArchiveEntry, target.filePath(backupFileName(kAt)), kAt);
        else
            backupDatabase(target.path(), kAt);
    } catch (const MaintenanceError &e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    QVERIFY2(message.contains(QStringLiteral("磁盘空间不足")), qPrintable(message));
    QVERIFY(message.contains(QStringLiteral("没有生成备份文件")));
    QVERIFY(QDir(target.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    QCOMPARE(count("worker"), 1500); // the database itself is untouched and open
}

void MaintenanceTest::restoreOwnBackup()
{
    TestApp app;
    fillEveryTable();
    QTemporaryDir target;
    const QString archive = backupDatabase(target.path(), kAt);
    const QStringList atBackup = workers();
    sql("delete from worker where wkcode = '0001'");
    sql("insert into worker (wkcode, wkname) values ('0009', '后来的')");
    const QByteArray before = fileBytes(app.path("data/zt000.mdb"));

    QList<int> seen;
    RestoreJob job(archive);
    job.extract([&](int percent) { seen << percent; });
    job.install();
    QCOMPARE(seen.last(), 100);
    // The check of the extracted database, whose share cannot be measured, is reported as busy
    // after the extraction's percentages (up to 95) and before the end.
    const int busy = int(seen.indexOf(kBusy));
    QVERIFY2(busy > 0, qPrintable(QString::number(busy)));
    QCOMPARE(seen.at(busy - 1), 95);
    for (int i = 0; i < busy; ++i)
        QVERIFY(seen.at(i) >= 0 && seen.at(i) <= 95);
    for (int i = busy; i < seen.size() - 1; ++i)
        QCOMPARE(seen.at(i), kBusy);
    QCOMPARE(workers(), atBackup); // the same connection reads the restored data
    QCOMPARE(dmMain->scalar("select count(*) from jjdata where year(dt) = 2010").toInt(), 1); // functions are back
    dmMain->exec("insert into depart values (?, ?)", {"09", "新部门"});
    // The replaced database is kept beside it under one plain name, and nothing else is left.
    QCOMPARE(RestoreJob::keptCopyPath(), app.path("data/zt000_恢复前.mdb"));
    QCOMPARE(fileBytes(RestoreJob::keptCopyPath()), before);
    QCOMPARE(QDir(app.path("data")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{"zt000.mdb", "zt000_恢复前.mdb"}));
    // A second restore keeps one copy, of the database it replaced.
    dmMain->close();
    const QByteArray restored = fileBytes(app.path("data/zt000.mdb"));
    dmMain->reopen();
    RestoreJob again(archive);
    again.extract();
    again.install();
    QCOMPARE(fileBytes(RestoreJob::keptCopyPath()).size(), restored.size());
    QCOMPARE(QDir(app.path("data")).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void MaintenanceTest::restoreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("text file named zt000.mdb") << "text"
                                               << "不是数据库文件";
    QTest::newRow("other entries only") << "others"
                                        << "没有数据库 zt000.mdb";
    QTest::newRow("truncated archive") << "truncated"
                                       << "损坏或不完整";
    QTest::newRow("entry climbing out") << "climbing"
                                        << "没有数据库 zt000.mdb";
    QTest::newRow("someone else's database") << "foreign"
                                             << "不能使用";
    QTest::newRow("damaged database") << "damaged"
                                      << "不能使用";
    QTest::newRow("two databases") << "two"
                                   << "不止一个";
    QTest::newRow("not a zip at all") << "notzip"
                                      << "损坏或不完整";
}

void MaintenanceTest::restoreRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    TestApp app;
    fillEveryTable();
    QTemporaryDir target;
    const QString own = backupDatabase(target.path(), kAt);
    const QByteArray ownDb = fileBytes(app.path("data/zt000.mdb"));
    const QString archive = target.filePath("test.bak");
    if (kind == u"text") {
        makeZip(archive, {{"zt000.mdb", "这不是数据库\n"}});
    } else if (kind == u"others") {
        makeZip(archive, {{"readme.txt", "x"}, {"data/other.mdb", ownDb}});
    } else if (kind == u"truncated") {
        QByteArray bytes = fileBytes(own);
        bytes.truncate(bytes.size() / 2);
        QFile file(archive);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    } else if (kind == u"climbing") {
        makeZip(archive, {{"../../x", ownDb}});
    } else if (kind == u"foreign") {
        const QString other = target.filePath("other.db");
        python("import sqlite3, sys\nc = sqlite3.connect(sys.argv[1])\nc.execute('create table t (a)')\nc.commit()",
               {other});
        makeZip(archive, {{"zt000.mdb", fileBytes(other)}});
    } else if (kind == u"damaged") {
        QByteArray bytes = ownDb;
        for (qsizetype i = 4096; i < bytes.size(); i += 4096) // every page after the first
            bytes[i + 100] = char(0x5a), bytes[i + 2] = char(0xff);
        makeZip(archive, {{"zt000.mdb", bytes}});
    } else if (kind == u"two") {
        makeZip(archive, {{"a/zt000.mdb", ownDb}, {"b/ZT000.MDB", ownDb}});
    } else {
        QFile file(archive);
        file.open(QIODevice::WriteOnly);
        file.write("PK\3\4 this is no archive");
    }
    sql("insert into worker (wkcode, wkname) values ('0009', '现在的')");
    const auto before = folderState(app.path("data"));
    try {
        RestoreJob job(archive);
        job.extract();
        job.install();
        QFAIL("the archive was restored");
    } catch (const MaintenanceError &e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        QVERIFY(e.message().contains(QStringLiteral("系统的数据没有改变")));
    }
    QCOMPARE(folderState(app.path("data")), before);
    QCOMPARE(count("worker", "where wkcode = '0009'"), 1); // still open on the current data
}

void MaintenanceTest::initGroups_data()
{
    QTest::addColumn<QList<InitGroup>>("groups");
    QTest::addColumn<QStringList>("emptied");
    QTest::addColumn<QStringList>("kept");
    const QStringList all{"gzxm_m", "gzdata", "jjdata_d", "jjdata", "worker", "depart",   "worker_tp", "gzxm",
                          "gzgs",   "jjxs",   "jjgx_d",   "jjgx",   "jjgz",   "rolelist", "params"};
    auto others = [&](const QStringList &emptied) {
        QStringList kept;
        for (const QString &t : all)
            if (!emptied.contains(t))
                kept << t;
        return kept;
    };
    const QStringList defaults{"gzxm_m", "gzdata", "jjdata_d", "jjdata", "worker"};
    QTest::newRow("defaults") << QList<InitGroup>{InitGroup::Gz, InitGroup::Jj, InitGroup::User} << defaults
                              << others(defaults);
    // Employees go even though their piece-work lines and wage rows stay.
    QTest::newRow("employees alone") << QList<InitGroup>{InitGroup::User} << QStringList{"worker"}
                                     << others({"worker"});
    // Departments and positions go although employees and processes still name them.
    QTest::newRow("departments alone") << QList<InitGroup>{InitGroup::Bm} << QStringList{"depart", "worker_tp"}
                                       << others({"depart", "worker_tp"});
    // Job types, processes and coefficients go although piece-work records name them.
    const QStringList gx{"jjxs", "jjgx_d", "jjgx", "jjgz"};
    QTest::newRow("job types alone") << QList<InitGroup>{InitGroup::Gzgx} << gx << others(gx);
    QTest::newRow("items alone") << QList<InitGroup>{InitGroup::Gzxm} << QStringList{"gzxm_m", "gzxm"}
                                 << others({"gzxm_m", "gzxm"});
    QTest::newRow("operators alone") << QList<InitGroup>{InitGroup::Oper} << QStringList{"rolelist"}
                                     << others({"rolelist"});
    QTest::newRow("everything") << QList<InitGroup>{InitGroup::Oper, InitGroup::Gz,   InitGroup::Bm,  InitGroup::Jj,
                                                    InitGroup::User, InitGroup::Gzxm, InitGroup::Gzgx}
                                << QStringList{"gzxm_m", "gzdata",    "jjdata_d", "jjdata", "worker",
                                               "depart", "worker_tp", "gzxm",     "jjxs",   "jjgx_d",
                                               "jjgx",   "jjgz",      "rolelist"}
                                << QStringList{"gzgs", "params"};
}

void MaintenanceTest::initGroups()
{
    QFETCH(QList<InitGroup>, groups);
    QFETCH(QStringList, emptied);
    QFETCH(QStringList, kept);
    TestApp app;
    fillEveryTable();
    const QStringList guards = triggers();
    QMap<QString, int> before;
    for (const QString &table : kept)
        before.insert(table, count(table));

    initializeData(groups);

    for (const QString &table : emptied)
        QVERIFY2(count(table) == 0, qPrintable(table));
    for (const QString &table : kept)
        QVERIFY2(count(table) == before.value(table) && before.value(table) > 0, qPrintable(table));
    QCOMPARE(triggers(), guards); // the protecting rules are back
    QCOMPARE(dmMain->inTransaction(), false);
    if (groups.contains(InitGroup::Oper)) {
        QCOMPARE(count("operator"), 1);
        QCOMPARE(dmMain->scalar("select opername from operator").toString(), QStringLiteral("admin"));
    } else {
        QCOMPARE(count("operator"), 3);
    }
    // The item columns stay, so the next item continues after the last of them.
    QCOMPARE(NextItemNo(), 4);
    // The rule against deleting a department in use holds again afterwards.
    if (!groups.contains(InitGroup::User) && !groups.contains(InitGroup::Bm)) {
        QVERIFY_THROWS_EXCEPTION(DbError, dmMain->exec("delete from depart where bmcode = '01'"));
    }
}

void MaintenanceTest::initFailureDeletesNothing()
{
    TestApp app;
    fillEveryTable();
    sql("create trigger test_refuse before delete on jjgx_d begin select raise(abort, '测试拒绝删除'); end");
    const QStringList guards = triggers();
    const QStringList tables{"gzxm_m", "gzdata",    "jjdata_d", "jjdata", "worker",
                             "depart", "worker_tp", "jjxs",     "jjgx_d"};
    QMap<QString, int> before;
    for (const QString &table : tables)
        before.insert(table, count(table));
    try {
        initializeData({InitGroup::Gz, InitGroup::Jj, InitGroup::User, InitGroup::Bm, InitGroup::Gzgx});
        QFAIL("the refusing rule did not stop the initialization");
    } catch (const MaintenanceError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("测试拒绝删除")), qPrintable(e.message()));
        QVERIFY(e.message().contains(QStringLiteral("没有删除任何数据")));
    }
    for (const QString &table : tables)
        QVERIFY2(count(table) == before.value(table), qPrintable(table));
    QCOMPARE(triggers(), guards);
    QCOMPARE(dmMain->inTransaction(), false);
}

QTEST_MAIN(MaintenanceTest)
#include "MaintenanceTest.moc"
