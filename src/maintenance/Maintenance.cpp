#include "Maintenance.h"

#include "data/MainDM.h"
#include "data/MonthLocks.h"
#include "data/OpLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>

#include <sqlite3.h>
#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace jjgz {
namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// What an operating-system error means for the person at the desk.
QString systemReason(int error)
{
    switch (error) {
    case 0: return QString();
    case EACCES:
    case EPERM: return QStringLiteral("没有写入权限");
    case EROFS: return QStringLiteral("磁盘是只读的");
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return QStringLiteral("磁盘空间不足");
    case ENOENT:
    case ENOTDIR: return QStringLiteral("目录不存在");
    case EIO: return QStringLiteral("磁盘读写错误");
    default: return QStringLiteral("系统错误 %1").arg(error);
    }
}

// Reports a range of the overall percentage, each whole percent once.
class ProgressRange {
public:
    ProgressRange(const Progress &progress, int from, int to) : m_progress(progress), m_from(from), m_to(to) {}
    void report(qint64 done, qint64 total)
    {
        if (!m_progress)
            return;
        const int percent = total <= 0 ? m_to : m_from + int((m_to - m_from) * qMin(done, total) / total);
        if (percent != m_last) {
            m_last = percent;
            m_progress(percent);
        }
    }

private:
    const Progress &m_progress;
    int m_from;
    int m_to;
    int m_last = -1;
};

sqlite3 *rawHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3 *const *>(handle.data());
    return nullptr;
}

bool renameReplacing(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// ---- archive writing --------------------------------------------------------------------------

// The file to be archived, fed to libzip piece by piece so that the progress follows the bytes
// actually compressed (libzip compresses everything inside zip_close).
struct FileSource {
    QFile file;
    qint64 size = 0;
    qint64 done = 0;
    time_t mtime = 0;
    ProgressRange *progress = nullptr;
    zip_error_t error;
};

zip_int64_t fileSourceCallback(void *userdata, void *data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    auto *source = static_cast<FileSource *>(userdata);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        if (!source->file.open(QIODevice::ReadOnly)) {
            zip_error_set(&source->error, ZIP_ER_OPEN, EACCES);
            return -1;
        }
        source->done = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const qint64 n = source->file.read(static_cast<char *>(data), qint64(qMin<zip_uint64_t>(len, 1u << 30)));
        if (n < 0) {
            zip_error_set(&source->error, ZIP_ER_READ, EIO);
            return -1;
        }
        source->done += n;
        if (source->progress)
            source->progress->report(source->done, source->size);
        return n;
    }
    case ZIP_SOURCE_CLOSE: source->file.close(); return 0;
    case ZIP_SOURCE_STAT: {
        auto *st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &source->error);
        if (!st)
            return -1;
        zip_stat_init(st);
        st->size = zip_uint64_t(source->size);
        st->mtime = source->mtime;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR: return zip_error_to_data(&source->error, data, len);
    case ZIP_SOURCE_FREE: return 0; // the source belongs to writeArchive
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default: zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0); return -1;
    }
}

QString zipWriteReason(const zip_error_t *error)
{
    const int system = zip_error_code_system(error);
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_MEMORY: return QStringLiteral("内存不足");
    case ZIP_ER_READ: return QStringLiteral("读取数据库副本失败");
    case ZIP_ER_OPEN:
    case ZIP_ER_TMPOPEN:
    case ZIP_ER_WRITE:
    case ZIP_ER_CLOSE:
    case ZIP_ER_RENAME:
    case ZIP_ER_SEEK: return system ? systemReason(system) : QStringLiteral("不能写入文件");
    default: return QStringLiteral("压缩错误 %1").arg(zip_error_code_zip(error));
    }
}

MaintenanceError backupFailure(const QString &reason)
{
    return MaintenanceError(
        QStringLiteral("备份失败(%1)，没有生成备份文件。请检查备份目录和磁盘空间后重试。").arg(reason));
}

// ---- restoring --------------------------------------------------------------------------------

MaintenanceError restoreRefused(const QString &reason)
{
    return MaintenanceError(reason + QStringLiteral("\n系统的数据没有改变。"));
}

QString notOurBackup()
{
    return QStringLiteral("这个文件不是本系统的备份文件，不能恢复。");
}

// The last part of an entry name, whichever separator the archiver used.
QString lastComponent(const QString &name)
{
    const int cut = qMax(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    return name.mid(cut + 1);
}

// Reports kBusy to `progress` now and then while a statement of `db` runs: SQLite calls back
// every few thousand steps of its machine, and the report is passed on every 50 ms at most.
class BusyTicks {
public:
    BusyTicks(const QSqlDatabase &db, const Progress &progress) : m_handle(rawHandle(db)), m_progress(progress)
    {
        if (!m_progress)
            return;
        m_progress(kBusy);
        m_clock.start();
        if (m_handle)
            sqlite3_progress_handler(m_handle, 4000, &BusyTicks::tick, this);
    }
    ~BusyTicks()
    {
        if (m_handle && m_progress)
            sqlite3_progress_handler(m_handle, 0, nullptr, nullptr);
    }
    BusyTicks(const BusyTicks &) = delete;
    BusyTicks &operator=(const BusyTicks &) = delete;

private:
    static int tick(void *self)
    {
        auto *ticks = static_cast<BusyTicks *>(self);
        if (ticks->m_clock.elapsed() >= 50) {
            ticks->m_clock.restart();
            ticks->m_progress(kBusy);
        }
        return 0; // go on
    }

    sqlite3 *m_handle;
    const Progress &m_progress;
    QElapsedTimer m_clock;
};

// Proves that `path` holds a sound database of this program; throws when it does not. The check
// reads the whole file: `progress` hears kBusy while it runs. Returns what opening it added to a
// database of an earlier version.
QStringList checkDatabase(const QString &path, const Progress &progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.read(16) != QByteArray("SQLite format 3", 16))
        throw restoreRefused(QStringLiteral("备份文件中的 zt000.mdb 不是数据库文件，") + notOurBackup());
    file.close();
    QString problem;
    QStringList upgraded;
    try {
        TdmMain candidate(path);
        upgraded = candidate.upgradeNotes();
        QSqlQuery check(candidate.conZt());
        BusyTicks ticks(candidate.conZt(), progress);
        if (!check.exec(QStringLiteral("pragma integrity_check")) || !check.next())
            problem = QStringLiteral("数据库不能读取");
        else if (check.value(0).toString() != u"ok")
            problem = QStringLiteral("数据库已损坏");
    } catch (const DbError &) {
        problem = QStringLiteral("其中的数据库缺少本系统的数据表或不能打开");
    }
    if (!problem.isEmpty())
        throw restoreRefused(QStringLiteral("备份文件中的 zt000.mdb 不能使用(%1)，").arg(problem) + notOurBackup());
    return upgraded;
}

// ---- initialization ---------------------------------------------------------------------------

// The rules of the database that refuse to delete master data still in use, by the table they guard.
struct Guard {
    const char *table;
    const char *trigger;
};
const Guard kGuards[] = {
    {"depart", "depart_in_use"},
    {"worker_tp", "worker_tp_in_use"},
    {"jjgz", "jjgz_in_use"},
    {"jjgx", "jjgx_in_use"},
    {"jjxs", "jjxs_in_use"},
    // Closed months: checked and confirmed before anything is cleared (closedMonthsClearedBy).
    {"gzdata", "gzdata_closed_delete"},
    {"gzxm_m", "gzxm_m_closed_delete"},
    {"jjdata", "jjdata_closed_delete"},
    {"jjdata_d", "jjdata_d_closed_delete"},
};

// The table a "delete from t ..." statement clears.
QString clearedTable(const QString &statement)
{
    return statement.section(u' ', 2, 2).toLower();
}

void execDdl(const QString &sql)
{
    QSqlQuery query(dmMain->conZt());
    if (!query.exec(sql))
        throw DbError(query.lastError().databaseText());
}

} // namespace

QString backupFileName(const QDateTime &at)
{
    return QStringLiteral("jjgz") + at.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".bak");
}

void snapshotDatabase(const QString &target, const Progress &progress)
{
    sqlite3 *source = dmMain ? rawHandle(dmMain->conZt()) : nullptr;
    if (!source)
        throw backupFailure(QStringLiteral("数据库没有打开"));
    sqlite3 *copy = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(target).constData(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    if (rc != SQLITE_OK) {
        const int system = copy ? sqlite3_system_errno(copy) : 0;
        sqlite3_close(copy);
        throw backupFailure(QStringLiteral("不能建立数据库副本，")
                            + (system ? systemReason(system) : QStringLiteral("临时目录不能写入")));
    }
    ProgressRange range(progress, 0, 100);
    sqlite3_backup *backup = sqlite3_backup_init(copy, "main", source, "main");
    if (!backup) {
        sqlite3_close(copy);
        throw backupFailure(QStringLiteral("不能建立数据库副本"));
    }
    do {
        rc = sqlite3_backup_step(backup, 1024);
        range.report(sqlite3_backup_pagecount(backup) - sqlite3_backup_remaining(backup),
                     sqlite3_backup_pagecount(backup));
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            QThread::msleep(20);
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    const int system = sqlite3_system_errno(copy);
    sqlite3_close(copy);
    if (rc != SQLITE_DONE) {
        QFile::remove(target);
        throw backupFailure(QStringLiteral("不能建立数据库副本，")
                            + (rc == SQLITE_FULL ? QStringLiteral("磁盘空间不足")
                               : system          ? systemReason(system)
                                                 : QString::fromUtf8(sqlite3_errstr(rc))));
    }
}

void writeArchive(const QString &source, const QString &entryName, const QString &archive, const QDateTime &mtime,
                  const Progress &progress)
{
    const QString partial = archive + QStringLiteral(".part");
    FileSource input;
    input.file.setFileName(source);
    input.size = QFileInfo(source).size();
    input.mtime = time_t(mtime.isValid() ? mtime.toSecsSinceEpoch() : QDateTime::currentSecsSinceEpoch());
    ProgressRange range(progress, 0, 100);
    input.progress = &range;
    zip_error_init(&input.error);

    int openError = 0;
    zip_t *zip = zip_open(QFile::encodeName(partial).constData(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (!zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        const QString reason = zipWriteReason(&error);
        zip_error_fini(&error);
        throw backupFailure(reason);
    }
    auto fail = [&](const zip_error_t *error) {
        const QString reason = zipWriteReason(error);
        zip_discard(zip);
        QFile::remove(partial);
        zip_error_fini(&input.error);
        return backupFailure(reason);
    };
    zip_source_t *entry = zip_source_function(zip, fileSourceCallback, &input);
    if (!entry)
        throw fail(zip_get_error(zip));
    const zip_int64_t index = zip_file_add(zip, entryName.toUtf8().constData(), entry, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(entry);
        throw fail(zip_get_error(zip));
    }
    if (zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 6) < 0)
        throw fail(zip_get_error(zip));
    if (zip_close(zip) < 0) {
        zip_error_t error;
        zip_error_init(&error);
        // The source's own error says more than libzip's summary of it.
        zip_error_set(&error, zip_error_code_zip(zip_get_error(zip)), zip_error_code_system(zip_get_error(zip)));
        if (zip_error_code_zip(&input.error) != ZIP_ER_OK)
            zip_error_set(&error, zip_error_code_zip(&input.error), zip_error_code_system(&input.error));
        const MaintenanceError failure = fail(&error);
        zip_error_fini(&error);
        throw failure;
    }
    zip_error_fini(&input.error);
    if (!renameReplacing(partial, archive)) {
        const int system = errno;
        QFile::remove(partial);
        throw backupFailure(systemReason(system));
    }
}

QString backupDatabase(const QString &dir, const QDateTime &at, const Progress &progress)
{
    const QFileInfo folder(dir);
    if (!folder.isDir())
        throw backupFailure(QStringLiteral("目录 %1 不存在").arg(native(dir)));
    if (!folder.isWritable())
        throw backupFailure(QStringLiteral("目录 %1 没有写入权限").arg(native(dir)));
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw backupFailure(QStringLiteral("不能建立临时目录"));
    const QString copy = scratch.filePath(QString::fromLatin1(kArchiveEntry));
    // The copy is quick beside the compression: a tenth of the bar.
    snapshotDatabase(copy, [&](int percent) {
        if (progress)
            progress(percent / 10);
    });
    const QString archive = QDir(dir).filePath(backupFileName(at));
    writeArchive(copy, QString::fromLatin1(kArchiveEntry), archive, at, [&](int percent) {
        if (progress)
            progress(10 + percent * 90 / 100);
    });
    try {
        OpLog::log(OpAction::Backup, QFileInfo(archive).fileName(), native(dir));
    } catch (const DbError &e) {
        // The archive is written: a database that takes no row (a read-only copy) keeps no log.
        qWarning("backup not logged: %s", e.what());
    }
    return archive;
}

// ---- restore ----------------------------------------------------------------------------------

RestoreJob::RestoreJob(QString archive) : m_archive(std::move(archive))
{}

RestoreJob::~RestoreJob()
{
    if (!m_extracted.isEmpty())
        QFile::remove(m_extracted);
}

QString RestoreJob::keptCopyPath()
{
    return QFileInfo(databasePath()).dir().filePath(QStringLiteral("zt000_恢复前.mdb"));
}

void RestoreJob::extract(const Progress &progress)
{
    if (!m_extracted.isEmpty()) {
        QFile::remove(m_extracted);
        m_extracted.clear();
    }
    int openError = 0;
    zip_t *zip = zip_open(QFile::encodeName(m_archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &openError);
    if (!zip) {
        if (openError == ZIP_ER_OPEN || openError == ZIP_ER_READ || openError == ZIP_ER_NOENT)
            throw restoreRefused(QStringLiteral("不能读取文件 %1。").arg(native(m_archive)));
        throw restoreRefused(notOurBackup() + QStringLiteral("文件可能已损坏或不完整。"));
    }
    struct Closer {
        zip_t *zip;
        ~Closer() { zip_discard(zip); }
    } closer{zip};

    // The database entry: by its last name part only, so that no name leads out of the data folder.
    zip_int64_t found = -1;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!name
            || lastComponent(QString::fromUtf8(name)).compare(QLatin1String(kArchiveEntry), Qt::CaseInsensitive) != 0)
            continue;
        if (found >= 0)
            throw restoreRefused(QStringLiteral("备份文件中有不止一个 zt000.mdb，不能确定恢复哪一个。"));
        found = i;
    }
    if (found < 0)
        throw restoreRefused(QStringLiteral("备份文件中没有数据库 zt000.mdb，") + notOurBackup());

    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip, zip_uint64_t(found), 0, &st) < 0 || !(st.valid & ZIP_STAT_SIZE))
        throw restoreRefused(notOurBackup() + QStringLiteral("文件可能已损坏或不完整。"));
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        throw restoreRefused(QStringLiteral("备份文件设有密码，不能恢复。"));

    const QString dataDir = QFileInfo(databasePath()).absolutePath();
    const qint64 needed = qint64(st.size) + (16 << 20);
    const qint64 available = QStorageInfo(dataDir).bytesAvailable();
    if (available >= 0 && available < needed) {
        throw restoreRefused(
            QStringLiteral("磁盘空间不足：恢复需要 %1 MB，数据目录所在的磁盘只有 %2 MB 可用。请先腾出磁盘空间。")
                .arg((needed + (1 << 20) - 1) >> 20)
                .arg(available >> 20));
    }

    QTemporaryFile target(QDir(dataDir).filePath(QStringLiteral("zt000.mdb.restoring-XXXXXX")));
    if (!target.open())
        throw restoreRefused(
            QStringLiteral("不能在数据目录 %1 中写入文件(%2)。").arg(native(dataDir), systemReason(errno)));

    zip_file_t *entry = zip_fopen_index(zip, zip_uint64_t(found), 0);
    if (!entry) {
        const int code = zip_error_code_zip(zip_get_error(zip));
        throw restoreRefused(code == ZIP_ER_COMPNOTSUPP || code == ZIP_ER_ENCRNOTSUPP
                                 ? QStringLiteral("备份文件的压缩方式不受支持，不能恢复。")
                                 : notOurBackup() + QStringLiteral("文件可能已损坏或不完整。"));
    }
    ProgressRange range(progress, 0, 95);
    QByteArray buffer(1 << 18, Qt::Uninitialized);
    qint64 done = 0;
    QString problem;
    for (;;) {
        const zip_int64_t n = zip_fread(entry, buffer.data(), zip_uint64_t(buffer.size()));
        if (n < 0) {
            problem = notOurBackup() + QStringLiteral("文件已损坏或不完整(数据校验不符)。");
            break;
        }
        if (n == 0)
            break;
        if (target.write(buffer.constData(), n) != n) {
            problem =
                QStringLiteral("不能在数据目录 %1 中写入文件(%2)。")
                    .arg(native(dataDir), systemReason(target.error() == QFileDevice::ResourceError ? ENOSPC : EIO));
            break;
        }
        done += n;
        range.report(done, qint64(st.size));
    }
    zip_fclose(entry);
    if (problem.isEmpty() && done != qint64(st.size))
        problem = notOurBackup() + QStringLiteral("文件已损坏或不完整。");
    if (problem.isEmpty() && (!target.flush() || ::fsync(target.handle()) != 0))
        problem = QStringLiteral("不能在数据目录 %1 中写入文件(%2)。").arg(native(dataDir), systemReason(errno));
    if (!problem.isEmpty())
        throw restoreRefused(problem);
    target.close();

    m_upgraded = checkDatabase(target.fileName(), progress);
    if (progress)
        progress(100);
    // The restored file gets the permissions of the one it replaces.
    const QFileInfo current(databasePath());
    if (current.exists())
        QFile::setPermissions(target.fileName(), current.permissions());
    target.setAutoRemove(false);
    m_extracted = target.fileName();
}

void RestoreJob::install()
{
    if (m_extracted.isEmpty())
        throw MaintenanceError(QStringLiteral("备份文件还没有解压，不能恢复。"));
    const QString database = databasePath();
    const QString kept = keptCopyPath();
    const QString keptPartial = kept + QStringLiteral(".part");
    dmMain->close();

    // The current database is kept beside it: a second name for the same file when the disk
    // allows it, a copy otherwise. Then the restored file takes its place in one step.
    QFile::remove(keptPartial);
    int system = 0;
    bool keptOk = ::link(QFile::encodeName(database).constData(), QFile::encodeName(keptPartial).constData()) == 0
                  || QFile::copy(database, keptPartial);
    if (keptOk && !renameReplacing(keptPartial, kept)) {
        system = errno;
        keptOk = false;
    }
    const bool moved = keptOk && renameReplacing(m_extracted, database);
    if (keptOk && !moved)
        system = errno;
    if (!moved) {
        QFile::remove(keptPartial);
        dmMain->reopen();
        throw MaintenanceError(QStringLiteral("不能替换数据库文件(%1)，系统的数据没有改变。")
                                   .arg(system ? systemReason(system) : QStringLiteral("磁盘空间不足或没有写入权限")));
    }
    m_extracted.clear();

    try {
        dmMain->reopen();
    } catch (const DbError &e) {
        // The previous database goes back into place.
        QFile::remove(keptPartial);
        const bool back = (::link(QFile::encodeName(kept).constData(), QFile::encodeName(keptPartial).constData()) == 0
                           || QFile::copy(kept, keptPartial))
                          && renameReplacing(keptPartial, database);
        try {
            dmMain->reopen();
        } catch (const DbError &) {
        }
        throw MaintenanceError(back ? QStringLiteral("恢复的数据库不能打开(%1)，已换回原来的数据。").arg(e.message())
                                    : QStringLiteral("恢复的数据库不能打开(%1)。原来的数据库保存在 %2，请联系管理员。")
                                          .arg(e.message(), native(kept)));
    }
    // The restored database's log says from which archive it came (the replaced one is kept).
    try {
        OpLog::log(OpAction::Restore, QFileInfo(m_archive).fileName(),
                   QStringLiteral("原来的数据库保存在 %1").arg(native(kept)));
    } catch (const DbError &e) {
        qWarning("restore not logged: %s", e.what());
    }
}

// ---- initialization ---------------------------------------------------------------------------

const QList<InitGroupInfo> &initGroups()
{
    static const QList<InitGroupInfo> groups = {
        {InitGroup::Gz,
         "chkGz",
         QStringLiteral("工资数据"),
         true,
         {QStringLiteral("delete from gzxm_m"), QStringLiteral("delete from gzdata")}},
        {InitGroup::Jj,
         "chkJj",
         QStringLiteral("计件数据"),
         true,
         {QStringLiteral("delete from jjdata_d"), QStringLiteral("delete from jjdata")}},
        {InitGroup::User, "chkUser", QStringLiteral("员工档案"), true, {QStringLiteral("delete from worker")}},
        {InitGroup::Bm,
         "chkBm",
         QStringLiteral("部门、职位"),
         false,
         {QStringLiteral("delete from depart"), QStringLiteral("delete from worker_tp")}},
        {InitGroup::Gzxm,
         "chkGzxm",
         QStringLiteral("工资项目及公式"),
         false,
         {QStringLiteral("delete from gzxm_m"), QStringLiteral("delete from gzxm")}},
        {InitGroup::Gzgx,
         "chkGzgx",
         QStringLiteral("工种、工序、系数"),
         false,
         {QStringLiteral("delete from jjxs"), QStringLiteral("delete from jjgx_d"), QStringLiteral("delete from jjgx"),
          QStringLiteral("delete from jjgz")}},
        {InitGroup::Oper,
         "chkOper",
         QStringLiteral("操作员、权限"),
         false,
         {QStringLiteral("delete from rolelist"), QStringLiteral("delete from operator where opername<>'admin'")}},
    };
    return groups;
}

const InitGroupInfo &initGroupInfo(InitGroup group)
{
    return initGroups()[int(group)];
}

QString initQuestion(const QList<InitGroup> &groups)
{
    QString text = QStringLiteral("确认要清空以下数据吗？清空后不能恢复。\n");
    for (const InitGroupInfo &info : initGroups())
        if (groups.contains(info.group))
            text += u'\n' + info.caption;
    return text;
}

QStringList closedMonthsClearedBy(const QList<InitGroup> &groups)
{
    const bool wages = groups.contains(InitGroup::Gz);
    const bool items = groups.contains(InitGroup::Gzxm);
    const bool pieces = groups.contains(InitGroup::Jj);
    QStringList months;
    for (const MonthLock &lock : MonthLocks::all()) {
        auto has = [&](const QString &sql) { return dmMain->scalar(sql, {lock.year, lock.month}).toLongLong() > 0; };
        const QString pieceSql = QStringLiteral("select count(*) from jjdata where year(dt)=? and month(dt)=?");
        if ((wages
             && (has(QStringLiteral("select count(*) from gzdata where xyear=? and xmonth=?"))
                 || has(QStringLiteral("select count(*) from gzxm_m where xyear=? and xmonth=?"))))
            || (items && has(QStringLiteral("select count(*) from gzxm_m where xyear=? and xmonth=?")))
            || (pieces && has(pieceSql)))
            months << monthCaption(lock.year, lock.month);
    }
    return months;
}

void initializeData(const QList<InitGroup> &groups, bool clearClosed)
{
    QStringList statements;
    QStringList captions;
    for (const InitGroupInfo &info : initGroups())
        if (groups.contains(info.group)) {
            statements += info.statements;
            captions << info.caption;
        }
    if (statements.isEmpty())
        return;
    const QStringList closed = closedMonthsClearedBy(groups);
    if (!closed.isEmpty() && !clearClosed)
        throw MaintenanceError(QStringLiteral("以下月份已封账，不能清空：%1。请先取消封账后再初始化。")
                                   .arg(closed.join(QStringLiteral("、"))));
    if (!closed.isEmpty() && CurOperName.toLower() != u"admin")
        throw MaintenanceError(QStringLiteral("只有管理员才能清空已封账月份的数据。"));
    // The locks of months whose wages are cleared go with them.
    if (groups.contains(InitGroup::Gz))
        statements << QStringLiteral("delete from gzlock");
    QStringList cleared;
    for (const QString &statement : std::as_const(statements))
        cleared << clearedTable(statement);

    JetQuery &q = dmMain->qryExec;
    try {
        inTransaction([&] {
            // The guards of the tables to be cleared are set aside and put back in the same
            // transaction, so that they are back whatever happens.
            QStringList restore;
            for (const Guard &guard : kGuards) {
                if (!cleared.contains(QLatin1String(guard.table)))
                    continue;
                q.setSql(QStringLiteral("select sql from sqlite_master where type='trigger' and name=?"));
                q.addBind(QLatin1String(guard.trigger));
                q.open();
                const QString sql = q.eof() ? QString() : q.text(QStringLiteral("sql"));
                q.close();
                if (sql.isEmpty())
                    continue;
                execDdl(QStringLiteral("drop trigger \"%1\"").arg(QLatin1String(guard.trigger)));
                restore << sql;
            }
            for (const QString &statement : std::as_const(statements)) {
                q.setSql(statement);
                q.exec();
            }
            for (const QString &sql : std::as_const(restore))
                execDdl(sql);
            OpLog::log(OpAction::Init, captions.join(QStringLiteral("、")),
                       closed.isEmpty() ? QString()
                                        : QStringLiteral("含已封账月份：%1").arg(closed.join(QStringLiteral("、"))));
        });
    } catch (const DbError &e) {
        q.close();
        throw MaintenanceError(QStringLiteral("数据初始化失败(%1)，没有删除任何数据。").arg(e.message()));
    }
}

} // namespace jjgz
