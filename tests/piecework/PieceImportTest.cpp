// The piece-work import: every record it writes must be the record the dialog writes for the
// same input (the dialog is the oracle, over generated records), rows of one 单号 must agree,
// a bad row stops the whole file, and a second import of the same file adds nothing.
#include "piecework/PieceImport.h"
#include "PieceFixture.h"
#include "app/ImportDialog.h"
#include "data/DBFun.h"
#include "data/SheetReader.h"
#include "piecework/JjData.h"
#include "piecework/JjDataMdy.h"
#include "piecework/PieceFields.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

SheetTable table(const QList<QVariantList> &rows)
{
    SheetRows sheet;
    sheet.rows = rows;
    return SheetTable::fromRows(sheet);
}

const QVariantList kTitles = {"单号", "日期", "工种", "工序", "数量", "系数", "员工代码"};

QStringList stored(TestApp &app)
{
    QStringList out;
    auto rows = [&](const char *sql) {
        JetQuery &q = dmMain->qryExec;
        forEachRow(q, QString::fromLatin1(sql), {}, [&] {
            QStringList cells;
            for (int i = 0; i < q.fieldCount(); ++i)
                cells << q.value(i).toString();
            out << cells.join(u'|');
        });
    };
    Q_UNUSED(app);
    rows("select pid,dt,gzcode,gxcode,price,rs,ifnull(xscode,'null'),xs,sl,je,opername from jjdata order by pid");
    rows("select pid,wkcode,tpcode,bl,je from jjdata_d order by pid,rowid");
    return out;
}

QStringList lines(const ImportResult &r)
{
    QStringList out;
    for (const ImportProblem &p : r.problems)
        out << p.line();
    return out;
}

struct Generated {
    QString process; // bracket text of job type 1's process
    QString quantity;
    QString coefficient; // bracket text or empty
    QStringList workers;
};

} // namespace

class PieceImportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinFont(); }
    void sameRecordsAsTheDialog();
    void problems_data();
    void problems();
    void numberedAfterStoredAndNotTwice();
    void previewInTheListing();
};

// Generated records entered through the dialog, then imported into the emptied tables: the
// stored rows must be equal, record numbers included.
void PieceImportTest::sameRecordsAsTheDialog()
{
    TestApp app;
    seedMasterData(app);
    QRandomGenerator random(20240503);
    const QStringList processes = {"[001]上领", "[002]锁边", "[003]钉扣"};
    const QStringList coefficients = {"", "[1]加急", "[2]普通"};
    const QStringList workers = {"0001", "0002", "0003", "0004"};
    QList<Generated> records;
    for (int i = 0; i < 12; ++i) {
        Generated g;
        g.process = processes.at(random.bounded(3));
        g.quantity = QString::number(1 + i * 37 + random.bounded(100) / 100.0, 'f', random.bounded(3));
        g.coefficient = coefficients.at(random.bounded(3));
        QStringList pool = workers;
        for (int n = 1 + random.bounded(3); n > 0; --n)
            g.workers << pool.takeAt(random.bounded(int(pool.size())));
        records << g;
    }

    for (const Generated &g : std::as_const(records)) {
        TfrmJjDataMdy dialog(1, QStringLiteral("增加计件数据"));
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        choose(dialog.cboGz, QStringLiteral("[1]缝纫"));
        choose(dialog.cboGx, g.process);
        retype(dialog.edtSl, g.quantity);
        if (!g.coefficient.isEmpty())
            choose(dialog.cboXs, g.coefficient);
        for (const QString &w : g.workers)
            addLineByCode(dialog, w);
        dialog.btnYes->click();
    }
    QCOMPARE(app.messages.texts(), QStringList(records.size(), QStringLiteral("保存成功")));
    const QStringList byDialog = stored(app);
    app.exec("delete from jjdata_d");
    app.exec("delete from jjdata");

    QList<QVariantList> rows = {kTitles};
    for (int i = 0; i < records.size(); ++i)
        for (const QString &w : records.at(i).workers)
            rows.append(QVariantList{
                QStringLiteral("R%1").arg(i), QDate(2010, 12, 15), "缝纫", BracketName(records.at(i).process),
                records.at(i).quantity.toDouble(),
                records.at(i).coefficient.isEmpty() ? QVariant() : QVariant(BracketCode(records.at(i).coefficient)),
                w});
    const ImportResult r = PieceImport::run(table(rows), false, CurOperName);
    QCOMPARE(lines(r), QStringList());
    QVERIFY(r.written);
    QCOMPARE(r.added, rows.size() - 1);
    QCOMPARE(stored(app), byDialog);
}

void PieceImportTest::problems_data()
{
    QTest::addColumn<QVariantList>("row");
    QTest::addColumn<QString>("problem");
    QTest::newRow("header differs within a number")
        << QVariantList{"A", "2024-05-04", "缝纫", "上领", 10, "", "0002"}
        << "row 3: 日期: 同一单号“A”的日期与第 2 行不同；同一条记录只能有一个日期";
    QTest::newRow("unknown job type") << QVariantList{"B", "2024-05-04", "熨烫", "上领", 10, "", "0002"}
                                      << "row 3: 工种: 工种“熨烫”不存在；请填写已有的工种代码或名称";
    QTest::newRow("process of another job type")
        << QVariantList{"B", "2024-05-04", "2", "上领", 10, "", "0002"}
        << "row 3: 工序: 工序“上领”不存在；请填写已有的工序代码或名称（工种“包装”之下）";
    QTest::newRow("no process") << QVariantList{"B", "2024-05-04", "缝纫", "", 10, "", "0002"}
                                << "row 3: 工序: 请选择工种和工序";
    QTest::newRow("unknown employee") << QVariantList{"B", "2024-05-04", "缝纫", "上领", 10, "", "0099"}
                                      << "row 3: 员工代码: 员工代码不存在：“0099”";
    QTest::newRow("no employee") << QVariantList{"B", "2024-05-04", "缝纫", "上领", 10, "", ""}
                                 << "row 3: 员工代码: 请选择员工";
    QTest::newRow("quantity not a number")
        << QVariantList{"B", "2024-05-04", "缝纫", "上领", "十", "", "0002"} << "row 3: 数量: “十”不是数字";
    QTest::newRow("day that does not exist")
        << QVariantList{"B", "2024-04-31", "缝纫", "上领", 10, "", "0002"} << "row 3: 日期: 日期“2024-04-31”不存在";
    QTest::newRow("unknown coefficient") << QVariantList{"B", "2024-05-04", "缝纫", "上领", 10, "特急", "0002"}
                                         << "row 3: 系数: 系数“特急”不存在；请填写已有的系数代码或名称";
}

// A good record and a bad row: the problem is named, and not even the good record is written.
void PieceImportTest::problems()
{
    QFETCH(QVariantList, row);
    QFETCH(QString, problem);
    TestApp app;
    seedMasterData(app);
    const ImportResult r = PieceImport::run(
        table({kTitles, {"A", QDate(2024, 5, 3), "缝纫", "上领", 10, "", "0001"}, row}), false, "admin");
    QCOMPARE(lines(r), QStringList{problem});
    QVERIFY(!r.written);
    QCOMPARE(app.scalar("select count(*) from jjdata").toInt(), 0);
    QCOMPARE(app.scalar("select count(*) from jjdata_d").toInt(), 0);
}

void PieceImportTest::numberedAfterStoredAndNotTwice()
{
    TestApp app;
    seedMasterData(app);
    app.exec("insert into jjdata (pid, dt, gzcode, gxcode, sl, je) values (7, '2024-05-01', '1', '003', 1, 1)");
    const SheetTable t = table({{"员工代码", "数量", "工序", "工种", "日期", "单号", "员工姓名", "班组"},
                                {"0001", 40, "001", "1", "2024/5/3", 1, "张三", "甲"},
                                {"0002", 40, "上领", "缝纫", "2024-05-03", 1, "", "甲"},
                                {"0004", 8, "锁边", "缝纫", "2024-05-03", 2, "O'Neil", "乙"}});
    const ImportResult r = PieceImport::run(t, false, "admin");
    QCOMPARE(lines(r), QStringList());
    QCOMPARE(r.unknownColumns, QStringList{QStringLiteral("班组")});
    QCOMPARE(r.added, 3);
    QCOMPARE(stored(app).mid(1, 2), (QStringList{"8|2024-05-03|1|001|2.5|2|null|0|40|100|admin",
                                                 "9|2024-05-03|1|002|0.125|1|null|0|8|1|admin"}));
    QCOMPARE(app.scalar("select group_concat(pid||':'||wkcode||':'||tpcode||':'||bl||':'||je, ' ') from jjdata_d")
                 .toString(),
             QStringLiteral("8:0001:01:0.3333:33.33 8:0002:02:0.6667:66.67 9:0004::0.0:0.0"));

    // The same file again: both records are already there.
    const ImportResult again = PieceImport::run(t, false, "admin");
    QVERIFY(again.ok());
    QCOMPARE(again.added, 0);
    QCOMPARE(again.skipped, 3);
    QCOMPARE(again.rows.at(0).notes.last(), QStringLiteral("与已有的第 8 号记录相同，跳过"));
    QCOMPARE(app.scalar("select count(*) from jjdata").toInt(), 3);
}

// 计件数据录入 → 导入: a file with problems is previewed row by row and cannot be imported.
void PieceImportTest::previewInTheListing()
{
    TestApp app;
    seedMasterData(app);
    const QString path = app.path(QStringLiteral("计件.csv"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("单号,日期,工种,工序,数量,系数,员工代码,员工姓名\n"
                           "1,2024-05-03,缝纫,上领,40,,0001,张三\n"
                           "1,2024-05-03,缝纫,上领,40,,0002,李四\n"
                           "2,2024-05-03,缝纫,锁边,八十,加急,0003,王五\n"
                           "3,2024-05-04,缝纫,钉扣,10,,0099,\n")
                .toUtf8());
    f.close();
    TfrmJjData form;
    form.show();
    app.messages.files = {path};
    bool seen = false;
    onModal<TfrmImport>([&](TfrmImport *d) {
        seen = true;
        struct Closer {
            QDialog *d;
            ~Closer() { d->reject(); }
        } closer{d};
        QCOMPARE(d->windowTitle(), QStringLiteral("导入计件数据"));
        QCOMPARE(d->grid->rowCount(), 4);
        QCOMPARE(d->grid->item(0, 1)->text(), QStringLiteral("新增"));
        QVERIFY(d->grid->item(0, 10)->text().contains(QStringLiteral("金额 100.00，分成 0.3333，员工金额 33.33")));
        QCOMPARE(d->grid->item(2, 1)->text(), QStringLiteral("有错误"));
        QVERIFY(!d->btnImport->isEnabled());
        QCOMPARE(d->lstProblems->count(), 2);
        QCOMPARE(d->lstProblems->item(0)->text(), QStringLiteral("第 4 行“数量”：“八十”不是数字"));
        QCOMPARE(d->lstProblems->item(1)->text(), QStringLiteral("第 5 行“员工代码”：员工代码不存在：“0099”"));
        saveShot(d, QStringLiteral("import_piecework_problems"));
    });
    form.btnImport->trigger();
    QVERIFY(seen);
    QCOMPARE(app.scalar("select count(*) from jjdata").toInt(), 0);
}

QTEST_MAIN(PieceImportTest)
#include "PieceImportTest.moc"
