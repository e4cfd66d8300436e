#include "MainDM.h"

#include "DataPaths.h"
#include "DbErrors.h"
#include "JetSql.h"
#include "MyFun.h"
#include "SchemaUpgrade.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QUuid>

#include <sqlite3.h>

#include <cerrno>

namespace jjgz {

TdmMain *dmMain = nullptr;
QString CurOperName;
QString CurBizDate;

namespace {

// The operating system's error of the engine's last failed call on `db`, or 0.
int systemErrno(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return 0;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return 0;
    sqlite3 *raw = *static_cast<sqlite3 *const *>(handle.data());
    return raw ? sqlite3_system_errno(raw) : 0;
}

DbError failure(const QSqlError &error, const QSqlDatabase &db = QSqlDatabase())
{
    int code = dbErrorCode(error);
    if (code == 0)
        code = dbErrorCodeOf(error.databaseText());
    // A write refused because the file reached the size the system allows it (the engine
    // reports it as an I/O error).
    if ((code == SQLITE_IOERR || code == SQLITE_FULL) && systemErrno(db) == EFBIG)
        return DbError(QStringLiteral("数据库文件已达到系统允许的最大文件大小，数据没有改变。"
                                      "请系统管理员放宽文件大小的限制，或把数据库移到限制以外的位置后再试"),
                       SQLITE_FULL);
    // A statement that reports damage: the quick check tells real damage from a passing fault.
    if (code == SQLITE_CORRUPT && db.isOpen() && !databaseDamaged(db))
        return DbError(
            QStringLiteral("读取数据库时出错，数据没有改变。请重新启动程序后再试；问题仍在时请从备份恢复数据库"), code);
    return DbError(dbErrorText(error), code);
}

// Dates travel as text "yyyy-MM-dd".
QVariant forBinding(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().isValid() ? QVariant(value.toDate().toString(QStringLiteral("yyyy-MM-dd")))
                                        : QVariant(QMetaType(QMetaType::QString));
    case QMetaType::QDateTime:
        return value.toDateTime().isValid() ? QVariant(value.toDateTime().date().toString(QStringLiteral("yyyy-MM-dd")))
                                            : QVariant(QMetaType(QMetaType::QString));
    default: return value;
    }
}

// The program's tables and the columns it relies on (the wage table gains columns at run time).
const struct {
    const char *table;
    const char *columns;
} kTables[] = {
    {"depart", "bmcode,bmname"},
    {"worker_tp", "tpcode,tpname"},
    {"worker", "wkcode,wkname,bmcode,sex,tpcode,sfid,xl,addr,phone,indate,bankacc,gztp,state,mm"},
    {"jjgz", "gzcode,gzname"},
    {"jjgx", "gzcode,gxcode,gxname,unit,price,rs"},
    {"jjgx_d", "gzcode,gxcode,tpcode,bl,price"},
    {"jjxs", "xscode,xsname,xs"},
    {"jjdata", "pid,dt,gzcode,gxcode,price,rs,xscode,xs,sl,je,opername"},
    {"jjdata_d", "pid,wkcode,tpcode,bl,je"},
    {"gzxm", "xh,fname,xmname,ftype,fsize"},
    {"gzxm_m", "xyear,xmonth,xh,fname,xmname,ftype,fsize"},
    {"gzgs", "xh,fname,gs,gsdesc,con,condesc"},
    {"gzdata", "xyear,xmonth,wkcode"},
    {"operator", "operno,opername,pwd,dept"},
    {"roles", "roleid,rolename,flag"},
    {"rolelist", "opername,roleid"},
    {"params", "pid,pvalue,pdesc"},
};

// The small tables read before the main window exists: read whole at start-up, so that damage
// in them is found while connecting.
const char *const kStartupTables[] = {"operator", "roles", "rolelist", "params"};

// Why a database file that opened cannot be used: it is busy, damaged or not this program's.
struct OpenTrouble {
    enum Kind { None, Busy, Damaged, Foreign } kind = None;
    QString detail; // for a foreign file: what is missing
};

OpenTrouble troubleOf(const QSqlDatabase &db, const QSqlError &error)
{
    switch (dbErrorCode(error)) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return {OpenTrouble::Busy, {}};
    case SQLITE_NOTADB: return {OpenTrouble::Foreign, QStringLiteral("文件不是数据库")};
    case SQLITE_CORRUPT:
    case SQLITE_IOERR: return {OpenTrouble::Damaged, {}};
    default:
        // Anything else the engine cannot read: the quick check tells damage from a stranger.
        if (databaseDamaged(db))
            return {OpenTrouble::Damaged, {}};
        return {OpenTrouble::Foreign, dbErrorText(error)};
    }
}

OpenTrouble checkTables(const QSqlDatabase &db)
{
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("select name from sqlite_master where type='table'")))
        return troubleOf(db, check.lastError());
    QStringList present;
    while (check.next())
        present << check.value(0).toString().toLower();
    if (check.lastError().isValid())
        return troubleOf(db, check.lastError());
    for (const auto &[table, columns] : kTables) {
        const QString name = QLatin1String(table);
        if (!present.contains(name))
            return {OpenTrouble::Foreign, QStringLiteral("缺少数据表 %1").arg(name)};
        if (!check.exec(QStringLiteral("pragma table_info(%1)").arg(name)))
            return troubleOf(db, check.lastError());
        QStringList has;
        while (check.next())
            has << check.value(1).toString().toLower();
        for (const QString &column : QString::fromLatin1(columns).split(u',')) {
            if (!has.contains(column))
                return {OpenTrouble::Foreign, QStringLiteral("数据表 %1 缺少字段 %2").arg(name, column)};
        }
    }
    for (const char *table : kStartupTables) {
        if (!check.exec(QStringLiteral("select * from %1").arg(QLatin1String(table))))
            return troubleOf(db, check.lastError());
        while (check.next()) {
        }
        if (check.lastError().isValid())
            return troubleOf(db, check.lastError());
    }
    return {};
}

} // namespace

DbError::DbError(QString message, int code)
    : m_message(std::move(message)), m_utf8(m_message.toUtf8()), m_nativeCode(code)
{}

bool DbError::isConstraint() const
{
    return m_nativeCode == SQLITE_CONSTRAINT;
}

// ---------------------------------------------------------------------------------------------

JetQuery::JetQuery(const QSqlDatabase &db) : m_db(db), m_query(db)
{}

void JetQuery::close()
{
    if (m_active || m_query.isActive())
        m_query.finish();
    m_active = false;
    m_onRow = false;
}

void JetQuery::setSql(const QString &jetSql)
{
    close();
    m_sql = jetSql;
    m_named.clear();
    m_positional.clear();
}

JetQuery &JetQuery::bind(const QString &name, const QVariant &value)
{
    m_named.append({name.startsWith(u':') ? name : u':' + name, forBinding(value)});
    return *this;
}

JetQuery &JetQuery::addBind(const QVariant &value)
{
    m_positional.append(forBinding(value));
    return *this;
}

void JetQuery::prepareAndBind()
{
    close();
    m_query = QSqlQuery(m_db);
    m_query.setForwardOnly(true);
    if (!m_query.prepare(JetSql::translate(m_sql)))
        throw failure(m_query.lastError(), m_db);
    for (const auto &[name, value] : std::as_const(m_named))
        m_query.bindValue(name, value);
    for (int i = 0; i < m_positional.size(); ++i)
        m_query.bindValue(i, m_positional[i]);
}

void JetQuery::open()
{
    prepareAndBind();
    if (!m_query.exec())
        throw failure(m_query.lastError(), m_db);
    m_active = true;
    m_onRow = m_query.next();
    if (!m_onRow && m_query.lastError().isValid())
        throw failure(m_query.lastError(), m_db);
}

int JetQuery::exec()
{
    prepareAndBind();
    if (!m_query.exec())
        throw failure(m_query.lastError(), m_db);
    const int affected = m_query.numRowsAffected();
    m_query.finish();
    return affected;
}

void JetQuery::next()
{
    if (m_onRow)
        m_onRow = m_query.next();
}

QVariant JetQuery::value(int column) const
{
    return m_onRow ? m_query.value(column) : QVariant();
}

QVariant JetQuery::value(const QString &field) const
{
    if (!m_onRow)
        return QVariant();
    const int index = m_query.record().indexOf(field);
    if (index < 0)
        throw DbError(
            QStringLiteral("数据库缺少字段 %1，数据库可能已损坏或不是本系统的数据库。请从备份恢复数据库").arg(field));
    return m_query.value(index);
}

QSqlRecord JetQuery::record() const
{
    return m_query.record();
}

QStringList JetQuery::fieldNames() const
{
    QStringList names;
    const QSqlRecord rec = m_query.record();
    for (int i = 0; i < rec.count(); ++i)
        names << rec.fieldName(i);
    return names;
}

int JetQuery::fieldCount() const
{
    return m_query.record().count();
}

QList<QSqlRecord> JetQuery::readAll()
{
    QList<QSqlRecord> rows;
    while (m_onRow) {
        rows.append(m_query.record());
        next();
    }
    return rows;
}

// ---------------------------------------------------------------------------------------------

QString databasePath()
{
    return QDir(dataDir()).filePath(QStringLiteral("data/zt000.mdb"));
}

// Opens the configured connection `db` and checks that it holds this program's database, then
// brings a database of an earlier version up to date (what was added goes to `upgraded`); on
// failure the connection is closed again and the reason thrown.
static void openAndCheck(QSqlDatabase &db, const QString &path, QStringList *upgraded)
{
    if (!db.open()) {
        const DbError error = failure(db.lastError());
        db.close();
        throw error;
    }
    QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        if (sqlite3 *raw = *static_cast<sqlite3 *const *>(handle.data()))
            JetSql::registerFunctions(raw);
    }
    // A file that is not a database fails on its first read; one without the program's tables
    // is somebody else's database; a busy or damaged one says so, with what to do.
    const OpenTrouble trouble = checkTables(db);
    if (trouble.kind != OpenTrouble::None) {
        db.close();
        const QString file = QDir::toNativeSeparators(path);
        switch (trouble.kind) {
        case OpenTrouble::Busy:
            throw DbError(QStringLiteral("数据库文件 %1 正被其他程序使用，请稍后再试").arg(file), SQLITE_BUSY);
        case OpenTrouble::Damaged:
            throw DbError(QStringLiteral("数据库文件 %1 已损坏，请从备份恢复数据库").arg(file), SQLITE_CORRUPT);
        default:
            throw DbError(
                QStringLiteral("%1 不是本系统的数据库文件(%2)，请检查是否放错了文件").arg(file, trouble.detail),
                SQLITE_NOTADB);
        }
    }
    // Foreign keys stay off: the protecting rules are the schema's triggers.
    try {
        *upgraded += SchemaUpgrade::apply(db);
    } catch (...) {
        db.close();
        throw;
    }
}

// Opens the connection `name` on `path` and checks it; on failure nothing is left behind.
static void openChecked(const QString &name, const QString &path, QStringList *upgraded)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw DbError(QStringLiteral("找不到数据库文件 %1").arg(QDir::toNativeSeparators(path)));
    if (info.isDir())
        throw DbError(QStringLiteral("%1 是一个文件夹，不是数据库文件").arg(QDir::toNativeSeparators(path)));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    auto forget = [&] {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    };
    if (!db.isValid()) {
        forget();
        throw DbError(QStringLiteral("没有可用的 SQLite 数据库驱动"));
    }
    // Read-write without create: a file that disappears meanwhile is not made anew.
    db.setDatabaseName(QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded)
                       + QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    try {
        openAndCheck(db, path, upgraded);
    } catch (...) {
        forget();
        throw;
    }
}

static QString newConnectionName()
{
    return QStringLiteral("conZt-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

TdmMain::Connection::~Connection()
{
    if (!name.isEmpty())
        QSqlDatabase::removeDatabase(name);
}

TdmMain::TdmMain(const QString &path)
    : m_connection([&] {
          const QString name = newConnectionName();
          QStringList upgraded;
          openChecked(name, path, &upgraded);
          return Connection{name, upgraded}; // built in place: its destructor forgets the connection
      }()),
      qryExec(conZt()), qryExec2(conZt()), qryExec3(conZt()), m_path(path)
{}

TdmMain::~TdmMain()
{
    qryExec.close();
    qryExec2.close();
    qryExec3.close();
    QSqlDatabase db = conZt();
    if (db.isOpen()) {
        if (m_transDepth > 0)
            db.rollback();
        db.close();
    }
}

QSqlDatabase TdmMain::conZt() const
{
    return QSqlDatabase::database(m_connection.name, false);
}

void TdmMain::close()
{
    qryExec.close();
    qryExec2.close();
    qryExec3.close();
    QSqlDatabase db = conZt();
    if (m_transDepth > 0) {
        db.rollback();
        m_transDepth = 0;
        m_rollbackOnly = false;
    }
    db.close();
}

void TdmMain::reopen()
{
    QSqlDatabase db = conZt();
    if (db.isOpen())
        return;
    if (!QFileInfo::exists(m_path))
        throw DbError(QStringLiteral("找不到数据库文件 %1").arg(QDir::toNativeSeparators(m_path)));
    openAndCheck(db, m_path, &m_connection.upgraded);
}

int TdmMain::exec(const QString &jetSql, std::initializer_list<QVariant> values)
{
    JetQuery q(conZt());
    q.setSql(jetSql);
    for (const QVariant &v : values)
        q.addBind(v);
    return q.exec();
}

QVariant TdmMain::scalar(const QString &jetSql, std::initializer_list<QVariant> values)
{
    JetQuery q(conZt());
    ScratchScope scope(q);
    q.setSql(jetSql);
    for (const QVariant &v : values)
        q.addBind(v);
    q.open();
    return q.eof() ? QVariant() : q.value(0);
}

void TdmMain::beginTrans()
{
    if (m_transDepth == 0) {
        QSqlDatabase db = conZt();
        if (!db.transaction())
            throw failure(db.lastError(), db);
        m_rollbackOnly = false;
    }
    ++m_transDepth;
}

void TdmMain::commitTrans()
{
    if (m_transDepth == 0)
        return;
    if (--m_transDepth > 0)
        return;
    QSqlDatabase db = conZt();
    if (m_rollbackOnly) {
        db.rollback();
        m_rollbackOnly = false;
        throw DbError(QStringLiteral("事务已回滚，数据没有改变"));
    }
    if (!db.commit()) {
        const DbError error = failure(db.lastError(), db);
        db.rollback();
        throw error;
    }
}

void TdmMain::rollbackTrans()
{
    if (m_transDepth == 0)
        return;
    if (--m_transDepth > 0) {
        m_rollbackOnly = true;
        return;
    }
    conZt().rollback();
    m_rollbackOnly = false;
}

} // namespace jjgz
