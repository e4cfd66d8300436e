// The bank's payroll-transfer file read back as the bank reads it, its settings, the problems
// that leave an employee out or stop the file; and the spreadsheet commands of jjgz-payroll.
#include "payroll/BankFile.h"
#include "TestSupport.h"
#include "data/Gbk.h"
#include "data/MyFun.h"
#include "payroll/BankFileDlg.h"
#include "payroll/GzData.h"
#include "payroll/WageSheetMode.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

// May 2024 with item f1 实发工资 and f2 扣款; employees in two departments.
void seedMonth(TestApp &app)
{
    app.exec("insert into depart (bmcode, bmname) values ('01', '一车间'), ('02', '二车间')");
    app.exec("insert into worker (wkcode, wkname, bmcode, bankacc, sfid, state) values "
             "('0001', '张三', '02', '6222 0200 1234', '110105199001011234', 0), ('0002', '李四', '01', '6222', '', 0),"
             "('0003', '王五', '01', '', '', 0), ('0004', ?, '01', ' 6222000011112222 ', '11010519900101123X', 0)",
             {QStringLiteral("O'Neil")});
    app.exec("alter table gzdata add f1 float default 0");
    app.exec("alter table gzdata add f2 float default 0");
    app.exec("insert into gzxm_m (xyear, xmonth, xh, fname, xmname, ftype, fsize) values "
             "(2024, 5, 1, 'f1', '实发工资', 0, ''), (2024, 5, 2, 'f2', '扣款', 0, '')");
    app.exec("insert into gzdata (xyear, xmonth, wkcode, f1, f2) values (2024, 5, '0001', 1234.567, 0),"
             "(2024, 5, '0002', 0, 0), (2024, 5, '0003', 100, 0), (2024, 5, '0004', 88.5, 0)");
}

QString readFile(const QString &path, bool gbk)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("(missing)");
    const QByteArray bytes = f.readAll();
    return gbk ? fromGbk(bytes) : QString::fromUtf8(bytes);
}

struct Run {
    int exitCode = -1;
    QStringList out;
    QString err;
};

Run tool(TestApp &app, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(JJGZ_PAYROLL_TOOL), QStringList{QStringLiteral("--db"), app.path("data/zt000.mdb")} + args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void writeUtf8(const QString &path, const QString &text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text.toUtf8());
}

} // namespace

class BankFileTest : public QObject {
    Q_OBJECT
private slots:
    void fileAsTheBankReadsIt();
    void settingsChangeTheFile();
    void errorsStopTheFile_data();
    void errorsStopTheFile();
    void headlessImports();
    void headlessBankFile();
    void dialog();
    void openedFromThePaymentTable();
};

void BankFileTest::fileAsTheBankReadsIt()
{
    TestApp app;
    seedMonth(app);
    const BankPlan plan = BankFile::prepare(2024, 5, QStringLiteral("f1"));
    QCOMPARE(plan.rows.size(), 2);
    QCOMPARE(plan.totalCents, 132307);
    QCOMPARE(plan.problems.size(), 1);
    QCOMPARE(plan.problems.first().line(),
             QStringLiteral("left out 0003 王五: 没有银行账号，金额 100.00 未列入代发文件，请另行发放"));
    QVERIFY(!plan.hasErrors());

    const QString csv = app.path(QStringLiteral("代发.csv"));
    BankFile::write(plan, BankSettings::load(), csv);
    QCOMPARE(readFile(csv, true), QStringLiteral("序号,姓名,银行账号,金额,身份证号\r\n"
                                                 "1,O'Neil,6222000011112222,88.50,11010519900101123X\r\n"
                                                 "2,张三,622202001234,1234.57,110105199001011234\r\n"));

    const QString xlsx = app.path(QStringLiteral("代发.xlsx"));
    BankFile::write(BankFile::prepare(2024, 5, QStringLiteral("实发工资")), BankSettings::load(), xlsx);
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import openpyxl,sys\nws=openpyxl.load_workbook(sys.argv[1]).active\n"
                            "for r in ws.iter_rows(): print('|'.join(repr(c.value)+c.number_format for c in r))"),
             xlsx});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
             (QStringList{"'序号'General|'姓名'General|'银行账号'General|'金额'General|'身份证号'General",
                          "1General|\"O'Neil\"@|'6222000011112222'@|88.50.00|'11010519900101123X'@",
                          "2General|'张三'@|'622202001234'@|1234.570.00|'110105199001011234'@"}));
}

// The clerk's settings for another bank: other columns, titles and order, UTF-8; kept in
// config.ini for the next time.
void BankFileTest::settingsChangeTheFile()
{
    TestApp app;
    seedMonth(app);
    QCOMPARE(BankSettings::load().columns.size(), 5);
    BankSettings s;
    s.columns = {{QStringLiteral("bankacc"), QStringLiteral("卡号")},
                 {QStringLiteral("wkname"), QStringLiteral("户名")},
                 {QStringLiteral("amount"), QStringLiteral("金额(元)")},
                 {QStringLiteral("wkcode"), QStringLiteral("工号")}};
    s.utf8 = true;
    QVERIFY(s.save());
    const BankSettings loaded = BankSettings::load();
    QVERIFY(loaded.utf8);
    QCOMPARE(loaded.columns.size(), 4);
    QCOMPARE(loaded.columns.at(2).title, QStringLiteral("金额(元)"));
    const QString csv = app.path(QStringLiteral("bank.csv"));
    BankFile::write(BankFile::prepare(2024, 5, QStringLiteral("F1")), loaded, csv);
    QCOMPARE(readFile(csv, false), QStringLiteral("卡号,户名,金额(元),工号\r\n"
                                                  "6222000011112222,O'Neil,88.50,0004\r\n"
                                                  "622202001234,张三,1234.57,0001\r\n"));
}

void BankFileTest::errorsStopTheFile_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("problem");
    QTest::newRow("negative amount") << "update gzdata set f1=-12.5 where wkcode='0002'"
                                     << "error 0002 李四: 金额为负数（-12.50），银行不能代发；请先核对工资";
    QTest::newRow("account with a dash")
        << "update worker set bankacc='6222-0200' where wkcode='0001'"
        << "error 0001 张三: 银行账号“6222-0200”含有数字和空格以外的字符；请在员工名册中改正";
}

void BankFileTest::errorsStopTheFile()
{
    QFETCH(QString, change);
    QFETCH(QString, problem);
    TestApp app;
    seedMonth(app);
    app.exec(change);
    const BankPlan plan = BankFile::prepare(2024, 5, QStringLiteral("f1"));
    QVERIFY(plan.hasErrors());
    QStringList lines;
    for (const BankProblem &p : plan.problems)
        lines << p.line();
    QVERIFY2(lines.contains(problem), qPrintable(lines.join(u'\n')));
    const QString csv = app.path(QStringLiteral("bank.csv"));
    QVERIFY_THROWS_EXCEPTION(DbError, BankFile::write(plan, BankSettings::load(), csv));
    QVERIFY(!QFile::exists(csv));

    const Run r = tool(app, {QStringLiteral("bankfile"), QStringLiteral("2024-05"), QStringLiteral("--item"),
                             QStringLiteral("f1"), csv});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.contains(problem));
    QCOMPARE(r.out.last(), QStringLiteral("nothing written, %1 problems").arg(plan.problems.size()));
    QVERIFY(!QFile::exists(csv));
}

void BankFileTest::headlessImports()
{
    TestApp app;
    seedMonth(app);
    const QString bad = app.path(QStringLiteral("bad.csv"));
    writeUtf8(bad,
              QStringLiteral("员工代码,员工姓名,部门,外号\n0009,赵六,三车间,小赵\n0010,钱七,01,\n0010,孙八,01,\n"));
    Run r = tool(app, {QStringLiteral("import-workers"), bad});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, (QStringList{"ignored columns: 外号",
                                 "row 2: 部门: 部门“三车间”不存在；请先在代码表中增加，或填写已有的部门代码或名称",
                                 "row 4: 员工代码: 员工代码“0010”与第 3 行重复", "nothing imported, 2 problems"}));
    QCOMPARE(app.scalar("select count(*) from worker").toInt(), 4);

    const QString good = app.path(QStringLiteral("good.csv"));
    writeUtf8(good, QStringLiteral("员工代码,员工姓名,部门\n0009,赵六,一车间\n0001,张三,二车间\n0002,李四四,01\n"));
    r = tool(app, {QStringLiteral("import-workers"), good, QStringLiteral("--dry-run")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, (QStringList{"skipped 1 rows unchanged", "dry run: would import 1 added, 1 updated"}));
    QCOMPARE(app.scalar("select count(*) from worker").toInt(), 4);
    r = tool(app, {QStringLiteral("import-workers"), good});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.last(), QStringLiteral("imported 1 added, 1 updated"));
    QCOMPARE(app.scalar("select wkname from worker where wkcode='0002'").toString(), QStringLiteral("李四四"));

    const QString piece = app.path(QStringLiteral("piece.csv"));
    app.exec("insert into jjgz (gzcode, gzname) values ('1', '缝纫')");
    app.exec("insert into jjgx (gzcode, gxcode, gxname, unit, price, rs) values ('1', '001', '上领', '件', 2.5, 2)");
    writeUtf8(piece,
              QStringLiteral(
                  "单号,日期,工种,工序,数量,员工代码\nA,2024-05-03,缝纫,上领,4,0001\nA,2024-05-03,缝纫,上领,4,0009\n"));
    r = tool(app, {QStringLiteral("import-piecework"), piece});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.last(), QStringLiteral("imported 2 added, 0 updated"));
    QCOMPARE(app.scalar("select je from jjdata").toDouble(), 10.0);

    const QString notSheet = app.path(QStringLiteral("a.xlsx"));
    writeUtf8(notSheet, QStringLiteral("hello"));
    r = tool(app, {QStringLiteral("import-piecework"), notSheet});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith(QStringLiteral("error: 文件“a.xlsx”的扩展名是 .xlsx，但内容不是这种表格")),
             qPrintable(r.err));
    QCOMPARE(tool(app, {QStringLiteral("import-workers")}).exitCode, 2);
    QCOMPARE(tool(app, {QStringLiteral("import-workers"), good, QStringLiteral("--force")}).exitCode, 2);
}

void BankFileTest::headlessBankFile()
{
    TestApp app;
    seedMonth(app);
    const QString xlsx = app.path(QStringLiteral("bank.xlsx"));
    Run r = tool(app, {QStringLiteral("bankfile"), QStringLiteral("2024-05"), QStringLiteral("--item"),
                       QStringLiteral("f1"), xlsx});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, (QStringList{"left out 0003 王五: 没有银行账号，金额 100.00 未列入代发文件，请另行发放",
                                 "wrote 2 rows, total 1323.07"}));
    QVERIFY(QFile::exists(xlsx));
    r = tool(app, {QStringLiteral("bankfile"), QStringLiteral("2024-06"), QStringLiteral("--item"),
                   QStringLiteral("f1"), xlsx});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err.trimmed(), QStringLiteral("error: 2024-06 还没有工资数据；请先在工资数据录入中调出并计算该月"));
    r = tool(app, {QStringLiteral("bankfile"), QStringLiteral("2024-05"), QStringLiteral("--item"),
                   QStringLiteral("f9"), xlsx});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(tool(app, {QStringLiteral("bankfile"), QStringLiteral("2024-05"), QStringLiteral("--item"),
                        QStringLiteral("f1"), app.path(QStringLiteral("bank.txt"))})
                 .exitCode,
             2);
}

// 银行代发: every row, the employee left out, the errors that disable 生成文件, the settings
// for the bank changing the file, and the file written where the clerk chose.
void BankFileTest::dialog()
{
    pinFont();
    TestApp app;
    seedMonth(app);
    app.exec("update worker set bankacc='6222-0200' where wkcode='0001'");
    TfrmBankFile d(2024, 5);
    d.show();
    QCOMPARE(d.cboItem->currentText(), QStringLiteral("[f1]实发工资"));
    QCOMPARE(d.grid->rowCount(), 1);
    QCOMPARE(d.lstProblems->count(), 2);
    QCOMPARE(d.lstProblems->item(0)->text(),
             QStringLiteral("未列入 0003 王五：没有银行账号，金额 100.00 未列入代发文件，请另行发放"));
    QCOMPARE(d.lstProblems->item(1)->text(),
             QStringLiteral("错误 0001 张三：银行账号“6222-0200”含有数字和空格以外的字符；请在员工名册中改正"));
    QVERIFY(!d.btnWrite->isEnabled());
    QCOMPARE(d.lblSummary->text(), QStringLiteral("共 1 人，合计 88.50 元；1 人没有银行账号，未列入，请另行发放；"
                                                  "1 处错误，改正后才能生成文件。"));
    saveShot(&d, QStringLiteral("bankfile_errors"));

    // Corrected in the roster; the clerk's bank wants CSV in UTF-8 with 金额 before 姓名 and no 序号.
    app.exec("update worker set bankacc='6222 0200' where wkcode='0001'");
    d.cboFormat->setCurrentIndex(1);
    d.cboEncoding->setCurrentIndex(1);
    d.tblColumns->item(0, 0)->setCheckState(Qt::Unchecked); // 序号
    d.tblColumns->setCurrentCell(3, 0);                     // 金额
    d.btnUp->click();
    d.tblColumns->item(2, 2)->setText(QStringLiteral("代发金额"));
    QVERIFY(d.btnWrite->isEnabled());
    QCOMPARE(d.grid->columnCount(), 4);
    QCOMPARE(d.grid->horizontalHeaderItem(1)->text(), QStringLiteral("代发金额"));
    QCOMPARE(d.grid->rowCount(), 2);
    saveShot(&d, QStringLiteral("bankfile_dialog"));
    const QString path = app.path(QStringLiteral("五月代发"));
    app.messages.files = {path};
    d.btnWrite->click();
    QCOMPARE(app.messages.lastText(), QStringLiteral("已生成代发文件 %1.csv\n共 2 人，合计 1323.07 元").arg(path));
    QCOMPARE(readFile(path + QStringLiteral(".csv"), false),
             QStringLiteral("姓名,代发金额,银行账号,身份证号\r\n"
                            "O'Neil,88.50,6222000011112222,11010519900101123X\r\n"
                            "张三,1234.57,62220200,110105199001011234\r\n"));
    // Kept for the next time.
    TfrmBankFile next(2024, 5);
    QCOMPARE(next.cboFormat->currentIndex(), 1);
    QCOMPARE(next.settings().columns.size(), 4);
    QVERIFY(next.settings().utf8);
}

void BankFileTest::openedFromThePaymentTable()
{
    TestApp app;
    seedMonth(app);
    TfrmGzData w(wageSheetMode(2));
    w.show();
    QVERIFY(w.btnBank->isVisible());
    w.edtDt->setDate(QDate(2024, 5, 1));
    bool seen = false;
    onModal<TfrmBankFile>([&](TfrmBankFile *d) {
        seen = true;
        QCOMPARE(d->edtDt->date(), QDate(2024, 5, 1));
        QCOMPARE(d->grid->rowCount(), 2);
        d->reject();
    });
    w.btnBank->trigger();
    QVERIFY(seen);
    TfrmGzData entry(wageSheetMode(0));
    entry.show();
    QVERIFY(!entry.btnBank->isVisible());
}

QTEST_MAIN(BankFileTest)
#include "BankFileTest.moc"
