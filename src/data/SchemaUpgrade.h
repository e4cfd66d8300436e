#pragma once
// Bringing a database made by an earlier version of the program up to the present one. Each
// step adds what one version brought (tables, their protecting triggers, permission codes) and
// is recognised as applied by the presence of every object it creates, so a database is
// upgraded exactly once whichever version made it, and the delivered database needs no step.
// All missing steps run in one transaction: a failure leaves the file as it was.
//
// To add a step: append an UpgradeStep to the list in SchemaUpgrade.cpp (never reorder or change
// an earlier one) and put the same objects into data/schema.sql, so that new databases have them.
#include <QList>
#include <QString>
#include <QStringList>

class QSqlDatabase;

namespace jjgz {

struct UpgradeStep {
    QString name;        // short name, e.g. "gzlock"
    QString description; // what the clerk is told was added
    // Objects the step creates, as "table:name", "trigger:name" or "index:name"; the step counts as
    // applied when all of them exist.
    QStringList objects;
    // Statements, idempotent ("if not exists", "insert or ignore"), run in order.
    QStringList statements;
};

class SchemaUpgrade {
public:
    static const QList<UpgradeStep> &steps();
    // The steps that `db` still lacks, in order.
    static QList<const UpgradeStep *> missing(const QSqlDatabase &db);
    // Applies the missing steps in one transaction and returns their descriptions (empty when the
    // database was up to date). Throws DbError, with the file unchanged, when a step fails.
    static QStringList apply(const QSqlDatabase &db);
    // The one text telling the clerk what an upgrade added.
    static QString notice(const QStringList &added);
};

} // namespace jjgz
