#pragma once
// The one place that knows how statements written in the Jet dialect run on SQLite.
#include <QString>
#include <QStringList>

struct sqlite3;

namespace jjgz::JetSql {

// Translates a Jet statement into SQLite's dialect:
// - "select [distinct] top n ..." becomes "select [distinct] ... limit n";
// - "&" joins texts, and so does "+" in a chain of operands of which one is a text literal
//   ('[' + code + ']' + name); both become "||";
// - "alter table t add c type" and "alter table t drop c" get SQLite's "column" keyword.
// year() and month() are functions of the connection (registerFunctions). Placeholders
// (:name, ?) and quoted texts pass through untouched.
QString translate(const QString &jet);

// The statements of a table edited row by row (the data-aware table posts through these).
// Identifiers are quoted here; every value is a "?" placeholder, bound by the caller in the
// order the columns are named: the columns first, then the keys.
QString quoteIdentifier(const QString &name);
// "insert into t(a,b) values(?,?)"; no columns: "insert into t default values".
QString insertStatement(const QString &table, const QStringList &columns);
// "update t set a=?,b=? where k=?".
QString updateStatement(const QString &table, const QStringList &columns, const QStringList &keys);
// "delete from t where k=?".
QString deleteStatement(const QString &table, const QStringList &keys);
// "select a,b from t where k=?".
QString selectStatement(const QString &table, const QStringList &columns, const QStringList &keys);

// Adds the Jet functions that SQLite lacks (year, month) to an open connection.
void registerFunctions(sqlite3 *db);

} // namespace jjgz::JetSql
