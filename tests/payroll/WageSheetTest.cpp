// The month's wage sheet without a window: creating and loading a month, the calculation's
// rules, its failures, the cached path against the literal one, saving, the explanation and
// the command-line program.
#include "payroll/WageSheet.h"
#include "LiteralOracle.h"
#include "PayrollFixture.h"
#include "data/DBFun.h"
#include "data/MainDM.h"

#include "data/MyFun.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// Types a value into the sheet row of `wk` as the window's grid would.
void type(WageSheet &s, const QString &wk, const QString &fname, const QVariant &v)
{
    DataTable &t = s.tmp();
    QVERIFY(t.setCurrentRow(s.rowOf(wk)));
    t.setValue(fname, v);
    QVERIFY(t.post());
}

QVariant cell(WageSheet &s, const QString &wk, const QString &fname)
{
    const int row = s.rowOf(wk);
    return row < 0 ? QVariant(QStringLiteral("no row")) : s.tmp().rowValue(row, s.tmp().fieldIndex(fname));
}

// Calculates `s` and checks every stored value and every problem against the literal procedure.
CalcResult calculateAgainstOracle(WageSheet &s)
{
    const OracleResult expected = literalCalculate(s);
    const CalcResult r = s.CalculateSheet();
    const std::vector<SheetCell> got = s.sheet().cells();
    [&] {
        QCOMPARE(got.size(), expected.cells.size());
        for (size_t k = 0; k < got.size(); ++k) {
            const SheetCell &a = got[k], &b = expected.cells[k];
            QVERIFY2(a.null == b.null && (a.null || a.value == b.value),
                     qPrintable(QStringLiteral("cell %1: %2 / %3")
                                    .arg(k)
                                    .arg(a.null ? QStringLiteral("null") : QString::number(a.value, 'g', 17),
                                         b.null ? QStringLiteral("null") : QString::number(b.value, 'g', 17))));
        }
        QCOMPARE(r.failedCells, expected.failedCells);
        QCOMPARE(r.problems.size(), expected.problems.size());
        for (int k = 0; k < r.problems.size(); ++k) {
            const CellProblem &a = r.problems[k], &b = expected.problems[k];
            QCOMPARE(int(a.kind), int(b.kind));
            QCOMPARE(a.row, b.row);
            QCOMPARE(a.item, b.item);
            QCOMPARE(a.error.text(), b.error.text());
        }
    }();
    return r;
}

// f1 typed, then f2 computed by `gs` under `con`.
struct TwoItems {
    TestApp app;
    PayrollFixture fx{app};
    TwoItems(const QString &gs, const QString &con = QString())
    {
        fx.worker(QStringLiteral("A"), QStringLiteral("张三"));
        fx.item(1, QStringLiteral("基本工资"));
        fx.item(2, QStringLiteral("结果"));
        fx.formula(1, QStringLiteral("f2"), gs, con);
    }
};

} // namespace

class WageSheetTest : public QObject {
    Q_OBJECT
private slots:
    void workedExampleToTheCent();
    void scriptVariablesStartEmptyForEveryEmployee();
    void namesFollowTheMonthsItems();
    void rowsOfEmployeesNoLongerInTheRoster();
    void evaluatorRebindsAndStaysInItsRow();
    void monthIsCreatedOnceFromItsOwnItems();
    void emptyItemListLoadsFixedColumns();
    void conditions_data();
    void conditions();
    void formulas_data();
    void formulas();
    void errorInOneEmployeeOnly();
    void rightHandReferenceAndCalculatingTwice();
    void firstFormulaOnlyAndEmptyFormulaKeepsValue();
    void pieceworkTotals();
    void cachedPathEqualsLiteralProcedure();
    void commandLineOneLinePerMessage();
    void fastRoundingEqualsRoundDec();
    void saveIsOneTransaction();
    void quoteInCodesAndNames();
    void explainOneCell();
    void commandLine_data();
    void commandLine();
};

void WageSheetTest::workedExampleToTheCent()
{
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("张三"));
    fx.worker(QStringLiteral("B"), QStringLiteral("李四"), QStringLiteral("02"));
    fx.worker(QStringLiteral("C"), QStringLiteral("离职"), QStringLiteral("01"), 1);
    fx.item(1, QStringLiteral("基本工资"));
    fx.item(2, QStringLiteral("计件工资"));
    fx.item(3, QStringLiteral("奖金"));
    fx.item(4, QStringLiteral("合计"));
    fx.formula(1, QStringLiteral("f2"), QStringLiteral("JJe"));
    fx.formula(2, QStringLiteral("f3"), QStringLiteral("100"), QStringLiteral("f1>=2000"));
    fx.formula(3, QStringLiteral("f4"), QStringLiteral("f1+f2+f3"));
    fx.piece(1, QStringLiteral("2024-05-03"), 10, {{QStringLiteral("A"), 500}});
    fx.piece(2, QStringLiteral("2024-05-31"), 5, {{QStringLiteral("A"), 312.345}});
    fx.piece(3, QStringLiteral("2024-06-01"), 5, {{QStringLiteral("A"), 99}});

    WageSheet s;
    s.load(2024, 5);
    QCOMPARE(s.tmp().rowCount(), 2); // C has left
    type(s, QStringLiteral("A"), QStringLiteral("f1"), 2500);
    type(s, QStringLiteral("B"), QStringLiteral("f1"), 1800);
    type(s, QStringLiteral("B"), QStringLiteral("f3"), 50);
    const CalcResult r = s.CalculateSheet();
    QCOMPARE(r.failedCells, 0);
    QVERIFY(r.problems.isEmpty());
    s.SaveSheet();
    const QList<QPair<QString, QList<double>>> expected = {
        {QStringLiteral("A"), {2500, 812.35, 100, 3412.35}},
        {QStringLiteral("B"), {1800, 0, 50, 1850}},
    };
    for (const auto &[wk, values] : expected) {
        for (int i = 0; i < 4; ++i) {
            const QString f = QStringLiteral("f%1").arg(i + 1);
            QCOMPARE(cell(s, wk, f).toDouble(), values[i]);
            QCOMPARE(fx.stored(2024, 5, wk, f).toDouble(), values[i]);
        }
    }
    // Sheet order: department code, then employee code; names from the lists.
    QCOMPARE(s.tmp().rowValue(0, 4).toString(), QStringLiteral("A"));
    QCOMPARE(s.tmp().rowValue(1, 2).toString(), QStringLiteral("包装部"));
    QCOMPARE(s.tmp().rowValue(1, 3).toString(), QStringLiteral("工人"));
}

void WageSheetTest::scriptVariablesStartEmptyForEveryEmployee()
{
    // A script's own variable is set for the first employee only: the others must not inherit it.
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("甲"));
    fx.worker(QStringLiteral("B"), QStringLiteral("乙"));
    fx.worker(QStringLiteral("C"), QStringLiteral("丙"));
    fx.item(1, QStringLiteral("基本"));
    fx.item(2, QStringLiteral("合计"));
    fx.item(3, QStringLiteral("计数"));
    fx.formula(1, QStringLiteral("f2"), QStringLiteral("IF f1>=2000 THEN b := 100; RESULT := f1 + b"));
    fx.formula(2, QStringLiteral("f3"), QStringLiteral("n := n + 1; RESULT := n"));
    WageSheet s;
    s.load(2024, 5);
    type(s, QStringLiteral("A"), QStringLiteral("f1"), 2500);
    type(s, QStringLiteral("B"), QStringLiteral("f1"), 1800);
    type(s, QStringLiteral("C"), QStringLiteral("f1"), 1700);
    for (int round = 0; round < 2; ++round) {
        calculateAgainstOracle(s);
        QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f2")).toDouble(), 2600.0);
        QCOMPARE(cell(s, QStringLiteral("B"), QStringLiteral("f2")).toDouble(), 1800.0);
        QCOMPARE(cell(s, QStringLiteral("C"), QStringLiteral("f2")).toDouble(), 1700.0);
        for (const char *wk : {"A", "B", "C"})
            QCOMPARE(cell(s, QString::fromLatin1(wk), QStringLiteral("f3")).toDouble(), 1.0);
    }
    // The explanation starts fresh as well.
    QVERIFY(s.explain(s.rowOf(QStringLiteral("C")), 1).join(u'\n').contains(QStringLiteral("保存的值：1700.00")));
}

void WageSheetTest::namesFollowTheMonthsItems()
{
    // April has f1 f2 f3 f4; after f2 is deleted and f5 added, May has f1 f3 f4 f5: in one sheet
    // object, f3's and f4's formulas must read May's columns (and f5, unknown in April, works).
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("甲"));
    fx.worker(QStringLiteral("B"), QStringLiteral("乙"));
    fx.item(1, QStringLiteral("基本"));
    fx.item(2, QStringLiteral("旧项"));
    fx.item(3, QStringLiteral("加倍"));
    fx.item(4, QStringLiteral("合计"));
    fx.formula(1, QStringLiteral("f3"), QStringLiteral("f1*2"));
    fx.formula(2, QStringLiteral("f4"), QStringLiteral("f1+f3+f5"));
    auto typeMonth = [&](WageSheet &s) {
        type(s, QStringLiteral("A"), QStringLiteral("f1"), 10);
        type(s, QStringLiteral("B"), QStringLiteral("f1"), 20);
        if (s.itemIndex(QStringLiteral("f5")) >= 0) {
            type(s, QStringLiteral("A"), QStringLiteral("f5"), 1);
            type(s, QStringLiteral("B"), QStringLiteral("f5"), 2);
        }
    };
    WageSheet s;
    s.load(2024, 4);
    typeMonth(s);
    const CalcResult april = calculateAgainstOracle(s);
    QCOMPARE(april.failedCells, 2); // f5 is no item of April
    app.exec(QStringLiteral("delete from gzxm where xh=2"));
    fx.item(5, QStringLiteral("新项"));
    s.load(2024, 5);
    typeMonth(s);
    QCOMPARE(calculateAgainstOracle(s).failedCells, 0);
    WageSheet fresh;
    fresh.load(2024, 5);
    typeMonth(fresh);
    fresh.CalculateSheet();
    QCOMPARE(s.sheet().cells().size(), fresh.sheet().cells().size());
    for (const char *wk : {"A", "B"})
        for (const char *f : {"f1", "f3", "f4", "f5"})
            QCOMPARE(cell(s, QString::fromLatin1(wk), QString::fromLatin1(f)),
                     cell(fresh, QString::fromLatin1(wk), QString::fromLatin1(f)));
    QCOMPARE(cell(s, QStringLiteral("B"), QStringLiteral("f4")).toDouble(), 62.0);
    // Re-created April takes the current items, and the names follow again.
    s.recreate(2024, 4);
    typeMonth(s);
    QCOMPARE(calculateAgainstOracle(s).failedCells, 0);
    QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f4")).toDouble(), 31.0);
}

void WageSheetTest::rowsOfEmployeesNoLongerInTheRoster()
{
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("甲"));
    fx.worker(QStringLiteral("B"), QStringLiteral("乙"), QStringLiteral("02"));
    fx.worker(QStringLiteral("C"), QStringLiteral("丙"));
    fx.item(1, QStringLiteral("基本"));
    fx.item(2, QStringLiteral("加倍"));
    fx.formula(1, QStringLiteral("f2"), QStringLiteral("f1*2+JJe"));
    fx.piece(1, QStringLiteral("2024-05-03"), 10, {{QStringLiteral("C"), 7}});
    {
        WageSheet s;
        s.load(2024, 5);
    }
    fx.setValue(2024, 5, QStringLiteral("A"), QStringLiteral("f1"), 10);
    fx.setValue(2024, 5, QStringLiteral("C"), QStringLiteral("f1"), 30);
    // C leaves the roster by a way that does not touch the wages (an initialization of the roster).
    app.exec(QStringLiteral("delete from worker where wkcode='C'"));
    WageSheet s;
    s.load(2024, 5);
    QCOMPARE(s.notInRoster(), QStringList{QStringLiteral("C")});
    QCOMPARE(s.tmp().rowCount(), 3);
    const int c = s.rowOf(QStringLiteral("C"));
    QCOMPARE(c, 2); // after the employees of the roster
    QCOMPARE(s.sheet().text(c, SheetColumn::wkname), WageSheet::notInRosterName());
    QCOMPARE(s.sheet().text(c, SheetColumn::bmname), QString());
    calculateAgainstOracle(s);
    s.SaveSheet();
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata where xyear=2024 and xmonth=5")).toInt(), 3);
    QCOMPARE(fx.stored(2024, 5, QStringLiteral("C"), QStringLiteral("f2")).toDouble(), 67.0);
    QCOMPARE(fx.stored(2024, 5, QStringLiteral("A"), QStringLiteral("f2")).toDouble(), 20.0);
}

void WageSheetTest::evaluatorRebindsAndStaysInItsRow()
{
    SheetEvaluator e;
    e.setItems({"f1", "f2", "f3"});
    const SheetCell three[] = {{1, false}, {2, false}, {3, false}};
    QCOMPARE(e.evaluate("f3*10", {three, 3, {}}).ToDouble(), 30.0);
    // Another month: f2 is gone, so f3 is the second column now.
    e.setItems({"f1", "f3"});
    const SheetCell two[] = {{1, false}, {7, false}};
    QCOMPARE(e.evaluate("f3*10", {two, 2, {}}).ToDouble(), 70.0);
    // A row of another shape is refused, never read past its end.
    QVERIFY_THROWS_EXCEPTION(SheetEvalError, e.evaluate("f3*10", {two, 1, {}}));
    // A text that does not compile fails with the same message every time.
    SheetEvalError first, again;
    try {
        e.evaluate("f1+*2", {two, 2, {}});
    } catch (const SheetEvalError &x) {
        first = x;
    }
    try {
        e.evaluate("f1+*2", {two, 2, {}});
    } catch (const SheetEvalError &x) {
        again = x;
    }
    QVERIFY(!first.message.isEmpty());
    QVERIFY(first == again);
}

void WageSheetTest::monthIsCreatedOnceFromItsOwnItems()
{
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("张三"));
    fx.item(1, QStringLiteral("基本工资"));
    fx.item(2, QStringLiteral("旧项目"));
    {
        WageSheet s;
        s.load(2024, 4);
    }
    // After April was created: an item added, one deleted, an employee hired.
    fx.item(3, QStringLiteral("新项目"));
    app.exec(QStringLiteral("delete from gzxm where xh=2"));
    fx.worker(QStringLiteral("B"), QStringLiteral("新人"));

    WageSheet s;
    s.load(2024, 4);
    QStringList april;
    for (const SheetItem &it : s.items())
        april << it.fname + it.xmname;
    QCOMPARE(april, QStringList({QStringLiteral("f1基本工资"), QStringLiteral("f2旧项目")}));
    QCOMPARE(s.tmp().rowCount(), 1);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzxm_m where xyear=2024 and xmonth=4")).toInt(), 2);

    s.load(2024, 5);
    QStringList may;
    for (const SheetItem &it : s.items())
        may << it.fname;
    QCOMPARE(may, QStringList({QStringLiteral("f1"), QStringLiteral("f3")}));
    QCOMPARE(s.tmp().rowCount(), 2);
    QCOMPARE(s.tmp().fieldCount(), WageSheet::FirstItemField + 2);

    // Re-creating April takes the current items and employees.
    s.recreate(2024, 4);
    QCOMPARE(s.items().size(), 2);
    QCOMPARE(s.items().at(1).fname, QStringLiteral("f3"));
    QCOMPARE(s.tmp().rowCount(), 2);
}

void WageSheetTest::emptyItemListLoadsFixedColumns()
{
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("张三"));
    fx.worker(QStringLiteral("B"), QStringLiteral("李四"));
    WageSheet s;
    s.load(2024, 5);
    QCOMPARE(s.tmp().fieldCount(), WageSheet::FirstItemField);
    QCOMPARE(s.tmp().rowCount(), 2);
    const CalcResult r = s.CalculateSheet();
    QCOMPARE(r.items, 0);
    s.SaveSheet();
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata where xyear=2024 and xmonth=5")).toInt(), 2);
}

void WageSheetTest::conditions_data()
{
    QTest::addColumn<QString>("con");
    QTest::addColumn<bool>("holds");
    QTest::addColumn<bool>("reported");
    QTest::newRow("2") << "2" << false << false;
    QTest::newRow("0.999") << "0.999" << false << false;
    QTest::newRow("Null") << "NULL" << false << false;
    QTest::newRow("1") << "1" << true << false;
    QTest::newRow("true is -1") << "TRUE" << false << false;
    QTest::newRow("both comparisons hold") << "f1>=5 AND f1<6" << true << false;
    QTest::newRow("one comparison fails") << "f1>=5 AND f1>6" << false << false;
    QTest::newRow("function") << "ABS(f1-6)" << true << false;
    QTest::newRow("capital F") << "F1>0" << false << true;
    QTest::newRow("division by zero") << "1/(f1-5)" << false << true;
}

void WageSheetTest::conditions()
{
    QFETCH(QString, con);
    QFETCH(bool, holds);
    QFETCH(bool, reported);
    TwoItems t(QStringLiteral("7"), con);
    WageSheet s;
    s.load(2024, 5);
    type(s, QStringLiteral("A"), QStringLiteral("f1"), 5);
    type(s, QStringLiteral("A"), QStringLiteral("f2"), 3);
    const CalcResult r = s.CalculateSheet();
    QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f2")).toDouble(), holds ? 7.0 : 3.0);
    QCOMPARE(r.failedCells, 0);
    QCOMPARE(r.problems.size(), reported ? 1 : 0);
    if (reported)
        QCOMPARE(r.problems.first().kind, CellProblem::ConditionError);
}

void WageSheetTest::formulas_data()
{
    QTest::addColumn<QString>("gs");
    QTest::addColumn<double>("f1");
    QTest::addColumn<QVariant>("expected"); // null: the field was emptied
    QTest::addColumn<QString>("message");   // part of the reported message; empty: no failure
    QTest::addColumn<bool>("noValue");      // reported as a formula without a value
    const QVariant empty;
    QTest::newRow("ABS") << "ABS(f1)" << -5.0 << QVariant(5.0) << "" << false;
    QTest::newRow("IIF") << "IIF(f1>0,1.5,2)" << 3.0 << QVariant(1.5) << "" << false;
    QTest::newRow("ROUND away 2.675") << "2.675" << 0.0 << QVariant(2.67) << "" << false;
    QTest::newRow("ROUND 2.5551") << "2.5551" << 0.0 << QVariant(2.56) << "" << false;
    QTest::newRow("ROUND -1.235") << "-1.235" << 0.0 << QVariant(-1.24) << "" << false;
    QTest::newRow("text number") << "\"12.5\"" << 0.0 << QVariant(12.5) << "" << false;
    QTest::newRow("ends with ;") << "f1+1;" << 4.0 << QVariant(0.0) << "" << true;
    QTest::newRow("division by zero") << "f1/0" << 4.0 << empty << "除数为零" << false;
    QTest::newRow("capital F") << "F1+1" << 4.0 << empty << "F1" << false;
    QTest::newRow("jje") << "jje+f1" << 4.0 << empty << "jje" << false;
    QTest::newRow("item not in the month") << "f1+f99" << 4.0 << empty << "f99" << false;
    QTest::newRow("misspelt after a known name") << "f1+x1" << 4.0 << empty << "x1" << false;
    QTest::newRow("text result") << "\"abc\"" << 0.0 << empty << "abc" << false;
    QTest::newRow("syntax") << "f1+*2" << 4.0 << empty << "语法" << false;
    QTest::newRow("file function") << "FileExists(\"a\")" << 0.0 << empty << "FileExists" << false;
    QTest::newRow("ExecScript") << "ExecScript(\"1\")" << 0.0 << empty << "ExecScript" << false;
    QTest::newRow("endless loop") << "x:=0; WHILE 1 DO x:=x+1; RESULT:=x" << 0.0 << empty << "死循环" << false;
    QTest::newRow("text doubled in a loop")
        << "s:=\"ab\"; WHILE 1 DO s:=s+s; RESULT:=1" << 0.0 << empty << "文字长度" << false;
    QTest::newRow("RESULT assigned, then ;") << "RESULT := f1 * 2;" << 2500.0 << QVariant(5000.0) << "" << false;
    QTest::newRow("assignment only") << "x := f1" << 4.0 << QVariant(0.0) << "" << true;
    QTest::newRow("RESULT in a branch") << "IF f1 > 0 THEN RESULT := f1;" << 4.0 << QVariant(4.0) << "" << false;
    QTest::newRow("upper-case RESULT") << "x := f1; RESULT := X + 1" << 4.0 << QVariant(5.0) << "" << false;
    QTest::newRow("misspelt function") << "f1+ABSS(f1)" << 4.0 << empty << "ABSS" << false;
    QTest::newRow("caught by TRY") << "TRY WHILE 1 DO x:=1; EXCEPT x:=2; END; RESULT:=1" << 0.0 << empty << "死循环"
                                   << false;
}

void WageSheetTest::formulas()
{
    QFETCH(QString, gs);
    QFETCH(double, f1);
    QFETCH(QVariant, expected);
    QFETCH(QString, message);
    QFETCH(bool, noValue);
    TwoItems t(gs);
    WageSheet s;
    s.load(2024, 5);
    type(s, QStringLiteral("A"), QStringLiteral("f1"), f1);
    type(s, QStringLiteral("A"), QStringLiteral("f2"), 99);
    const CalcResult r = s.CalculateSheet();
    const QVariant got = cell(s, QStringLiteral("A"), QStringLiteral("f2"));
    if (expected.isNull()) {
        QVERIFY2(got.isNull(), qPrintable(got.toString()));
        QCOMPARE(r.failedCells, 1);
        const CellProblem &p = r.problems.first();
        QCOMPARE(p.kind, CellProblem::Failed);
        QVERIFY2(p.error.text().contains(message), qPrintable(p.error.text()));
        QVERIFY(s.failureAt(0, WageSheet::FirstItemField + 1));
        QVERIFY(!s.failureAt(0, WageSheet::FirstItemField));
    } else {
        QCOMPARE(got.toDouble(), expected.toDouble());
        QCOMPARE(r.failedCells, 0);
        // A formula without a value is stored as 0 and listed.
        QCOMPARE(r.problems.size(), noValue ? 1 : 0);
        if (noValue)
            QCOMPARE(r.problems.first().kind, CellProblem::NoValue);
    }
}

void WageSheetTest::errorInOneEmployeeOnly()
{
    TestApp app;
    PayrollFixture fx(app);
    for (const char *wk : {"A", "B", "C"})
        fx.worker(QString::fromLatin1(wk), QStringLiteral("员工"));
    fx.item(1, QStringLiteral("天数"));
    fx.item(2, QStringLiteral("日薪"));
    fx.formula(1, QStringLiteral("f2"), QStringLiteral("3000/f1"));
    WageSheet s;
    s.load(2024, 5);
    type(s, QStringLiteral("A"), QStringLiteral("f1"), 0);
    type(s, QStringLiteral("B"), QStringLiteral("f1"), 30);
    type(s, QStringLiteral("C"), QStringLiteral("f1"), 0);
    const CalcResult r = s.CalculateSheet();
    s.SaveSheet();
    QVERIFY(cell(s, QStringLiteral("A"), QStringLiteral("f2")).isNull());
    QCOMPARE(cell(s, QStringLiteral("B"), QStringLiteral("f2")).toDouble(), 100.0);
    QVERIFY(fx.stored(2024, 5, QStringLiteral("C"), QStringLiteral("f2")).isNull());
    QCOMPARE(r.failedCells, 2);
    const QList<ProblemGroup> groups = s.groupedProblems();
    QCOMPARE(groups.size(), 1);
    QCOMPARE(groups[0].employees, 2);
    QCOMPARE(groups[0].firstCodes, QStringList({QStringLiteral("A"), QStringLiteral("C")}));
    QCOMPARE(groups[0].firstMessage, QStringLiteral("除数为零"));
    QVERIFY(s.problemDetails().contains(QStringLiteral("[f2]日薪")));
    // A new load forgets the marks.
    s.load(2024, 5);
    QVERIFY(s.problems().isEmpty());
    QVERIFY(!s.failureAt(0, WageSheet::FirstItemField + 1));
}

void WageSheetTest::rightHandReferenceAndCalculatingTwice()
{
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("张三"));
    fx.item(1, QStringLiteral("甲"));
    fx.item(2, QStringLiteral("乙"));
    fx.formula(1, QStringLiteral("f1"), QStringLiteral("f2+1"));
    fx.formula(2, QStringLiteral("f2"), QStringLiteral("f1*2"));
    WageSheet s;
    s.load(2024, 5);
    type(s, QStringLiteral("A"), QStringLiteral("f2"), 10);
    s.CalculateSheet();
    QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f1")).toDouble(), 11.0);
    QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f2")).toDouble(), 22.0);
    s.CalculateSheet();
    QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f1")).toDouble(), 23.0);
    QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f2")).toDouble(), 46.0);
}

void WageSheetTest::firstFormulaOnlyAndEmptyFormulaKeepsValue()
{
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("张三"));
    fx.item(1, QStringLiteral("甲"));
    fx.item(2, QStringLiteral("乙"));
    fx.formula(5, QStringLiteral("f1"), QStringLiteral("2"));
    fx.formula(3, QStringLiteral("f1"), QStringLiteral("1"));
    fx.formula(4, QStringLiteral("f2"), QString(), QStringLiteral("1/0"));
    WageSheet s;
    s.load(2024, 5);
    type(s, QStringLiteral("A"), QStringLiteral("f2"), 8);
    s.CalculateSheet();
    QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f1")).toDouble(), 1.0);
    QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f2")).toDouble(), 8.0);
}

void WageSheetTest::pieceworkTotals()
{
    TestApp app;
    PayrollFixture fx(app);
    for (const char *wk : {"A", "B", "C", "D"})
        fx.worker(QString::fromLatin1(wk), QStringLiteral("员工"));
    fx.item(1, QStringLiteral("计件金额"));
    fx.item(2, QStringLiteral("计件数量"));
    fx.formula(1, QStringLiteral("f1"), QStringLiteral("JJe"));
    fx.formula(2, QStringLiteral("f2"), QStringLiteral("JSl+JSl*0"));
    // A record of 30 pieces shared by three, A holding two of its lines.
    fx.piece(1, QStringLiteral("2024-05-10"), 30,
             {{QStringLiteral("A"), 10.5},
              {QStringLiteral("a"), 4},
              {QStringLiteral("B"), 10},
              {QStringLiteral("C"), 5.25}});
    fx.piece(2, QStringLiteral("2024/5/20"), 7, {{QStringLiteral("B"), 1.115}});
    fx.piece(3, QStringLiteral("2024-04-30"), 100, {{QStringLiteral("C"), 1000}});
    {
        WageSheet s;
        s.load(2024, 5);
        calculateAgainstOracle(s);
        QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f1")).toDouble(), 14.5);
        QCOMPARE(cell(s, QStringLiteral("A"), QStringLiteral("f2")).toDouble(), 60.0);
        QCOMPARE(cell(s, QStringLiteral("B"), QStringLiteral("f1")).toDouble(), 11.12);
        QCOMPARE(cell(s, QStringLiteral("B"), QStringLiteral("f2")).toDouble(), 37.0);
        QCOMPARE(cell(s, QStringLiteral("C"), QStringLiteral("f2")).toDouble(), 30.0);
        QCOMPARE(cell(s, QStringLiteral("D"), QStringLiteral("f1")).toDouble(), 0.0);
        QCOMPARE(cell(s, QStringLiteral("D"), QStringLiteral("f2")).toDouble(), 0.0);
    }
}

void WageSheetTest::cachedPathEqualsLiteralProcedure()
{
    TestApp app;
    PayrollFixture fx(app);
    QRandomGenerator rnd(20240501);
    const int employees = 80;
    dmMain->beginTrans(); // the fixture in one go
    for (int e = 0; e < employees; ++e)
        fx.worker(QStringLiteral("W%1").arg(e, 3, 10, QLatin1Char('0')), QStringLiteral("员工"),
                  e % 3 ? QStringLiteral("01") : QStringLiteral("02"));
    for (int i = 1; i <= 12; ++i)
        fx.item(i, QStringLiteral("项目%1").arg(i));
    const QList<QPair<QString, QStringList>> formulas = {
        {QStringLiteral("f2"), {QStringLiteral("JJe*1.1"), QString()}},
        {QStringLiteral("f3"), {QStringLiteral("f1/(f1-100)"), QString()}},          // errors where f1 = 100
        {QStringLiteral("f4"), {QStringLiteral("f12+f1"), QStringLiteral("f1>50")}}, // right-hand reference
        {QStringLiteral("f5"), {QStringLiteral("ROUND(JSl*0.333,3)+ABS(f2-f1)"), QString()}},
        {QStringLiteral("f6"), {QStringLiteral("IIF(f3>1,f3*2,f3/3)"), QStringLiteral("1/(f1-7)>0")}},
        {QStringLiteral("f7"), {QStringLiteral("SQRT(f1)+LN(f1+1)"), QStringLiteral("f2>=10 AND f1<90")}},
        {QStringLiteral("f8"), {QStringLiteral("f7*0.015+f5*0.035"), QString()}},
        {QStringLiteral("f9"), {QStringLiteral("f1+X"), QStringLiteral("f1>95")}}, // unknown name
        {QStringLiteral("f10"), {QStringLiteral("LENGTH(\"abc\")+f9"), QString()}},
        {QStringLiteral("f12"), {QStringLiteral("f11*1.005+JJe"), QString()}},
    };
    int xh = 1;
    for (const auto &[f, texts] : formulas)
        fx.formula(xh++, f, texts[0], texts[1]);
    int pid = 1;
    for (int e = 0; e < employees; ++e) {
        for (int k = 0; k < int(rnd.bounded(4)); ++k) {
            const QString wk = QStringLiteral("W%1").arg(e, 3, 10, QLatin1Char('0'));
            const QString partner = QStringLiteral("W%1").arg(int(rnd.bounded(employees)), 3, 10, QLatin1Char('0'));
            fx.piece(pid++, QStringLiteral("2024-05-%1").arg(1 + rnd.bounded(28), 2, 10, QLatin1Char('0')),
                     rnd.bounded(1000) / 10.0,
                     {{wk, rnd.bounded(100000) / 1000.0}, {partner, rnd.bounded(1000) / 7.0}});
        }
    }
    dmMain->commitTrans();
    {
        WageSheet s;
        s.load(2024, 5);
        for (int e = 0; e < employees; ++e) {
            const QString wk = QStringLiteral("W%1").arg(e, 3, 10, QLatin1Char('0'));
            type(s, wk, QStringLiteral("f1"), e == 5 ? 100.0 : e == 6 ? 7.0 : rnd.bounded(10000) / 100.0);
            type(s, wk, QStringLiteral("f11"), rnd.bounded(100000) / 100.0);
            type(s, wk, QStringLiteral("f12"), rnd.bounded(1000) / 3.0);
        }
        s.SaveSheet();
    }
    WageSheet s;
    s.load(2024, 5);
    for (int round = 0; round < 2; ++round) {
        const CalcResult r = calculateAgainstOracle(s);
        QVERIFY(r.failedCells > 0);
    }
}

void WageSheetTest::fastRoundingEqualsRoundDec()
{
    QRandomGenerator rnd(7);
    QList<double> values = {2.675, 2.5551, -1.235,        0.125,      -0.125,      1.005, 0.005,  -0.005, 0.0,  -0.0,
                            1e9,   -1e9,   999999999.995, 123456.785, 0.004999999, 1e-12, -1e-12, 5e-3,   1e15, 1e300};
    for (int i = 0; i < 200000; ++i) {
        const double mag = std::pow(10.0, rnd.bounded(12) - 3);
        double x = (rnd.generateDouble() - 0.5) * mag;
        if (i % 3 == 0) // halves of a cent and their neighbours
            x = (std::round(x * 1000) + (i % 2 ? 5 : 4.9999999)) / 1000;
        values << x;
    }
    for (double x : values) {
        const double a = SheetEvaluator::roundCents(x), b = RoundDec(2, x);
        QVERIFY2(std::memcmp(&a, &b, sizeof a) == 0, qPrintable(QString::number(x, 'g', 17)));
    }
}

void WageSheetTest::saveIsOneTransaction()
{
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("张三"));
    fx.worker(QStringLiteral("B"), QStringLiteral("李四"));
    fx.item(1, QStringLiteral("基本工资"));
    WageSheet s;
    s.load(2024, 5);
    type(s, QStringLiteral("A"), QStringLiteral("f1"), 10);
    s.SaveSheet();
    app.exec(QStringLiteral("create trigger refuse before insert on gzdata when new.wkcode='B' "
                            "begin select raise(abort,'refused'); end"));
    type(s, QStringLiteral("A"), QStringLiteral("f1"), 20);
    QVERIFY_THROWS_EXCEPTION(DbError, s.SaveSheet());
    QCOMPARE(fx.stored(2024, 5, QStringLiteral("A"), QStringLiteral("f1")).toDouble(), 10.0);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata where xyear=2024 and xmonth=5")).toInt(), 2);
    QVERIFY(!dmMain->inTransaction());
}

void WageSheetTest::quoteInCodesAndNames()
{
    TestApp app;
    PayrollFixture fx(app);
    const QString wk = QStringLiteral("O'B");
    fx.worker(wk, QStringLiteral("奥'布"));
    fx.item(1, QStringLiteral("计件"));
    fx.formula(1, QStringLiteral("f1"), QStringLiteral("JJe"));
    fx.piece(1, QStringLiteral("2024-05-02"), 3, {{wk, 12.5}});
    WageSheet s;
    s.load(2024, 5);
    s.CalculateSheet();
    s.SaveSheet();
    QCOMPARE(fx.stored(2024, 5, wk, QStringLiteral("f1")).toDouble(), 12.5);
    QVERIFY(s.explain(s.rowOf(wk), 0).join(u'\n').contains(QStringLiteral("JJe = 12.5")));
}

void WageSheetTest::explainOneCell()
{
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("张三"));
    fx.item(1, QStringLiteral("基本工资"));
    fx.item(2, QStringLiteral("计件工资"));
    fx.item(3, QStringLiteral("合计"));
    fx.item(4, QStringLiteral("日薪"));
    fx.formula(1, QStringLiteral("f2"), QStringLiteral("JJe"));
    fx.formula(2, QStringLiteral("f3"), QStringLiteral("f1+f2"), QStringLiteral("f1>=2000"));
    fx.formula(3, QStringLiteral("f4"), QStringLiteral("f1/0"));
    fx.piece(1, QStringLiteral("2024-05-03"), 10, {{QStringLiteral("A"), 500}});
    fx.piece(2, QStringLiteral("2024-05-04"), 10, {{QStringLiteral("A"), 312.345}});
    WageSheet s;
    s.load(2024, 5);
    type(s, QStringLiteral("A"), QStringLiteral("f1"), 2500);
    const QString text = s.explain(0, 2).join(u'\n');
    // The item to the left is computed first, as the calculation would.
    for (const QString &part :
         {QStringLiteral("公式：f1+f2"), QStringLiteral("条件：f1>=2000"), QStringLiteral("f2=812.35"),
          QStringLiteral("f2 = 812.35"), QStringLiteral("条件成立"), QStringLiteral("保存的值：3312.35")})
        QVERIFY2(text.contains(part), qPrintable(part + u'\n' + text));
    const QString jje = s.explain(0, 1).join(u'\n');
    QVERIFY2(jje.contains(QStringLiteral("JJe = 812.345（合计 2 条计件明细）")), qPrintable(jje));
    const QString failed = s.explain(0, 3).join(u'\n');
    QVERIFY2(failed.contains(QStringLiteral("出错：除数为零\n")), qPrintable(failed));
    // Nothing changed: the sheet and the database.
    QVERIFY(cell(s, QStringLiteral("A"), QStringLiteral("f2")).toDouble() == 0.0);
    QCOMPARE(fx.stored(2024, 5, QStringLiteral("A"), QStringLiteral("f1")).toDouble(), 0.0);
}

void WageSheetTest::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out"); // lines of standard output, in order (empty: not checked)
    QTest::addColumn<QString>("errPart"); // part of standard error
    QTest::addColumn<QString>("f2OfA");   // the stored f2 of A in 2024-05 afterwards ("null", or a number)
    QTest::newRow("calc") << QStringList{"calc", "2024-05"} << 0
                          << QStringList{"failed B f2: 除数为零", "calculated 2 employees, 2 items, 1 failed cells"}
                          << ""
                          << "200";
    QTest::newRow("explain changes nothing") << QStringList{"explain", "2024-05", "A", "f2"} << 0 << QStringList{} << ""
                                             << "nomonth";
    QTest::newRow("unknown employee") << QStringList{"explain", "2024-05", "X", "f2"} << 1 << QStringList{}
                                      << "error: 员工 X"
                                      << "nomonth";
    QTest::newRow("unknown item") << QStringList{"explain", "2024-05", "A", "F2"} << 1 << QStringList{} << "error: F2"
                                  << "nomonth";
    QTest::newRow("missing database") << QStringList{"--db", "/nonexistent/zt000.mdb", "calc", "2024-05"} << 1
                                      << QStringList{} << "error: "
                                      << "nomonth";
    QTest::newRow("bad month") << QStringList{"calc", "2024-13"} << 2 << QStringList{} << "usage"
                               << "nomonth";
    QTest::newRow("no command") << QStringList{} << 2 << QStringList{} << "usage"
                                << "nomonth";
    QTest::newRow("extra argument") << QStringList{"calc", "2024-05", "x"} << 2 << QStringList{} << "usage"
                                    << "nomonth";
}

void WageSheetTest::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QString, errPart);
    QFETCH(QString, f2OfA);
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("张三"));
    fx.worker(QStringLiteral("B"), QStringLiteral("李四"));
    fx.item(1, QStringLiteral("天数"));
    fx.item(2, QStringLiteral("日薪"));
    fx.formula(1, QStringLiteral("f2"), QStringLiteral("6000/f1"));
    if (!args.contains(QStringLiteral("--db")))
        args = QStringList{QStringLiteral("--db"), app.path(QStringLiteral("data/zt000.mdb"))} + args;
    // A typed value for the calculation: A works 30 days, B none.
    {
        WageSheet s;
        s.load(2024, 6);
    }
    app.exec(QStringLiteral("insert into gzxm_m select 2024,5,xh,fname,xmname,ftype,fsize from gzxm"));
    if (QTest::currentDataTag() == QByteArray("calc")) {
        app.exec(QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f1) values(2024,5,'A',30),(2024,5,'B',0)"));
    } else {
        app.exec(QStringLiteral("delete from gzxm_m where xyear=2024 and xmonth=5"));
    }
    QProcess p;
    p.start(QStringLiteral(JJGZ_PAYROLL_TOOL), args);
    QVERIFY(p.waitForFinished(60000));
    const QString stdoutText = QString::fromUtf8(p.readAllStandardOutput());
    const QString stderrText = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), exitCode);
    if (!out.isEmpty())
        QCOMPARE(stdoutText.split(u'\n', Qt::SkipEmptyParts), out);
    QVERIFY2(stderrText.contains(errPart), qPrintable(stderrText));
    if (f2OfA == QStringLiteral("nomonth")) {
        QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzxm_m where xyear=2024 and xmonth=5")).toInt(), 0);
        QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata where xyear=2024 and xmonth=5")).toInt(), 0);
    } else {
        QCOMPARE(fx.stored(2024, 5, QStringLiteral("A"), QStringLiteral("f2")).toString(), f2OfA);
        QVERIFY(fx.stored(2024, 5, QStringLiteral("B"), QStringLiteral("f2")).isNull());
    }
    if (QTest::currentDataTag() == QByteArray("explain changes nothing")) {
        QVERIFY2(stdoutText.contains(QStringLiteral("公式：6000/f1")), qPrintable(stdoutText));
        QVERIFY2(stdoutText.contains(QStringLiteral("出错：除数为零")), qPrintable(stdoutText));
    }
}

void WageSheetTest::commandLineOneLinePerMessage()
{
    // A syntax error's own text has a line break; a formula may hold a tab or a NUL. Each failed
    // cell is still one line, and the employee no longer in the roster is said.
    TestApp app;
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A"), QStringLiteral("甲"));
    fx.worker(QStringLiteral("B"), QStringLiteral("乙"));
    fx.item(1, QStringLiteral("一"));
    fx.item(2, QStringLiteral("二"));
    fx.item(3, QStringLiteral("三"));
    fx.formula(1, QStringLiteral("f1"), QStringLiteral("f2+*2"));
    fx.formula(2, QStringLiteral("f2"), QStringLiteral("\tx\ty"));
    fx.formula(3, QStringLiteral("f3"), QString::fromUtf8("f1+\0", 4));
    {
        WageSheet s;
        s.load(2024, 5);
    }
    app.exec(QStringLiteral("delete from worker where wkcode='B'"));
    QProcess p;
    p.start(QStringLiteral(JJGZ_PAYROLL_TOOL), {QStringLiteral("--db"), app.path(QStringLiteral("data/zt000.mdb")),
                                                QStringLiteral("calc"), QStringLiteral("2024-05")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QByteArray outBytes = p.readAllStandardOutput();
    QVERIFY(!outBytes.contains('\0') && !outBytes.contains('\t') && !outBytes.contains('\r'));
    const QStringList out = QString::fromUtf8(outBytes).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(out.size(), 7);
    for (int k = 0; k < 6; ++k)
        QVERIFY2(out[k].startsWith(QStringLiteral("failed ")), qPrintable(out[k]));
    QVERIFY2(out[0].contains(QStringLiteral("\\r\\n")), qPrintable(out[0]));
    QCOMPARE(out.last(), QStringLiteral("calculated 2 employees, 3 items, 6 failed cells"));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("notice 1 employees")) && err.contains(QStringLiteral(": B")),
             qPrintable(err));
}

QTEST_MAIN(WageSheetTest)
#include "WageSheetTest.moc"
