// Piece-work records of a closed month: the record dialog, the listing and the data layer refuse
// to add, modify or delete them with the month's text; changes of open months are logged with
// their transaction.
#include "PieceFixture.h"

#include "data/DataTable.h"
#include "data/MonthLocks.h"
#include "data/OpLog.h"
#include "data/SheetReader.h"
#include "piecework/JjData.h"
#include "piecework/JjDataMdy.h"
#include "piecework/PieceData.h"
#include "piecework/PieceFields.h"
#include "piecework/PieceImport.h"
#include "piecework/PieceListing.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

const QString kRefusal = QStringLiteral("2024年05月已封账（由 admin 于 %1 封账），不能修改。如需修改，请先取消封账。");

// Record 1 dated in May (closed), record 2 in June (open), one line each.
QString seedMonths(TestApp &app)
{
    seedMasterData(app);
    app.exec(QStringLiteral("insert into jjdata(pid,dt,gzcode,gxcode,price,rs,sl,je) "
                            "values(1,'2024-05-10','1','001',2.5,2,4,10)"));
    app.exec(QStringLiteral("insert into jjdata(pid,dt,gzcode,gxcode,price,rs,sl,je) "
                            "values(2,'2024-06-10','1','001',2.5,2,2,5)"));
    app.exec(QStringLiteral("insert into jjdata_d(pid,wkcode,tpcode,bl,je) values(1,'0001','01',1,10)"));
    app.exec(QStringLiteral("insert into jjdata_d(pid,wkcode,tpcode,bl,je) values(2,'0001','01',1,5)"));
    MonthLocks::close(2024, 5);
    return kRefusal.arg(MonthLocks::lockOf(2024, 5)->locktime);
}

QString snapshot(TestApp &app)
{
    return app
        .scalar(QStringLiteral("select (select group_concat(pid||dt||sl||je) from jjdata) || '/' || "
                               "(select group_concat(pid||wkcode||je) from jjdata_d)"))
        .toString();
}

int logRows(TestApp &app, const QString &action)
{
    return app.scalar(QStringLiteral("select count(*) from oplog where action=?"), {action}).toInt();
}

RecordValues record(int pid, const QDate &dt)
{
    RecordValues r;
    r.pid = pid;
    r.dt = dt;
    r.gzcode = QStringLiteral("1");
    r.gxcode = QStringLiteral("001");
    r.price = 2.5;
    r.rs = 2.0;
    r.sl = 3.0;
    r.je = 7.5;
    return r;
}

const QList<LineValues> kLines = {{QStringLiteral("[0001]张三"), QStringLiteral("[01]车工"), 1, 7.5, QString()}};

} // namespace

class ClosedMonthTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void dataLayerRefuses_data();
    void dataLayerRefuses();
    void openMonthChangesAreLogged();
    void failedSaveLeavesNoLogRow();
    void listingRefuses();
    void dialogRefuses();
    void importRefusesClosedRows();
};

void ClosedMonthTest::dataLayerRefuses_data()
{
    QTest::addColumn<int>("mode"); // 1 add, 2 modify, 3 delete
    QTest::addColumn<int>("pid");
    QTest::addColumn<QDate>("dt");
    QTest::newRow("add into May") << 1 << 0 << QDate(2024, 5, 31);
    QTest::newRow("modify a May record") << 2 << 1 << QDate(2024, 5, 10);
    QTest::newRow("move a May record out") << 2 << 1 << QDate(2024, 6, 1);
    QTest::newRow("move a June record in") << 2 << 2 << QDate(2024, 5, 1);
    QTest::newRow("delete a May record") << 3 << 1 << QDate();
}

void ClosedMonthTest::dataLayerRefuses()
{
    QFETCH(int, mode);
    QFETCH(int, pid);
    QFETCH(QDate, dt);
    TestApp app;
    const QString refusal = seedMonths(app);
    const QString before = snapshot(app);
    const int logged = int(OpLog::read().size());
    try {
        if (mode == 3)
            PieceListing::removeRecord(pid);
        else
            PieceData::save(mode, record(pid, dt), kLines, CurOperName);
        QFAIL("not refused");
    } catch (const DbError &e) {
        QCOMPARE(e.message(), refusal);
    }
    QCOMPARE(snapshot(app), before);
    QCOMPARE(int(OpLog::read().size()), logged);
}

void ClosedMonthTest::openMonthChangesAreLogged()
{
    TestApp app;
    seedMonths(app);
    const int pid = PieceData::save(1, record(0, QDate(2024, 6, 20)), kLines, CurOperName);
    QCOMPARE(logRows(app, OpAction::PieceAdd), 1);
    PieceData::save(2, record(pid, QDate(2024, 6, 21)), kLines, CurOperName);
    QCOMPARE(logRows(app, OpAction::PieceModify), 1);
    PieceListing::removeRecord(pid);
    QCOMPARE(logRows(app, OpAction::PieceDelete), 1);
    const QList<OpLogEntry> rows = OpLog::read();
    QCOMPARE(rows[0].target, QStringLiteral("计件记录 %1").arg(pid));
    QVERIFY2(rows[1].detail.contains(QStringLiteral("日期 2024-06-21")), qPrintable(rows[1].detail));
}

// A failure half-way through the save (the second line is refused) rolls the log row back too.
void ClosedMonthTest::failedSaveLeavesNoLogRow()
{
    TestApp app;
    seedMonths(app);
    app.exec(QStringLiteral("create trigger test_fail before insert on jjdata_d when new.wkcode='0002' "
                            "begin select raise(abort, '测试：第二行写不进去'); end"));
    QList<LineValues> lines = kLines;
    lines << LineValues{QStringLiteral("[0002]李四"), QStringLiteral("[02]检验"), 1, 7.5, QString()};
    const QString before = snapshot(app);
    QVERIFY_THROWS_EXCEPTION(DbError, PieceData::save(1, record(0, QDate(2024, 6, 20)), lines, CurOperName));
    QVERIFY_THROWS_EXCEPTION(DbError, PieceData::save(2, record(2, QDate(2024, 6, 20)), lines, CurOperName));
    QCOMPARE(snapshot(app), before);
    QCOMPARE(logRows(app, OpAction::PieceAdd) + logRows(app, OpAction::PieceModify), 0);
}

void ClosedMonthTest::listingRefuses()
{
    TestApp app;
    const QString refusal = seedMonths(app);
    TfrmJjData form;
    form.resize(900, 400);
    form.show();
    PieceFilter filter;
    filter.month = QDate(2024, 5, 1);
    form.runQuery(PieceListing::buildQuery(filter));
    QCOMPARE(form.tmp->rowCount(), 1);
    QString seen;
    onModal<QDialog>([](QDialog *) {}, &seen);
    form.btnEdit->trigger();
    QTest::qWait(20);
    QCOMPARE(seen, QString()); // no dialog was opened
    QCOMPARE(app.messages.texts(), QStringList{refusal});
    app.messages.clear();
    form.btnDel->trigger();
    QCOMPARE(app.messages.texts(), QStringList{refusal}); // before the question, not "in use"
    saveShot(&form, QStringLiteral("piecework_closed_refusal"));
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from jjdata")).toInt(), 2);
}

void ClosedMonthTest::dialogRefuses()
{
    TestApp app;
    const QString refusal = seedMonths(app);
    TfrmJjDataMdy dialog(1, QStringLiteral("增加计件数据"));
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.edtDt->setDate(QDate(2024, 5, 20));
    choose(dialog.cboGz, QStringLiteral("[1]缝纫"));
    choose(dialog.cboGx, QStringLiteral("[001]上领"));
    retype(dialog.edtSl, QStringLiteral("4"));
    addLineByCode(dialog, QStringLiteral("0001"));
    const QString before = snapshot(app);
    dialog.btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存失败(") + refusal + u')'});
    QCOMPARE(snapshot(app), before);
    // Nothing typed is lost: the clerk can move the record into an open month and save it.
    QCOMPARE(dialog.edtSl->text().toDouble(), 4.0);
    app.messages.clear();
    dialog.edtDt->setDate(QDate(2024, 6, 20));
    dialog.btnYes->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("保存成功")});
}

// An imported row dated in a closed month is that row's problem, in the refusal's words, and
// nothing of the file is written or logged; the open month alone imports, with one log row.
void ClosedMonthTest::importRefusesClosedRows()
{
    TestApp app;
    const QString refusal = seedMonths(app);
    const QString before = snapshot(app);
    const int logged = app.scalar(QStringLiteral("select count(*) from oplog")).toInt();
    auto sheet = [](const QList<QVariantList> &rows) {
        SheetRows s;
        s.rows = QList<QVariantList>{{"单号", "日期", "工种", "工序", "数量", "员工代码"}} + rows;
        return SheetTable::fromRows(s);
    };
    const QVariantList june = {"J", QDate(2024, 6, 3), "缝纫", "上领", 10, "0001"};
    const QVariantList may = {"M", QDate(2024, 5, 31), "缝纫", "上领", 10, "0002"};
    ImportResult r = PieceImport::run(sheet({june, may}), false, CurOperName);
    QVERIFY(!r.written);
    QCOMPARE(r.problems.size(), 1);
    QCOMPARE(r.problems.first().line(), QStringLiteral("row 3: 日期: ") + refusal);
    QCOMPARE(snapshot(app), before);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from oplog")).toInt(), logged);

    r = PieceImport::run(sheet({june}), true, CurOperName); // a dry run logs nothing
    QVERIFY(r.ok());
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from oplog")).toInt(), logged);
    r = PieceImport::run(sheet({june}), false, CurOperName);
    QVERIFY(r.written);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from oplog where action=?"), {OpAction::Import}).toInt(), 1);
    QCOMPARE(app.scalar(QStringLiteral("select target||'/'||detail from oplog where action=?"), {OpAction::Import})
                 .toString(),
             QStringLiteral("计件数据/新增 1 条记录（1 行），跳过 0 行（与已有记录相同）"));
}

QTEST_MAIN(ClosedMonthTest)
#include "ClosedMonthTest.moc"
