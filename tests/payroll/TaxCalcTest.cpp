// The year-to-date and tax functions of the wage sheet, month after month through
// `jjgz-payroll calc` on databases built with the sqlite3 shell, read back from gzdata: the tax
// authority's worked examples, a person hired in March, a December of the year before, the bonus
// table, a changed bracket, the cell errors and the explanation; and the formula check.
#include "TestSupport.h"
#include "wagestructure/FormulaCheck.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace jjgz;

namespace {

const char *kStandard = "Max(0, IIT(SUMYTD(\"f5\")+f5 - 5000*MONTHSYTD() - (SUMYTD(\"f6\")+f6) - (SUMYTD(\"f7\")+f7))"
                        " - SUMYTD(\"f9\"))";

class TaxDb {
public:
    TaxDb()
    {
        QFile::copy(test::deliveredDatabase(), path());
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
        sql(QStringLiteral(
            "insert into depart values('01','生产部'); insert into worker_tp values('01','工人');"
            "insert into gzxm(xh,fname,xmname,ftype,fsize) values(4,'f4','年终奖',0,'0'),(5,'f5','应发',0,'0'),"
            "(6,'f6','专项扣除',0,'0'),(7,'f7','专项附加扣除',0,'0'),(8,'f8','奖金个税',0,'0'),(9,'f9','个税',0,'0');"
            "alter table gzdata add f4 real default 0; alter table gzdata add f5 real default 0;"
            "alter table gzdata add f6 real default 0; alter table gzdata add f7 real default 0;"
            "alter table gzdata add f8 real default 0; alter table gzdata add f9 real default 0;"
            "insert into gzgs(xh,fname,gs,gsdesc,con,condesc) values(1,'f8','IITBONUS(f4)','','','');"));
        formula(QString::fromUtf8(kStandard));
    }
    QString path() const { return m_dir.filePath(QStringLiteral("zt.mdb")); }
    void sql(const QString &script)
    {
        QProcess p;
        p.start(QStringLiteral("sqlite3"), {path()});
        p.write(script.toUtf8());
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(30000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    }
    void formula(const QString &gs)
    {
        sql(QStringLiteral("delete from gzgs where xh=2; insert into gzgs(xh,fname,gs,gsdesc,con,condesc) "
                           "values(2,'f9','%1','','','');")
                .arg(QString(gs).replace(u'\'', QStringLiteral("''"))));
    }
    void worker(const QString &code)
    {
        sql(QStringLiteral(
                "insert into worker(wkcode,wkname,bmcode,sex,tpcode,state) values('%1','%1','01','男','01',0);")
                .arg(code));
    }
    // The month's item list and one row per employee with income, deductions and bonus.
    void month(int y, int m, const QList<QList<QVariant>> &rows)
    {
        QString s = QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) select %1,%2,xh,fname,"
                                   "xmname,ftype,fsize from gzxm;")
                        .arg(y)
                        .arg(m);
        for (const QList<QVariant> &r : rows)
            s += QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f5,f6,f7,f4) values(%1,%2,'%3',%4,%5,%6,%7);")
                     .arg(y)
                     .arg(m)
                     .arg(r[0].toString(), r[1].toString(), r[2].toString(), r[3].toString(),
                          r.size() > 4 ? r[4].toString() : QStringLiteral("0"));
        sql(s);
    }
    QStringList tool(const QStringList &args, int exitCode = 0)
    {
        QProcess p;
        p.start(QStringLiteral(JJGZ_PAYROLL_TOOL), QStringList{QStringLiteral("--db"), path()} + args);
        if (!p.waitForFinished(60000))
            return {QStringLiteral("timeout")};
        const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        if (p.exitCode() != exitCode)
            return {QStringLiteral("exit %1: %2").arg(p.exitCode()).arg(QString::fromUtf8(p.readAllStandardError()))};
        return out;
    }
    QString calc(int y, int m)
    {
        return tool({QStringLiteral("calc"), QStringLiteral("%1-%2").arg(y).arg(m, 2, 10, QLatin1Char('0'))})
            .join(u'\n');
    }
    double value(int y, int m, const QString &wk, const QString &f = QStringLiteral("f9"))
    {
        QProcess p;
        p.start(QStringLiteral("sqlite3"),
                {path(), QStringLiteral("select %1 from gzdata where xyear=%2 and xmonth=%3 and wkcode='%4'")
                             .arg(f)
                             .arg(y)
                             .arg(m)
                             .arg(wk)});
        p.waitForFinished(30000);
        const QString text = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        return text.isEmpty() ? -1 : text.toDouble();
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

class TaxCalcTest : public QObject {
    Q_OBJECT

private slots:
    void workedExamples()
    {
        TaxDb db;
        db.worker(QStringLiteral("A"));
        db.worker(QStringLiteral("B"));
        // A December of the year before must not count.
        db.month(2023, 12, {{QStringLiteral("A"), 90000, 0, 0}});
        QVERIFY(db.calc(2023, 12).endsWith(QStringLiteral("0 failed cells")));
        for (int m = 1; m <= 4; ++m) {
            QList<QList<QVariant>> rows{{QStringLiteral("A"), 30000, 4500, 2000},
                                        {QStringLiteral("B"), 10000, 1500, 2000}};
            if (m == 3)
                db.worker(QStringLiteral("C")); // hired in March
            if (m >= 3)
                rows.append({QStringLiteral("C"), 30000, 4500, 2000});
            db.month(2024, m, rows);
            QCOMPARE(db.calc(2024, m),
                     QStringLiteral("calculated %1 employees, 6 items, 0 failed cells").arg(rows.size()));
        }
        QCOMPARE(db.value(2024, 1, QStringLiteral("A")), 555.0);
        QCOMPARE(db.value(2024, 2, QStringLiteral("A")), 625.0);
        QCOMPARE(db.value(2024, 3, QStringLiteral("A")), 1850.0);
        QCOMPARE(db.value(2024, 4, QStringLiteral("A")), 1850.0);
        for (int m = 1; m <= 4; ++m)
            QCOMPARE(db.value(2024, m, QStringLiteral("B")), 45.0);
        QCOMPARE(db.value(2024, 3, QStringLiteral("C")), 555.0);
        QCOMPARE(db.value(2024, 4, QStringLiteral("C")), 625.0);

        const QStringList why =
            db.tool({QStringLiteral("explain"), QStringLiteral("2024-03"), QStringLiteral("A"), QStringLiteral("f9")});
        QVERIFY2(why.contains(QStringLiteral("公式函数：SUMYTD(\"f5\") = 60000（本年以前 2 个月的合计）")),
                 qPrintable(why.join(u'\n')));
        QVERIFY(why.contains(QStringLiteral("公式函数：MONTHSYTD() = 3")));
        QVERIFY(why.contains(QStringLiteral("公式函数：IIT(55500) = 3030")));
        QVERIFY(why.contains(QStringLiteral("保存的值：1850.00")));
    }

    // The tables are read at every calculation: a changed bracket changes the next one.
    void changedBracketAndBonus()
    {
        TaxDb db;
        db.worker(QStringLiteral("A"));
        db.month(2024, 1, {{QStringLiteral("A"), 30000, 4500, 2000, 36012}});
        db.calc(2024, 1);
        QCOMPARE(db.value(2024, 1, QStringLiteral("A")), 555.0);
        QCOMPARE(db.value(2024, 1, QStringLiteral("A"), QStringLiteral("f8")), 3391.2);
        db.sql(QStringLiteral("update taxrate set rate=0.04, upper=40000 where kind=1 and xh=1;"
                              "update taxrate set upper=3001 where kind=2 and xh=1;"));
        db.calc(2024, 1);
        QCOMPARE(db.value(2024, 1, QStringLiteral("A")), 740.0);
        QCOMPARE(db.value(2024, 1, QStringLiteral("A"), QStringLiteral("f8")), 1080.36);
        // A table broken outside the program fails the cells that need it, and says why.
        db.sql(QStringLiteral("update taxrate set upper=100 where kind=1 and xh=7;"));
        QVERIFY2(db.calc(2024, 1).contains(QStringLiteral("failed A f9: 税率表有误")), qPrintable(db.calc(2024, 1)));
        // A database without the tables (made before them) gets the standard tables back when it
        // is opened: the schema upgrade adds them, and the tax is the standard one again.
        db.sql(QStringLiteral("drop table taxrate; update gzgs set gs='f5*2' where xh=1;"));
        const QString out = db.calc(2024, 1);
        QVERIFY2(out.endsWith(QStringLiteral("0 failed cells")), qPrintable(out));
        QCOMPARE(db.value(2024, 1, QStringLiteral("A")), 555.0);
        QCOMPARE(db.value(2024, 1, QStringLiteral("A"), QStringLiteral("f8")), 60000.0);
    }

    void cellErrors_data()
    {
        QTest::addColumn<QString>("gs");
        QTest::addColumn<QString>("message");
        QTest::addColumn<double>("stored"); // -1: empty
        QTest::newRow("not a text") << "SUMYTD(f5)"
                                    << "函数 SUMYTD 的参数必须是工资项目编码的文字" << -1.0;
        QTest::newRow("unknown item") << "SUMYTD(\"f99\")"
                                      << "“f99”不是2024年的工资项目" << -1.0;
        QTest::newRow("code in capitals") << "SUMYTD(\"F5\")"
                                          << "“F5”不是2024年的工资项目" << -1.0;
        QTest::newRow("no argument") << "SUMYTD()"
                                     << "函数的参数个数不对" << -1.0;
        QTest::newRow("two arguments") << "IIT(1,2)"
                                       << "函数的参数个数不对" << -1.0;
        QTest::newRow("months with one") << "MONTHSYTD(1)"
                                         << "函数的参数个数不对" << -1.0;
        QTest::newRow("tax of a text") << "IIT(\"abc\")"
                                       << "函数 IIT 的参数必须是数值" << -1.0;
        QTest::newRow("lower case") << "sumytd(\"f5\")/1000 + monthsytd() + iit(1000) + IitBonus(0)" << QString()
                                    << 93.0;
        QTest::newRow("in a condition") << "IIT(1000)" << QString() << 30.0;
    }
    void cellErrors()
    {
        QFETCH(QString, gs);
        QFETCH(QString, message);
        QFETCH(double, stored);
        TaxDb db;
        db.worker(QStringLiteral("A"));
        db.month(2024, 1, {{QStringLiteral("A"), 30000, 0, 0}});
        db.month(2024, 2, {{QStringLiteral("A"), 30000, 0, 0}});
        db.month(2024, 3, {{QStringLiteral("A"), 30000, 0, 0}});
        db.formula(gs);
        if (QString::fromUtf8(QTest::currentDataTag()) == QStringLiteral("in a condition"))
            db.sql(QStringLiteral("update gzgs set con='MONTHSYTD()=3 and SUMYTD(\"f5\")=60000' where xh=2;"));
        const QString out = db.calc(2024, 3);
        if (message.isEmpty())
            QVERIFY2(out.endsWith(QStringLiteral("0 failed cells")), qPrintable(out));
        else
            QVERIFY2(out.startsWith(QStringLiteral("failed A f9: ") + message), qPrintable(out));
        QCOMPARE(db.value(2024, 3, QStringLiteral("A")), stored);
    }

    // The declaration file: the form's columns in order, one row per employee of the month, the
    // mapped items' values, and the employees without an identity number named before writing.
    void taxFile()
    {
        TaxDb db;
        db.worker(QStringLiteral("A"));
        db.worker(QStringLiteral("B"));
        db.sql(QStringLiteral("update worker set sfid='110101199001011234' where wkcode='A';"));
        db.month(2024, 1, {{QStringLiteral("A"), 30000, 4500, 2000}, {QStringLiteral("B"), 10000, 1500, 2000}});
        db.calc(2024, 1);
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("申报.xlsx"));
        QProcess p;
        p.start(QStringLiteral(JJGZ_PAYROLL_TOOL),
                {QStringLiteral("--db"), db.path(), QStringLiteral("taxfile"), QStringLiteral("2024-01"), out,
                 QStringLiteral("--map"), QStringLiteral("本期收入=f5"), QStringLiteral("--map"),
                 QStringLiteral("住房公积金=f6"), QStringLiteral("--map"), QStringLiteral("累计子女教育=f7")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()).trimmed(),
                 QStringLiteral("warning 员工 B B 没有身份证号码（证件号码为空），请在员工名册中填写"));
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
                 QStringLiteral("wrote 2 employees to ") + QDir::toNativeSeparators(out));
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, openpyxl\n"
                                 "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
                                 "for r in ws.iter_rows(values_only=True):\n"
                                 "    print('|'.join('' if v is None else str(v) for v in r))"),
                  out});
        QVERIFY(py.waitForFinished(60000));
        QVERIFY2(py.exitCode() == 0, py.readAllStandardError().constData());
        const QStringList lines = QString::fromUtf8(py.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0].split(u'|').size(), 24);
        QVERIFY(
            lines[0].startsWith(QStringLiteral("工号|姓名|证件类型|证件号码|本期收入|本期免税收入|基本养老保险费")));
        QVERIFY(lines[0].endsWith(QStringLiteral("准予扣除的捐赠额|减免税额|备注")));
        QCOMPARE(lines[1], QStringLiteral("A|A|居民身份证|110101199001011234|30000|||||4500|2000") + QString(13, u'|'));
        QCOMPARE(lines[2], QStringLiteral("B|B|居民身份证||10000|||||1500|2000") + QString(13, u'|'));

        // A column that is not on the form, or a code that is no item of the month, is refused.
        for (const QString &map : {QStringLiteral("工资=f5"), QStringLiteral("本期收入=f55")}) {
            QProcess bad;
            bad.start(QStringLiteral(JJGZ_PAYROLL_TOOL),
                      {QStringLiteral("--db"), db.path(), QStringLiteral("taxfile"), QStringLiteral("2024-01"), out,
                       QStringLiteral("--map"), map});
            QVERIFY(bad.waitForFinished(60000));
            QCOMPARE(bad.exitCode(), 1);
            QVERIFY(QString::fromUtf8(bad.readAllStandardError()).startsWith(QStringLiteral("error: ")));
        }
    }

    // The formula dialog's check knows the functions, in any letter case, and their argument counts.
    void formulaCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("standard") << QString::fromUtf8(kStandard) << true;
        QTest::newRow("lower case") << "iitbonus(f4) + Iit(f5) + monthsytd() + sumytd(\"f9\")" << true;
        QTest::newRow("wrong count") << "IIT()" << false;
        QTest::newRow("misspelt") << "IITT(f5)" << false;
    }
    void formulaCheck()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        FormulaCheck check;
        const FormulaCheck::Result r =
            check.check(text, QStringList{QStringLiteral("f4"), QStringLiteral("f5"), QStringLiteral("f6"),
                                          QStringLiteral("f7"), QStringLiteral("f9")});
        QVERIFY2(r.ok == ok, qPrintable(r.message));
    }
};

QTEST_MAIN(TaxCalcTest)
#include "TaxCalcTest.moc"
