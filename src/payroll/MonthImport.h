#pragma once
// Importing the typed values of a month (attendance, deductions, basic wage...) into its stored
// wage rows: 员工代码 plus one column per item, found by the item's name or code in the month's
// own item list. Items that a formula calculates are refused by name; an empty cell leaves the
// stored value as it is. Nothing is written while any row has a problem; the rest is one
// transaction. The month's formulas are not run: the clerk calculates the month afterwards.
#include "data/ImportResult.h"

namespace jjgz {

struct SheetTable;

class MonthImport {
public:
    // Throws DbError for a closed month (MonthLocks::requireOpen's text) or a month without wage
    // rows, or when the database refuses the writing (then nothing has changed). A written import
    // leaves one row in the operation log, in the same transaction.
    static ImportResult run(int year, int month, const SheetTable &table, bool dryRun);
};

} // namespace jjgz
