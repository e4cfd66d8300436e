#pragma once
// The data module: the program's one database connection, its scratch queries, the login
// globals, and the translation of the statements' SQL dialect for the database engine.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <exception>
#include <initializer_list>
#include <memory>

namespace jjgz {

// A failed statement or connection. `message()` is the text shown to the user.
class DbError : public std::exception {
public:
    DbError(QString message, int nativeCode = 0);
    const char *what() const noexcept override { return m_utf8.constData(); }
    const QString &message() const { return m_message; }
    int nativeCode() const { return m_nativeCode; } // SQLite's primary result code, or 0
    bool isConstraint() const;                      // a refused change (in use, duplicate key)

private:
    QString m_message;
    QByteArray m_utf8;
    int m_nativeCode;
};

// A query on the shared connection. Statements are written in the Jet dialect (select top n,
// year(), month(), text joined with + or &, alter table ... add/drop) and translated once, in
// JetSql. Values are always bound: `:name` placeholders with bind(), or `?` with addBind().
class JetQuery {
public:
    explicit JetQuery(const QSqlDatabase &db);
    JetQuery(const JetQuery &) = delete;
    JetQuery &operator=(const JetQuery &) = delete;

    void close();
    // Replaces the statement (closing the query first). Bound values are cleared.
    void setSql(const QString &jetSql);
    const QString &sql() const { return m_sql; }
    JetQuery &bind(const QString &name, const QVariant &value); // name with or without ':'
    JetQuery &addBind(const QVariant &value);                   // next '?' in order

    void open(); // runs a select and positions on the first row; throws DbError
    int exec();  // runs a statement without result; returns rows affected; throws DbError

    bool isActive() const { return m_active; }
    bool eof() const { return !m_onRow; }
    void next();
    QVariant value(int column) const;
    QVariant value(const QString &field) const;
    QString text(const QString &field) const { return value(field).toString(); }
    QSqlRecord record() const; // field names (and the current row's values)
    QStringList fieldNames() const;
    int fieldCount() const;
    // Reads every remaining row (for screens that fill in-memory lists).
    QList<QSqlRecord> readAll();

private:
    void prepareAndBind();
    QSqlDatabase m_db;
    QSqlQuery m_query;
    QString m_sql;
    QList<QPair<QString, QVariant>> m_named;
    QList<QVariant> m_positional;
    bool m_active = false;
    bool m_onRow = false;
};

// Closes a scratch query when the scope ends, also when an exception flies, so that the next
// user of the shared query finds it closed.
class ScratchScope {
public:
    explicit ScratchScope(JetQuery &query) : m_query(query) {}
    ~ScratchScope() { m_query.close(); }
    ScratchScope(const ScratchScope &) = delete;
    ScratchScope &operator=(const ScratchScope &) = delete;

private:
    JetQuery &m_query;
};

// Runs a select on `query` with `values` bound to its '?' in order and calls `perRow()` on each
// row (which reads it from `query`). The query is closed afterwards, also when the statement or
// `perRow` throws.
template <class F>
void forEachRow(JetQuery &query, const QString &jetSql, std::initializer_list<QVariant> values, F &&perRow)
{
    ScratchScope scope(query);
    query.setSql(jetSql);
    for (const QVariant &v : values)
        query.addBind(v);
    for (query.open(); !query.eof(); query.next())
        perRow();
}

class TdmMain {
    // Declared first so that it outlives the queries: removing the connection is the last step.
    struct Connection {
        QString name;
        QStringList upgraded; // what bringing an earlier version's database up to date added
        ~Connection();
    };
    Connection m_connection;

public:
    // Opens `path` read-write (never creating it) and checks that it is this program's database.
    // Throws DbError with the reason when it cannot.
    explicit TdmMain(const QString &path);
    ~TdmMain();
    TdmMain(const TdmMain &) = delete;
    TdmMain &operator=(const TdmMain &) = delete;

    QSqlDatabase conZt() const;
    // What opening this database added to it because an earlier version made it (descriptions
    // for the clerk; empty when it was up to date). Reopening may add more.
    const QStringList &upgradeNotes() const { return m_connection.upgraded; }
    // Closes the connection so that the database file can be replaced, and opens the same path
    // again with the checks of the constructor (on failure reopen() throws and stays closed).
    // Queries of the module and of the screens work on the reopened connection.
    void close();
    void reopen();
    JetQuery qryExec;
    JetQuery qryExec2;
    JetQuery qryExec3;

    // One-off helpers on a query of their own.
    int exec(const QString &jetSql, std::initializer_list<QVariant> values = {});
    QVariant scalar(const QString &jetSql, std::initializer_list<QVariant> values = {});

    // Transactions: nested calls join the outer transaction.
    void beginTrans();
    void commitTrans();
    void rollbackTrans();
    bool inTransaction() const { return m_transDepth > 0; }

private:
    QString m_path;
    int m_transDepth = 0;
    bool m_rollbackOnly = false;
};

// The data module of the running program (null before start-up and after a failed connection).
extern TdmMain *dmMain;

// Runs `work` in one transaction: committed when it returns, rolled back when it throws
// (the exception goes on to the caller).
template <class F> void inTransaction(F &&work)
{
    dmMain->beginTrans();
    try {
        work();
    } catch (...) {
        dmMain->rollbackTrans();
        throw;
    }
    dmMain->commitTrans();
}

// The program's database file: data/zt000.mdb in dataDir() (beside the program until
// DataPaths::prepare() chose the user's data folder).
QString databasePath();

// Login globals, set only by a successful login.
extern QString CurOperName;
extern QString CurBizDate; // "yyyy-MM-dd"

} // namespace jjgz
