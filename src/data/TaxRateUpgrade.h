#pragma once
// What a database made by an earlier version lacks for the individual income tax: the table
// taxrate with the two standard tables, and the permission codes 1517 税率表, 1307 年度汇总 and 1309 个税申报导出.
// The statements are idempotent (if not exists, insert or ignore) and meant to run in the one
// transaction of a schema upgrade, as one step recognised by the object "table:taxrate":
//     UpgradeStep{taxRateUpgradeName(), taxRateUpgradeDescription(), {"table:taxrate"},
//                 taxRateUpgradeStatements()}
// data/schema.sql creates the same objects and rows for a new database.
#include <QString>
#include <QStringList>

namespace jjgz {

QString taxRateUpgradeName();        // "taxrate"
QString taxRateUpgradeDescription(); // what the clerk is told was added
QStringList taxRateUpgradeStatements();

} // namespace jjgz
