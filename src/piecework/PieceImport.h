#pragma once
// Importing piece-work records from a spreadsheet, one line of a record per row: the rows with
// the same 单号 form one record. Price, crew size, coefficient, amount, the employees' positions
// and shares are found exactly as the record dialog finds them, and each record is numbered as
// the dialog numbers it. Nothing is written while any row has a problem; all records are
// written in one transaction, with one row in the operation log. A row dated in a closed month
// is a problem of that row. A record equal to one already stored (same date, job type, process,
// quantity, coefficient and employees) is skipped, so that importing a file twice does
// not pay the work twice.
#include "data/ImportResult.h"

#include <QString>

namespace jjgz {

struct SheetTable;

class PieceImport {
public:
    // `operName` is written with each record, as the dialog writes the logged-in operator.
    // Throws DbError when the database refuses the writing (then nothing has changed).
    static ImportResult run(const SheetTable &table, bool dryRun, const QString &operName);
};

} // namespace jjgz
