// A full disk and a file-size limit, met at the commit of a month: the clerk reads in Chinese what
// happened, what was kept and what to do, and the tools end with a reported error, not a signal.
// The full disk is a small tmpfs mounted for the test (as root); elsewhere the database's own
// page limit stands in for it.
#include "TestSupport.h"
#include "data/DataTable.h"
#include "data/DbErrors.h"
#include "payroll/WageSheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// A small file system of its own for the duration of a test, the temporary folder on it.
class SmallDisk {
public:
    SmallDisk()
    {
        if (geteuid() != 0 || !m_base.isValid())
            return;
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_base.path()).constData(), "tmpfs", 0, "size=2m") == 0;
        if (m_mounted) {
            m_oldTmp = qgetenv("TMPDIR");
            qputenv("TMPDIR", QFile::encodeName(m_base.path()));
        }
    }
    ~SmallDisk()
    {
        if (!m_mounted)
            return;
        QFile::remove(filler());
        if (m_oldTmp.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_oldTmp);
        ::umount2(QFile::encodeName(m_base.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    // Fills the disk but for `room` bytes.
    void fill(qint64 room = 0) const
    {
        const int fd = ::open(QFile::encodeName(filler()).constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd < 0)
            return;
        const QByteArray block(4096, 'x');
        off_t size = ::lseek(fd, 0, SEEK_END);
        for (ssize_t n; (n = ::write(fd, block.constData(), size_t(block.size()))) > 0;)
            size += n;
        if (::ftruncate(fd, std::max<off_t>(0, size - off_t(room))) != 0)
            qWarning("cannot make room on the small disk");
        ::close(fd);
    }
    void free() const { QFile::remove(filler()); }

private:
    QString filler() const { return m_base.path() + QStringLiteral("/filler"); }
    QTemporaryDir m_base;
    QByteArray m_oldTmp;
    bool m_mounted = false;
};

// Item f1 and `people` employed employees in department 01.
void seed(int people)
{
    QSqlQuery q(dmMain->conZt());
    QVERIFY(q.exec(QStringLiteral("insert into gzxm(xh,fname,xmname,ftype,fsize) values (1,'f1','基本工资',0,'0')")));
    QVERIFY(q.exec(QStringLiteral("alter table gzdata add column f1 real default 0")));
    QVERIFY(q.exec(QStringLiteral("insert into depart(bmcode,bmname) values ('01','一车间')")));
    QVERIFY(q.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                                  "insert into worker(wkcode,wkname,bmcode,gztp,state) "
                                  "select printf('%05d',i),'员工'||i,'01',0,0 from n")
                       .arg(people)));
}

bool plainChinese(const QString &text)
{
    return !text.contains(QLatin1String("database")) && !text.contains(QLatin1String("disk"))
           && !text.contains(QLatin1String("error"));
}

} // namespace

class DiskFullTest : public QObject {
    Q_OBJECT
private slots:
    void engineWordsBecomePlain_data();
    void engineWordsBecomePlain();
    void diskFullAtCommit();
    void pageLimitKeepsTheMonth();
    void fileSizeLimit();
};

void DiskFullTest::engineWordsBecomePlain_data()
{
    QTest::addColumn<QString>("reported");
    QTest::addColumn<QString>("start");
    // A failed commit comes without the engine's code, only with its words.
    QTest::newRow("commit") << "database or disk is full Unable to commit transaction"
                            << "磁盘已满，数据没有改变。请";
    QTest::newRow("a step's words around the engine's") << "保存工资数据失败(database or disk is full)"
                                                        << "保存工资数据失败：磁盘已满，数据没有改变。请";
    QTest::newRow("own message stays") << "还没有调出工资月份"
                                       << "还没有调出工资月份";
}

void DiskFullTest::engineWordsBecomePlain()
{
    QFETCH(QString, reported);
    QFETCH(QString, start);
    const QString plain = plainDbText(reported);
    QVERIFY2(plain.startsWith(start), qPrintable(plain));
    QVERIFY2(plainChinese(plain), qPrintable(plain));
    if (QTest::currentDataTag() == QByteArrayLiteral("commit"))
        QCOMPARE(dbErrorText(0, reported), plain);
}

// On a nearly full disk: a transaction whose pages only go to the file at its commit fails there,
// and the clerk reads that the disk is full and nothing changed (true: the row is not there);
// 调出 of a new month fails as well and leaves no month behind. A month created before is kept
// when the save of its values then meets the full disk, and the message says so. With room again
// the save goes through.
void DiskFullTest::diskFullAtCommit()
{
    SmallDisk disk;
    if (!disk.mounted())
        QSKIP("mounting a small file system needs root; pageLimitKeepsTheMonth covers the messages");
    TestApp app;
    QVERIFY2(app.dir().startsWith(QDir::tempPath()), qPrintable(app.dir()));
    seed(6000);
    WageSheet sheet;
    sheet.load(2024, 2);
    QCOMPARE(sheet.tmp().rowCount(), 6000);

    dmMain->exec(QStringLiteral("create table spare(x)"));
    disk.fill(48 * 1024);
    QString message;
    try {
        inTransaction([] { dmMain->exec(QStringLiteral("insert into spare values (randomblob(400000))")); });
    } catch (const DbError &e) {
        message = e.message();
    }
    QVERIFY2(message.startsWith(QStringLiteral("磁盘已满，数据没有改变。请")), qPrintable(message));
    QCOMPARE(app.scalar("select count(*) from spare").toInt(), 0);

    message.clear();
    try {
        WageSheet other;
        other.load(2024, 3);
    } catch (const DbError &e) {
        message = e.message();
    }
    QVERIFY2(message.startsWith(QStringLiteral("磁盘已满，数据没有改变。请")), qPrintable(message));
    QCOMPARE(app.scalar("select count(*) from gzdata where xyear=2024 and xmonth=3").toInt(), 0);
    QCOMPARE(app.scalar("select count(*) from gzxm_m where xyear=2024 and xmonth=3").toInt(), 0);

    disk.fill();
    DataTable &t = sheet.tmp();
    for (int r = 0; r < t.rowCount(); ++r) {
        t.setCurrentRow(r);
        t.edit();
        t.setValue(QStringLiteral("f1"), 1000.25 + r);
        t.post();
    }
    message.clear();
    try {
        sheet.SaveSheet();
    } catch (const DbError &e) {
        message = plainDbText(e.message());
    }
    QVERIFY2(
        message.contains(QStringLiteral("磁盘已满，计算结果没有保存，2024年2月的工资表在调出时已经生成并保存。请")),
        qPrintable(message));
    QVERIFY2(!message.contains(QStringLiteral("数据没有改变")), qPrintable(message));
    QVERIFY2(plainChinese(message), qPrintable(message));
    QCOMPARE(app.scalar("select count(*) from gzdata where xyear=2024 and xmonth=2").toInt(), 6000);
    QCOMPARE(app.scalar("select sum(f1) from gzdata").toDouble(), 0.0);

    disk.free();
    sheet.SaveSheet();
    QCOMPARE(app.scalar("select count(*) from gzdata where f1 > 1000").toInt(), 6000);
}

// The database's page limit gives the same failure at a statement, on any machine.
void DiskFullTest::pageLimitKeepsTheMonth()
{
    TestApp app;
    seed(2000);
    WageSheet sheet;
    sheet.load(2024, 2);
    const int pages = app.scalar("pragma page_count").toInt();
    QSqlQuery(dmMain->conZt()).exec(QStringLiteral("pragma max_page_count=%1").arg(pages));
    DataTable &t = sheet.tmp();
    for (int r = 0; r < t.rowCount(); ++r) {
        t.setCurrentRow(r);
        t.edit();
        t.setValue(QStringLiteral("f1"), 1000.25 + r);
        t.post();
    }
    QString message;
    try {
        sheet.SaveSheet();
    } catch (const DbError &e) {
        message = plainDbText(e.message());
    }
    QVERIFY2(
        message.contains(QStringLiteral("磁盘已满，计算结果没有保存，2024年2月的工资表在调出时已经生成并保存。请")),
        qPrintable(message));
    QVERIFY2(plainChinese(message), qPrintable(message));
    QCOMPARE(app.scalar("select count(*) from gzdata where xyear=2024 and xmonth=2").toInt(), 2000);
    QCOMPARE(app.scalar("select sum(f1) from gzdata").toDouble(), 0.0);
    // With room again the save goes through.
    QSqlQuery(dmMain->conZt()).exec(QStringLiteral("pragma max_page_count=1000000"));
    sheet.SaveSheet();
    QCOMPARE(app.scalar("select count(*) from gzdata where f1 > 1000").toInt(), 2000);
}

// Under a file-size limit a write past it fails with an error the tool reports (exit code 1 and
// a Chinese message), instead of the process being ended by SIGXFSZ.
void DiskFullTest::fileSizeLimit()
{
    TestApp app;
    seed(3000);
    const QString db = app.path(QStringLiteral("data/zt000.mdb"));
    const qint64 size = QFileInfo(db).size();
    QProcess tool;
    tool.setChildProcessModifier([size] {
        std::signal(SIGXFSZ, SIG_DFL); // as a shell starts it
        const rlimit limit{rlim_t(size), rlim_t(size)};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    tool.start(QStringLiteral(JJGZ_PAYROLL_TOOL), {QStringLiteral("--db"), db, QStringLiteral("calc"), "2024-02"});
    QVERIFY(tool.waitForFinished(60000));
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 1);
    QVERIFY2(err.startsWith(QStringLiteral("error: 数据库文件已达到系统允许的最大文件大小，数据没有改变")),
             qPrintable(err));
    QCOMPARE(app.scalar("select count(*) from gzdata").toInt(), 0);
    QCOMPARE(QFileInfo(db).size(), size);
}

QTEST_MAIN(DiskFullTest)
#include "DiskFullTest.moc"
