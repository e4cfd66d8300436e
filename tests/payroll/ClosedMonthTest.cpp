// A closed month in the payroll: the wage sheet opens it read-only with "（已封账）", 计算,
// 重新生成 and a carry-forward into it are refused (window, dialog, headless tool and the plain
// classes alike); 封账 / 取消封账 with their permissions and reason; the log rows of
// calculation, re-creation and carry-forward, and none after a failure half-way.
#include "PayrollFixture.h"
#include "app/Input.h"
#include "data/DataTable.h"
#include "data/MonthLocks.h"
#include "data/OpLog.h"
#include "payroll/CarryForward.h"
#include "payroll/GzData.h"
#include "payroll/JzNext.h"
#include "payroll/MonthLockActions.h"
#include "payroll/WageSheet.h"
#include "widgets/DbGrid.h"

#include <QAction>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// Employees A and B; f1 typed, f2 = f1*2. April and May 2024 have sheets (f1 = 100 / 200).
void buildMonths(TestApp &app)
{
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("张三"));
    fx.worker(QStringLiteral("B"), QStringLiteral("李四"));
    fx.item(1, QStringLiteral("基本工资"));
    fx.item(2, QStringLiteral("应发"));
    fx.formula(1, QStringLiteral("f2"), QStringLiteral("f1*2"));
    for (int m : {4, 5}) {
        WageSheet s;
        s.load(2024, m);
        for (const char *wk : {"A", "B"})
            fx.setValue(2024, m, QString::fromLatin1(wk), QStringLiteral("f1"), m * 50 - 100);
    }
}

QString monthSnapshot(TestApp &app, int month)
{
    return app
        .scalar(QStringLiteral("select (select group_concat(wkcode||':'||ifnull(f1,'')||':'||ifnull(f2,''), ' ') from "
                               "gzdata where xyear=2024 and xmonth=?) || '/' || (select count(*) from gzxm_m where "
                               "xyear=2024 and xmonth=?)"),
                {month, month})
        .toString();
}

QString refusal()
{
    return MonthLocks::refusalText(*MonthLocks::lockOf(2024, 5));
}

int logRows(TestApp &app, const QString &action)
{
    return app.scalar(QStringLiteral("select count(*) from oplog where action=?"), {action}).toInt();
}

QAction *action(TfrmGzData &w, const QString &name)
{
    return w.ToolBar1->findChild<QAction *>(name);
}

struct ToolRun {
    int code = -1;
    QString out, err;
};

ToolRun runTool(TestApp &app, const QStringList &args, const QString &password = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (password.isNull())
        env.remove(QStringLiteral("JJGZ_PASSWORD"));
    else
        env.insert(QStringLiteral("JJGZ_PASSWORD"), password);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(JJGZ_PAYROLL_TOOL),
            QStringList{QStringLiteral("--db"), app.path(QStringLiteral("data/zt000.mdb"))} + args);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class ClosedMonthTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void plainClassesRefuse();
    void closedMonthIsReadAsItStands();
    void logRowsOfTheSheet();
    void failureHalfWayLogsNothing();
    void windowShowsAndRefuses();
    void windowClosesAndReopens();
    void reopenNeedsItsRight();
    void carryDialogRefusesIntoClosed();
    void headless();
    void headlessImportSheet();
    void headlessNeedsTheRight_data();
    void headlessNeedsTheRight();
};

void ClosedMonthTest::plainClassesRefuse()
{
    TestApp app;
    buildMonths(app);
    MonthLocks::close(2024, 5);
    const QString before = monthSnapshot(app, 5);

    WageSheet s;
    s.load(2024, 5);
    QCOMPARE(s.tmp().rowCount(), 2);
    s.CalculateSheet();
    try {
        s.SaveSheet();
        QFAIL("saved a closed month");
    } catch (const DbError &e) {
        QCOMPARE(e.message(), refusal());
    }
    try {
        s.recreate(2024, 5);
        QFAIL("re-created a closed month");
    } catch (const DbError &e) {
        QCOMPARE(e.message(), refusal());
    }
    try {
        CarryForward::run({2024, 4}, {2024, 5}, true);
        QFAIL("carried into a closed month");
    } catch (const DbError &e) {
        QCOMPARE(e.message(), refusal());
    }
    QCOMPARE(monthSnapshot(app, 5), before);
    // Out of a closed month works as before, also when it was closed by another program
    // without its item list.
    QCOMPARE(CarryForward::run({2024, 5}, {2024, 6}, true), 2);
    app.exec(QStringLiteral("insert into gzlock(xyear, xmonth, opername, locktime) values(2024, 4, 'x', 't')"));
    app.exec(QStringLiteral("drop trigger gzxm_m_closed_delete"));
    app.exec(QStringLiteral("delete from gzxm_m where xyear=2024 and xmonth=4"));
    QCOMPARE(CarryForward::run({2024, 4}, {2024, 8}, true), 2);
    QCOMPARE(monthSnapshot(app, 6).section(u'/', 0, 0), before.section(u'/', 0, 0));
    QCOMPARE(logRows(app, OpAction::Calc) + logRows(app, OpAction::Recreate), 0);
    QCOMPARE(logRows(app, OpAction::Carry), 2);
}

// A month closed before it had rows is not created by opening it.
void ClosedMonthTest::closedMonthIsReadAsItStands()
{
    TestApp app;
    buildMonths(app);
    MonthLocks::close(2024, 7);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzxm_m where xyear=2024 and xmonth=7")).toInt(), 2);
    WageSheet s;
    s.load(2024, 7);
    QCOMPARE(s.tmp().rowCount(), 0);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata where xyear=2024 and xmonth=7")).toInt(), 0);
}

void ClosedMonthTest::logRowsOfTheSheet()
{
    TestApp app;
    buildMonths(app);
    WageSheet s;
    s.load(2024, 5);
    s.CalculateSheet();
    s.SaveSheet();
    s.SaveSheet(); // typed values saved again without a calculation
    s.CalculateSheet();
    s.load(2024, 5); // the calculation is dropped: what is saved is what was loaded
    s.SaveSheet();
    s.recreate(2024, 4);
    CarryForward::run({2024, 5}, {2024, 4}, true);
    const QList<OpLogEntry> rows = OpLog::read();
    QStringList got;
    for (const OpLogEntry &e : rows)
        got << e.action + u' ' + e.target + u' ' + e.detail;
    QCOMPARE(got, (QStringList{QStringLiteral("结转 2024-05 → 2024-04 2 名员工的工资"),
                               QStringLiteral("重新生成 2024-04 删除原有 2 名员工的工资数据后重新生成"),
                               QStringLiteral("保存工资 2024-05 2 名员工"), QStringLiteral("保存工资 2024-05 2 名员工"),
                               QStringLiteral("计算 2024-05 2 名员工，2 个项目，0 个单元格计算失败")}));
    QCOMPARE(rows[0].opername, QStringLiteral("admin"));
}

void ClosedMonthTest::failureHalfWayLogsNothing()
{
    TestApp app;
    buildMonths(app);
    // The second row of any write is refused: the writes fail after their first row.
    app.exec(QStringLiteral("create trigger test_fail before insert on gzdata when new.wkcode='B' "
                            "begin select raise(abort, '测试：写入失败'); end"));
    const QString may = monthSnapshot(app, 5), april = monthSnapshot(app, 4);
    WageSheet s;
    s.load(2024, 5);
    s.CalculateSheet();
    QVERIFY_THROWS_EXCEPTION(DbError, s.SaveSheet());
    QVERIFY_THROWS_EXCEPTION(DbError, CarryForward::run({2024, 5}, {2024, 4}, true));
    QVERIFY_THROWS_EXCEPTION(DbError, s.recreate(2024, 4));
    QCOMPARE(monthSnapshot(app, 5), may);
    QCOMPARE(monthSnapshot(app, 4), april);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from oplog")).toInt(), 0);
}

void ClosedMonthTest::windowShowsAndRefuses()
{
    TestApp app;
    buildMonths(app);
    MonthLocks::close(2024, 5);
    const QString before = monthSnapshot(app, 5);
    TfrmGzData w(wageSheetMode(0));
    w.resize(1000, 420);
    w.show();
    w.edtDt->setDate(QDate(2024, 5, 1));
    w.btnQuery->trigger();
    QCOMPARE(w.lblCaption->text(), QStringLiteral("工资数据（已封账）"));
    QVERIFY(w.grid->isReadOnly());
    const QModelIndex f1 = w.grid->model()->index(0, w.grid->columnIndex(QStringLiteral("f1")));
    QVERIFY(!(w.grid->model()->flags(f1) & Qt::ItemIsEditable));
    QVERIFY(!action(w, QStringLiteral("btnLock"))->isEnabled());
    QVERIFY(action(w, QStringLiteral("btnUnlock"))->isEnabled());
    saveShot(&w, QStringLiteral("gzdata_closed_month"));

    w.btnCalc->trigger();
    QCOMPARE(app.messages.texts(), QStringList{refusal()}); // no question first
    QCOMPARE(app.messages.shown.first().icon, MsgIcon::Error);
    {
        // The refusal as the clerk sees it.
        QMessageBox box(QMessageBox::Critical, app.messages.shown.first().title, refusal(), QMessageBox::Ok, &w);
        widenMessageBox(box);
        box.show();
        saveShot(&box, QStringLiteral("gzdata_closed_refusal"));
    }
    app.messages.clear();
    w.btnReCreate->trigger();
    QCOMPARE(app.messages.texts(), QStringList{refusal()});
    QCOMPARE(monthSnapshot(app, 5), before);

    // An open month is editable again, and says nothing of closing.
    w.edtDt->setDate(QDate(2024, 4, 1));
    w.btnQuery->trigger();
    QCOMPARE(w.lblCaption->text(), QStringLiteral("工资数据"));
    QVERIFY(!w.grid->isReadOnly());
    QVERIFY(action(w, QStringLiteral("btnLock"))->isEnabled());
    QVERIFY(!action(w, QStringLiteral("btnUnlock"))->isEnabled());
}

void ClosedMonthTest::windowClosesAndReopens()
{
    TestApp app;
    buildMonths(app);
    TfrmGzData w(wageSheetMode(0));
    w.show();
    w.edtDt->setDate(QDate(2024, 5, 1));
    w.btnQuery->trigger();
    app.messages.answers = {QMessageBox::No, QMessageBox::Yes};
    action(w, QStringLiteral("btnLock"))->trigger();
    QVERIFY(!MonthLocks::isClosed(2024, 5)); // answered No
    action(w, QStringLiteral("btnLock"))->trigger();
    QVERIFY(MonthLocks::isClosed(2024, 5));
    QCOMPARE(w.lblCaption->text(), QStringLiteral("工资数据（已封账）"));
    QVERIFY(w.grid->isReadOnly());

    // Reopening asks for the reason; an empty one is refused, cancelling does nothing.
    app.messages.clear();
    onModal<TfrmInput>([](TfrmInput *d) { d->btnOk()->click(); });
    action(w, QStringLiteral("btnUnlock"))->trigger();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("请输入取消封账的原因。")});
    onModal<TfrmInput>([](TfrmInput *d) { d->btnCancel()->click(); });
    action(w, QStringLiteral("btnUnlock"))->trigger();
    QVERIFY(MonthLocks::isClosed(2024, 5));
    onModal<TfrmInput>([](TfrmInput *d) {
        saveShot(d, QStringLiteral("gzdata_reopen_reason"));
        typeText(d->edtInput(), QStringLiteral("补发五月加班费"));
        d->btnOk()->click();
    });
    action(w, QStringLiteral("btnUnlock"))->trigger();
    QVERIFY(!MonthLocks::isClosed(2024, 5));
    QCOMPARE(w.lblCaption->text(), QStringLiteral("工资数据"));
    QVERIFY(!w.grid->isReadOnly());
    const OpLogEntry last = OpLog::read().first();
    QCOMPARE(last.action, OpAction::Reopen);
    QVERIFY2(last.detail.contains(QStringLiteral("补发五月加班费")), qPrintable(last.detail));
}

void ClosedMonthTest::reopenNeedsItsRight()
{
    TestApp app(QStringLiteral("clerk"));
    buildMonths(app);
    app.exec(QStringLiteral("insert into operator(operno, opername, pwd) values('002', 'clerk', '')"));
    app.exec(QStringLiteral("insert into rolelist(opername, roleid) values('clerk', 1003)"));
    app.exec(QStringLiteral("insert into rolelist(opername, roleid) values('clerk', 1007)"));
    MonthLocks::close(2024, 5);
    TfrmGzData w(wageSheetMode(0));
    w.edtDt->setDate(QDate(2024, 5, 1));
    w.btnQuery->trigger();
    QVERIFY(!action(w, QStringLiteral("btnUnlock"))->isEnabled());
    // Pressed anyway (the grant withdrawn while the window was open): refused, nothing asked.
    action(w, QStringLiteral("btnUnlock"))->setEnabled(true);
    action(w, QStringLiteral("btnUnlock"))->trigger();
    QCOMPARE(app.messages.shown.size(), 1);
    QVERIFY(app.messages.lastText().contains(QStringLiteral("1009")));
    QVERIFY(MonthLocks::isClosed(2024, 5));
}

void ClosedMonthTest::carryDialogRefusesIntoClosed()
{
    TestApp app;
    buildMonths(app);
    MonthLocks::close(2024, 5);
    const QString before = monthSnapshot(app, 5);
    TfrmJzNext dialog;
    dialog.edtMonth->setDate(QDate(2024, 4, 1));
    dialog.edtMonth2->setDate(QDate(2024, 5, 1));
    dialog.btnOk->click();
    QCOMPARE(app.messages.texts(), QStringList{refusal()}); // before any question
    QCOMPARE(monthSnapshot(app, 5), before);
}

void ClosedMonthTest::headless()
{
    TestApp app;
    buildMonths(app);
    app.exec(QStringLiteral("insert into operator(operno, opername, pwd) values('002', 'clerk', 'secret')"));
    app.exec(QStringLiteral("insert into rolelist(opername, roleid) values('clerk', 1003)"));
    const QString may = monthSnapshot(app, 5);

    ToolRun r = runTool(app, {QStringLiteral("close"), QStringLiteral("2024-05")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.trimmed(), QStringLiteral("closed 2024-05"));
    r = runTool(app, {QStringLiteral("calc"), QStringLiteral("2024-05")});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("2024年05月已封账（由 admin 于")), qPrintable(r.err));
    r = runTool(app, {QStringLiteral("carry"), QStringLiteral("2024-04"), QStringLiteral("2024-05"),
                      QStringLiteral("--overwrite")});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("已封账")), qPrintable(r.err));
    QCOMPARE(monthSnapshot(app, 5), may);

    // The operator, the password and the permission of each command.
    r = runTool(app,
                {QStringLiteral("--user"), QStringLiteral("clerk"), QStringLiteral("calc"), QStringLiteral("2024-04")},
                QStringLiteral("wrong"));
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("密码不正确")), qPrintable(r.err));
    r = runTool(app,
                {QStringLiteral("--user"), QStringLiteral("clerk"), QStringLiteral("reopen"), QStringLiteral("2024-05"),
                 QStringLiteral("--reason"), QStringLiteral("x")},
                QStringLiteral("secret"));
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("1009")), qPrintable(r.err));
    QVERIFY(MonthLocks::isClosed(2024, 5));
    r = runTool(app,
                {QStringLiteral("--user"), QStringLiteral("clerk"), QStringLiteral("calc"), QStringLiteral("2024-04")},
                QStringLiteral("secret"));
    QCOMPARE(r.code, 0);
    r = runTool(app, {QStringLiteral("reopen"), QStringLiteral("2024-05")});
    QCOMPARE(r.code, 2); // the reason is required
    r = runTool(
        app, {QStringLiteral("reopen"), QStringLiteral("2024-05"), QStringLiteral("--reason"), QStringLiteral("补发")});
    QCOMPARE(r.code, 0);
    QVERIFY(!MonthLocks::isClosed(2024, 5));

    // carry without --overwrite leaves a month with rows alone.
    r = runTool(app, {QStringLiteral("carry"), QStringLiteral("2024-04"), QStringLiteral("2024-05")});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("--overwrite")), qPrintable(r.err));
    QCOMPARE(monthSnapshot(app, 5), may);
    r = runTool(app, {QStringLiteral("carry"), QStringLiteral("2024-04"), QStringLiteral("2024-06")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.trimmed(), QStringLiteral("carried 2 employees from 2024-04 to 2024-06"));

    r = runTool(app, {QStringLiteral("log")});
    QCOMPARE(r.code, 0);
    QStringList actions;
    for (const QString &line : r.out.split(u'\n', Qt::SkipEmptyParts))
        actions << line.section(u'\t', 1, 2);
    QCOMPARE(actions, (QStringList{"admin\t结转", "admin\t取消封账", "clerk\t计算", "clerk\t登录失败", "admin\t封账"}));
    r = runTool(app, {QStringLiteral("log"), QStringLiteral("--user"), QStringLiteral("clerk"),
                      QStringLiteral("--action"), QStringLiteral("计算")});
    QCOMPARE(r.out.split(u'\n', Qt::SkipEmptyParts).size(), 1);
    r = runTool(app, {QStringLiteral("--user"), QStringLiteral("clerk"), QStringLiteral("log")},
                QStringLiteral("secret"));
    QCOMPARE(r.code, 1); // 1907 not granted
    r = runTool(app, {QStringLiteral("calc"), QStringLiteral("2024-04")}, QStringLiteral("x"));
    QCOMPARE(r.code, 1); // admin's password is empty
    // A database made by hand without operators: admin has nobody to be checked against.
    app.exec(QStringLiteral("delete from operator"));
    r = runTool(app, {QStringLiteral("calc"), QStringLiteral("2024-04")}, QStringLiteral("x"));
    QCOMPARE(r.code, 0);
    r = runTool(app,
                {QStringLiteral("--user"), QStringLiteral("clerk"), QStringLiteral("calc"), QStringLiteral("2024-04")},
                QStringLiteral("secret"));
    QCOMPARE(r.code, 1);
}

// import-sheet into a closed month is refused with its refusal and leaves gzdata as it was; into
// an open month it writes, logged once under the operator; a dry run logs nothing.
void ClosedMonthTest::headlessImportSheet()
{
    TestApp app;
    buildMonths(app);
    const QString file = app.path(QStringLiteral("sheet.csv"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("员工代码,基本工资\nA,777\n").toUtf8());
    f.close();
    MonthLocks::close(2024, 5);
    const QString may = monthSnapshot(app, 5);

    ToolRun r = runTool(app, {QStringLiteral("import-sheet"), QStringLiteral("2024-05"), file});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(refusal()), qPrintable(r.err));
    QCOMPARE(monthSnapshot(app, 5), may);
    QCOMPARE(logRows(app, OpAction::Import), 0);

    r = runTool(app, {QStringLiteral("import-sheet"), QStringLiteral("2024-04"), file, QStringLiteral("--dry-run")});
    QCOMPARE(r.code, 0);
    QCOMPARE(logRows(app, OpAction::Import), 0);
    r = runTool(app, {QStringLiteral("import-sheet"), QStringLiteral("2024-04"), file});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.trimmed(), QStringLiteral("imported 0 added, 1 updated"));
    QCOMPARE(app.scalar(QStringLiteral("select opername||'/'||target from oplog where action=?"), {OpAction::Import})
                 .toString(),
             QStringLiteral("admin/工资数据 2024-04"));
}

// Each headless command asks for the permission of its screen: an operator without it is
// refused (exit 1, in Chinese), and nothing is imported or written.
void ClosedMonthTest::headlessNeedsTheRight_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("right");
    QTest::newRow("import-workers") << QStringList{"import-workers", "FILE"} << 1515;
    QTest::newRow("import-piecework") << QStringList{"import-piecework", "FILE"} << 1001;
    QTest::newRow("import-sheet") << QStringList{"import-sheet", "2024-04", "FILE"} << 1003;
    QTest::newRow("bankfile") << QStringList{"bankfile", "2024-04", "--item", "f1", "OUT.csv"} << 1303;
    QTest::newRow("taxfile") << QStringList{"taxfile", "2024-04", "OUT.xlsx"} << 1309;
}

void ClosedMonthTest::headlessNeedsTheRight()
{
    QFETCH(QStringList, args);
    QFETCH(int, right);
    TestApp app;
    buildMonths(app);
    // The clerk has every right the commands need but this one.
    app.exec(QStringLiteral("insert into operator(operno, opername, pwd) values('002', 'clerk', 'secret')"));
    for (const int code : {1515, 1001, 1003, 1303, 1309})
        if (code != right)
            app.exec(QStringLiteral("insert into rolelist(opername, roleid) values('clerk', ?)"), {code});
    const QString file = app.path(QStringLiteral("in.csv"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("员工代码,员工姓名,基本工资\nA,张三,555\n").toUtf8());
    f.close();
    const QString out = app.path(QStringLiteral("out"));
    for (QString &a : args) {
        if (a == u"FILE")
            a = file;
        else if (a.startsWith(QLatin1String("OUT")))
            a = out + a.mid(3);
    }
    const QString april = monthSnapshot(app, 4);
    const int workers = app.scalar(QStringLiteral("select count(*) from worker")).toInt();
    ToolRun r =
        runTool(app, QStringList{QStringLiteral("--user"), QStringLiteral("clerk")} + args, QStringLiteral("secret"));
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("没有“")) && r.err.contains(QString::number(right)), qPrintable(r.err));
    QCOMPARE(monthSnapshot(app, 4), april);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from worker")).toInt(), workers);
    QCOMPARE(logRows(app, OpAction::Import), 0);
    QVERIFY(!QFile::exists(out + QStringLiteral(".csv")) && !QFile::exists(out + QStringLiteral(".xlsx")));
    // With it, the same command runs as that operator.
    app.exec(QStringLiteral("insert into rolelist(opername, roleid) values('clerk', ?)"), {right});
    r = runTool(app, QStringList{QStringLiteral("--user"), QStringLiteral("clerk")} + args, QStringLiteral("secret"));
    QVERIFY2(!r.err.contains(QString::number(right)), qPrintable(r.err));
}

QTEST_MAIN(ClosedMonthTest)
#include "ClosedMonthTest.moc"
