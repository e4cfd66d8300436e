#pragma once
// jjgz-payroll as an operator: who runs a command (--user, the password from JJGZ_PASSWORD),
// what each command needs, and the commands of closed months, carry-forward and the log.
#include <QString>
#include <QStringList>

namespace jjgz {

class TdmMain;

namespace admin {

// Removes "--user NAME" / "--user=NAME" from `args` and returns NAME ("admin" when absent);
// sets `ok` false when the option has no name.
QString takeUser(QStringList &args, bool &ok);
// The permission code a command needs (calc 1003, close 1007, …), or 0.
int requiredRight(const QString &command);
// Logs `user` in with the password in JJGZ_PASSWORD (empty when unset) and checks the command's
// permission; says once on stderr what opening the database added to it. On a database without
// any operator, admin needs no password. Returns 0 when the
// command may run, otherwise the exit code after printing "error: …".
int signIn(const TdmMain &dm, const QString &user, const QString &command);

// close YYYY-MM; reopen YYYY-MM --reason TEXT; carry FROM TO [--overwrite] (without it a target
// month with wage rows is refused); log [--from d] [--to d] [--user NAME] [--action A], one line
// per row, newest first: time, operator, action, target and detail separated by tabs.
bool isAdminCommand(const QString &command);
// The arguments after the command are well formed (else the usage applies).
bool argumentsValid(const QString &command, const QStringList &args);
// Runs the command; prints its result; returns the exit code (errors throw like the others).
int run(const QString &command, const QStringList &args);
// The usage lines of these commands.
QString usage();

} // namespace admin
} // namespace jjgz
