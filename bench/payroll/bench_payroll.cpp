// A month of a large works: 5,000 employees in 20 departments, 40 items (10 typed, 30 with
// formulas, 10 of them with conditions, several using JJe / JSl, scripts with variables) and
// 100,000 piece-work share lines. Measures loading the month, calculating and saving it, and
// the literal procedure (every text compiled per cell, one total query per use; the oracle of
// the tests) on the same data. A second, named case keeps a few failing cells (two divisions by
// zero, for the employees whose divisor is 0). A summary with the ratio is printed at the end.
// A third month, December with the eleven months before it stored, takes the tax the
// cumulative way (SUMYTD on four items).
#include <benchmark/benchmark.h>

#include "LiteralOracle.h"
#include "data/MainDM.h"
#include "payroll/WageSheet.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

using namespace jjgz;

namespace {

constexpr int kEmployees = 5000;
constexpr int kDepartments = 20;
constexpr int kItems = 40;
constexpr int kTyped = 10;
constexpr int kLines = 100000;
constexpr int kYear = 2024;
constexpr int kMonth = 5;

std::map<std::string, double> g_seconds;

void exec(QSqlQuery &q, const QString &sql)
{
    if (!q.exec(sql)) {
        std::fprintf(stderr, "%s\n", qPrintable(sql));
        std::abort();
    }
}

// The 30 formulas of items 11..40: (text, condition).
QList<QPair<QString, QString>> formulas()
{
    QList<QPair<QString, QString>> f;
    f << qMakePair(QStringLiteral("JJe"), QString())                              // f11
      << qMakePair(QStringLiteral("JSl*0.05"), QString())                         // f12
      << qMakePair(QStringLiteral("f1+f2+f3"), QString())                         // f13
      << qMakePair(QStringLiteral("f13*0.1"), QStringLiteral("f1>=2000"))         // f14
      << qMakePair(QStringLiteral("ROUND(f11*105)/100"), QString())               // f15
      << qMakePair(QStringLiteral("IIF(f12>10,50,0)"), QString())                 // f16
      << qMakePair(QStringLiteral("f3/MAX(f4,1)"), QString())                     // f17: f4 is 0 for some
      << qMakePair(QStringLiteral("ABS(f5-f6)"), QString())                       // f18
      << qMakePair(QStringLiteral("f11+f13+f14"), QString())                      // f19
      << qMakePair(QStringLiteral("200"), QStringLiteral("f7>=20 AND f8<5"))      // f20
      << qMakePair(QStringLiteral("f19*0.08"), QString())                         // f21
      << qMakePair(QStringLiteral("f19*0.02"), QString())                         // f22
      << qMakePair(QStringLiteral("f19*0.005"), QString())                        // f23
      << qMakePair(QStringLiteral("f21+f22+f23"), QString())                      // f24
      << qMakePair(QStringLiteral("f19-f24"), QString())                          // f25
      << qMakePair(QStringLiteral("(f25-5000)*0.03"), QStringLiteral("f25>5000")) // f26
      << qMakePair(QStringLiteral("f25-f26"), QString())                          // f27
      << qMakePair(QStringLiteral("f40+1"), QString())                            // f28: right-hand reference
      << qMakePair(QStringLiteral("JJe/MAX(JSl,1)"), QStringLiteral("JSl>0"))     // f29
      << qMakePair(QStringLiteral("MAX(f1,f2)"), QString())                       // f30
      << qMakePair(QStringLiteral("f9*f10"), QStringLiteral("f9>0"))              // f31
      << qMakePair(QStringLiteral("SQRT(ABS(f27))"), QString())                   // f32
      << qMakePair(QStringLiteral("f27*12"), QString())                           // f33
      << qMakePair(QStringLiteral("x := TRUNC(f33/100); IF x > 50 THEN b := 1; RESULT := x*100 + b"),
                   QString())                                                // f34: a script
      << qMakePair(QStringLiteral("f11*0.1"), QStringLiteral("JJe>1000"))    // f35
      << qMakePair(QStringLiteral("f35+f20+f16"), QString())                 // f36
      << qMakePair(QStringLiteral("f27+f36"), QString())                     // f37
      << qMakePair(QStringLiteral("f37/MAX(f8,1)"), QStringLiteral("f8<>0")) // f38: f8 may be 0
      << qMakePair(QStringLiteral("LENGTH(\"abc\")+f37"), QString())         // f39
      << qMakePair(QStringLiteral("f39-f5"), QStringLiteral("f5<f39"));      // f40
    return f;
}

// The failing month's formulas where they differ: item number → (text, condition).
QList<QPair<int, QPair<QString, QString>>> failingFormulas()
{
    return {
        {17, {QStringLiteral("f3/f4"), QString()}},                // division by zero where f4 is 0
        {38, {QStringLiteral("f37/f8"), QStringLiteral("f8<>0")}}, // evaluated, so failing, where f8 is 0
    };
}

// Builds the month's database once.
QString buildDatabase(const QString &dir)
{
    const QString path = dir + QStringLiteral("/zt000.mdb");
    QFile::copy(QStringLiteral(JJGZ_TEMPLATE_DB), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    TdmMain dm(path);
    dmMain = &dm;
    QSqlQuery q(dm.conZt());
    exec(q, QStringLiteral("begin"));
    QRandomGenerator rnd(5000);
    for (int d = 0; d < kDepartments; ++d)
        exec(q, QStringLiteral("insert into depart values('%1','部门%1')").arg(d, 2, 10, QLatin1Char('0')));
    exec(q, QStringLiteral("insert into worker_tp values('01','工人')"));
    q.prepare(QStringLiteral("insert into worker(wkcode,wkname,bmcode,sex,tpcode,state) values(?,?,?,'男','01',0)"));
    for (int e = 0; e < kEmployees; ++e) {
        q.addBindValue(QStringLiteral("W%1").arg(e, 5, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("员工%1").arg(e));
        q.addBindValue(QStringLiteral("%1").arg(e % kDepartments, 2, 10, QLatin1Char('0')));
        q.exec();
    }
    for (int i = 1; i <= kItems; ++i) {
        exec(q, QStringLiteral("insert into gzxm values(%1,'f%1','项目%1',0,'0')").arg(i));
        exec(q, QStringLiteral("alter table gzdata add f%1 float default 0").arg(i));
    }
    const auto fs = formulas();
    q.prepare(QStringLiteral("insert into gzgs(xh,fname,gs,gsdesc,con,condesc) values(?,?,?,?,?,?)"));
    for (int k = 0; k < fs.size(); ++k) {
        q.addBindValue(k + 1);
        q.addBindValue(QStringLiteral("f%1").arg(kTyped + 1 + k));
        q.addBindValue(fs[k].first);
        q.addBindValue(fs[k].first);
        q.addBindValue(fs[k].second);
        q.addBindValue(fs[k].second);
        q.exec();
    }
    // Records of one to four share lines until 100,000 lines are written.
    QSqlQuery h(dm.conZt()), l(dm.conZt());
    h.prepare(QStringLiteral("insert into jjdata(pid,dt,sl,je) values(?,?,?,?)"));
    l.prepare(QStringLiteral("insert into jjdata_d(pid,wkcode,je) values(?,?,?)"));
    int lines = 0;
    for (int pid = 1; lines < kLines; ++pid) {
        const int month = pid % 10 == 0 ? 4 : kMonth; // a tenth falls into the month before
        h.addBindValue(pid);
        h.addBindValue(QStringLiteral("%1-%2-%3")
                           .arg(kYear)
                           .arg(month, 2, 10, QLatin1Char('0'))
                           .arg(1 + rnd.bounded(28), 2, 10, QLatin1Char('0')));
        h.addBindValue(rnd.bounded(10000) / 10.0);
        h.addBindValue(rnd.bounded(100000) / 100.0);
        h.exec();
        const int crew = 1 + int(rnd.bounded(4));
        for (int c = 0; c < crew && lines < kLines; ++c, ++lines) {
            l.addBindValue(pid);
            l.addBindValue(QStringLiteral("W%1").arg(int(rnd.bounded(kEmployees)), 5, 10, QLatin1Char('0')));
            l.addBindValue(rnd.bounded(100000) / 300.0);
            l.exec();
        }
    }
    exec(q, QStringLiteral("commit"));
    // The month with typed values.
    {
        WageSheet s;
        s.load(kYear, kMonth);
        exec(q, QStringLiteral("begin"));
        q.prepare(
            QStringLiteral("update gzdata set f1=?,f2=?,f3=?,f4=?,f5=?,f6=?,f7=?,f8=?,f9=?,f10=? where wkcode=?"));
        for (int e = 0; e < kEmployees; ++e) {
            for (int i = 0; i < kTyped; ++i)
                q.addBindValue(i == 3 || i == 7 ? double(rnd.bounded(30)) : rnd.bounded(500000) / 100.0);
            q.addBindValue(QStringLiteral("W%1").arg(e, 5, 10, QLatin1Char('0')));
            q.exec();
        }
        exec(q, QStringLiteral("commit"));
    }
    q.finish();
    dmMain = nullptr;
    return path;
}

// The same database with the formulas of failingFormulas().
QString buildFailingDatabase(const QString &dir, const QString &from)
{
    const QString path = dir + QStringLiteral("/failing.mdb");
    QFile::copy(from, path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    TdmMain dm(path);
    QSqlQuery q(dm.conZt());
    q.prepare(QStringLiteral("update gzgs set gs=?,gsdesc=?,con=?,condesc=? where fname=?"));
    for (const auto &[item, texts] : failingFormulas()) {
        q.addBindValue(texts.first);
        q.addBindValue(texts.first);
        q.addBindValue(texts.second);
        q.addBindValue(texts.second);
        q.addBindValue(QStringLiteral("f%1").arg(item));
        if (!q.exec())
            std::abort();
    }
    q.finish();
    return path;
}

// December of the same works with the eleven months before it stored (copies of the month, so
// every employee has a row in each) and item f40 taxed the cumulative way, with SUMYTD on four
// items: the calculation reads the earlier months once per item, for all employees.
constexpr int kTaxMonth = 12;

QString buildTaxDatabase(const QString &dir, const QString &from)
{
    const QString path = dir + QStringLiteral("/tax.mdb");
    QFile::copy(from, path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    TdmMain dm(path);
    QSqlQuery q(dm.conZt());
    exec(q, QStringLiteral("begin"));
    QStringList columns;
    for (int i = 1; i <= kItems; ++i)
        columns << QStringLiteral("f%1").arg(i);
    for (int m = 1; m <= kTaxMonth; ++m) {
        if (m == kMonth)
            continue;
        exec(q, QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) select xyear,%1,xh,fname,"
                               "xmname,ftype,fsize from gzxm_m where xyear=%2 and xmonth=%3")
                    .arg(m)
                    .arg(kYear)
                    .arg(kMonth));
        exec(q, QStringLiteral("insert into gzdata(xyear,xmonth,wkcode,%1) select xyear,%2,wkcode,%1 from gzdata "
                               "where xyear=%3 and xmonth=%4")
                    .arg(columns.join(u','))
                    .arg(m)
                    .arg(kYear)
                    .arg(kMonth));
    }
    exec(q, QStringLiteral("update gzgs set gs='Max(0, IIT(SUMYTD(\"f19\")+f19 - 5000*MONTHSYTD() - "
                           "(SUMYTD(\"f24\")+f24) - (SUMYTD(\"f23\")+f23)) - SUMYTD(\"f40\"))', con='' "
                           "where fname='f40'"));
    exec(q, QStringLiteral("commit"));
    q.finish();
    return path;
}

QString g_path, g_failingPath, g_taxPath;

struct Open {
    TdmMain dm;
    explicit Open(const QString &path = g_path) : dm(path) { dmMain = &dm; }
    ~Open() { dmMain = nullptr; }
};

void BM_LoadMonth(benchmark::State &state)
{
    Open open;
    WageSheet s;
    for (auto _ : state) {
        s.load(kYear, kMonth);
        benchmark::DoNotOptimize(s.tmp().rowCount());
    }
}

void BM_CalculateAndSave(benchmark::State &state)
{
    Open open;
    WageSheet s;
    int failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.load(kYear, kMonth);
        state.ResumeTiming();
        failed = s.CalculateSheet().failedCells;
        s.SaveSheet();
    }
    state.counters["failed_cells"] = failed;
}

void BM_CalculateAndSaveFailing(benchmark::State &state)
{
    Open open(g_failingPath);
    WageSheet s;
    int failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.load(kYear, kMonth);
        state.ResumeTiming();
        failed = s.CalculateSheet().failedCells;
        s.SaveSheet();
    }
    state.counters["failed_cells"] = failed;
}

void BM_CalculateAndSaveTax(benchmark::State &state)
{
    Open open(g_taxPath);
    WageSheet s;
    int failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.load(kYear, kTaxMonth);
        state.ResumeTiming();
        failed = s.CalculateSheet().failedCells;
        s.SaveSheet();
    }
    state.counters["failed_cells"] = failed;
}

void BM_Calculate(benchmark::State &state)
{
    Open open;
    WageSheet s;
    int failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.load(kYear, kMonth);
        state.ResumeTiming();
        failed = s.CalculateSheet().failedCells;
    }
    state.counters["failed_cells"] = failed;
}

// The literal procedure (the oracle of the tests) on the same month.
void BM_CalculateLiteral(benchmark::State &state)
{
    Open open;
    WageSheet s;
    s.load(kYear, kMonth);
    int failed = 0;
    for (auto _ : state)
        failed = test::literalCalculate(s).failedCells;
    state.counters["failed_cells"] = failed;
}

BENCHMARK(BM_LoadMonth)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CalculateAndSave)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CalculateAndSaveFailing)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CalculateAndSaveTax)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Calculate)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CalculateLiteral)->Unit(benchmark::kMillisecond)->Iterations(1);

// Keeps the CPU times of the runs for the summary: the machine may be shared, and waiting for
// other programs is no cost of ours (the real times are in the table above).
class Summary : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs)
            g_seconds[r.benchmark_name()] = r.GetAdjustedCPUTime() / 1000.0; // ms → s
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    std::fprintf(stderr, "building the month (%d employees, %d items, %d piece-work lines)...\n", kEmployees, kItems,
                 kLines);
    g_path = buildDatabase(dir.path());
    g_failingPath = buildFailingDatabase(dir.path(), g_path);
    g_taxPath = buildTaxDatabase(dir.path(), g_path);
    Summary reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double load = g_seconds["BM_LoadMonth/min_time:2.000"];
    const double calcSave = g_seconds["BM_CalculateAndSave/iterations:5"];
    const double failing = g_seconds["BM_CalculateAndSaveFailing/iterations:5"];
    const double cached = g_seconds["BM_Calculate/iterations:5"];
    const double literal = g_seconds["BM_CalculateLiteral/iterations:1"];
    const double tax = g_seconds["BM_CalculateAndSaveTax/iterations:5"];
    std::printf("\nsummary (CPU time): load %.3f s (goal < 0.05), calculate + save %.3f s (goal < 0.1), "
                "calculate %.3f s against the literal procedure %.3f s: %.0fx (goal >= 50x); "
                "with a few failing cells calculate + save %.3f s; December with eleven months stored and "
                "the tax by SUMYTD on four items calculate + save %.3f s (goal < 0.15)\n",
                load, calcSave, cached, literal, cached > 0 ? literal / cached : 0.0, failing, tax);
    benchmark::Shutdown();
    return 0;
}
