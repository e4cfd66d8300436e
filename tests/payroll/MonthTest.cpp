// Carrying a month into another and the department summary, through their screens and their
// plain classes.
#include "TestSupport.h"
#include "data/DataTable.h"
#include "login/MainFrm.h"
#include "payroll/CarryForward.h"
#include "payroll/GzData.h"
#include "payroll/GzSum.h"
#include "payroll/JzNext.h"
#include "payroll/SummaryData.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"

#include <QAction>
#include <QDateEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// Items f1 基本工资 and f2 奖金; wage rows: "year-month:wkcode=f1/f2,..." pairs.
void addItems(TestApp &app)
{
    app.exec(QStringLiteral(
        "insert into gzxm(xh,fname,xmname,ftype,fsize) values (1,'f1','基本工资',0,'0'),(2,'f2','奖金',0,'0')"));
    app.exec(QStringLiteral("alter table gzdata add column f1 real default 0"));
    app.exec(QStringLiteral("alter table gzdata add column f2 real default 0"));
}

void addWage(TestApp &app, int year, int month, const QString &wkcode, double f1, double f2)
{
    app.exec(QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f1,f2) values (?,?,?,?,?)"),
             {year, month, wkcode, f1, f2});
}

int rows(TestApp &app, int year, int month)
{
    return app.scalar(QStringLiteral("select count(*) from gzdata where xyear=? and xmonth=?"), {year, month}).toInt();
}

QString printedText(const GridPrinter &printer, const QString &pdf)
{
    if (!printer.printToPdf(pdf))
        return QString();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    text.waitForFinished(30000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

QString monthText(const QDateEdit *picker)
{
    return picker->text();
}

} // namespace

class MonthTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }

    void proposals_data();
    void proposals();
    void carryForwardRefusals();
    void carryForwardCopiesAndOverwrites();
    void carryForwardFailureKeepsTarget();
    void carryForwardKeepsItemListOfEmptyTarget();
    void carryForwardFromMenu();

    void summarySums();
    void summaryOldMonthAndEmptyMonth();
    void summaryPrintAndSettings();
    void monthPickersRollOverTheYear();
};

void MonthTest::proposals_data()
{
    QTest::addColumn<QList<int>>("months"); // yyyymm of wage rows
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::newRow("latest of three") << QList<int>{202311, 202312, 202401} << "2024年01月"
                                     << "2024年02月";
    QTest::newRow("December") << QList<int>{202412} << "2024年12月"
                              << "2025年01月";
    QTest::newRow("no wages: business date") << QList<int>{} << "2010年12月"
                                             << "2011年01月";
}

void MonthTest::proposals()
{
    QFETCH(QList<int>, months);
    QFETCH(QString, source);
    QFETCH(QString, target);
    TestApp app;
    addItems(app);
    for (int ym : months)
        addWage(app, ym / 100, ym % 100, QStringLiteral("0001"), 1, 2);
    TfrmJzNext dialog;
    QCOMPARE(monthText(dialog.edtMonth), source);
    QCOMPARE(monthText(dialog.edtMonth2), target);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("结转下月"));
}

void MonthTest::carryForwardRefusals()
{
    TestApp app;
    addItems(app);
    {
        TfrmJzNext dialog;
        dialog.btnOk->click();
        QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("转出月份没有工资数据")});
        QCOMPARE(app.messages.shown.last().title, QStringLiteral("错误"));
        QCOMPARE(app.messages.shown.last().icon, MsgIcon::Error);
    }
    addWage(app, 2024, 3, QStringLiteral("0001"), 100, 5);
    app.messages.clear();
    TfrmJzNext dialog;
    dialog.edtMonth2->setDate(QDate(2024, 3, 1));
    dialog.btnOk->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("转出转入月份不能是同一个月")});
    // Answering No to the question changes nothing.
    app.messages.clear();
    dialog.edtMonth2->setDate(QDate(2024, 4, 1));
    app.messages.answers = {QMessageBox::No};
    dialog.btnOk->click();
    QCOMPARE(app.messages.texts(), QStringList{QStringLiteral("确认要结转吗？")});
    QCOMPARE(rows(app, 2024, 4), 0);
    QVERIFY(dialog.isVisible() || !dialog.result()); // the dialog is never closed by 结转
}

void MonthTest::carryForwardCopiesAndOverwrites()
{
    TestApp app;
    addItems(app);
    addWage(app, 2024, 1, QStringLiteral("0001"), 100.5, 20);
    addWage(app, 2024, 1, QStringLiteral("0002"), 200, 0);
    addWage(app, 2024, 2, QStringLiteral("0003"), 7, 7); // an old target month

    TfrmJzNext dialog;
    QCOMPARE(monthText(dialog.edtMonth), QStringLiteral("2024年02月"));
    dialog.edtMonth->setDate(QDate(2024, 1, 1));
    dialog.edtMonth2->setDate(QDate(2024, 2, 1));

    // Overwrite answered No: both months stay as they were.
    app.messages.answers = {QMessageBox::Yes, QMessageBox::No};
    dialog.btnOk->click();
    QCOMPARE(app.messages.texts(),
             (QStringList{QStringLiteral("确认要结转吗？"), QStringLiteral("转入月份工资数据已存在，覆盖吗？")}));
    QCOMPARE(rows(app, 2024, 1), 2);
    QCOMPARE(rows(app, 2024, 2), 1);

    // Yes twice over: exactly one copy of each source row, with every value.
    for (int round = 0; round < 2; ++round) {
        app.messages.clear();
        app.messages.answers = {QMessageBox::Yes, QMessageBox::Yes};
        dialog.btnOk->click();
        QCOMPARE(app.messages.lastText(), QStringLiteral("结转成功"));
        QCOMPARE(app.messages.shown.last().icon, MsgIcon::Information);
    }
    QCOMPARE(rows(app, 2024, 2), 2);
    QCOMPARE(
        app.scalar(QStringLiteral("select f1 from gzdata where xyear=2024 and xmonth=2 and wkcode='0001'")).toDouble(),
        100.5);
    QCOMPARE(
        app.scalar(QStringLiteral("select f2 from gzdata where xyear=2024 and xmonth=2 and wkcode='0001'")).toDouble(),
        20.0);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata where wkcode='0003'")).toInt(), 0);
    // The source month's item list was made sure of; the target month gets none of its own.
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzxm_m where xyear=2024 and xmonth=1")).toInt(), 2);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzxm_m where xyear=2024 and xmonth=2")).toInt(), 0);
    QCOMPARE(rows(app, 2024, 1), 2);
}

void MonthTest::carryForwardFailureKeepsTarget()
{
    TestApp app;
    addItems(app);
    addWage(app, 2024, 1, QStringLiteral("0001"), 1, 1);
    addWage(app, 2024, 1, QStringLiteral("0002"), 2, 2);
    addWage(app, 2024, 2, QStringLiteral("0009"), 9, 9);
    // The second copied row is refused half-way through the copy.
    app.exec(
        QStringLiteral("create trigger refuse_copy before insert on gzdata when new.xmonth=2 and new.wkcode='0002' "
                       "begin select raise(abort, 'copy refused'); end"));
    TfrmJzNext dialog;
    dialog.edtMonth->setDate(QDate(2024, 1, 1));
    dialog.edtMonth2->setDate(QDate(2024, 2, 1));
    app.messages.answers = {QMessageBox::Yes, QMessageBox::Yes};
    dialog.btnOk->click();
    QVERIFY2(app.messages.lastText().startsWith(QStringLiteral("结转失败(")), qPrintable(app.messages.lastText()));
    QCOMPARE(app.messages.shown.last().title, QStringLiteral("错误"));
    // The target month is as it was before: its own row, none of the copy.
    QCOMPARE(rows(app, 2024, 2), 1);
    QCOMPARE(app.scalar(QStringLiteral("select wkcode from gzdata where xyear=2024 and xmonth=2")).toString(),
             QStringLiteral("0009"));
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzxm_m where xyear=2024 and xmonth=1")).toInt(), 0);
}

// A target month without wage rows is not asked about, and nothing of it is deleted: the item
// list it already has (opened once, with nobody employed then) stays.
void MonthTest::carryForwardKeepsItemListOfEmptyTarget()
{
    TestApp app;
    addItems(app);
    addWage(app, 2024, 1, QStringLiteral("0001"), 100, 5);
    app.exec(QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) values "
                            "(2024,2,1,'f1','二月基本工资',0,'0'),(2024,2,2,'f2','二月奖金',0,'0')"));
    TfrmJzNext dialog;
    dialog.edtMonth->setDate(QDate(2024, 1, 1));
    dialog.edtMonth2->setDate(QDate(2024, 2, 1));
    app.messages.answers = {QMessageBox::Yes};
    dialog.btnOk->click();
    QCOMPARE(app.messages.texts(), (QStringList{QStringLiteral("确认要结转吗？"), QStringLiteral("结转成功")}));
    QCOMPARE(rows(app, 2024, 2), 1);
    QCOMPARE(app.scalar(QStringLiteral("select group_concat(xmname) from (select xmname from gzxm_m "
                                       "where xyear=2024 and xmonth=2 order by xh)"))
                 .toString(),
             QStringLiteral("二月基本工资,二月奖金"));
}

void MonthTest::carryForwardFromMenu()
{
    TestApp app;
    TfrmMain w;
    w.show();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (auto *dialog = qobject_cast<TfrmJzNext *>(QApplication::activeModalWidget())) {
            seen = true;
            saveShot(dialog, QStringLiteral("carry_forward"));
            dialog->btnCancel->click();
        } else if (QWidget *other = QApplication::activeModalWidget()) {
            other->close();
        }
    });
    w.menuItem(1005)->trigger();
    QVERIFY(seen);
}

namespace {
// Departments 01, 02 and 03; employees 0001–0003 in 01 and 0004–0005 in 02, wages of May 2024.
void summaryFixture(TestApp &app)
{
    addItems(app);
    app.exec(
        QStringLiteral("insert into depart(bmcode,bmname) values ('01','一车间'),('02','二车间'),('03','三车间')"));
    const QList<QPair<QString, QString>> people = {
        {"0001", "01"}, {"0002", "01"}, {"0003", "01"}, {"0004", "02"}, {"0005", "02"}};
    for (const auto &[wk, bm] : people) {
        app.exec(QStringLiteral("insert into worker(wkcode,wkname,bmcode,state) values (?,?,?,0)"),
                 {wk, QStringLiteral("员工") + wk, bm});
        addWage(app, 2024, 5, wk, wk.toInt() * 100.0, 1.25);
    }
    app.exec(QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) select "
                            "2024,5,xh,fname,xmname,ftype,fsize from gzxm"));
}
} // namespace

void MonthTest::summarySums()
{
    TestApp app;
    summaryFixture(app);
    TfrmGzSum w;
    w.edtDt->setDate(QDate(2024, 5, 1));
    w.btnQuery->trigger();
    QCOMPARE(w.tmp->rowCount(), 2);
    QCOMPARE(w.tmp->rowValue(0, w.tmp->fieldIndex("bmname")).toString(), QStringLiteral("一车间"));
    QCOMPARE(w.tmp->rowValue(0, w.tmp->fieldIndex("f1")).toDouble(), 600.0);
    QCOMPARE(w.tmp->rowValue(0, w.tmp->fieldIndex("f2")).toDouble(), 3.75);
    QCOMPARE(w.tmp->rowValue(1, w.tmp->fieldIndex("f1")).toDouble(), 900.0);
    QCOMPARE(w.grid->column(w.grid->columnIndex("bmname")).width, 70);
    QCOMPARE(w.grid->column(w.grid->columnIndex("f1")).width, 60);
    QCOMPARE(w.grid->column(w.grid->columnIndex("f1")).title, QStringLiteral("基本工资"));
    QCOMPARE(w.grid->displayText(0, w.grid->columnIndex("f2")), QStringLiteral("3.75"));
    QVERIFY(!w.grid->isColumnVisible(w.grid->columnIndex("bmcode")));

    // An employee moved to department 03 counts there; one in department 09, which has no row
    // in depart, shows its code with an empty name.
    app.exec(QStringLiteral("update worker set bmcode='03' where wkcode='0003'"));
    app.exec(QStringLiteral("update worker set bmcode='09' where wkcode='0005'"));
    TfrmGzSum again;
    again.resize(700, 300);
    again.edtDt->setDate(QDate(2024, 5, 1));
    again.btnQuery->trigger();
    QCOMPARE(again.tmp->rowCount(), 4);
    const auto value = [&](int row, const char *field) {
        return again.tmp->rowValue(row, again.tmp->fieldIndex(field));
    };
    QCOMPARE(value(0, "f1").toDouble(), 300.0);
    QCOMPARE(value(1, "f1").toDouble(), 400.0);
    QCOMPARE(value(2, "bmname").toString(), QStringLiteral("三车间"));
    QCOMPARE(value(2, "f1").toDouble(), 300.0);
    QCOMPARE(value(3, "bmcode").toString(), QStringLiteral("09"));
    QCOMPARE(value(3, "bmname").toString(), QString());
    QCOMPARE(value(3, "f1").toDouble(), 500.0);
    saveShot(&again, QStringLiteral("summary"));
}

void MonthTest::summaryOldMonthAndEmptyMonth()
{
    TestApp app;
    summaryFixture(app);
    // The item is renamed afterwards: the old month keeps its own caption.
    app.exec(QStringLiteral("update gzxm set xmname='岗位工资' where fname='f1'"));
    SummaryData data;
    DataTable table;
    const QList<MonthItem> items = data.query(2024, 5, table);
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.first().xmname, QStringLiteral("基本工资"));

    // A month without an item list: an empty table with the fixed fields, no failure.
    const QList<MonthItem> none = data.query(2024, 6, table);
    QVERIFY(none.isEmpty());
    QVERIFY(table.isActive());
    QCOMPARE(table.rowCount(), 0);
    QCOMPARE(table.fieldCount(), 2);

    // A month with an item list but no wage rows: empty as well.
    app.exec(QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) select "
                            "2024,7,xh,fname,xmname,ftype,fsize from gzxm"));
    QCOMPARE(data.query(2024, 7, table).size(), 2);
    QCOMPARE(table.rowCount(), 0);
}

void MonthTest::summaryPrintAndSettings()
{
    TestApp app;
    summaryFixture(app);
    TfrmMain main;
    main.showNormal();
    main.resize(1000, 600);
    main.menuItem(1305)->trigger();
    QMdiSubWindow *window = main.mdiArea->activeSubWindow();
    QVERIFY(window && window->isMaximized());
    auto *w = qobject_cast<TfrmGzSum *>(window->widget());
    QVERIFY(w);
    main.menuItem(1305)->trigger();
    QCOMPARE(main.mdiArea->subWindowList().size(), 1);

    // Printing before any query: an empty grid under the month line of month 0/0.
    {
        GridPrinter printer(*w->grid);
        w->setUpPrint(printer);
        QCOMPARE(printer.resolvedTitleLine(), QStringLiteral("  工资月份：0年0月"));
        QVERIFY(printedText(printer, app.path("empty.pdf")).contains(QStringLiteral("工资汇总表")));
    }
    w->edtDt->setDate(QDate(2024, 5, 1));
    w->btnQuery->trigger();
    GridPrinter printer(*w->grid);
    w->setUpPrint(printer);
    const QString printed = printedText(printer, app.path("sum.pdf"));
    for (const char *expected : {"工资汇总表", "工资月份：2024年5月", "部门名称", "基本工资", "一车间", "600.00",
                                 "900.00", "合计", "1500.00", "6.25", "第1页共1页"})
        QVERIFY2(QString(printed).remove(u' ').contains(QString::fromUtf8(expected)), expected);
    saveShot(&main, QStringLiteral("summary_in_main_window"));
}

// Every month picker of the wage screens steps from 12月 into January of the next year and back.
void MonthTest::monthPickersRollOverTheYear()
{
    TestApp app; // business date 2010-12-15
    TfrmGzData sheet(wageSheetMode(0));
    TfrmGzSum summary;
    TfrmJzNext carry;
    for (QDateEdit *picker : {sheet.edtDt, summary.edtDt, carry.edtMonth, carry.edtMonth2}) {
        picker->setDate(QDate(2010, 12, 1));
        picker->setCurrentSection(QDateTimeEdit::MonthSection);
        picker->stepBy(1);
        QCOMPARE(picker->date(), QDate(2011, 1, 1));
        picker->stepBy(-1);
        QCOMPARE(picker->date(), QDate(2010, 12, 1));
    }
}

QTEST_MAIN(MonthTest)
#include "MonthTest.moc"
