#pragma once
// The tax commands of jjgz-payroll (TaxCommands.cpp).
#include <QString>
#include <QStringList>

namespace jjgz {

// True when `command` is one of them.
bool isTaxCommand(const QString &command);
// Runs it on the database `db` with its arguments as the operator `user` (signed in like the
// other commands); returns the exit code.
int runTaxCommand(const QString &command, const QStringList &args, const QString &db, const QString &user);

} // namespace jjgz
