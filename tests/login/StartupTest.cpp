// Start-up on databases that cannot be used: damaged pages, a renamed column, a file locked by
// another program, a stranger's file. Each ends the run with exit code 1 after one message that
// tells the clerk what happened and what to do; none aborts.
#include "TestSupport.h"
#include "data/DataPaths.h"
#include "data/MyFun.h"
#include "login/Login.h"
#include "login/Program.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// Runs `statement` on `path` through a connection of its own.
QVariant onFile(const QString &path, const QString &statement)
{
    QVariant result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open the fixture database");
        QSqlQuery q(db);
        if (!q.exec(statement))
            qFatal("fixture statement failed: %s", qPrintable(statement));
        if (q.next())
            result = q.value(0);
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    return result;
}

// Random bytes over the whole page where the b-tree `name` (a table or an index) begins.
void damagePage(const QString &path, const QString &name)
{
    const qint64 pageSize = onFile(path, QStringLiteral("pragma page_size")).toLongLong();
    const qint64 root =
        onFile(path, QStringLiteral("select rootpage from sqlite_master where name='%1'").arg(name)).toLongLong();
    QVERIFY(root > 1);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray noise(pageSize, Qt::Uninitialized);
    QRandomGenerator random(root);
    for (char &c : noise)
        c = static_cast<char>(random.generate() & 0xff);
    QVERIFY(f.seek((root - 1) * pageSize));
    QCOMPARE(f.write(noise), pageSize);
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void unusableDatabase_data();
    void unusableDatabase();
    void installedStart_data();
    void installedStart();
};

void StartupTest::unusableDatabase_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("says");
    const QString connect = QStringLiteral("连接数据库库失败(");
    QTest::newRow("operator rows damaged") << "operator"
                                           << "提示" << QStringList{connect, "已损坏", "请从备份恢复数据库"};
    QTest::newRow("params rows damaged") << "params"
                                         << "提示" << QStringList{connect, "已损坏", "请从备份恢复数据库"};
    // The operator list is read in code order through the damaged key: found by the login list.
    QTest::newRow("operator key damaged") << "sqlite_autoindex_operator_1"
                                          << "错误" << QStringList{"已损坏", "请从备份恢复数据库"};
    QTest::newRow("params column renamed")
        << "renamed"
        << "提示" << QStringList{connect, "不是本系统的数据库文件", "params", "pvalue"};
    QTest::newRow("locked by another program") << "locked"
                                               << "提示" << QStringList{connect, "正被其他程序使用", "请稍后再试"};
    QTest::newRow("somebody else's file") << "text"
                                          << "提示" << QStringList{connect, "不是本系统的数据库文件"};
}

void StartupTest::unusableDatabase()
{
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QStringList, says);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    const QString db = dir.filePath(QStringLiteral("data/zt000.mdb"));
    if (kind == u"text") {
        QFile f(db);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    } else {
        QVERIFY(QFile::copy(deliveredDatabase(), db));
        QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
        onFile(db, QStringLiteral("insert into operator (operno, opername, pwd) values ('002', 'clerk', '')"));
    }
    if (kind == u"renamed")
        onFile(db, QStringLiteral("alter table params rename column pvalue to pvalue_old"));
    else if (kind != u"text" && kind != u"locked")
        damagePage(db, kind);

    // Another program holding the file exclusively while the program starts.
    std::unique_ptr<QProcess> holder;
    if (kind == u"locked") {
        holder = std::make_unique<QProcess>();
        holder->start(QStringLiteral("sqlite3"), {db});
        QVERIFY(holder->waitForStarted());
        holder->write("begin exclusive;\nselect 'held';\n");
        QVERIFY(holder->waitForReadyRead(10000));
    }

    ScriptedMessages messages;
    MessageService *previous = setMessageService(&messages);
    setAppDir(dir.path());
    const int code = runProgram();
    setAppDir(QString());
    setMessageService(previous);
    if (holder) {
        holder->write("rollback;\n.quit\n");
        holder->closeWriteChannel();
        holder->waitForFinished(10000);
    }

    QCOMPARE(code, 1);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].icon, MsgIcon::Error);
    QCOMPARE(messages.shown[0].title, title);
    for (const QString &part : says)
        QVERIFY2(messages.shown[0].text.contains(part), qPrintable(messages.shown[0].text));
    for (const char *word : {"malformed", "database", "SQL", "无法"})
        QVERIFY2(!messages.shown[0].text.contains(QLatin1String(word), Qt::CaseInsensitive),
                 qPrintable(messages.shown[0].text));
    QVERIFY(!dmMain);
}

void StartupTest::installedStart_data()
{
    QTest::addColumn<bool>("delivered"); // the package's database in <prefix>/share/jjgz
    QTest::newRow("first start") << true;
    QTest::newRow("no database anywhere") << false;
}

void StartupTest::installedStart()
{
    // An installed program (<root>/usr/bin without data/) with a fresh HOME.
    QFETCH(bool, delivered);
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("usr/bin"));
    QDir(root.path()).mkpath(QStringLiteral("usr/share/jjgz"));
    if (delivered)
        QVERIFY(QFile::copy(deliveredDatabase(), root.filePath(QStringLiteral("usr/share/jjgz/zt000.mdb"))));
    const QByteArray home = qgetenv("HOME");
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", root.filePath(QStringLiteral("home")).toUtf8());
    qunsetenv("XDG_DATA_HOME");
    ScriptedMessages messages;
    MessageService *previous = setMessageService(&messages);
    setAppDir(root.filePath(QStringLiteral("usr/bin")));
    const auto restore = qScopeGuard([&] {
        setAppDir(QString());
        setDataDir(QString());
        setMessageService(previous);
        qputenv("HOME", home);
        if (!xdg.isEmpty())
            qputenv("XDG_DATA_HOME", xdg);
    });
    // The notice comes before the login, which is then cancelled.
    QString seen;
    if (delivered)
        onModal<TfrmLogin>([](TfrmLogin *login) { login->reject(); }, &seen);

    const int code = startProgram();
    const QString db = root.filePath(QStringLiteral("home/.local/share/jjgz/data/zt000.mdb"));
    QCOMPARE(messages.shown.size(), 1);
    if (delivered) {
        QCOMPARE(code, 0);
        QCOMPARE(seen, QStringLiteral("jjgz::TfrmLogin"));
        QCOMPARE(messages.shown[0].icon, MsgIcon::Information);
        QVERIFY2(messages.shown[0].text.contains(QStringLiteral("第一次启动")), qPrintable(messages.shown[0].text));
        QVERIFY(messages.shown[0].text.contains(QDir::toNativeSeparators(db)));
        QVERIFY(QFileInfo(db).isFile());
        QCOMPARE(databasePath(), db);
    } else {
        QCOMPARE(code, 1);
        QCOMPARE(messages.shown[0].icon, MsgIcon::Error);
        const QString text = messages.shown[0].text;
        QVERIFY2(text.startsWith(QStringLiteral("连接数据库库失败(找不到数据库")), qPrintable(text));
        for (const QString &p :
             {QStringLiteral("usr/bin/data/zt000.mdb"), QStringLiteral("home/.local/share/jjgz/data/zt000.mdb"),
              QStringLiteral("usr/share/jjgz/zt000.mdb")})
            QVERIFY2(text.contains(QDir::toNativeSeparators(root.filePath(p))), qPrintable(text));
        QVERIFY(!QFileInfo::exists(db));
    }
    QVERIFY(!dmMain);
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
