#pragma once
// Importing the roster from a spreadsheet: a new employee code adds an employee, a known one
// updates the columns the file has. Every row is checked by the rules of the employee dialog
// first; nothing is written while any row has a problem, and the rest is one transaction.
#include "data/ImportResult.h"

namespace jjgz {

struct SheetTable;

class WorkerImport {
public:
    // Checks every row and, unless `dryRun` or a problem was found, writes them all.
    // Throws DbError when the database refuses the writing (then nothing has changed).
    static ImportResult run(const SheetTable &table, bool dryRun);
};

} // namespace jjgz
