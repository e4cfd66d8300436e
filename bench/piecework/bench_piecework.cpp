// The piece-work listing over a month of 20,000 employee lines (5,000 records of four lines,
// beside another full month): reading the month into the list with its names, as data only and
// as the listing window does it, in both modes.
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "piecework/JjData.h"
#include "piecework/PieceListing.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <memory>

using namespace jjgz;

namespace {

constexpr int RecordsPerMonth = 5000;
constexpr int LinesPerRecord = 4;

void run(QSqlQuery &q, const QString &sql)
{
    if (!q.exec(sql))
        qFatal("%s", qPrintable(sql));
}

// Master data and two months (February and March 2010) of records.
void seed()
{
    QSqlDatabase db = dmMain->conZt();
    db.transaction();
    QSqlQuery q(db);
    for (int i = 1; i <= 10; ++i) {
        run(q, QStringLiteral("insert into depart values('%1','车间%1')").arg(i, 2, 10, QLatin1Char('0')));
        run(q, QStringLiteral("insert into worker_tp values('%1','职位%1')").arg(i, 2, 10, QLatin1Char('0')));
        run(q, QStringLiteral("insert into jjgz values('%1','工种%1')").arg(i));
        run(q, QStringLiteral("insert into jjxs values('%1','系数%1',%2)").arg(i).arg(1 + i / 10.0));
        for (int g = 1; g <= 20; ++g)
            run(q, QStringLiteral("insert into jjgx values('%1','%2','工序%1-%2','件',1.5,2)")
                       .arg(i)
                       .arg(g, 3, 10, QLatin1Char('0')));
    }
    for (int w = 1; w <= 400; ++w)
        run(q, QStringLiteral("insert into worker (wkcode,wkname,bmcode,sex,tpcode,gztp,state) "
                              "values('%1','员工%1','%2','男','%2',0,0)")
                   .arg(w, 4, 10, QLatin1Char('0'))
                   .arg(w % 10 + 1, 2, 10, QLatin1Char('0')));
    QSqlQuery rec(db);
    rec.prepare(QStringLiteral("insert into jjdata (pid,dt,gzcode,gxcode,price,rs,xscode,xs,sl,je,opername) values "
                               "(?,?,?,?,1.5,2,?,1.1,10,16.5,'admin')"));
    QSqlQuery line(db);
    line.prepare(QStringLiteral("insert into jjdata_d (pid,wkcode,tpcode,bl,je) values (?,?,?,0.25,4.13)"));
    int pid = 0;
    for (int month : {2, 3}) {
        for (int r = 0; r < RecordsPerMonth; ++r) {
            ++pid;
            rec.addBindValue(pid);
            rec.addBindValue(QDate(2010, month, r % 28 + 1).toString(QStringLiteral("yyyy-MM-dd")));
            rec.addBindValue(QString::number(r % 10 + 1));
            rec.addBindValue(QStringLiteral("%1").arg(r % 20 + 1, 3, 10, QLatin1Char('0')));
            rec.addBindValue(r % 3 ? QVariant(QString::number(r % 10 + 1)) : QVariant(QMetaType(QMetaType::QString)));
            if (!rec.exec())
                qFatal("record");
            for (int l = 0; l < LinesPerRecord; ++l) {
                const int w = (r * LinesPerRecord + l) % 400 + 1;
                line.addBindValue(pid);
                line.addBindValue(QStringLiteral("%1").arg(w, 4, 10, QLatin1Char('0')));
                line.addBindValue(QStringLiteral("%1").arg(w % 10 + 1, 2, 10, QLatin1Char('0')));
                if (!line.exec())
                    qFatal("line");
            }
        }
    }
    db.commit();
}

ListingQuery march(bool detail)
{
    PieceFilter filter;
    filter.month = QDate(2010, 3, 1);
    filter.detail = detail;
    return PieceListing::buildQuery(filter);
}

// The month read into the list with its names (lookups read once, as the window does).
void BM_ListMonthData(benchmark::State &state)
{
    const bool detail = state.range(0) != 0;
    PieceLookups lookups;
    lookups.load();
    DataTable list;
    PieceListing::defineListFields(list);
    const ListingQuery query = march(detail);
    int rows = 0;
    for (auto _ : state)
        rows = PieceListing::load(list, query, lookups);
    state.counters["rows"] = rows;
    state.SetLabel(detail ? "header-and-lines" : "header-only");
}

// What the clerk waits for: a new listing window reads its lookups and runs the query into its grid.
void BM_ListingWindow(benchmark::State &state)
{
    const bool detail = state.range(0) != 0;
    const ListingQuery query = march(detail);
    int rows = 0;
    for (auto _ : state) {
        TfrmJjData form;
        form.resize(1200, 700);
        form.runQuery(query);
        form.show();
        QApplication::processEvents();
        rows = form.tmp->rowCount();
    }
    state.counters["rows"] = rows;
    state.SetLabel(detail ? "header-and-lines" : "header-only");
}

// The statement alone, every value read once: the part the database engine takes.
void BM_QueryOnly(benchmark::State &state)
{
    const ListingQuery query = march(state.range(0) != 0);
    int rows = 0;
    for (auto _ : state) {
        JetQuery q(dmMain->conZt());
        q.setSql(query.sql);
        for (const QVariant &v : query.values)
            q.addBind(v);
        q.open();
        rows = 0;
        while (!q.eof()) {
            for (int i = 0; i < q.fieldCount(); ++i)
                benchmark::DoNotOptimize(q.value(i));
            ++rows;
            q.next();
        }
    }
    state.counters["rows"] = rows;
}

BENCHMARK(BM_QueryOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListMonthData)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListingWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    setAppDir(dir.path());
    const QString path = dir.filePath(QStringLiteral("zt000.mdb"));
    if (!QFile::copy(QStringLiteral(JJGZ_TEMPLATE_DB), path))
        qFatal("cannot copy the delivered database");
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    auto dm = std::make_unique<TdmMain>(path);
    dmMain = dm.get();
    CurOperName = QStringLiteral("admin");
    CurBizDate = QStringLiteral("2010-03-15");
    seed();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dmMain = nullptr;
    return 0;
}
