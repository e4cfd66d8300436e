// The wage sheet window driven as a clerk would: modes, columns, 调出, 重新生成, 计算 with its
// question and problem report, failed cells marked, 计算过程.
#include "payroll/GzData.h"
#include "PayrollFixture.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "login/Screens.h"
#include "payroll/WageSheet.h"
#include "widgets/DbGrid.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// Three employees, four items: f1 typed, f2 = JJe, f3 = 100 when f1 >= 2000, f4 = f1/f5 (fails
// when f5 is 0), f5 typed.
void buildMonth(TestApp &app)
{
    PayrollFixture fx(app);
    fx.worker(QStringLiteral("A01"), QStringLiteral("张三"));
    fx.worker(QStringLiteral("A02"), QStringLiteral("李四"));
    fx.worker(QStringLiteral("B01"), QStringLiteral("王五"), QStringLiteral("02"), 0, QStringLiteral("02"));
    fx.item(1, QStringLiteral("基本工资"));
    fx.item(2, QStringLiteral("计件工资"));
    fx.item(3, QStringLiteral("奖金"));
    fx.item(4, QStringLiteral("日均"));
    fx.item(5, QStringLiteral("天数"));
    fx.formula(1, QStringLiteral("f2"), QStringLiteral("JJe"));
    fx.formula(2, QStringLiteral("f3"), QStringLiteral("100"), QStringLiteral("f1>=2000"));
    fx.formula(3, QStringLiteral("f4"), QStringLiteral("f1/f5"));
    fx.piece(1, QStringLiteral("2010-12-03"), 10, {{QStringLiteral("A01"), 500}, {QStringLiteral("B01"), 120.5}});
    fx.piece(2, QStringLiteral("2010-12-09"), 4, {{QStringLiteral("A01"), 312.345}});
}

void typeCell(TfrmGzData &w, const QString &wk, const QString &fname, double v)
{
    DataTable &t = w.sheet().tmp();
    QVERIFY(t.setCurrentRow(w.sheet().rowOf(wk)));
    t.setValue(fname, v);
    QVERIFY(t.post());
}

// Runs `step` on the modal dialog once it is up (closing anything else).
void onModal(std::function<void(QWidget *)> step)
{
    QTimer::singleShot(50, [step] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal)
            step(modal);
    });
}

} // namespace

class GzDataTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void modes_data();
    void modes();
    void loadShowsColumns();
    void recreateAsksFirst();
    void calculateReportsAndMarks();
    void pickerChangedWithoutLoad();
    void anotherMonthWithOtherItemsInTheSameWindow();
};

void GzDataTest::modes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("entry") << 0 << "工资数据录入" << QStringList{} << false;
    QTest::newRow("pay slips") << 1 << "打印工资条" << QStringList{"重新生成", "计算", "工资表"} << true;
    QTest::newRow("payment table") << 2 << "工资发放表" << QStringList{"重新生成", "计算", "工资条"} << true;
}

void GzDataTest::modes()
{
    QFETCH(int, mode);
    QFETCH(QString, title);
    QFETCH(QStringList, hidden);
    QFETCH(bool, readOnly);
    TestApp app;
    buildMonth(app);
    QVERIFY(screenEntry(1003)->open && screenEntry(1301)->open && screenEntry(1303)->open);
    QCOMPARE(screenEntry(1303)->mode, 2);
    TfrmGzData w(wageSheetMode(mode));
    QCOMPARE(w.windowTitle(), title);
    QStringList shown, gone;
    for (QAction *a : w.ToolBar1->actions()) {
        if (a->isSeparator())
            continue;
        (a->isVisible() ? shown : gone) << a->text();
    }
    QCOMPARE(gone, hidden);
    QCOMPARE(shown.size() + gone.size(), 8);
    QCOMPARE(w.edtDt->date(), QDate(2010, 12, 1)); // the business date's month
    QVERIFY(!w.btnCalc->isEnabled() && !w.btnSetup->isEnabled());
    w.btnQuery->trigger();
    QCOMPARE(w.sheet().tmp().rowCount(), 3);
    QCOMPARE(w.grid->isReadOnly(), readOnly);
    for (QAction *a : {w.btnExport, w.btnGzBar, w.btnGzRep, w.btnSetup})
        QVERIFY(a->isEnabled() || !a->isVisible());
    // f1 has no formula: editable only in entry mode.
    const QModelIndex f1 = w.grid->model()->index(0, w.grid->columnIndex(QStringLiteral("f1")));
    QCOMPARE(bool(w.grid->model()->flags(f1) & Qt::ItemIsEditable), !readOnly);
    QCOMPARE(w.screenKey(), QStringLiteral("GzData%1").arg(mode));
}

void GzDataTest::loadShowsColumns()
{
    TestApp app;
    buildMonth(app);
    TfrmGzData w(wageSheetMode(0));
    w.resize(1000, 400);
    w.btnQuery->trigger();
    QStringList titles;
    for (int c = 0; c < w.grid->columnCount(); ++c)
        titles << (w.grid->isColumnVisible(c) ? w.grid->column(c).title : QStringLiteral("(hidden)"));
    QCOMPARE(titles, QStringList({"(hidden)", "(hidden)", "部门名称", "职位名称", "员工代码", "员工姓名", "性别",
                                  "基本工资", "计件工资", "奖金", "日均", "天数"}));
    QCOMPARE(w.grid->column(0).tag, 1);
    const QBrush tip = w.grid->palette().brush(QPalette::ToolTipBase);
    for (const auto &[fname, formula] :
         QList<QPair<QString, bool>>{{"f1", false}, {"f2", true}, {"f3", true}, {"f4", true}, {"f5", false}}) {
        const int c = w.grid->columnIndex(fname);
        QCOMPARE(w.grid->column(c).readOnly, formula);
        QCOMPARE(w.grid->column(c).format, QStringLiteral("0.00"));
        const QModelIndex index = w.grid->model()->index(0, c);
        QCOMPARE(bool(w.grid->model()->flags(index) & Qt::ItemIsEditable), !formula);
        QCOMPARE(w.grid->model()->data(index, Qt::BackgroundRole).value<QBrush>() == tip, formula);
    }
    // Sheet order: department, then employee; names from the current roster.
    QCOMPARE(w.sheet().tmp().rowValue(2, 4).toString(), QStringLiteral("B01"));
    QCOMPARE(w.sheet().tmp().rowValue(2, 3).toString(), QStringLiteral("组长"));
    QCOMPARE(w.grid->displayText(0, w.grid->columnIndex(QStringLiteral("f1"))), QStringLiteral("0.00"));
}

void GzDataTest::recreateAsksFirst()
{
    TestApp app;
    buildMonth(app);
    TfrmGzData w(wageSheetMode(0));
    w.btnQuery->trigger();
    typeCell(w, QStringLiteral("A01"), QStringLiteral("f1"), 1234);
    app.exec(QStringLiteral("update gzdata set f1=77 where wkcode='A02'"));
    // Hired after the month was made.
    app.exec(QStringLiteral("insert into worker(wkcode,wkname,bmcode,tpcode,state) values('A03','新人','01','01',0)"));
    w.edtDt->setDate(QDate(2010, 11, 1));

    app.messages.answers = {QMessageBox::No};
    w.btnReCreate->trigger();
    QCOMPARE(app.messages.lastText(), QStringLiteral("要重新生成当月工资数据吗？"));
    QCOMPARE(app.messages.shown.last().title, QStringLiteral("询问"));
    QCOMPARE(w.sheet().month(), 12);
    QCOMPARE(w.sheet().tmp().rowCount(), 3);
    QCOMPARE(w.sheet().tmp().rowValue(0, WageSheet::FirstItemField).toDouble(), 1234.0);

    w.edtDt->setDate(QDate(2010, 12, 1));
    app.messages.answers = {QMessageBox::Yes};
    w.btnReCreate->trigger();
    QCOMPARE(w.sheet().year(), 2010);
    QCOMPARE(w.sheet().month(), 12);
    QCOMPARE(w.sheet().tmp().rowCount(), 4);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata where xyear=2010 and xmonth=12 and f1=77")).toInt(),
             0);
    QVERIFY(app.messages.unexpected.isEmpty());
}

void GzDataTest::calculateReportsAndMarks()
{
    TestApp app;
    buildMonth(app);
    TfrmGzData w(wageSheetMode(0));
    w.resize(1000, 360);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.btnQuery->trigger();
    typeCell(w, QStringLiteral("A01"), QStringLiteral("f1"), 2500);
    typeCell(w, QStringLiteral("A01"), QStringLiteral("f5"), 25);
    typeCell(w, QStringLiteral("A02"), QStringLiteral("f1"), 1800);
    typeCell(w, QStringLiteral("B01"), QStringLiteral("f1"), 2100);
    typeCell(w, QStringLiteral("B01"), QStringLiteral("f5"), 21);

    // No: nothing is calculated or saved.
    app.messages.answers = {QMessageBox::No};
    w.btnCalc->trigger();
    QCOMPARE(app.messages.lastText(), QStringLiteral("确认要计算2010-12月份工资并保存吗？"));
    QCOMPARE(app.scalar(QStringLiteral("select f1 from gzdata where wkcode='A01' and xmonth=12")).toDouble(), 0.0);

    app.messages.answers = {QMessageBox::Yes};
    w.btnCalc->trigger();
    const ScriptedMessages::Shown report = app.messages.shown.last();
    QVERIFY2(report.text.startsWith(QStringLiteral("计算完毕")), qPrintable(report.text));
    QVERIFY2(report.text.contains(QStringLiteral("1 个单元格计算出错")), qPrintable(report.text));
    // The grouped problems go into the box's details area.
    QVERIFY2(report.details.contains(QStringLiteral("[f4]日均：1名员工计算出错")), qPrintable(report.details));
    QVERIFY(report.details.contains(QStringLiteral("除数为零")));
    QVERIFY(report.details.contains(QStringLiteral("员工：A02")));
    QVERIFY(!report.text.contains(QStringLiteral("员工：A02")));
    QCOMPARE(report.title, QStringLiteral("提示"));
    QCOMPARE(report.icon, MsgIcon::Information);
    // Saved: the worked values and the emptied cell.
    QCOMPARE(app.scalar(QStringLiteral("select f4 from gzdata where wkcode='A01' and xmonth=12")).toDouble(), 100.0);
    QCOMPARE(app.scalar(QStringLiteral("select f2 from gzdata where wkcode='A01' and xmonth=12")).toDouble(), 812.35);
    QVERIFY(app.scalar(QStringLiteral("select f4 from gzdata where wkcode='A02' and xmonth=12")).isNull());
    QCOMPARE(app.scalar(QStringLiteral("select f3 from gzdata where wkcode='B01' and xmonth=12")).toDouble(), 100.0);
    // The failed cell is marked; the others are not.
    const int f4 = WageSheet::FirstItemField + 3;
    QVERIFY(w.sheet().failureAt(w.sheet().rowOf(QStringLiteral("A02")), f4));
    QVERIFY(!w.sheet().failureAt(w.sheet().rowOf(QStringLiteral("A01")), f4));
    QTest::qWait(50);
    saveShot(&w, QStringLiteral("gzdata_calculated_failed_cell"));
    {
        // The report as the program's message box shows it.
        QMessageBox box(QMessageBox::Information, report.title, report.text, QMessageBox::Ok, &w);
        box.setDetailedText(report.details);
        box.show();
        QTest::qWait(50);
        saveShot(&box, QStringLiteral("gzdata_problem_details"));
    }

    // 计算过程 on the failed cell.
    const int row = w.sheet().rowOf(QStringLiteral("A02"));
    w.grid->setCurrentIndex(w.grid->model()->index(row, w.grid->columnIndex(QStringLiteral("f4"))));
    QString shown;
    onModal([&shown](QWidget *dlg) {
        auto *memo = dlg->findChild<QPlainTextEdit *>(QStringLiteral("memExplain"));
        shown = memo ? memo->toPlainText() : QString();
        saveShot(dlg, QStringLiteral("gzdata_explain"));
        dlg->close();
    });
    w.mnuExplain->trigger();
    QVERIFY2(shown.contains(QStringLiteral("公式：f1/f5")), qPrintable(shown));
    QVERIFY(shown.contains(QStringLiteral("公式取值：f5 = 0")));
    QVERIFY(shown.contains(QStringLiteral("出错：除数为零")));
    QVERIFY(w.explainCell(row, 2).isEmpty()); // 部门名称 is no item cell

    // Loading again forgets the marks.
    w.btnQuery->trigger();
    QVERIFY(w.sheet().problems().isEmpty());
    QVERIFY(app.messages.unexpected.isEmpty());
}

void GzDataTest::pickerChangedWithoutLoad()
{
    TestApp app;
    buildMonth(app);
    TfrmGzData w(wageSheetMode(0));
    w.btnQuery->trigger();
    typeCell(w, QStringLiteral("A01"), QStringLiteral("f1"), 2500);
    w.edtDt->setDate(QDate(2011, 3, 1));
    app.messages.answers = {QMessageBox::Yes};
    w.btnCalc->trigger();
    // The question names the picker's month; the loaded month is what is calculated and saved.
    QCOMPARE(app.messages.shown.at(0).text, QStringLiteral("确认要计算2011-03月份工资并保存吗？"));
    QCOMPARE(
        app.scalar(QStringLiteral("select f3 from gzdata where wkcode='A01' and xyear=2010 and xmonth=12")).toDouble(),
        100.0);
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata where xyear=2011")).toInt(), 0);
}

void GzDataTest::anotherMonthWithOtherItemsInTheSameWindow()
{
    // December has the items of buildMonth; before January is made, 计件工资 (f2) is deleted and
    // 津贴 (f6) is added, so 日均's formula f1/f5 finds 天数 one column further left. One window
    // calculates December, then 调出 January and calculates it: the values must be a fresh
    // window's.
    TestApp app;
    buildMonth(app);
    app.exec(QStringLiteral("insert into gzgs(xh,fname,gs,gsdesc,con,condesc) values(4,'f6','f5*10+f3','','','')"));
    app.exec(QStringLiteral(
        "insert into worker(wkcode,wkname,bmcode,sex,tpcode,state) values('C01','赵六','01','男','01',0)"));
    // C01 leaves the roster after December was made: the window says so and keeps the row.
    app.messages.answers = {QMessageBox::Yes, QMessageBox::Yes};
    TfrmGzData w(wageSheetMode(0));
    w.btnQuery->trigger();
    app.exec(QStringLiteral("delete from worker where wkcode='C01'"));
    w.btnQuery->trigger();
    QVERIFY2(app.messages.lastText().contains(QStringLiteral("1名员工已不在员工名册")),
             qPrintable(app.messages.lastText()));
    QCOMPARE(w.sheet().tmp().rowCount(), 4);
    typeCell(w, QStringLiteral("A01"), QStringLiteral("f1"), 2500);
    typeCell(w, QStringLiteral("A01"), QStringLiteral("f5"), 25);
    w.btnCalc->trigger();
    QCOMPARE(app.scalar(QStringLiteral("select count(*) from gzdata where xyear=2010 and xmonth=12")).toInt(), 4);

    app.exec(QStringLiteral("delete from gzxm where xh=2"));
    app.exec(QStringLiteral("insert into gzxm(xh,fname,xmname,ftype,fsize) values(6,'f6','津贴',0,'0')"));
    app.exec(QStringLiteral("alter table gzdata add f6 float default 0"));
    auto calculateJanuary = [&app](TfrmGzData &window) {
        window.edtDt->setDate(QDate(2011, 1, 1));
        window.btnQuery->trigger();
        typeCell(window, QStringLiteral("A01"), QStringLiteral("f1"), 3000);
        typeCell(window, QStringLiteral("A01"), QStringLiteral("f5"), 30);
        typeCell(window, QStringLiteral("A02"), QStringLiteral("f5"), 4);
        typeCell(window, QStringLiteral("B01"), QStringLiteral("f5"), 7);
        app.messages.answers = {QMessageBox::Yes};
        window.btnCalc->trigger();
        return window.sheet().sheet().cells();
    };
    const std::vector<SheetCell> same = calculateJanuary(w);
    QStringList fields;
    for (const SheetItem &it : w.sheet().items())
        fields << it.fname;
    QCOMPARE(fields, QStringList({"f1", "f3", "f4", "f5", "f6"}));
    TfrmGzData freshWindow(wageSheetMode(0));
    const std::vector<SheetCell> fresh = calculateJanuary(freshWindow);
    QCOMPARE(same.size(), fresh.size());
    for (size_t k = 0; k < same.size(); ++k) {
        QCOMPARE(same[k].null, fresh[k].null);
        QCOMPARE(same[k].value, fresh[k].value);
    }
    const auto value = [&w](const char *wk, const char *f) {
        return w.sheet().tmp().rowValue(w.sheet().rowOf(QString::fromLatin1(wk)), w.sheet().tmp().fieldIndex(f));
    };
    QCOMPARE(value("A01", "f4").toDouble(), 100.0);
    QCOMPARE(value("A01", "f6").toDouble(), 400.0);
    QCOMPARE(value("B01", "f6").toDouble(), 70.0);
    QVERIFY(w.sheet().problems().isEmpty());
}

QTEST_MAIN(GzDataTest)
#include "GzDataTest.moc"
