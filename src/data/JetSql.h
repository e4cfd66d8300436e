#pragma once
// The one place that knows how statements written in the Jet dialect run on SQLite.
#include <QString>

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

// Adds the Jet functions that SQLite lacks (year, month) to an open connection.
void registerFunctions(sqlite3 *db);

} // namespace jjgz::JetSql
