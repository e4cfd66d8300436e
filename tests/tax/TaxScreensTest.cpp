// The tax screens, driven as a user would: 税率表 (edit, refuse with the row and why, save), 个税公式…
// from the formula dialog, and 年度汇总 for a year whose item lists differ between months.
#include "TestSupport.h"
#include "data/DataTable.h"
#include "payroll/GzYear.h"
#include "payroll/TaxFile.h"
#include "tax/TaxDeclaration.h"
#include "wagestructure/GzgsMdy.h"
#include "wagestructure/TaxFormula.h"
#include "wagestructure/TaxRate.h"
#include "widgets/DbGrid.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

void items(TestApp &app, const QList<QPair<int, QString>> &list)
{
    for (const auto &[n, name] : list) {
        app.exec(QStringLiteral("insert into gzxm(xh,fname,xmname,ftype,fsize) values(?,?,?,0,'0')"),
                 {n, QStringLiteral("f%1").arg(n), name});
        app.exec(QStringLiteral("alter table gzdata add f%1 float default 0").arg(n));
    }
}

} // namespace

class TaxScreensTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinFont(); }

    void taxRate()
    {
        TestApp app;
        TfrmTaxRate form;
        form.show();
        QCOMPARE(form.grid[0]->rowCount(), 7);
        QCOMPARE(form.grid[1]->rowCount(), 7);
        QCOMPARE(form.grid[0]->item(0, 1)->text(), QStringLiteral("36000"));
        QCOMPARE(form.grid[0]->item(6, 1)->text(), QString());
        QCOMPARE(form.grid[1]->item(6, 3)->text(), QStringLiteral("15160"));
        saveShot(&form, QStringLiteral("taxrate"));

        // A rate typed as a percentage is refused with the row and why; nothing is written.
        form.tabs->setCurrentIndex(1);
        form.grid[1]->item(1, 2)->setText(QStringLiteral("10"));
        QTest::mouseClick(form.btnSave, Qt::LeftButton);
        QCOMPARE(
            app.messages.lastText(),
            QStringLiteral("全年一次性奖金税率表（按月换算）第2行：税率 10 不在0到1之间（税率按小数填写，3%填0.03）"));
        QCOMPARE(form.grid[1]->currentRow(), 1);
        QCOMPARE(app.scalar(QStringLiteral("select rate from taxrate where kind=2 and xh=2")).toDouble(), 0.1);
        form.grid[1]->item(1, 2)->setText(QStringLiteral("0.1"));

        form.tabs->setCurrentIndex(0);
        form.grid[0]->item(2, 1)->setText(QStringLiteral("三十万"));
        QTest::mouseClick(form.btnSave, Qt::LeftButton);
        QCOMPARE(app.messages.lastText(), QStringLiteral("综合所得预扣率表第3行：上限“三十万”不是数值"));

        // A bracket more at the top of the table, and saved.
        form.grid[0]->item(2, 1)->setText(QStringLiteral("300000"));
        form.grid[0]->setCurrentCell(0, 1);
        QTest::mouseClick(form.btnAppend, Qt::LeftButton);
        QCOMPARE(form.grid[0]->rowCount(), 8);
        form.grid[0]->setItem(0, 1, new QTableWidgetItem(QStringLiteral("12000")));
        form.grid[0]->setItem(0, 2, new QTableWidgetItem(QStringLiteral("0.01")));
        form.grid[0]->setItem(0, 3, new QTableWidgetItem(QStringLiteral("0")));
        QTest::mouseClick(form.btnSave, Qt::LeftButton);
        QCOMPARE(app.messages.lastText(), QStringLiteral("保存成功，下次计算工资时按新的税率表计算"));
        QCOMPARE(app.scalar(QStringLiteral("select count(*) from taxrate where kind=1")).toInt(), 8);
        QCOMPARE(app.scalar(QStringLiteral("select rate from taxrate where kind=1 and xh=1")).toDouble(), 0.01);
        QCOMPARE(app.scalar(QStringLiteral("select rate from taxrate where kind=2 and xh=2")).toDouble(), 0.1);
    }

    void taxRateSaved()
    {
        TestApp app;
        TfrmTaxRate form;
        form.grid[0]->item(0, 2)->setText(QStringLiteral("0.04"));
        QVERIFY(form.save());
        QCOMPARE(app.messages.lastText(), QStringLiteral("保存成功，下次计算工资时按新的税率表计算"));
        QCOMPARE(app.scalar(QStringLiteral("select rate from taxrate where kind=1 and xh=1")).toDouble(), 0.04);
        QCOMPARE(app.scalar(QStringLiteral("select count(*) from taxrate")).toInt(), 14);
    }

    void taxFormula()
    {
        TestApp app;
        items(app, {{4, QStringLiteral("基本工资")},
                    {5, QStringLiteral("应发工资")},
                    {6, QStringLiteral("专项扣除")},
                    {7, QStringLiteral("专项附加扣除")},
                    {9, QStringLiteral("代扣个税")}});
        TfrmGzgsMdy dialog(1);
        dialog.show();
        QString seen;
        onModal<TfrmTaxFormula>(
            [](TfrmTaxFormula *d) {
                saveShot(d, QStringLiteral("taxformula"));
                QMetaObject::invokeMethod(d->btnYes, "click", Qt::QueuedConnection);
            },
            &seen);
        QTest::mouseClick(dialog.btnTaxFormula, Qt::LeftButton);
        QCOMPARE(seen, QStringLiteral("jjgz::TfrmTaxFormula"));
        QCOMPARE(dialog.edtGs->text(), QStringLiteral("Max(0, IIT(SUMYTD(\"f5\")+f5 - 5000*MONTHSYTD() - "
                                                      "(SUMYTD(\"f6\")+f6) - (SUMYTD(\"f7\")+f7)) - SUMYTD(\"f9\"))"));
        QCOMPARE(dialog.cboDest->currentData().toString(), QStringLiteral("f9"));
        QVERIFY2(dialog.gsCheck().ok, qPrintable(dialog.gsCheck().message));
        QVERIFY(dialog.gsCheck().description.contains(QStringLiteral("SUMYTD(\"应发工资\")+应发工资")));
        saveShot(&dialog, QStringLiteral("taxformula_dialog"));

        // Picked by hand, without additional deductions: the term is left out.
        TfrmTaxFormula pick(WageItems::items());
        pick.cboIncome->setCurrentIndex(pick.cboIncome->findData(QStringLiteral("f4")));
        pick.cboAdditional->setCurrentIndex(0);
        QCOMPARE(pick.formula(),
                 QStringLiteral("Max(0, IIT(SUMYTD(\"f4\")+f4 - 5000*MONTHSYTD() - (SUMYTD(\"f6\")+f6)) "
                                "- SUMYTD(\"f9\"))"));
        QVERIFY(pick.lblDesc->text().startsWith(QStringLiteral("Max(0, IIT(SUMYTD(\"基本工资\")+基本工资")));

        // The function list adds a function at the caret's end.
        dialog.edtGs->clear();
        dialog.lstFunc->setCurrentRow(1);
        QTest::mouseClick(dialog.btnAddFunc, Qt::LeftButton);
        QCOMPARE(dialog.edtGs->text(), QStringLiteral("MONTHSYTD()"));
        QCOMPARE(dialog.lstFunc->count(), 4);
    }

    // The declaration from its dialog: the mapping is kept in config.ini, an employee without an
    // identity number is named before the file is written.
    void taxFile()
    {
        TestApp app;
        items(app, {{5, QStringLiteral("应发")}, {9, QStringLiteral("个税")}});
        app.exec(QStringLiteral("insert into worker(wkcode,wkname,state,sfid) values('A','甲',0,'110101199001011234'),"
                                "('B','乙',0,'')"));
        app.exec(QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) select 2010,12,xh,fname,"
                                "xmname,ftype,fsize from gzxm"));
        app.exec(QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f5,f9) values(2010,12,'A',8000,90),"
                                "(2010,12,'B',6000,30)"));
        TfrmTaxFile form;
        form.show();
        QCOMPARE(form.grid->rowCount(), TaxDeclaration::mappableColumns().size());
        auto *income = qobject_cast<QComboBox *>(form.grid->cellWidget(0, 1));
        QVERIFY(income);
        income->setCurrentIndex(income->findData(QStringLiteral("f5")));
        saveShot(&form, QStringLiteral("taxfile"));
        const QString out = app.path(QStringLiteral("申报.xlsx"));
        app.messages.answers = {QMessageBox::Yes};
        app.messages.files = {out};
        QVERIFY(form.exportFile());
        QVERIFY(app.messages.texts().join(u'\n').contains(QStringLiteral("员工 B 乙 没有身份证号码")));
        QVERIFY(QFile::exists(out));
        QCOMPARE(TaxDeclaration::savedMapping().value(QStringLiteral("本期收入")), QStringLiteral("f5"));
        // A second dialog starts from the saved mapping.
        TfrmTaxFile again;
        QCOMPARE(qobject_cast<QComboBox *>(again.grid->cellWidget(0, 1))->currentData().toString(),
                 QStringLiteral("f5"));
        // Answered No: nothing is written.
        QFile::remove(out);
        app.messages.answers = {QMessageBox::No};
        QVERIFY(!again.exportFile());
        QVERIFY(!QFile::exists(out));
    }

    void yearSummary()
    {
        TestApp app;
        items(app, {{5, QStringLiteral("应发")}, {9, QStringLiteral("个税")}});
        app.exec(QStringLiteral("insert into depart(bmcode,bmname) values('01','生产部')"));
        app.exec(
            QStringLiteral("insert into worker(wkcode,wkname,bmcode,state) values('A','甲','01',0),('B','乙','01',0)"));
        dmMain->beginTrans();
        for (int m = 1; m <= 3; ++m) {
            app.exec(
                QStringLiteral(
                    "insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) values(2024,?,5,'f5','应发',0,'0')"),
                {m});
            if (m != 2) // the tax item is not in February's list: its value there does not count
                app.exec(QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) "
                                        "values(2024,?,9,'f9','个税',0,'0')"),
                         {m});
            app.exec(QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f5,f9) values(2024,?,'A',30000,100)"), {m});
            if (m == 3)
                app.exec(QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f5,f9) values(2024,3,'B',10000,45)"));
        }
        app.exec(QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f5,f9) values(2023,12,'A',99999,999)"));
        dmMain->commitTrans();
        TfrmGzYear form;
        form.resize(800, 400);
        form.show();
        form.edtYear->setValue(2024);
        form.btnQueryClick();
        DataTable &t = *form.tmp;
        QCOMPARE(t.rowCount(), 2);
        QCOMPARE(t.rowValue(0, t.fieldIndex(QStringLiteral("wkcode"))).toString(), QStringLiteral("A"));
        QCOMPARE(t.rowValue(0, t.fieldIndex(QStringLiteral("months"))).toInt(), 3);
        QCOMPARE(t.rowValue(0, t.fieldIndex(QStringLiteral("f5"))).toDouble(), 90000.0);
        QCOMPARE(t.rowValue(0, t.fieldIndex(QStringLiteral("f9"))).toDouble(), 200.0);
        QCOMPARE(t.rowValue(1, t.fieldIndex(QStringLiteral("months"))).toInt(), 1);
        QCOMPARE(t.rowValue(1, t.fieldIndex(QStringLiteral("bmname"))).toString(), QStringLiteral("生产部"));
        saveShot(&form, QStringLiteral("gzyear"));
    }
};

QTEST_MAIN(TaxScreensTest)
#include "TaxScreensTest.moc"
