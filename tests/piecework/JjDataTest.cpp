// The piece-work filter dialog and listing window: queries of both modes against records of
// several months, 修改, 增加 and 删除 from the list, the print, and the main window's entry.
#include "piecework/JjData.h"
#include "PieceFixture.h"
#include "data/DataTable.h"
#include "data/MyFun.h"
#include "login/MainFrm.h"
#include "piecework/JjDataMdy.h"
#include "piecework/JjDataSel.h"
#include "piecework/PieceFields.h"
#include "widgets/DbGrid.h"
#include "widgets/GridPrinter.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QToolBar>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// February, March and April 2010 and March 2011. March 2010 holds record 3 (03-01, a process
// that no longer exists), record 2 (03-05, three lines) and record 4 (03-20, 锁边 with 加急).
void seedRecords(TestApp &app)
{
    seedMasterData(app);
    app.exec("insert into jjdata (pid, dt, gzcode, gxcode, price, rs, xscode, xs, sl, je, opername) values "
             "(1, '2010-02-20', '1', '001', 2.5, 2, null, 0, 4, 10, 'admin'),"
             "(2, '2010-03-05', '1', '001', 2.5, 2, null, 0, 40, 100, 'admin'),"
             "(3, '2010-03-01', '1', '999', 7, 1, null, 0, 1, 7, 'admin'),"
             "(4, '2010-03-20', '1', '002', 0.125, 1, '1', 1.2, 100, 15, 'admin'),"
             "(5, '2011-03-10', '1', '001', 2.5, 2, null, 0, 2, 5, 'admin'),"
             "(6, '2010-04-02', '1', '003', 1, 1, null, 0, 3, 3, 'admin')");
    app.exec("insert into jjdata_d (pid, wkcode, tpcode, bl, je) values "
             "(1, '0001', '01', 1, 10),"
             "(2, '0002', '02', 0.6667, 66.67), (2, '0001', '01', 0.3333, 33.33), (2, '0004', '', 0, 0),"
             "(3, '0003', '03', 1, 7), (4, '0003', '03', 1, 15), (5, '0001', '01', 1, 5), (6, '0002', '02', 1, 3)");
}

struct FilterInput {
    QDate month;
    QString gz;
    QString gx;
    QString depart;
    QString code;
    QString name;
    bool detail = false;
};

// Fills the filter dialog as a user does and presses 确定.
ListingQuery confirmFilter(TfrmJjDataSel &sel, const FilterInput &in)
{
    sel.edtMonth->setDate(in.month);
    choose(sel.cboGz, in.gz);
    choose(sel.cboGx, in.gx);
    choose(sel.cboDepart, in.depart);
    retype(sel.edtCode, in.code);
    retype(sel.edtName, in.name);
    sel.chkDetail->setChecked(in.detail);
    QTest::mouseClick(sel.btnOk, Qt::LeftButton);
    return sel.query();
}

ListingQuery marchQuery(bool detail)
{
    TfrmJjDataSel sel;
    sel.show();
    return confirmFilter(sel, {QDate(2010, 3, 1), {}, {}, {}, {}, {}, detail});
}

// "pid wkcode" of every row of the list.
QStringList rowsOf(const TfrmJjData &form)
{
    QStringList out;
    const DataTable &t = *form.tmp;
    for (int r = 0; r < t.rowCount(); ++r)
        out << (t.rowValue(r, t.fieldIndex("pid")).toString() + QLatin1Char(' ')
                + t.rowValue(r, t.fieldIndex("wkcode")).toString())
                   .trimmed();
    return out;
}

QStringList gridRow(const TfrmJjData &form, int row)
{
    QStringList out;
    for (int c : form.grid->visibleColumns())
        out << form.grid->displayText(row, c);
    return out;
}

} // namespace

class JjDataTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void filterQueries_data();
    void filterQueries();
    void listingColumns();
    void lineColumnsFollowSettings();
    void quoteInEmployeeName();
    void modifyFromAnyLine();
    void addRereadsTheMonth();
    void deleteTakesTheLines_data();
    void deleteTakesTheLines();
    void emptyMonthDoesNothing();
    void printedList();
    void openedFromMainWindow();
    void filterMonthRollsOverTheYear();
};

void JjDataTest::filterQueries_data()
{
    QTest::addColumn<FilterInput>("input");
    QTest::addColumn<QStringList>("rows");
    const QDate march(2010, 3, 1);
    QTest::newRow("March, records") << FilterInput{march, {}, {}, {}, {}, {}, false} << QStringList{"3", "2", "4"};
    QTest::newRow("March, lines") << FilterInput{march, {}, {}, {}, {}, {}, true}
                                  << QStringList{"3 0003", "2 0001", "2 0002", "2 0004", "4 0003"};
    QTest::newRow("records ignore department and employee")
        << FilterInput{march, {}, {}, "[01]一车间", "0001", "张三", false} << QStringList{"3", "2", "4"};
    QTest::newRow("lines of a department")
        << FilterInput{march, {}, {}, "[01]一车间", {}, {}, true} << QStringList{"2 0001", "2 0002"};
    QTest::newRow("lines of an employee code")
        << FilterInput{march, {}, {}, {}, "0003", {}, true} << QStringList{"3 0003", "4 0003"};
    QTest::newRow("lines of an employee name")
        << FilterInput{march, {}, {}, {}, {}, "李四", true} << QStringList{"2 0002"};
    QTest::newRow("job type and process")
        << FilterInput{march, "[1]缝纫", "[002]锁边", {}, {}, {}, false} << QStringList{"4"};
    QTest::newRow("job type without process")
        << FilterInput{march, "[1]缝纫", "", {}, {}, {}, false} << QStringList{"3", "2", "4"};
    QTest::newRow("another year's March")
        << FilterInput{QDate(2011, 3, 31), {}, {}, {}, {}, {}, true} << QStringList{"5 0001"};
    QTest::newRow("a month without records")
        << FilterInput{QDate(2010, 5, 1), {}, {}, {}, {}, {}, false} << QStringList{};
}

void JjDataTest::filterQueries()
{
    QFETCH(FilterInput, input);
    QFETCH(QStringList, rows);
    TestApp app;
    seedRecords(app);
    TfrmJjDataSel sel;
    sel.show();
    QCOMPARE(sel.windowTitle(), QStringLiteral("请选择过滤条件"));
    QCOMPARE(sel.edtMonth->date(), QDate(2010, 12, 15));
    QCOMPARE(sel.edtMonth->displayFormat(), QStringLiteral("yyyy-MM"));
    QCOMPARE(sel.size(), QSize(357, 219));
    const ListingQuery query = confirmFilter(sel, input);
    QCOMPARE(sel.result(), int(QDialog::Accepted));
    QCOMPARE(query.detail, input.detail);
    QCOMPARE(query.monthLabel, input.month.toString(QStringLiteral("yyyy年MM月")));
    TfrmJjData form;
    form.runQuery(query);
    QCOMPARE(rowsOf(form), rows);
    QCOMPARE(form.lblTitle->text(), QStringLiteral("数据月份：") + query.monthLabel);
    QVERIFY(app.messages.shown.isEmpty());
}

// The sixteen columns, names from the lookups, a deleted process with an empty name; the line
// columns only in the lines mode.
void JjDataTest::listingColumns()
{
    TestApp app;
    seedRecords(app);
    TfrmJjData form;
    form.resize(1200, 500);
    form.show();
    QCOMPARE(form.lblTitle->text(), QStringLiteral("标题："));
    QCOMPARE(form.grid->columnCount(), 16);
    QStringList titles;
    for (int c = 0; c < form.grid->columnCount(); ++c)
        titles << form.grid->column(c).title + QLatin1Char('/') + QString::number(form.grid->column(c).width);
    QCOMPARE(titles, (QStringList{"日期/100", "工种名称/100", "工序名称/211", "单价/60", "人数/60", "系数名称/100",
                                  "系数/60", "计件数量/60", "金额/60", "员工代码/80", "员工姓名/80", "性别/44",
                                  "职位名称/100", "比例/60", "金额/60", "部门名称/100"}));
    form.runQuery(marchQuery(false));
    QCOMPARE(form.lblTitle->text(), QStringLiteral("数据月份：2010年03月"));
    QCOMPARE(form.grid->visibleColumns(), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(gridRow(form, 0), (QStringList{"2010-03-01", "缝纫", "", "7", "1", "", "0.00", "1.00", "7.00"}));
    QCOMPARE(gridRow(form, 2),
             (QStringList{"2010-03-20", "缝纫", "锁边", "0.125", "1", "加急", "1.20", "100.00", "15.00"}));
    saveShot(&form, QStringLiteral("piecework_listing_records"));

    form.runQuery(marchQuery(true));
    QCOMPARE(form.grid->visibleColumns().size(), 16);
    QCOMPARE(gridRow(form, 1), (QStringList{"2010-03-05", "缝纫", "上领", "2.5", "2", "", "0.00", "40.00", "100.00",
                                            "0001", "张三", "男", "车工", "0.33", "33.33", "一车间"}));
    QCOMPARE(gridRow(form, 3).mid(9), (QStringList{"0004", "O'Neil", "女", "", "0.00", "0.00", "二车间"}));
    saveShot(&form, QStringLiteral("piecework_listing_lines"));
}

void JjDataTest::lineColumnsFollowSettings()
{
    TestApp app;
    seedRecords(app);
    QVERIFY(WriteConfig(QStringLiteral("JjData"), QStringLiteral("col11"), QStringLiteral("0")));
    QVERIFY(WriteConfig(QStringLiteral("JjData"), QStringLiteral("col2"), QStringLiteral("0")));
    TfrmJjData form;
    form.runQuery(marchQuery(true));
    QCOMPARE(form.grid->visibleColumns(), (QList<int>{0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15}));
    form.runQuery(marchQuery(false));
    QCOMPARE(form.grid->visibleColumns(), (QList<int>{0, 1, 3, 4, 5, 6, 7, 8}));
}

// A quote in a typed name is a value like any other.
void JjDataTest::quoteInEmployeeName()
{
    TestApp app;
    seedRecords(app);
    TfrmJjDataSel sel;
    sel.show();
    TfrmJjData form;
    form.runQuery(confirmFilter(sel, {QDate(2010, 3, 1), {}, {}, {}, {}, QStringLiteral("O'Neil"), true}));
    QCOMPARE(rowsOf(form), QStringList{"2 0004"});
    form.runQuery(confirmFilter(sel, {QDate(2010, 3, 1), {}, {}, {}, QStringLiteral("0' or '1'='1"), {}, true}));
    QCOMPARE(rowsOf(form), QStringList{});
    QVERIFY(app.messages.shown.isEmpty());
}

// 修改 from any of the three lines of record 2 opens record 2; after saving, the list stands on
// the record's first row.
void JjDataTest::modifyFromAnyLine()
{
    TestApp app;
    seedRecords(app);
    TfrmJjData form;
    form.show();
    form.runQuery(marchQuery(true));
    for (int row : {1, 2, 3}) {
        form.tmp->setCurrentRow(row);
        QString seen;
        int pid = 0;
        QStringList lines;
        QString amount;
        onModal<TfrmJjDataMdy>(
            [&](TfrmJjDataMdy *dialog) {
                pid = dialog->recordId();
                lines = lineTexts(*dialog);
                amount = dialog->edtJe->text();
                QCOMPARE(dialog->windowTitle(), QStringLiteral("修改计件数据"));
                QCOMPARE(dialog->cboGx->currentText(), QStringLiteral("[001]上领"));
                if (row == 3)
                    saveShot(dialog, QStringLiteral("piecework_record_modify"));
                dialog->btnYes->click();
            },
            &seen);
        QTest::mouseDClick(form.grid->viewport(), Qt::LeftButton, {},
                           form.grid->visualRect(form.grid->model()->index(row, 0)).center());
        QCOMPARE(seen, QStringLiteral("jjgz::TfrmJjDataMdy"));
        QCOMPARE(pid, 2);
        QCOMPARE(amount, QStringLiteral("100.00"));
        QCOMPARE(lines, (QStringList{"[0002]李四|[02]检验|0.6667|66.67", "[0001]张三|[01]车工|0.3333|33.33",
                                     "[0004]O'Neil||0|0"}));
        QCOMPARE(form.tmp->currentRow(), 1);
    }
    QCOMPARE(app.messages.texts(), (QStringList(3, QStringLiteral("保存成功"))));
    QCOMPARE(app.scalar("select count(*) from jjdata_d where pid=2").toInt(), 3);
}

// 增加: whatever was saved, the list shows its month again and ends on the last row.
void JjDataTest::addRereadsTheMonth()
{
    TestApp app;
    seedRecords(app);
    TfrmJjData form;
    form.runQuery(marchQuery(false));
    onModal<TfrmJjDataMdy>([](TfrmJjDataMdy *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("增加计件数据"));
        choose(dialog->cboGz, QStringLiteral("[1]缝纫"));
        choose(dialog->cboGx, QStringLiteral("[003]钉扣"));
        dialog->edtDt->setDate(QDate(2010, 4, 30)); // saved, but not in March
        dialog->btnYes->click();
        choose(dialog->cboGx, QStringLiteral("[003]钉扣"));
        dialog->edtDt->setDate(QDate(2010, 3, 31));
        dialog->btnYes->click();
        dialog->reject();
    });
    form.btnAdd->trigger();
    QCOMPARE(app.messages.texts(), (QStringList(2, QStringLiteral("保存成功"))));
    QCOMPARE(rowsOf(form), (QStringList{"3", "2", "4", "8"}));
    QCOMPARE(form.tmp->currentRow(), 3);
    QCOMPARE(app.scalar("select dt from jjdata where pid=7").toString(), QStringLiteral("2010-04-30"));
}

void JjDataTest::deleteTakesTheLines_data()
{
    QTest::addColumn<bool>("detail");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("records") << false << 1 << QStringList{"3", "4"};
    QTest::newRow("a line of a three-line record") << true << 2 << QStringList{"3 0003", "4 0003"};
}

void JjDataTest::deleteTakesTheLines()
{
    QFETCH(bool, detail);
    QFETCH(int, row);
    QFETCH(QStringList, after);
    TestApp app;
    seedRecords(app);
    TfrmJjData form;
    form.runQuery(marchQuery(detail));
    form.tmp->setCurrentRow(row);
    app.messages.answers = {QMessageBox::No};
    form.btnDel->trigger();
    QCOMPARE(app.scalar("select count(*) from jjdata_d where pid=2").toInt(), 3);
    app.messages.answers = {QMessageBox::Yes};
    form.btnDel->trigger();
    QCOMPARE(app.messages.texts(), (QStringList(2, QStringLiteral("确定要删除吗？"))));
    QCOMPARE(app.messages.shown.last().title, QStringLiteral("询问"));
    QCOMPARE(rowsOf(form), after);
    QCOMPARE(app.scalar("select count(*) from jjdata where pid=2").toInt(), 0);
    QCOMPARE(app.scalar("select count(*) from jjdata_d where pid not in (select pid from jjdata)").toInt(), 0);
    QCOMPARE(app.scalar("select count(*) from jjdata_d").toInt(), 5);
}

void JjDataTest::emptyMonthDoesNothing()
{
    TestApp app;
    seedRecords(app);
    TfrmJjData form;
    TfrmJjDataSel sel;
    sel.show();
    form.runQuery(confirmFilter(sel, {QDate(2010, 6, 1), {}, {}, {}, {}, {}, true}));
    QVERIFY(form.tmp->isEmpty());
    QString seen = QStringLiteral("none");
    onModal<QDialog>([](QDialog *d) { d->reject(); }, &seen);
    form.btnEdit->trigger();
    form.btnDel->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(seen, QString());
    QVERIFY(app.messages.shown.isEmpty());
}

// The print read back from its PDF: the page header, the month line, the rows.
void JjDataTest::printedList()
{
    TestApp app;
    seedRecords(app);
    TfrmJjData form;
    form.runQuery(marchQuery(true));
    GridPrinter printer(*form.grid);
    form.setUpPrint(printer);
    QCOMPARE(printer.resolvedTitleLine(), QStringLiteral("   数据月份：2010年03月"));
    const QString pdf = app.path(QStringLiteral("list.pdf"));
    QVERIFY(printer.printToPdf(pdf));
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(text.contains(QStringLiteral("计件数据一览表")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("数据月份：2010年03月")), qPrintable(text));
    for (const QString &s :
         {QStringLiteral("O'Neil"), QStringLiteral("66.67"), QStringLiteral("部门名称"), QStringLiteral("一车间")})
        QVERIFY2(text.contains(s), qPrintable(s));
}

// 计件数据录入 and the toolbar's 计件录入: the one filter dialog, kept with its last filter; each
// confirmation opens another listing window, maximised; a cancel opens none.
void JjDataTest::openedFromMainWindow()
{
    TestApp app;
    seedRecords(app);
    TfrmMain w;
    w.resize(1200, 700);
    w.show();
    TfrmJjDataSel *first = nullptr;
    onModal<TfrmJjDataSel>([&](TfrmJjDataSel *sel) {
        first = sel;
        QCOMPARE(sel->parentWidget(), &w);
        QVERIFY(!sel->chkDetail->isChecked());
        sel->edtMonth->setDate(QDate(2010, 3, 1));
        sel->chkDetail->setChecked(true);
        saveShot(sel, QStringLiteral("piecework_filter_dialog"));
        sel->btnOk->click();
    });
    w.menuItem(1001)->trigger();
    QVERIFY(first);
    QMdiSubWindow *window = w.mdiArea->activeSubWindow();
    QVERIFY(window);
    auto *form = qobject_cast<TfrmJjData *>(window->widget());
    QVERIFY(form);
    QVERIFY(window->isMaximized());
    QCOMPARE(form->lblTitle->text(), QStringLiteral("数据月份：2010年03月"));
    QCOMPARE(form->tmp->rowCount(), 5);
    QCOMPARE(form->ToolBar1->parentWidget(), &w);
    saveShot(&w, QStringLiteral("piecework_in_main_window"));

    TfrmJjDataSel *second = nullptr;
    onModal<TfrmJjDataSel>([&](TfrmJjDataSel *sel) {
        second = sel;
        QVERIFY(sel->chkDetail->isChecked());
        QCOMPARE(sel->edtMonth->date().month(), 3);
        sel->btnCancel->click();
    });
    w.toolButton(1001)->trigger();
    QCOMPARE(second, first);
    QCOMPARE(w.mdiArea->subWindowList().size(), 1);

    onModal<TfrmJjDataSel>([](TfrmJjDataSel *sel) { sel->btnOk->click(); });
    w.toolButton(1001)->trigger();
    QCOMPARE(w.mdiArea->subWindowList().size(), 2);

    // 查询 in a listing asks the same dialog and runs the new query in place.
    onModal<TfrmJjDataSel>([&](TfrmJjDataSel *sel) {
        QCOMPARE(sel, first);
        sel->chkDetail->setChecked(false);
        sel->btnOk->click();
    });
    form->btnQuery->trigger();
    QCOMPARE(form->tmp->rowCount(), 3);
    QCOMPARE(w.mdiArea->subWindowList().size(), 2);
}

// The filter's month steps from 2010-12 into 2011-01 and back.
void JjDataTest::filterMonthRollsOverTheYear()
{
    TestApp app; // business date 2010-12-15
    TfrmJjDataSel sel;
    sel.edtMonth->setCurrentSection(QDateTimeEdit::MonthSection);
    sel.edtMonth->stepBy(1);
    QCOMPARE(sel.edtMonth->text(), QStringLiteral("2011-01"));
    sel.edtMonth->stepBy(-1);
    QCOMPARE(sel.edtMonth->text(), QStringLiteral("2010-12"));
}

QTEST_MAIN(JjDataTest)
#include "JjDataTest.moc"
