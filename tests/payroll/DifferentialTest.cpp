// The wage calculation against the literal procedure on generated months: every stored value,
// every failed cell and every problem must be the same. The core is compared on many months in
// memory; one month per seed goes the whole way through the database and the sheet (twice, so
// that right-hand references read calculated values).
#include "LiteralOracle.h"
#include "PayrollFixture.h"
#include "SheetGenerator.h"
#include "data/MainDM.h"
#include "payroll/WageSheet.h"

#include <QtTest>

using namespace jjgz;
using namespace jjgz::test;

namespace {

QString cellText(const SheetCell &c)
{
    return c.null ? QStringLiteral("null") : QString::number(c.value, 'g', 17);
}

// Empty when equal, otherwise where they differ first.
QString difference(const std::vector<SheetCell> &cells, const QList<CellProblem> &problems, int failed,
                   const OracleResult &expected)
{
    if (cells.size() != expected.cells.size())
        return QStringLiteral("%1 cells against %2").arg(cells.size()).arg(expected.cells.size());
    for (size_t k = 0; k < cells.size(); ++k) {
        const SheetCell &a = cells[k], &b = expected.cells[k];
        if (a.null != b.null || (!a.null && a.value != b.value))
            return QStringLiteral("cell %1: %2, literal %3").arg(k).arg(cellText(a), cellText(b));
    }
    for (int k = 0; k < std::max(problems.size(), expected.problems.size()); ++k) {
        if (k >= problems.size() || k >= expected.problems.size())
            return QStringLiteral("%1 problems, literal %2").arg(problems.size()).arg(expected.problems.size());
        const CellProblem &a = problems[k], &b = expected.problems[k];
        if (a.kind != b.kind || a.row != b.row || a.item != b.item || a.wkcode != b.wkcode || a.fname != b.fname
            || !(a.error == b.error))
            return QStringLiteral("problem %1: %2 %3/%4 %5, literal %6 %7/%8 %9")
                .arg(k)
                .arg(int(a.kind))
                .arg(a.row)
                .arg(a.item)
                .arg(a.error.text())
                .arg(int(b.kind))
                .arg(b.row)
                .arg(b.item)
                .arg(b.error.text());
    }
    if (failed != expected.failedCells)
        return QStringLiteral("%1 failed cells, literal %2").arg(failed).arg(expected.failedCells);
    return QString();
}

// The month in memory: the core's month calculation against the literal procedure.
QString compareCore(const GeneratedMonth &m)
{
    SheetEvaluator evaluator;
    LiteralMonth literal = m.literal();
    std::vector<std::string> codes;
    for (const QString &f : literal.fnames)
        codes.push_back(toEvaluatorText(f));
    evaluator.setItems(codes);
    const std::vector<CellTexts> texts = m.cellTexts();
    const std::vector<PieceworkTotals> totals = m.totals();
    std::vector<SheetCell> cells = literal.cells;
    for (int round = 0; round < 2; ++round) {
        const OracleResult expected = literalCalculate(literal);
        const CalcResult r = calculateMonth(evaluator, texts, literal.fnames, literal.wkcodes, totals, cells);
        const QString d = difference(cells, r.problems, r.failedCells, expected);
        if (!d.isEmpty())
            return QStringLiteral("round %1: %2").arg(round + 1).arg(d);
        literal.cells = cells;
    }
    return QString();
}

} // namespace

class DifferentialTest : public QObject {
    Q_OBJECT
private slots:
    void coreAgainstLiteral_data();
    void coreAgainstLiteral();
    void sheetAgainstLiteral_data();
    void sheetAgainstLiteral();
};

void DifferentialTest::coreAgainstLiteral_data()
{
    QTest::addColumn<int>("first");
    for (int k = 0; k < 20; ++k)
        QTest::newRow(qPrintable(QStringLiteral("seeds %1-%2").arg(k * 200).arg(k * 200 + 199))) << k * 200;
}

void DifferentialTest::coreAgainstLiteral()
{
    QFETCH(int, first);
    for (int seed = first; seed < first + 200; ++seed) {
        Chooser choose(static_cast<std::uint64_t>(seed));
        const GeneratedMonth m = generateMonth(choose);
        const QString d = compareCore(m);
        QVERIFY2(d.isEmpty(), qPrintable(QStringLiteral("seed %1: %2\n%3").arg(seed).arg(d, m.describe())));
    }
}

void DifferentialTest::sheetAgainstLiteral_data()
{
    QTest::addColumn<int>("seed");
    for (int seed = 1; seed <= 40; ++seed)
        QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed * 7919))) << seed * 7919;
}

void DifferentialTest::sheetAgainstLiteral()
{
    QFETCH(int, seed);
    Chooser choose(static_cast<std::uint64_t>(seed));
    const GeneratedMonth m = generateMonth(choose);
    TestApp app;
    PayrollFixture fx(app);
    dmMain->beginTrans();
    for (const GeneratedMonth::Employee &e : m.employees)
        fx.worker(e.wkcode, e.name);
    for (const GeneratedMonth::Item &it : m.items)
        fx.item(it.number, it.name);
    for (int k = 0; k < m.formulas.size(); ++k)
        fx.formula(k + 1, m.formulas[k].fname, m.formulas[k].gs, m.formulas[k].con);
    for (int k = 0; k < m.records.size(); ++k) {
        const GeneratedMonth::Record &r = m.records[k];
        QList<QPair<QString, double>> lines;
        for (const GeneratedMonth::Share &s : r.shares)
            lines.append({m.employees[s.employee].wkcode, s.je});
        fx.piece(k + 1, r.day ? QStringLiteral("2024-05-%1").arg(r.day, 2, 10, QLatin1Char('0')) : "2024-04-30", r.sl,
                 lines);
    }
    dmMain->commitTrans();
    {
        WageSheet s;
        s.load(2024, 5);
    }
    dmMain->beginTrans();
    for (const GeneratedMonth::Employee &e : m.employees)
        for (int i = 0; i < m.items.size(); ++i)
            fx.setValue(2024, 5, e.wkcode, m.fname(i), e.values[i].null ? QVariant() : QVariant(e.values[i].value));
    dmMain->commitTrans();

    WageSheet s;
    s.load(2024, 5);
    for (int round = 0; round < 2; ++round) {
        const OracleResult expected = literalCalculate(s);
        const CalcResult r = s.CalculateSheet();
        const QString d = difference(s.sheet().cells(), r.problems, r.failedCells, expected);
        QVERIFY2(d.isEmpty(), qPrintable(QStringLiteral("round %1: %2\n%3").arg(round + 1).arg(d, m.describe())));
    }
    s.SaveSheet();
    const std::vector<SheetCell> saved = s.sheet().cells();
    s.load(2024, 5);
    const std::vector<SheetCell> loaded = s.sheet().cells();
    for (size_t k = 0; k < saved.size(); ++k)
        QVERIFY(saved[k].null == loaded[k].null && (saved[k].null || saved[k].value == loaded[k].value));
}

QTEST_MAIN(DifferentialTest)
#include "DifferentialTest.moc"
