#pragma once
// One wording for every failure of the database engine, in plain Chinese: what happened and what
// to do. The engine's and the driver's own words never reach the user; they go to the log.
#include <QString>

class QSqlDatabase;
class QSqlError;

namespace jjgz {

// SQLite's primary result code of a failed statement, or 0.
int dbErrorCode(const QSqlError &error);
// The text for a failure with SQLite's primary result code `code` and the engine's message
// `engineText` (a trigger's own refusal is such a message and is kept as it stands).
QString dbErrorText(int code, const QString &engineText);
QString dbErrorText(const QSqlError &error);
// The same for a failure known only by its reported text (the engine's message, possibly
// followed by the driver's): the code is recognised from the engine's standard wording. Text that
// holds no engine words (a Chinese message of the program) comes back unchanged.
QString plainDbText(const QString &reported);
// The primary result code that `reported` shows, or 0 when it is not the engine's text.
int dbErrorCodeOf(const QString &reported);
// `reported` is a refusal by the database's own rules (a key or a protecting trigger), not a
// fault of the file or of its access.
bool isDbRefusal(const QString &reported);

// Runs SQLite's quick check on `db`: true when it finds the file damaged (or cannot even read it).
bool databaseDamaged(const QSqlDatabase &db);

} // namespace jjgz
