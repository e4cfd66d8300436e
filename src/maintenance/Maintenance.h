#pragma once
// Backup, restore and clearing of the database, without any window. The dialogs of this folder
// are thin shells over these; tests and benchmarks call them directly.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>

namespace jjgz {

// A backup, restore or initialization that did not happen. message() says in Chinese what went
// wrong and what to do; whatever the action had started is undone before it is thrown.
class MaintenanceError : public std::exception {
public:
    explicit MaintenanceError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const char *what() const noexcept override { return m_utf8.constData(); }
    const QString &message() const { return m_message; }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Called with the overall percentage (0 to 100) while a long step runs, each time it changes,
// and with kBusy, repeatedly, while a step runs whose share cannot be measured (the check of a
// restored database): a screen shows that it is still working.
using Progress = std::function<void(int percent)>;
inline constexpr int kBusy = -1;

// The database's name inside a backup archive.
inline constexpr char kArchiveEntry[] = "zt000.mdb";

// "jjgz" + yyyyMMdd_HHmmss + ".bak": jjgz20240105_143012.bak.
QString backupFileName(const QDateTime &at);

// Copies the database open in dmMain into `target` (a new file) through SQLite's online backup,
// so that the copy is consistent even while the program holds the database open.
void snapshotDatabase(const QString &target, const Progress &progress = {});

// Writes a new archive `archive` holding `source` as its single entry `entryName`, deflated at
// level 6 and stamped `mtime`. The archive is written under a temporary name beside it and
// renamed when complete: a failure leaves no archive and no partial file.
void writeArchive(const QString &source, const QString &entryName, const QString &archive, const QDateTime &mtime,
                  const Progress &progress = {});

// The backup of the open database into the folder `dir`, named after `at`. Returns the path of
// the archive written.
QString backupDatabase(const QString &dir, const QDateTime &at, const Progress &progress = {});

// Restoring a backup archive over the database file of dmMain, in two steps: extract() takes the
// database out of the archive and proves it sound without touching the data folder; install()
// then puts it in place of the current database, which is kept as keptCopyPath().
class RestoreJob {
public:
    explicit RestoreJob(QString archive);
    ~RestoreJob(); // removes an extracted file that was not installed
    RestoreJob(const RestoreJob &) = delete;
    RestoreJob &operator=(const RestoreJob &) = delete;

    // Only the entry named zt000.mdb (any letter case, folder parts of the name ignored) is
    // used. It is extracted under a temporary name beside the database file and must be a sound
    // database of this program. Throws MaintenanceError when the archive is not such a backup.
    void extract(const Progress &progress = {});
    // Closes the connection, keeps the current database file as keptCopyPath(), moves the
    // extracted file into place in one step and opens the connection again. When the restored
    // file cannot be opened the previous one goes back, and MaintenanceError is thrown.
    void install();

    // The copy of the database that the last restore replaced, beside it.
    static QString keptCopyPath();
    // What bringing the extracted database up to date added (a backup of an earlier version).
    const QStringList &upgraded() const { return m_upgraded; }

private:
    QString m_archive;
    QString m_extracted;
    QStringList m_upgraded;
};

// Data initialization: the groups of tables that can be cleared, in the order they are cleared.
enum class InitGroup { Gz, Jj, User, Bm, Gzxm, Gzgx, Oper };

struct InitGroupInfo {
    InitGroup group;
    const char *checkBox; // object name of its check box
    QString caption;
    bool byDefault;
    QStringList statements;
};

const QList<InitGroupInfo> &initGroups();
const InitGroupInfo &initGroupInfo(InitGroup group);

// The question asked before clearing `groups`.
QString initQuestion(const QList<InitGroup> &groups);

// Runs the statements of `groups` (in the order of initGroups(), whatever the order given) in one
// transaction on dmMain->qryExec. The rules of the database that refuse to delete master data
// still in use are set aside while it runs, as initialization deletes what it is told; a failure
// deletes nothing and throws MaintenanceError.
// Closed months that would lose data (closedMonthsClearedBy) are refused unless `clearClosed`
// is given, which only admin may give; the months' locks go with their wage data. The log row of
// the initialization is written in the same transaction; the log itself is never cleared.
void initializeData(const QList<InitGroup> &groups, bool clearClosed = false);
// The closed months whose wage rows, item lists or piece-work records clearing `groups` deletes,
// as "yyyy年MM月" texts, oldest first.
QStringList closedMonthsClearedBy(const QList<InitGroup> &groups);

} // namespace jjgz
