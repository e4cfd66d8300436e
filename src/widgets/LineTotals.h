#pragma once
// The sums under the lines of an editing dialog (the shares of a piece-work record, the position
// shares of a process): added up over every row, the row being edited with its edited values,
// kept up to date, and shown in orange with the reason when they are not what they should be.
#include <QString>

#include <functional>

class QLabel;
class QObject;

namespace jjgz {

class DataTable;

struct LineTotals {
    double ratio = 0;
    double amount = 0;
};

// The sums of `ratioField` and (when named) `amountField` over every row of `table`; null
// values count as 0, a closed table gives 0.
LineTotals lineTotals(const DataTable &table, const QString &ratioField, const QString &amountField = {});

// Calls `update` after every change of the rows or values of `table`, for as long as `context`
// lives.
void watchLineTotals(DataTable *table, QObject *context, const std::function<void()> &update);

// Shows `label` in orange with `why` as its tooltip when `differs`, in the normal colour
// without a tooltip otherwise. The property "differs" tells which (for tests).
void markDifference(QLabel *label, bool differs, const QString &why);

} // namespace jjgz
