#pragma once
// What the login and operator dialogs do to the database: the login list and password check,
// creating, listing and deleting operators, and changing a password. No widgets here.
#include <QList>
#include <QString>
#include <QStringList>

namespace jjgz {

struct OperatorRow {
    QString operno;
    QString opername;
    QString dept;
};

class OperatorData {
public:
    // Every operator, ordered by code.
    static QList<OperatorRow> operators();
    // Login entries "[operno]opername", ordered by code.
    static QStringList loginEntries();
    // The typed password is the stored one (a null password counts as empty); an operator that
    // no longer exists never matches. A row still holding its password as typed is rewritten
    // with the password's hash when it matches. Passwords are stored only as hashes.
    static bool passwordMatches(const QString &operno, const QString &typed);
    // The same for the operator named `opername` (its first row by code), as the command-line
    // tools log in; false when no operator has that name.
    static bool nameAndPasswordMatch(const QString &opername, const QString &typed);

    // Checks a new operator in the order of the create dialog and, when all pass, inserts it.
    // Returns the message to show, or an empty text when the operator was created.
    static QString create(const QString &operno, const QString &opername, const QString &pwd, const QString &pwd1,
                          const QString &dept);

    enum class DeleteResult { Refused, Deleted };
    // "admin" (exactly) is never deleted. Throws DbError when the database refuses.
    static DeleteResult remove(const OperatorRow &row);

    // Changes the password of the operator named `opername` (its first row by code).
    // Returns the message to show: the success text or the reason it was refused.
    static QString changePassword(const QString &opername, const QString &oldPwd, const QString &pwd,
                                  const QString &pwd1, bool *changed);
};

} // namespace jjgz
