#include "MainDM.h"

#include "JetSql.h"
#include "MyFun.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QUuid>

#include <sqlite3.h>

namespace jjgz {

TdmMain *dmMain = nullptr;
QString CurOperName;
QString CurBizDate;

namespace {

// SQLite's primary result code of a failed statement, or 0.
int nativeCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : 0;
}

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    switch (nativeCode(error)) {
    case SQLITE_READONLY:
        return QStringLiteral("数据库文件只读，不能写入，数据没有改变(%1)").arg(text);
    case SQLITE_CANTOPEN:
        return QStringLiteral("不能打开数据库文件(%1)").arg(text);
    case SQLITE_FULL:
        return QStringLiteral("磁盘已满，数据没有改变(%1)").arg(text);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("数据库正被其他程序使用，请稍后再试(%1)").arg(text);
    default:
        return text;
    }
}

DbError failure(const QSqlError &error)
{
    return DbError(errorText(error), nativeCode(error));
}

// Dates travel as text "yyyy-MM-dd".
QVariant forBinding(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().isValid() ? QVariant(value.toDate().toString(QStringLiteral("yyyy-MM-dd")))
                                        : QVariant(QMetaType(QMetaType::QString));
    case QMetaType::QDateTime:
        return value.toDateTime().isValid()
            ? QVariant(value.toDateTime().date().toString(QStringLiteral("yyyy-MM-dd")))
            : QVariant(QMetaType(QMetaType::QString));
    default:
        return value;
    }
}

const char *const kTables[] = {"depart", "worker_tp", "worker", "jjgz", "jjgx", "jjgx_d", "jjxs", "jjdata",
                               "jjdata_d", "gzxm", "gzxm_m", "gzgs", "gzdata", "operator", "roles",
                               "rolelist", "params"};

} // namespace

DbError::DbError(QString message, int code)
    : m_message(std::move(message)), m_utf8(m_message.toUtf8()), m_nativeCode(code)
{
}

bool DbError::isConstraint() const
{
    return m_nativeCode == SQLITE_CONSTRAINT;
}

// ---------------------------------------------------------------------------------------------

JetQuery::JetQuery(const QSqlDatabase &db) : m_db(db), m_query(db) {}

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
        throw failure(m_query.lastError());
    for (const auto &[name, value] : std::as_const(m_named))
        m_query.bindValue(name, value);
    for (int i = 0; i < m_positional.size(); ++i)
        m_query.bindValue(i, m_positional[i]);
}

void JetQuery::open()
{
    prepareAndBind();
    if (!m_query.exec())
        throw failure(m_query.lastError());
    m_active = true;
    m_onRow = m_query.next();
    if (!m_onRow && m_query.lastError().isValid())
        throw failure(m_query.lastError());
}

int JetQuery::exec()
{
    prepareAndBind();
    if (!m_query.exec())
        throw failure(m_query.lastError());
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
        throw DbError(QStringLiteral("字段 %1 不存在").arg(field));
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
    return appPath(QStringLiteral("data/zt000.mdb"));
}

// Opens the connection `name` on `path` and checks it; on failure nothing is left behind.
static void openChecked(const QString &name, const QString &path)
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
    if (!db.open()) {
        const DbError error = failure(db.lastError());
        forget();
        throw error;
    }
    QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        if (sqlite3 *raw = *static_cast<sqlite3 *const *>(handle.data()))
            JetSql::registerFunctions(raw);
    }
    // A file that is not a database fails on its first read; one without the program's tables
    // is somebody else's database.
    QString problem;
    {
        QSqlQuery check(db);
        if (!check.exec(QStringLiteral("select name from sqlite_master where type='table'"))) {
            problem = errorText(check.lastError());
        } else {
            QStringList present;
            while (check.next())
                present << check.value(0).toString().toLower();
            for (const char *table : kTables) {
                if (!present.contains(QLatin1String(table))) {
                    problem = QStringLiteral("缺少数据表 %1").arg(QLatin1String(table));
                    break;
                }
            }
        }
    }
    if (!problem.isEmpty()) {
        forget();
        throw DbError(QStringLiteral("%1 不是本系统的数据库文件(%2)").arg(QDir::toNativeSeparators(path), problem));
    }
    // Foreign keys stay off: the protecting rules are the schema's triggers.
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
    : m_connection{[&] {
          const QString name = newConnectionName();
          openChecked(name, path);
          return name;
      }()},
      qryExec(conZt()), qryExec2(conZt()), qryExec3(conZt())
{
}

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
            throw failure(db.lastError());
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
        const DbError error = failure(db.lastError());
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
