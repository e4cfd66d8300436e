// The tax-rate tables: the tax of an amount by both tables, the check before saving, and the
// save and load through the database.
#include "tax/TaxRates.h"
#include "TestSupport.h"
#include "data/TaxRateUpgrade.h"

#include <QtTest>

using namespace jjgz;

class TaxRatesTest : public QObject {
    Q_OBJECT

private slots:
    void delivered()
    {
        test::TestApp app;
        const TaxRates loaded = TaxRates::load();
        const TaxRates standard = TaxRates::standard();
        for (int kind : TaxRates::Kinds) {
            QCOMPARE(loaded.brackets(kind).size(), 7);
            for (int i = 0; i < 7; ++i) {
                const TaxBracket &a = loaded.brackets(kind)[i], &b = standard.brackets(kind)[i];
                QCOMPARE(a.upper, b.upper);
                QCOMPARE(a.rate, b.rate);
                QCOMPARE(a.kcs, b.kcs);
            }
            QVERIFY(!loaded.check(kind));
        }
        QVERIFY(!loaded.brackets(TaxRates::Wages).last().upper);
    }

    void iit_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("tax");
        QTest::newRow("nothing taxable") << 0.0 << 0.0;
        QTest::newRow("negative") << -12000.0 << 0.0;
        QTest::newRow("January 30000-5000-4500-2000") << 18500.0 << 555.0;
        QTest::newRow("February, cumulative") << 37000.0 << 1180.0;
        QTest::newRow("March, cumulative") << 55500.0 << 3030.0;
        QTest::newRow("bound itself in the lower bracket") << 36000.0 << 1080.0;
        QTest::newRow("a cent above the bound") << 36000.01 << 1080.0;
        QTest::newRow("a yuan above the bound") << 36001.0 << 1080.1;
        QTest::newRow("last bracket") << 1000000.0 << 268080.0;
        // 0.5 × 0.03 is stored just below 0.015, 4.5 × 0.03 just above 0.135.
        QTest::newRow("half a cent below, down") << 0.5 << 0.01;
        QTest::newRow("half a cent above, up") << 4.5 << 0.14;
    }
    void iit()
    {
        QFETCH(double, x);
        QFETCH(double, tax);
        QCOMPARE(TaxRates::standard().iit(x), tax);
    }

    void bonus_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("tax");
        QTest::newRow("none") << 0.0 << 0.0;
        QTest::newRow("36000: 3000 a month, 3%") << 36000.0 << 1080.0;
        QTest::newRow("36012: above 3000 a month, 10%") << 36012.0 << 3391.2;
        QTest::newRow("200000: 16666.67 a month, 20%") << 200000.0 << 38590.0;
        QTest::newRow("last bracket") << 1200000.0 << 524840.0;
    }
    void bonus()
    {
        QFETCH(double, x);
        QFETCH(double, tax);
        QCOMPARE(TaxRates::standard().iitBonus(x), tax);
    }

    void check_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("row");
        QTest::addColumn<double>("upper"); // -1: no bound
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("kcs");
        QTest::addColumn<int>("faultRow"); // 0: accepted
        QTest::addColumn<QString>("why");
        QTest::newRow("unchanged") << 1 << 2 << 144000.0 << 0.10 << 2520.0 << 0 << QString();
        QTest::newRow("bound below the previous")
            << 1 << 3 << 100000.0 << 0.2 << 16920.0 << 3 << QStringLiteral("上限 100000 必须大于上一档的上限 144000");
        QTest::newRow("bound equal to the previous")
            << 1 << 2 << 36000.0 << 0.1 << 2520.0 << 2 << QStringLiteral("必须大于上一档的上限 36000");
        QTest::newRow("rate as percent") << 2 << 1 << 3000.0 << 3.0 << 0.0 << 1 << QStringLiteral("不在0到1之间");
        QTest::newRow("negative rate") << 2 << 4 << 35000.0 << -0.25 << 0.0 << 4 << QStringLiteral("不在0到1之间");
        QTest::newRow("middle without bound")
            << 1 << 5 << -1.0 << 0.3 << 52920.0 << 5 << QStringLiteral("只有最后一档不填上限");
        QTest::newRow("last with a bound")
            << 1 << 7 << 2000000.0 << 0.45 << 181920.0 << 7 << QStringLiteral("不填上限");
        QTest::newRow("negative deduction") << 2 << 2 << 12000.0 << 0.1 << -210.0 << 2 << QStringLiteral("不能为负数");
        QTest::newRow("zero bound") << 1 << 1 << 0.0 << 0.03 << 0.0 << 1 << QStringLiteral("大于0");
    }
    void check()
    {
        QFETCH(int, kind);
        QFETCH(int, row);
        QFETCH(double, upper);
        QFETCH(double, rate);
        QFETCH(double, kcs);
        QFETCH(int, faultRow);
        QFETCH(QString, why);
        test::TestApp app;
        TaxRates rates = TaxRates::load();
        QList<TaxBracket> list = rates.brackets(kind);
        list[row - 1] = {upper < 0 ? std::nullopt : std::optional<double>(upper), rate, kcs};
        rates.setBrackets(kind, list);
        const std::optional<TaxFault> fault = rates.checkSave();
        if (faultRow == 0) {
            QVERIFY(!fault);
            return;
        }
        QVERIFY(fault);
        QCOMPARE(fault->kind, kind);
        QCOMPARE(fault->row, faultRow);
        QVERIFY2(fault->message.startsWith(QStringLiteral("%1第%2行：").arg(TaxRates::kindName(kind)).arg(faultRow)),
                 qPrintable(fault->message));
        QVERIFY2(fault->message.contains(why), qPrintable(fault->message));
        // Refused: nothing written, and a calculation on such a table names the fault.
        const QVariant before = app.scalar(QStringLiteral("select group_concat(upper||'/'||rate) from taxrate"));
        QVERIFY_THROWS_EXCEPTION(DbError, rates.save());
        QCOMPARE(app.scalar(QStringLiteral("select group_concat(upper||'/'||rate) from taxrate")), before);
        try {
            kind == TaxRates::Wages ? rates.iit(1e7) : rates.iitBonus(1e7);
            QFAIL("a broken table gave a tax");
        } catch (const TaxError &e) {
            QVERIFY2(e.message().contains(fault->message), qPrintable(e.message()));
        }
    }

    void emptyTable()
    {
        TaxRates rates = TaxRates::standard();
        rates.setBrackets(TaxRates::Bonus, {});
        QCOMPARE(rates.checkSave()->message,
                 TaxRates::kindName(TaxRates::Bonus) + QStringLiteral("：至少要有一档税率"));
        QCOMPARE(rates.iit(18500), 555.0); // the other table still gives its tax
    }

    // A database of an earlier version gets the tables and the permission codes, once: a second
    // run changes nothing, and the rows are those of a new database.
    void upgradeStep()
    {
        test::TestApp app;
        app.exec(QStringLiteral("drop table taxrate"));
        app.exec(QStringLiteral("delete from roles where roleid in (1517,1307,1309)"));
        for (int run = 0; run < 2; ++run)
            inTransaction([] {
                for (const QString &sql : taxRateUpgradeStatements())
                    dmMain->exec(sql);
            });
        QCOMPARE(app.scalar(QStringLiteral("select count(*) from taxrate")).toInt(), 14);
        QCOMPARE(app.scalar(QStringLiteral("select group_concat(rolename) from (select rolename from roles where "
                                           "roleid in (1307,1309,1517) order by roleid)")),
                 QVariant(QStringLiteral("年度汇总,个税申报导出,税率表")));
        const TaxRates loaded = TaxRates::load(), standard = TaxRates::standard();
        for (int kind : TaxRates::Kinds)
            for (int i = 0; i < 7; ++i) {
                QCOMPARE(loaded.brackets(kind)[i].upper, standard.brackets(kind)[i].upper);
                QCOMPARE(loaded.brackets(kind)[i].rate, standard.brackets(kind)[i].rate);
                QCOMPARE(loaded.brackets(kind)[i].kcs, standard.brackets(kind)[i].kcs);
            }
    }

    void saveAndReload()
    {
        test::TestApp app;
        TaxRates rates = TaxRates::load();
        QList<TaxBracket> wages = rates.brackets(TaxRates::Wages);
        wages[0] = {40000, 0.05, 0};
        wages.removeAt(5); // six brackets now
        rates.setBrackets(TaxRates::Wages, wages);
        rates.save();
        QCOMPARE(app.scalar(QStringLiteral("select count(*) from taxrate where kind=1")).toInt(), 6);
        QCOMPARE(app.scalar(QStringLiteral("select max(xh) from taxrate where kind=1")).toInt(), 6);
        QVERIFY(app.scalar(QStringLiteral("select upper from taxrate where kind=1 and xh=6")).isNull());
        const TaxRates again = TaxRates::load();
        QCOMPARE(again.iit(18500), 925.0);
        QCOMPARE(again.brackets(TaxRates::Bonus).size(), 7);
        QCOMPARE(again.iitBonus(36000), 1080.0);
    }
};

QTEST_MAIN(TaxRatesTest)
#include "TaxRatesTest.moc"
