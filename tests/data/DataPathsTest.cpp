// Where the data lives: beside the program, or in the user's data folder with the delivered
// database copied there on the first start.
#include "data/DataPaths.h"
#include "data/MainDM.h"
#include "data/MyFun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace jjgz;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A temporary root with <root>/usr/bin as the program's folder, HOME and XDG_DATA_HOME inside.
class Root {
public:
    Root()
    {
        m_home = qgetenv("HOME");
        m_xdg = qgetenv("XDG_DATA_HOME");
        m_hadXdg = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        QDir(m_dir.path()).mkpath(QStringLiteral("usr/bin"));
        QDir(m_dir.path()).mkpath(QStringLiteral("home"));
        qputenv("HOME", path(QStringLiteral("home")).toUtf8());
        qunsetenv("XDG_DATA_HOME");
        setAppDir(path(QStringLiteral("usr/bin")));
    }
    ~Root()
    {
        setAppDir(QString());
        setDataDir(QString());
        qputenv("HOME", m_home);
        if (m_hadXdg)
            qputenv("XDG_DATA_HOME", m_xdg);
        else
            qunsetenv("XDG_DATA_HOME");
    }
    QString path(const QString &relative) const { return QDir(m_dir.path()).filePath(relative); }

private:
    QTemporaryDir m_dir;
    QByteArray m_home, m_xdg;
    bool m_hadXdg = false;
};

} // namespace

class DataPathsTest : public QObject {
    Q_OBJECT
private slots:
    void location_data();
    void location();
    void firstStartThenAgain();
    void copyRefused();
    void shippedFile();
};

void DataPathsTest::location_data()
{
    QTest::addColumn<QString>("beside");    // file under usr/bin, "" for none
    QTest::addColumn<QString>("delivered"); // the delivered database, "" for none
    QTest::addColumn<QString>("xdg");       // XDG_DATA_HOME under the root, "" unset
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("dir"); // expected data folder under the root
    QTest::newRow("build tree") << "data/zt000.mdb"
                                << "usr/share/jjgz/zt000.mdb"
                                << "" << int(DataLocation::BesideProgram) << "usr/bin";
    QTest::newRow("installed, default folder") << ""
                                               << "usr/share/jjgz/zt000.mdb"
                                               << "" << int(DataLocation::FirstStart) << "home/.local/share/jjgz";
    QTest::newRow("installed, XDG_DATA_HOME") << ""
                                              << "usr/share/jjgz/zt000.mdb"
                                              << "xdg" << int(DataLocation::FirstStart) << "xdg/jjgz";
    QTest::newRow("relative XDG_DATA_HOME ignored")
        << ""
        << "usr/share/jjgz/zt000.mdb"
        << "relative" << int(DataLocation::FirstStart) << "home/.local/share/jjgz";
    QTest::newRow("config.ini alone is no database") << "config.ini"
                                                     << "usr/share/jjgz/zt000.mdb"
                                                     << "" << int(DataLocation::FirstStart) << "home/.local/share/jjgz";
    QTest::newRow("nothing anywhere") << ""
                                      << ""
                                      << "" << int(DataLocation::NotFound) << "home/.local/share/jjgz";
}

void DataPathsTest::location()
{
    QFETCH(QString, beside);
    QFETCH(QString, delivered);
    QFETCH(QString, xdg);
    QFETCH(int, kind);
    QFETCH(QString, dir);
    Root root;
    if (!beside.isEmpty())
        writeFile(root.path(QStringLiteral("usr/bin/") + beside), "beside");
    if (!delivered.isEmpty())
        writeFile(root.path(delivered), "delivered database");
    if (xdg == u"relative")
        qputenv("XDG_DATA_HOME", "relative/share");
    else if (!xdg.isEmpty())
        qputenv("XDG_DATA_HOME", root.path(xdg).toUtf8());

    const DataLocation where = DataPaths::prepare();
    QCOMPARE(int(where.kind), kind);
    QCOMPARE(where.dir, root.path(dir));
    if (kind == DataLocation::NotFound) {
        // Says every place it looked, in Chinese, and changes nothing.
        QVERIFY(where.notice().startsWith(QStringLiteral("找不到数据库")));
        for (const QString &p :
             {QStringLiteral("usr/bin/data/zt000.mdb"), QStringLiteral("home/.local/share/jjgz/data/zt000.mdb"),
              QStringLiteral("usr/share/jjgz/zt000.mdb")})
            QVERIFY2(where.notice().contains(root.path(p)), qPrintable(where.notice()));
        QCOMPARE(where.searched.size(), 3);
        QVERIFY(!QFileInfo::exists(root.path(dir)));
        QCOMPARE(databasePath(), root.path(QStringLiteral("usr/bin/data/zt000.mdb")));
        return;
    }
    QCOMPARE(databasePath(), root.path(dir + QStringLiteral("/data/zt000.mdb")));
    QCOMPARE(configPath(), root.path(dir + QStringLiteral("/config.ini")));
    if (kind == DataLocation::BesideProgram) {
        QVERIFY(where.notice().isEmpty());
        QCOMPARE(DataPaths::defaultBackupDir(), QDir::homePath());
        QCOMPARE(DataPaths::defaultExportDir(), root.path(QStringLiteral("usr/bin")));
        QVERIFY(!QFileInfo::exists(root.path(QStringLiteral("home/.local"))));
    } else {
        QCOMPARE(readFile(databasePath()), QByteArray("delivered database"));
        QVERIFY(where.notice().contains(QDir::toNativeSeparators(databasePath())));
        QCOMPARE(DataPaths::defaultBackupDir(), root.path(dir + QStringLiteral("/backup")));
        QVERIFY(QFileInfo(DataPaths::defaultBackupDir()).isDir());
        QCOMPARE(DataPaths::defaultExportDir(), root.path(QStringLiteral("home"))); // no Documents folder there
    }
}

void DataPathsTest::firstStartThenAgain()
{
    Root root;
    writeFile(root.path(QStringLiteral("usr/share/jjgz/zt000.mdb")), "delivered database");
    QFile::setPermissions(root.path(QStringLiteral("usr/share/jjgz/zt000.mdb")), QFile::ReadOwner | QFile::ReadOther);
    QCOMPARE(DataPaths::prepare().kind, DataLocation::FirstStart);
    // The copy is the user's own: writable, and settings go beside it.
    QVERIFY(QFileInfo(databasePath()).isWritable());
    QVERIFY(WriteConfig(QStringLiteral("Backup"), QStringLiteral("BkDir"), QStringLiteral("/x/")));
    QVERIFY(QFileInfo::exists(root.path(QStringLiteral("home/.local/share/jjgz/config.ini"))));
    QCOMPARE(ReadConfig(QStringLiteral("Backup"), QStringLiteral("BkDir"), QString()), QStringLiteral("/x/"));
    writeFile(databasePath(), "the user's data");

    // The second start uses the user's database and says nothing; a newer delivered database
    // never replaces it.
    writeFile(root.path(QStringLiteral("usr/share/jjgz/zt000.mdb")), "newer delivered database");
    const DataLocation again = DataPaths::prepare();
    QCOMPARE(again.kind, DataLocation::UserFolder);
    QVERIFY(again.notice().isEmpty());
    QCOMPARE(readFile(databasePath()), QByteArray("the user's data"));
}

void DataPathsTest::copyRefused()
{
    // The data folder's place is taken by a file: the copy cannot be made, and the clerk is told.
    Root root;
    writeFile(root.path(QStringLiteral("usr/share/jjgz/zt000.mdb")), "delivered database");
    writeFile(root.path(QStringLiteral("home/.local/share/jjgz")), "not a folder");
    const DataLocation where = DataPaths::prepare();
    QCOMPARE(where.kind, DataLocation::NotFound);
    QVERIFY2(where.notice().contains(QStringLiteral("不能建立数据文件夹")), qPrintable(where.notice()));
    QCOMPARE(readFile(root.path(QStringLiteral("home/.local/share/jjgz"))), QByteArray("not a folder"));
}

void DataPathsTest::shippedFile()
{
    // The pay-slip template: beside the program first, then the user's copy, then the delivered one.
    Root root;
    const QString rel = QStringLiteral("rep/gzbar.frf");
    QCOMPARE(DataPaths::findFile(rel), root.path(QStringLiteral("usr/bin/rep/gzbar.frf")));
    writeFile(root.path(QStringLiteral("usr/share/jjgz/zt000.mdb")), "delivered database");
    writeFile(root.path(QStringLiteral("usr/share/jjgz/rep/gzbar.frf")), "delivered");
    QCOMPARE(DataPaths::prepare().kind, DataLocation::FirstStart);
    QCOMPARE(DataPaths::findFile(rel), root.path(QStringLiteral("usr/share/jjgz/rep/gzbar.frf")));
    writeFile(root.path(QStringLiteral("home/.local/share/jjgz/rep/gzbar.frf")), "the user's");
    QCOMPARE(DataPaths::findFile(rel), root.path(QStringLiteral("home/.local/share/jjgz/rep/gzbar.frf")));
    writeFile(root.path(QStringLiteral("usr/bin/rep/gzbar.frf")), "beside");
    QCOMPARE(DataPaths::findFile(rel), root.path(QStringLiteral("usr/bin/rep/gzbar.frf")));
}

QTEST_GUILESS_MAIN(DataPathsTest)
#include "DataPathsTest.moc"
