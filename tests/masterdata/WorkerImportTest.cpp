// The roster import: rows checked by the employee dialog's rules, nothing written while one
// row is wrong, updates of the columns the file has, and a second import that changes nothing.
#include "masterdata/WorkerImport.h"
#include "TestSupport.h"
#include "app/ImportDialog.h"
#include "data/DataTable.h"
#include "data/Gbk.h"
#include "data/OpLog.h"
#include "data/SheetReader.h"
#include "masterdata/Worker.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

void seed(TestApp &app)
{
    app.exec("insert into depart (bmcode, bmname) values ('01', '一车间'), ('02', '二车间'), ('03', '二车间')");
    app.exec("insert into worker_tp (tpcode, tpname) values ('01', '车工'), ('02', '检验')");
    app.exec("insert into worker (wkcode, wkname, bmcode, sex, tpcode, sfid, bankacc, gztp, state, mm) values "
             "('0001', '张三', '01', '男', '01', '110105199001011234', '6222', 0, 0, '老员工'), "
             "('0005', '孙八', '02', '', null, '', '', 0, 0, '')");
}

SheetTable table(const QList<QVariantList> &rows)
{
    SheetRows sheet;
    sheet.rows = rows;
    return SheetTable::fromRows(sheet);
}

QString worker(TestApp &app, const QString &code)
{
    return app
        .scalar("select wkname||'|'||bmcode||'|'||ifnull(sex,'')||'|'||ifnull(tpcode,'-')||'|'||ifnull(sfid,'')||'|'||"
                "ifnull(indate,'')||'|'||ifnull(bankacc,'')||'|'||gztp||'|'||state||'|'||ifnull(mm,'') "
                "from worker where wkcode=?",
                {code})
        .toString();
}

// Closes a dialog that a failed check left open, so that the test ends instead of waiting.
struct ModalCloser {
    QDialog *dialog;
    ~ModalCloser()
    {
        if (dialog->isVisible())
            dialog->reject();
    }
};

QStringList lines(const ImportResult &r)
{
    QStringList out;
    for (const ImportProblem &p : r.problems)
        out << p.line();
    return out;
}

} // namespace

class WorkerImportTest : public QObject {
    Q_OBJECT
private slots:
    void addUpdateAndReimport();
    void problems_data();
    void problems();
    void dryRunWritesNothing();
    void previewInTheRoster();
};

// A GBK CSV as a spreadsheet program saves it: columns in their own order, one unknown.
void WorkerImportTest::addUpdateAndReimport()
{
    TestApp app;
    seed(app);
    const QString csv =
        QStringLiteral("入职日期,员工代码,姓名,部门,性别,职位,身份证号,银行帐号,工资类型,状态,籍贯\r\n"
                       "2024/3/1,0002,O'Neil 李,一车间,女,[02]检验,\"11010519900101123X\",6222 0001,按月,在职,湖南\r\n"
                       "2024-04-01,0003,王五,02,,,,,,,\r\n"
                       ",0001,张三丰,01,男,车工,110105199001011234,6222,计件,离职,\r\n");
    QFile file(app.path(QStringLiteral("名册.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(toGbk(csv));
    file.close();

    const ImportResult r = WorkerImport::run(SheetTable::fromRows(SheetReader::read(file.fileName())), false);
    QCOMPARE(lines(r), QStringList());
    QCOMPARE(r.unknownColumns, QStringList{QStringLiteral("籍贯")});
    QVERIFY(r.written);
    QCOMPARE(r.added, 2);
    QCOMPARE(r.updated, 1);
    QCOMPARE(r.skipped, 0);
    QCOMPARE(worker(app, "0002"), QStringLiteral("O'Neil 李|01|女|02|11010519900101123X|2024-03-01|6222 0001|1|0|"));
    QCOMPARE(worker(app, "0003"), QStringLiteral("王五|02||-||2024-04-01||0|0|"));
    // The update keeps what the file does not have (the remark); an empty date clears it.
    QCOMPARE(worker(app, "0001"), QStringLiteral("张三丰|01|男|01|110105199001011234||6222|0|1|老员工"));
    const QString logged = QStringLiteral("员工名册/新增 2 人，更新 1 人，跳过 0 人（与已有资料相同）");
    auto log = [&] {
        return app.scalar("select group_concat(target||'/'||detail, ' ') from oplog where action=?", {OpAction::Import})
            .toString();
    };
    QCOMPARE(log(), logged);

    const ImportResult again = WorkerImport::run(SheetTable::fromRows(SheetReader::read(file.fileName())), false);
    QVERIFY(again.ok());
    QCOMPARE(again.added, 0);
    QCOMPARE(again.updated, 0);
    QCOMPARE(again.skipped, 3);
    QCOMPARE(again.rows.at(0).action, QStringLiteral("不变"));
    QCOMPARE(app.scalar("select count(*) from worker").toInt(), 4);
    QCOMPARE(log(), logged); // nothing changed, nothing logged
}

void WorkerImportTest::problems_data()
{
    QTest::addColumn<QVariantList>("titles");
    QTest::addColumn<QVariantList>("row");
    QTest::addColumn<QString>("problem");
    const QVariantList basic = {"员工代码", "员工姓名", "部门"};
    QTest::newRow("unknown department")
        << basic << QVariantList{"0009", "赵六", "三车间"}
        << "row 3: 部门: 部门“三车间”不存在；请先在代码表中增加，或填写已有的部门代码或名称";
    QTest::newRow("department name twice") << basic << QVariantList{"0009", "赵六", "二车间"}
                                           << "row 3: 部门: 有 2 个部门名为“二车间”（代码 02、03），请填写部门代码";
    QTest::newRow("name too long") << basic << QVariantList{"0009", QString(21, u'王'), "01"}
                                   << "row 3: 员工姓名: “" + QString(21, u'王') + "”有 21 个字，超过 20 个字";
    QTest::newRow("code too long") << basic << QVariantList{QString(21, u'9'), "赵六", "01"}
                                   << "row 3: 员工代码: “" + QString(21, u'9') + "”有 21 个字，超过 20 个字";
    QTest::newRow("duplicate code") << basic << QVariantList{"0008", "钱七", "01"}
                                    << "row 3: 员工代码: 员工代码“0008”与第 2 行重复";
    QTest::newRow("new without name") << basic << QVariantList{"0009", "", "01"}
                                      << "row 3: 员工姓名: 请填写员工代码和姓名";
    QTest::newRow("no code") << basic << QVariantList{"", "赵六", "01"} << "row 3: 员工代码: 请填写员工代码和姓名";
    QTest::newRow("new without department column")
        << QVariantList{"员工代码", "员工姓名"} << QVariantList{"0009", "赵六"}
        << "row 3: 员工代码: 新员工“0009”需要部门：请在表格中加一列“部门”";
    QTest::newRow("date that does not exist")
        << QVariantList{"员工代码", "入职日期"} << QVariantList{"0005", "2023-02-29"}
        << "row 3: 入职日期: 日期“2023-02-29”不存在";
    QTest::newRow("not a date") << QVariantList{"员工代码", "入职日期"} << QVariantList{"0005", 3.5}
                                << "row 3: 入职日期: “3.5”不是日期（请写成 2024-05-03 或设为日期格式）";
    QTest::newRow("unknown position")
        << QVariantList{"员工代码", "职位"} << QVariantList{"0005", "[09]组长"}
        << "row 3: 职位: 职位“[09]组长”不存在；请先在代码表中增加，或填写已有的职位代码或名称";
    QTest::newRow("sex") << QVariantList{"员工代码", "性别"} << QVariantList{"0005", "M"}
                         << "row 3: 性别: “M”不是性别；请填写“男”或“女”，或者留空";
    QTest::newRow("state") << QVariantList{"员工代码", "状态"} << QVariantList{"0005", "退休"}
                           << "row 3: 状态: “退休”无效；请填写“在职”或“离职”";
    QTest::newRow("account typed as a number")
        << QVariantList{"员工代码", "银行账号"} << QVariantList{"0005", 6222020012345678901.0}
        << "row 3: 银行账号: 是超过 15 位的数字，表格程序已把它改成了“" + QString::number(6222020012345678901.0, 'f', 0)
               + "”；请把这一列设为文本格式后重新填写";
    QTest::newRow("no code column")
        << QVariantList{"工号码", "员工姓名"} << QVariantList{"0001", "张三"}
        << "row 1: 员工代码: 标题行（第一个有内容的行）中没有这一列；请在标题行写上“员工代码”";
}

// One bad row among good ones: its problem is reported, and not even the good rows are written.
void WorkerImportTest::problems()
{
    QFETCH(QVariantList, titles);
    QFETCH(QVariantList, row);
    QFETCH(QString, problem);
    TestApp app;
    seed(app);
    QVariantList good = {"0008", "钱七", "01"};
    good.resize(titles.size());
    if (titles.size() == 2)
        good = {"0001", titles.at(1) == QStringLiteral("员工姓名") ? QVariant(QStringLiteral("张三")) : QVariant()};
    const ImportResult r = WorkerImport::run(table({titles, good, row}), false);
    QCOMPARE(lines(r), QStringList{problem});
    QVERIFY(!r.written);
    QCOMPARE(app.scalar("select count(*) from worker").toInt(), 2);
    QCOMPARE(worker(app, "0001"), QStringLiteral("张三|01|男|01|110105199001011234||6222|0|0|老员工"));
    QCOMPARE(app.scalar("select count(*) from oplog where action=?", {OpAction::Import}).toInt(), 0);
    if (r.rows.size() == 2)
        QCOMPARE(r.rows.at(1).action, QStringLiteral("有错误"));
}

void WorkerImportTest::dryRunWritesNothing()
{
    TestApp app;
    seed(app);
    const ImportResult r = WorkerImport::run(
        table({{"员工代码", "员工姓名", "部门"}, {"0002", "李四", "一车间"}, {"0001", "张三", "02"}}), true);
    QVERIFY(r.ok());
    QVERIFY(!r.written);
    QCOMPARE(r.added, 1);
    QCOMPARE(r.updated, 1);
    QCOMPARE(app.scalar("select count(*) from worker").toInt(), 2);
    QCOMPARE(app.scalar("select bmcode from worker where wkcode='0001'").toString(), QStringLiteral("01"));
    QCOMPARE(app.scalar("select count(*) from oplog where action=?", {OpAction::Import}).toInt(), 0);
}

// 员工名册管理 → 导入: the preview of a file with a problem keeps 导入 disabled; the corrected
// file chosen in the same dialog is imported and the roster shows it.
void WorkerImportTest::previewInTheRoster()
{
    pinFont();
    TestApp app;
    seed(app);
    const QString bad = app.path(QStringLiteral("名册.csv"));
    const QString good = app.path(QStringLiteral("名册（改）.csv"));
    for (const auto &[path, dept, day] :
         {std::tuple{bad, QStringLiteral("三车间"), 30}, std::tuple{good, QStringLiteral("一车间"), 28}}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("员工代码,员工姓名,部门,性别,入职日期,外号\n0002,李四,一车间,女,2024-03-01,小李\n"
                               "0003,王五,%1,男,2024-02-%2,\n")
                    .arg(dept)
                    .arg(day)
                    .toUtf8());
    }
    TfrmWorker form;
    form.resize(900, 500);
    form.show();
    app.messages.files = {bad};
    bool seen = false;
    onModal<TfrmImport>([&](TfrmImport *d) {
        seen = true;
        const ModalCloser closer(d);
        QCOMPARE(d->windowTitle(), QStringLiteral("导入员工名册"));
        QCOMPARE(d->grid->rowCount(), 2);
        QCOMPARE(d->grid->item(0, 1)->text(), QStringLiteral("新增"));
        QCOMPARE(d->grid->item(1, 1)->text(), QStringLiteral("有错误"));
        QCOMPARE(d->grid->item(1, 4)->text(), QStringLiteral("三车间"));
        QVERIFY(!d->btnImport->isEnabled());
        QCOMPARE(d->lstProblems->count(), 2);
        QCOMPARE(d->lstProblems->item(0)->text(),
                 QStringLiteral("第 3 行“部门”：部门“三车间”不存在；请先在代码表中增加，或填写已有的部门代码或名称"));
        QCOMPARE(d->lstProblems->item(1)->text(), QStringLiteral("第 3 行“入职日期”：日期“2024-02-30”不存在"));
        QVERIFY(d->lblSummary->text().contains(QStringLiteral("未识别的列（不导入）：外号")));
        saveShot(d, QStringLiteral("import_workers_problems"));
        app.messages.files = {good};
        d->btnOpen->click();
        QVERIFY(d->btnImport->isEnabled());
        QCOMPARE(d->lstProblems->count(), 0);
        d->btnImport->click();
    });
    form.btnImport->trigger();
    QVERIFY(seen);
    QCOMPARE(app.messages.texts(),
             QStringList{QStringLiteral("导入完成：新增 2 行，更新 0 行，跳过 0 行（与已有数据相同）")});
    QCOMPARE(worker(app, "0003"), QStringLiteral("王五|01|男|-||2024-02-28||0|0|"));
    QCOMPARE(form.qryWorker->rowCount(), 3); // department 01, read again
}

QTEST_MAIN(WorkerImportTest)
#include "WorkerImportTest.moc"
