// Typed values of a month from a spreadsheet: items by name or code, formula items refused,
// empty cells kept, nothing written while a row is wrong; and the preview in 工资数据录入.
#include "payroll/MonthImport.h"
#include "TestSupport.h"
#include "app/ImportDialog.h"
#include "data/MonthLocks.h"
#include "data/OpLog.h"
#include "data/SheetReader.h"
#include "payroll/GzData.h"
#include "payroll/WageSheetMode.h"

#include <QDateEdit>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// May 2024: f1 基本工资, f2 扣款, f3 实发工资 (a formula); employees 0001 and 0002.
void seedMonth(TestApp &app)
{
    app.exec("insert into depart (bmcode, bmname) values ('01', '一车间')");
    app.exec("insert into worker (wkcode, wkname, bmcode, state) values ('0001', '张三', '01', 0), "
             "('0002', '李四', '01', 0), ('0003', '王五', '01', 0)");
    app.exec("alter table gzdata add f1 float default 0");
    app.exec("alter table gzdata add f2 float default 0");
    app.exec("alter table gzdata add f3 float default 0");
    app.exec("insert into gzxm_m (xyear, xmonth, xh, fname, xmname, ftype, fsize) values "
             "(2024, 5, 1, 'f1', '基本工资', 0, ''), (2024, 5, 2, 'f2', '扣款', 0, ''), (2024, 5, 3, 'f3', '实发工资', "
             "0, '')");
    app.exec("insert into gzgs (xh, fname, gs) values (1, 'f3', 'f1-f2')");
    app.exec("insert into gzdata (xyear, xmonth, wkcode, f1, f2, f3) values (2024, 5, '0001', 3000, 0, 0),"
             "(2024, 5, '0002', 2800, 50, 0)");
}

SheetTable table(const QList<QVariantList> &rows)
{
    SheetRows sheet;
    sheet.rows = rows;
    return SheetTable::fromRows(sheet);
}

QString values(TestApp &app)
{
    return app.scalar("select group_concat(wkcode||':'||f1||':'||f2, ' ') from gzdata").toString();
}

QStringList lines(const ImportResult &r)
{
    QStringList out;
    for (const ImportProblem &p : r.problems)
        out << p.line();
    return out;
}

} // namespace

class MonthImportTest : public QObject {
    Q_OBJECT
private slots:
    void valuesByNameOrCode();
    void problems_data();
    void problems();
    void previewInTheWageSheet();
    void closedMonthAndLog();
};

void MonthImportTest::valuesByNameOrCode()
{
    TestApp app;
    seedMonth(app);
    const SheetTable t =
        table({{"工号", "F2", "基本工资", "出勤"}, {"0002", 80, QVariant(), 22}, {"0001", 0, 3100, 21}});
    const ImportResult r = MonthImport::run(2024, 5, t, false);
    QCOMPARE(lines(r), QStringList());
    QCOMPARE(r.unknownColumns, QStringList{QStringLiteral("出勤")});
    QCOMPARE(r.updated, 2);
    QCOMPARE(values(app), QStringLiteral("0001:3100.0:0.0 0002:2800.0:80.0"));
    const ImportResult again = MonthImport::run(2024, 5, t, false);
    QCOMPARE(again.updated, 0);
    QCOMPARE(again.skipped, 2);
    QVERIFY_THROWS_EXCEPTION(DbError, MonthImport::run(2024, 6, t, true));
}

void MonthImportTest::problems_data()
{
    QTest::addColumn<QVariantList>("titles");
    QTest::addColumn<QVariantList>("row");
    QTest::addColumn<QString>("problem");
    QTest::newRow("formula item") << QVariantList{"员工代码", "实发工资"} << QVariantList{"0002", 1}
                                  << "row 1: 实发工资: “实发工资”（f3）由公式计算，不能导入；请删去这一列";
    QTest::newRow("no item") << QVariantList{"员工代码", "出勤"} << QVariantList{"0002", 1}
                             << "row 1: 员工代码: 表格中没有 2024-05 的工资项目列；标题请写项目名称或编码（如 f3）";
    QTest::newRow("not in the month") << QVariantList{"员工代码", "扣款"} << QVariantList{"0003", 1}
                                      << "row 3: 员工代码: 员工“0003”不在 2024-05 的工资表中";
    QTest::newRow("not a number") << QVariantList{"员工代码", "扣款"} << QVariantList{"0002", "五十"}
                                  << "row 3: 扣款: “五十”不是数字";
    QTest::newRow("twice") << QVariantList{"员工代码", "扣款"} << QVariantList{"0001", 2}
                           << "row 3: 员工代码: 员工代码“0001”与第 2 行重复";
}

void MonthImportTest::problems()
{
    QFETCH(QVariantList, titles);
    QFETCH(QVariantList, row);
    QFETCH(QString, problem);
    TestApp app;
    seedMonth(app);
    const ImportResult r = MonthImport::run(2024, 5, table({titles, {"0001", 99}, row}), false);
    QCOMPARE(lines(r), QStringList{problem});
    QVERIFY(!r.written);
    QCOMPARE(values(app), QStringLiteral("0001:3000.0:0.0 0002:2800.0:50.0"));
}

// 工资数据录入 → 导入 for the month of the picker.
void MonthImportTest::previewInTheWageSheet()
{
    pinFont();
    TestApp app;
    seedMonth(app);
    const QString path = app.path(QStringLiteral("考勤扣款.csv"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("员工代码,员工姓名,扣款,实发工资\n0001,张三,20,\n0002,李斯,30,\n").toUtf8());
    f.close();
    TfrmGzData w(wageSheetMode(0));
    w.show();
    QVERIFY(w.btnImport->isVisible());
    w.edtDt->setDate(QDate(2024, 5, 1));
    app.messages.files = {path};
    bool seen = false;
    onModal<TfrmImport>([&](TfrmImport *d) {
        seen = true;
        struct Closer {
            QDialog *d;
            ~Closer() { d->reject(); }
        } closer{d};
        QCOMPARE(d->windowTitle(), QStringLiteral("导入 2024年05月 的工资数据"));
        QCOMPARE(d->grid->rowCount(), 2);
        QVERIFY(!d->btnImport->isEnabled());
        QCOMPARE(d->lstProblems->count(), 2);
        QCOMPARE(d->lstProblems->item(0)->text(),
                 QStringLiteral("第 1 行“实发工资”：“实发工资”（f3）由公式计算，不能导入；请删去这一列"));
        saveShot(d, QStringLiteral("import_sheet_problems"));
    });
    w.btnImport->trigger();
    QVERIFY(seen);
    QCOMPARE(values(app), QStringLiteral("0001:3000.0:0.0 0002:2800.0:50.0"));
}

// A closed month takes no values, with the closed month's own refusal; an import that writes
// leaves one log row, a dry run and a refusal none.
void MonthImportTest::closedMonthAndLog()
{
    TestApp app;
    seedMonth(app);
    const SheetTable t = table({{"员工代码", "扣款"}, {"0001", 120}});
    auto logged = [&] {
        return app.scalar("select group_concat(target||'/'||detail, ' ') from oplog where action=?", {OpAction::Import})
            .toString();
    };
    MonthImport::run(2024, 5, t, true);
    QCOMPARE(logged(), QString());
    QCOMPARE(MonthImport::run(2024, 5, t, false).updated, 1);
    QCOMPARE(logged(), QStringLiteral("工资数据 2024-05/更新 1 人，跳过 0 人（数值未变）"));

    MonthLocks::close(2024, 5);
    const QString before = values(app);
    const QString refusal = MonthLocks::refusalText(*MonthLocks::lockOf(2024, 5));
    for (const bool dryRun : {true, false}) {
        try {
            MonthImport::run(2024, 5, table({{"员工代码", "扣款"}, {"0001", 7}}), dryRun);
            QFAIL("a closed month took imported values");
        } catch (const DbError &e) {
            QCOMPARE(e.message(), refusal);
        }
    }
    QCOMPARE(values(app), before);
    QCOMPARE(app.scalar("select count(*) from oplog where action=?", {OpAction::Import}).toInt(), 1);
}

QTEST_MAIN(MonthImportTest)
#include "MonthImportTest.moc"
