// The year-to-date reads and the tax withheld the cumulative way, month after month, on the
// plain classes: the tax authority's worked examples, a person hired in March, a December of
// the year before, an item missing from a month's item list, and the grouped reads against the
// plain reading of every month as the oracle.
#include "tax/YearToDate.h"
#include "TestSupport.h"
#include "data/MyFun.h"
#include "tax/TaxRates.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

using namespace jjgz;

namespace {

struct Pay {
    QString wkcode;
    double income, special, additional; // f5, f6, f7
};

const QStringList kItems = {QStringLiteral("f5"), QStringLiteral("f6"), QStringLiteral("f7"), QStringLiteral("f9")};

void addColumns(test::TestApp &app)
{
    for (const QString &f : kItems)
        app.exec(QStringLiteral("alter table gzdata add %1 float default 0").arg(f));
}

void monthItems(test::TestApp &app, int y, int m, const QStringList &items)
{
    int xh = 0;
    for (const QString &f : items)
        app.exec(QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) values(?,?,?,?,?,0,'0')"),
                 {y, m, ++xh, f, f});
}

// One month as the standard formula calculates it:
// Max(0, IIT(SUMYTD("f5")+f5 - 5000*MONTHSYTD() - (SUMYTD("f6")+f6) - (SUMYTD("f7")+f7)) - SUMYTD("f9"))
void calculateMonth(test::TestApp &app, int y, int m, const QList<Pay> &pay, YearToDate *keep = nullptr)
{
    // One transaction per month, as the calculation saves it (and quick on the test's disk).
    dmMain->beginTrans();
    monthItems(app, y, m, kItems);
    const TaxRates rates = TaxRates::load();
    YearToDate local(y, m);
    YearToDate &ytd = keep ? *keep : local;
    for (const Pay &p : pay) {
        const double taxable = ytd.sum(QStringLiteral("f5"), p.wkcode).value + p.income
                               - 5000.0 * (ytd.monthsBefore(p.wkcode) + 1)
                               - (ytd.sum(QStringLiteral("f6"), p.wkcode).value + p.special)
                               - (ytd.sum(QStringLiteral("f7"), p.wkcode).value + p.additional);
        const double tax = std::max(0.0, rates.iit(taxable) - ytd.sum(QStringLiteral("f9"), p.wkcode).value);
        app.exec(QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f5,f6,f7,f9) values(?,?,?,?,?,?,?)"),
                 {y, m, p.wkcode, p.income, p.special, p.additional, RoundDec(2, tax)});
    }
    dmMain->commitTrans();
}

double taxOf(test::TestApp &app, int y, int m, const QString &wk)
{
    return app.scalar(QStringLiteral("select f9 from gzdata where xyear=? and xmonth=? and wkcode=?"), {y, m, wk})
        .toDouble();
}

} // namespace

class YearToDateTest : public QObject {
    Q_OBJECT

private slots:
    void workedExamples()
    {
        test::TestApp app;
        addColumns(app);
        // A December of the year before, with large values, must not count.
        monthItems(app, 2023, 12, kItems);
        app.exec(
            QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f5,f6,f7,f9) values(2023,12,'A',90000,0,0,20000)"));
        const Pay a{QStringLiteral("A"), 30000, 4500, 2000};
        const Pay b{QStringLiteral("B"), 10000, 1500, 2000};
        const Pay c{QStringLiteral("C"), 30000, 4500, 2000}; // hired in March
        for (int m = 1; m <= 12; ++m) {
            QList<Pay> pay{a, b};
            if (m >= 3)
                pay << c;
            calculateMonth(app, 2024, m, pay);
        }
        QCOMPARE(taxOf(app, 2024, 1, QStringLiteral("A")), 555.0);
        QCOMPARE(taxOf(app, 2024, 2, QStringLiteral("A")), 625.0);
        QCOMPARE(taxOf(app, 2024, 3, QStringLiteral("A")), 1850.0);
        // Cumulative taxable income 18500 × 12 = 222000: the year's tax is 222000 × 20% − 16920.
        QCOMPARE(app.scalar(QStringLiteral("select sum(f9) from gzdata where xyear=2024 and wkcode='A'")).toDouble(),
                 27480.0);
        for (int m = 1; m <= 12; ++m)
            QCOMPARE(taxOf(app, 2024, m, QStringLiteral("B")), 45.0);
        QCOMPARE(taxOf(app, 2024, 3, QStringLiteral("C")), 555.0);
        QCOMPARE(taxOf(app, 2024, 4, QStringLiteral("C")), 625.0);

        YearToDate ytd(2024, 3);
        QCOMPARE(ytd.monthsBefore(QStringLiteral("C")), 0);
        QCOMPARE(ytd.monthsBefore(QStringLiteral("a")), 2); // codes compare as the database does
        const YearToDate::Sum s = ytd.sum(QStringLiteral("f9"), QStringLiteral("A"));
        QCOMPARE(s.value, 1180.0);
        QCOMPARE(s.months, 2);
        YearToDate january(2024, 1);
        QCOMPARE(january.sum(QStringLiteral("f5"), QStringLiteral("A")).months, 0);
        QCOMPARE(january.monthsBefore(QStringLiteral("A")), 0);
    }

    // A changed bracket changes the next calculation: the tables are read per calculation.
    void changedBracket()
    {
        test::TestApp app;
        addColumns(app);
        calculateMonth(app, 2024, 1, {{QStringLiteral("A"), 30000, 4500, 2000}});
        QCOMPARE(taxOf(app, 2024, 1, QStringLiteral("A")), 555.0);
        app.exec(QStringLiteral("update taxrate set rate=0.04, upper=40000 where kind=1 and xh=1"));
        // 37000 is in the first bracket now: 37000 × 4% − 555.
        calculateMonth(app, 2024, 2, {{QStringLiteral("A"), 30000, 4500, 2000}});
        QCOMPARE(taxOf(app, 2024, 2, QStringLiteral("A")), 925.0);
    }

    // One grouped read per distinct item and one for the months, whatever the number of employees.
    void readsPerItem()
    {
        test::TestApp app;
        addColumns(app);
        QList<Pay> pay;
        for (int i = 0; i < 30; ++i)
            pay << Pay{QStringLiteral("W%1").arg(i), 8000.0 + i * 1000, 1000, 0};
        calculateMonth(app, 2024, 1, pay);
        YearToDate ytd(2024, 2);
        calculateMonth(app, 2024, 2, pay, &ytd);
        QCOMPARE(ytd.reads(), 5);
    }

    void items()
    {
        test::TestApp app;
        addColumns(app);
        app.exec(QStringLiteral("alter table gzdata add f8 float default 0"));
        monthItems(app, 2024, 1, {QStringLiteral("f5"), QStringLiteral("f7")});
        monthItems(app, 2024, 2, {QStringLiteral("f5")}); // f7 is not an item of February
        monthItems(app, 2024, 3, {QStringLiteral("f5"), QStringLiteral("f7")});
        monthItems(app, 2024, 6, {QStringLiteral("f5"), QStringLiteral("f8")});
        for (int m : {1, 2})
            app.exec(QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f5,f7,f8) values(2024,?,'A',100,7,8)"),
                     {m});
        YearToDate ytd(2024, 3);
        QCOMPARE(ytd.sum(QStringLiteral("f7"), QStringLiteral("A")).value, 7.0);
        QCOMPARE(ytd.sum(QStringLiteral("f7"), QStringLiteral("A")).months, 1);
        QCOMPARE(ytd.sum(QStringLiteral("f5"), QStringLiteral("A")).value, 200.0);
        QCOMPARE(ytd.sum(QStringLiteral("f5"), QStringLiteral("nobody")).months, 0);
        QVERIFY(ytd.isItem(QStringLiteral("f5")));
        QVERIFY(!ytd.isItem(QStringLiteral("F5")));   // as formulas name items
        QVERIFY(!ytd.isItem(QStringLiteral("f8")));   // only from June on
        QVERIFY(!ytd.isItem(QStringLiteral("f5;x"))); // never pasted into a statement
        QVERIFY_THROWS_EXCEPTION(TaxError, ytd.sum(QStringLiteral("f8"), QStringLiteral("A")));
        QVERIFY_THROWS_EXCEPTION(TaxError, ytd.sum(QStringLiteral("f5 from gzdata--"), QStringLiteral("A")));
    }

    // The grouped reads against the plain reading, month by month and employee by employee, on
    // generated years: item lists that differ between months, employees who come and go, empty
    // values, and a second year around.
    void differential_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 42u, 2024u})
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }
    void differential()
    {
        QFETCH(quint32, seed);
        QRandomGenerator rnd(seed);
        test::TestApp app;
        addColumns(app);
        const QStringList employees = {QStringLiteral("a1"), QStringLiteral("A2"), QStringLiteral("b3"),
                                       QStringLiteral("c4"), QStringLiteral("D5")};
        dmMain->beginTrans();
        for (int y : {2023, 2024}) {
            for (int m = 1; m <= 12; ++m) {
                QStringList items;
                for (const QString &f : kItems)
                    if (rnd.bounded(5) > 0)
                        items << f;
                monthItems(app, y, m, items);
                for (const QString &wk : employees) {
                    if (rnd.bounded(4) == 0)
                        continue;
                    QVariantList v;
                    for (int i = 0; i < kItems.size(); ++i)
                        v << (rnd.bounded(6) == 0 ? QVariant() : QVariant(rnd.bounded(100000) / 100.0));
                    app.exec(
                        QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,f5,f6,f7,f9) values(?,?,?,?,?,?,?)"),
                        {y, m, wk, v[0], v[1], v[2], v[3]});
                }
            }
        }
        dmMain->commitTrans();
        for (int m = 1; m <= 12; ++m) {
            YearToDate ytd(2024, m);
            for (const QString &wk : employees) {
                const QString asked = rnd.bounded(2) ? wk.toUpper() : wk;
                int rows = 0;
                for (int k = 1; k < m; ++k)
                    rows += app.scalar(QStringLiteral("select count(*) from gzdata where xyear=2024 and xmonth=? and "
                                                      "wkcode=?"),
                                       {k, wk})
                                .toInt();
                QCOMPARE(ytd.monthsBefore(asked), rows);
                for (const QString &f : kItems) {
                    const bool item = app.scalar(QStringLiteral("select count(*) from gzxm_m where xyear=2024 and "
                                                                "xmonth<=? and fname=?"),
                                                 {m, f})
                                          .toInt()
                                      > 0;
                    QCOMPARE(ytd.isItem(f), item);
                    if (!item)
                        continue;
                    double value = 0;
                    int months = 0;
                    for (int k = 1; k < m; ++k) {
                        if (app.scalar(QStringLiteral("select count(*) from gzxm_m where xyear=2024 and xmonth=? and "
                                                      "fname=?"),
                                       {k, f})
                                .toInt()
                            == 0)
                            continue;
                        const QVariant has = app.scalar(
                            QStringLiteral("select count(*) from gzdata where xyear=2024 and xmonth=? and wkcode=?"),
                            {k, wk});
                        if (has.toInt() == 0)
                            continue;
                        ++months;
                        value += app.scalar(QStringLiteral("select %1 from gzdata where xyear=2024 and xmonth=? and "
                                                           "wkcode=?")
                                                .arg(f),
                                            {k, wk})
                                     .toDouble();
                    }
                    const YearToDate::Sum s = ytd.sum(f, asked);
                    QCOMPARE(s.months, months);
                    QVERIFY2(std::abs(s.value - value) < 1e-6, qPrintable(QStringLiteral("%1 %2 month %3: %4 vs %5")
                                                                              .arg(f, wk)
                                                                              .arg(m)
                                                                              .arg(s.value, 0, 'f', 6)
                                                                              .arg(value, 0, 'f', 6)));
                }
            }
        }
    }
};

QTEST_MAIN(YearToDateTest)
#include "YearToDateTest.moc"
