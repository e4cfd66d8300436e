// Backup speed: the whole backup of a generated 100 MB database (consistent copy, then the
// archive deflated at level 6) in MB/s, beside plain zlib deflating the same bytes at level 6 in
// memory. The goal is at least 80 % of zlib's speed.
//
//   bench_backup [--size-mb=N] [google benchmark options]
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "maintenance/Maintenance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

using namespace jjgz;

namespace {

qint64 g_targetBytes = 100LL << 20;
std::unique_ptr<QTemporaryDir> g_dir;
std::unique_ptr<TdmMain> g_dm;
QByteArray g_bytes; // the database file's bytes, for zlib
struct Speed {
    double real = 0; // MB/s by the clock on the wall
    double cpu = 0;  // MB/s by the processor time of this program (fairer on a busy machine)
};
std::map<std::string, Speed> g_speed;

void run(const QString &statement)
{
    QSqlQuery q(dmMain->conZt());
    if (!q.exec(statement)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(statement), qPrintable(q.lastError().text()));
        std::exit(1);
    }
}

// A database as a busy workshop fills it over years: piece-work records with their lines,
// employees, wage months.
void generate()
{
    g_dir = std::make_unique<QTemporaryDir>();
    QDir(g_dir->path()).mkpath(QStringLiteral("data"));
    const QString db = g_dir->filePath(QStringLiteral("data/zt000.mdb"));
    if (!QFile::copy(QStringLiteral(JJGZ_TEMPLATE_DB), db)) {
        std::fprintf(stderr, "cannot copy the delivered database\n");
        std::exit(1);
    }
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    setAppDir(g_dir->path());
    g_dm = std::make_unique<TdmMain>(db);
    dmMain = g_dm.get();

    run(QStringLiteral("with recursive c(n) as (select 1 union all select n + 1 from c where n < 3000) "
                       "insert into worker (wkcode, wkname, bmcode, tpcode, sex, sfid, addr, phone, indate, state) "
                       "select printf('%05d', n), '员工' || n, printf('%02d', n % 12), printf('%02d', n % 8), "
                       "case n % 2 when 0 then '男' else '女' end, printf('3201%014d', n * 7919), "
                       "'南京市江宁区' || (n % 40) || '号', printf('139%08d', n * 31), "
                       "date('2005-01-01', '+' || (n % 2000) || ' days'), 1 from c"));
    for (int f = 1; f <= 20; ++f)
        run(QStringLiteral("alter table gzdata add column f%1 float").arg(f));
    qint64 pid = 0;
    while (QFileInfo(db).size() < g_targetBytes) {
        run(QStringLiteral("begin"));
        run(QStringLiteral("with recursive c(n) as (select %1 union all select n + 1 from c where n < %2) "
                           "insert into jjdata (pid, dt, gzcode, gxcode, price, rs, xscode, xs, sl, je, opername) "
                           "select n, date('2010-01-01', '+' || (n / 400) || ' days'), printf('%02d', n % 17), "
                           "printf('%03d', (n * 13) % 120), round((n % 97) * 0.35 + 1, 2), 1 + n % 3, "
                           "printf('%02d', n % 4), 1 + (n % 4) * 0.1, 10 + n % 190, "
                           "round((10 + n % 190) * ((n % 97) * 0.35 + 1), 2), 'admin' from c")
                .arg(pid + 1)
                .arg(pid + 50000));
        run(QStringLiteral("insert into jjdata_d (pid, wkcode, tpcode, bl, je) "
                           "select pid, printf('%05d', (pid * 7 + k) % 3000 + 1), printf('%02d', k), 1.0 / 3, "
                           "round(je / 3, 2) from jjdata, (select 1 as k union all select 2 union all select 3) "
                           "where pid > %1")
                .arg(pid));
        run(QStringLiteral("commit"));
        pid += 50000;
    }
    const qint64 months = pid / 400 / 30 + 1;
    run(QStringLiteral("with recursive m(n) as (select 0 union all select n + 1 from m where n < %1) "
                       "insert into gzdata (xyear, xmonth, wkcode, f1, f2, f3) "
                       "select 2010 + n / 12, 1 + n % 12, wkcode, 1800 + (rowid % 50) * 10, (rowid * n) % 3000, 12.5 "
                       "from worker, m")
            .arg(months));
    dmMain->close();
    QFile file(db);
    file.open(QIODevice::ReadOnly);
    g_bytes = file.readAll();
    dmMain->reopen();
}

void BM_Backup(benchmark::State &state)
{
    QTemporaryDir target;
    const QDateTime at(QDate(2024, 1, 5), QTime(14, 30, 12));
    qint64 archived = 0;
    for (auto _ : state) {
        const QString archive = backupDatabase(target.path(), at);
        state.PauseTiming();
        archived = QFileInfo(archive).size();
        QFile::remove(archive);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * g_bytes.size());
    state.counters["archive_MB"] = double(archived) / (1 << 20);
    state.counters["ratio"] = double(archived) / double(g_bytes.size());
}

void BM_ArchiveOnly(benchmark::State &state)
{
    QTemporaryDir target;
    const QString source = g_dir->filePath(QStringLiteral("data/zt000.mdb"));
    dmMain->close();
    for (auto _ : state)
        writeArchive(source, QString::fromLatin1(kArchiveEntry), target.filePath(QStringLiteral("x.bak")),
                     QDateTime::currentDateTime());
    dmMain->reopen();
    state.SetBytesProcessed(int64_t(state.iterations()) * g_bytes.size());
}

void BM_ZlibLevel6(benchmark::State &state)
{
    std::vector<unsigned char> out(compressBound(uLong(g_bytes.size())));
    uLong produced = 0;
    for (auto _ : state) {
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY); // raw deflate, as in a ZIP
        z.next_in = reinterpret_cast<Bytef *>(g_bytes.data());
        z.avail_in = uInt(g_bytes.size());
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        deflate(&z, Z_FINISH);
        produced = z.total_out;
        deflateEnd(&z);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * g_bytes.size());
    state.counters["archive_MB"] = double(produced) / (1 << 20);
}

// Remembers each benchmark's MB/s for the summary.
class Reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        const double mb = double(g_bytes.size()) / (1 << 20);
        for (const Run &r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0)
                continue;
            // Adjusted times are per iteration, in the benchmark's unit (milliseconds).
            g_speed[r.run_name.function_name] = {mb / (r.GetAdjustedRealTime() / 1000),
                                                 mb / (r.GetAdjustedCPUTime() / 1000)};
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--size-mb=", 10) == 0)
            g_targetBytes = std::atoll(argv[i] + 10) << 20;
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    generate();
    std::printf("database: %.1f MB\n", double(g_bytes.size()) / (1 << 20));
    benchmark::RegisterBenchmark("zlib_level6", BM_ZlibLevel6)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    benchmark::RegisterBenchmark("backup", BM_Backup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
    benchmark::RegisterBenchmark("archive_only", BM_ArchiveOnly)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const Speed zlib = g_speed["zlib_level6"];
    std::printf("\n%-14s %12s %9s %12s %9s\n", "", "wall MB/s", "of zlib", "cpu MB/s", "of zlib");
    for (const char *name : {"zlib_level6", "backup", "archive_only"}) {
        const Speed s = g_speed[name];
        std::printf("%-14s %12.1f %8.0f%% %12.1f %8.0f%%\n", name, s.real,
                    zlib.real > 0 ? 100 * s.real / zlib.real : 0.0, s.cpu, zlib.cpu > 0 ? 100 * s.cpu / zlib.cpu : 0.0);
    }
    std::printf("goal: backup at least 80%% of zlib level 6\n");
    dmMain = nullptr;
    g_dm.reset();
    return 0;
}
