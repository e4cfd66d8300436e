// Database failures as a clerk meets them on the code tables and in the record dialogs: a file
// locked by another program, a read-only file, a refused value. Every text is plain Chinese,
// nothing of the engine's or the driver's words, and nothing is written.
#include "TestSupport.h"
#include "masterdata/Depart.h"
#include "masterdata/Jjxs.h"
#include "masterdata/WorkerMdy.h"
#include "widgets/DbGrid.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// Words of the engine or the driver that must never reach a message (in English and as Qt's
// Chinese translation renders the driver's).
const QStringList kDriverWords = {
    QStringLiteral("database"),  QStringLiteral("readonly"),   QStringLiteral("locked"),   QStringLiteral("Unable"),
    QStringLiteral("fetch"),     QStringLiteral("无法获取行"), QStringLiteral("无法执行"), QStringLiteral("constraint"),
    QStringLiteral("malformed"), QStringLiteral("字段")};

void verifyPlain(const QString &text)
{
    for (const QString &word : kDriverWords)
        QVERIFY2(!text.contains(word, Qt::CaseInsensitive), qPrintable(text));
}

// Another program holding the database: a second connection inside a write transaction.
class OtherWriter {
public:
    explicit OtherWriter(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(path);
        if (!db.open() || !QSqlQuery(db).exec(QStringLiteral("begin immediate")))
            qFatal("cannot lock the database");
    }
    ~OtherWriter()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(QStringLiteral("other"));
            QSqlQuery(db).exec(QStringLiteral("rollback"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }
};

// The situations: "locked" by another program, "readonly" file.
struct Situation {
    std::unique_ptr<OtherWriter> other;
    Situation(TestApp &app, const QString &kind)
    {
        QSqlQuery q(dmMain->conZt());
        // Do not wait five seconds for the other program in a test.
        q.exec(QStringLiteral("pragma busy_timeout=50"));
        if (kind == u"locked")
            other = std::make_unique<OtherWriter>(app.path(QStringLiteral("data/zt000.mdb")));
        else
            q.exec(QStringLiteral("pragma query_only=1")); // writes fail as on a read-only file
    }
    ~Situation() { QSqlQuery(dmMain->conZt()).exec(QStringLiteral("pragma query_only=0")); }
};

} // namespace

class DbFailureTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void codeTableSave_data();
    void codeTableSave();
    void codeTableDelete_data() { codeTableSave_data(); }
    void codeTableDelete();
    void dialogSave_data() { codeTableSave_data(); }
    void dialogSave();
    void refusedNumberNamesColumn();
};

void DbFailureTest::codeTableSave_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("says");
    QTest::newRow("locked by another program") << "locked"
                                               << "正被其他程序使用";
    QTest::newRow("read-only file") << "readonly"
                                    << "只读";
}

void DbFailureTest::codeTableSave()
{
    QFETCH(QString, kind);
    QFETCH(QString, says);
    TestApp app;
    app.exec("insert into depart values ('01', '一车间')");
    TfrmDepart form;
    form.show();
    Situation situation(app, kind);
    // A new department and a changed one: both refused with a plain text, the row kept for a retry.
    for (bool append : {true, false}) {
        app.messages.clear();
        if (append) {
            QTest::mouseClick(form.btnAppend, Qt::LeftButton);
            form.ADOQuery1->setValue(QStringLiteral("bmname"), QStringLiteral("二车间"));
        } else {
            form.ADOQuery1->cancel();
            form.ADOQuery1->first();
            QTest::mouseClick(form.btnMdy, Qt::LeftButton);
            form.ADOQuery1->setValue(QStringLiteral("bmname"), QStringLiteral("改名"));
        }
        QTest::mouseClick(form.btnSave, Qt::LeftButton);
        QCOMPARE(app.messages.shown.size(), 1);
        const QString text = app.messages.lastText();
        QVERIFY2(text.contains(says), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("数据没有改变")), qPrintable(text));
        verifyPlain(text);
        QVERIFY(form.btnSave->isEnabled()); // still editing
    }
    situation.other.reset();
    QCOMPARE(app.scalar("select count(*) from depart").toInt(), 1);
    QCOMPARE(app.scalar("select bmname from depart").toString(), QStringLiteral("一车间"));
}

void DbFailureTest::codeTableDelete()
{
    QFETCH(QString, kind);
    QFETCH(QString, says);
    TestApp app;
    app.exec("insert into depart values ('01', '一车间'), ('02', '二车间')");
    app.exec("insert into worker (wkcode, wkname, bmcode) values ('1', '张三', '02')");
    TfrmDepart form;
    form.show();
    {
        Situation situation(app, kind);
        // Not "in use": the file could not be written.
        app.messages.answers << QMessageBox::Yes;
        QTest::mouseClick(form.btnDel, Qt::LeftButton);
        QCOMPARE(app.messages.shown.size(), 2);
        const QString text = app.messages.lastText();
        QVERIFY2(text.contains(says), qPrintable(text));
        verifyPlain(text);
    }
    // A department in use is refused as such.
    app.messages.clear();
    form.ADOQuery1->last();
    app.messages.answers << QMessageBox::Yes;
    QTest::mouseClick(form.btnDel, Qt::LeftButton);
    QCOMPARE(app.messages.lastText(), QStringLiteral("删除失败，正在使用！"));
    QCOMPARE(app.scalar("select count(*) from depart").toInt(), 2);
}

void DbFailureTest::dialogSave()
{
    QFETCH(QString, kind);
    QFETCH(QString, says);
    TestApp app;
    app.exec("insert into depart (bmcode, bmname) values ('01', '一车间')");
    TfrmWorkerMdy dialog(EditMode::Add, QStringLiteral("01"), QStringLiteral("增加员工"), QStringLiteral("01-一车间"));
    dialog.show();
    Situation situation(app, kind);
    typeText(dialog.edtCode, QStringLiteral("0001"));
    typeText(dialog.edtName, QStringLiteral("张三"));
    QTest::mouseClick(dialog.btnYes, Qt::LeftButton);
    QCOMPARE(app.messages.shown.size(), 1);
    const QString text = app.messages.lastText();
    QVERIFY2(text.startsWith(QStringLiteral("保存失败(")), qPrintable(text));
    QVERIFY2(text.contains(says), qPrintable(text));
    verifyPlain(text);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.edtName->text(), QStringLiteral("张三"));
    situation.other.reset();
    QCOMPARE(app.scalar("select count(*) from worker").toInt(), 0);
}

void DbFailureTest::refusedNumberNamesColumn()
{
    TestApp app;
    TfrmJjxs form;
    form.show();
    QTest::mouseClick(form.btnAppend, Qt::LeftButton);
    const int column = form.grid->columnIndex(QStringLiteral("xs"));
    QVERIFY(column >= 0);
    const QString title = form.grid->column(column).title;
    QVERIFY(!form.grid->model()->setData(form.grid->model()->index(form.ADOQuery1->currentRow(), column),
                                         QStringLiteral("1.5倍"), Qt::EditRole));
    QCOMPARE(app.messages.shown.size(), 1);
    const QString text = app.messages.lastText();
    QVERIFY2(text.contains(title), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("xs")), qPrintable(text));
    verifyPlain(text);
}

QTEST_MAIN(DbFailureTest)
#include "DbFailureTest.moc"
