#pragma once
// The spreadsheet commands of jjgz-payroll: import-workers, import-piecework and bankfile.
#include <QString>
#include <QStringList>

namespace jjgz {

bool isImportCommand(const QString &command);
// Runs `command` with its arguments on the database `db` (the default beside the program when
// empty) as the operator `user`, signed in like the other commands. Exit codes as calc: 0 done,
// 1 problems, an error or a refusal, 2 usage.
int runImportCommand(const QString &command, const QStringList &args, const QString &db, const QString &user);
QString importUsage();

} // namespace jjgz
