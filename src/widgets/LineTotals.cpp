#include "widgets/LineTotals.h"

#include "data/DataTable.h"

#include <QLabel>

namespace jjgz {

LineTotals lineTotals(const DataTable &table, const QString &ratioField, const QString &amountField)
{
    LineTotals sums;
    if (!table.isActive())
        return sums;
    const int ratio = table.fieldIndex(ratioField);
    const int amount = amountField.isEmpty() ? -1 : table.fieldIndex(amountField);
    for (int row = 0; row < table.rowCount(); ++row) {
        if (ratio >= 0)
            sums.ratio += table.rowValue(row, ratio).toDouble();
        if (amount >= 0)
            sums.amount += table.rowValue(row, amount).toDouble();
    }
    return sums;
}

void watchLineTotals(DataTable *table, QObject *context, const std::function<void()> &update)
{
    auto onRow = [update](int) { update(); };
    QObject::connect(table, &DataTable::fieldChanged, context, onRow);
    QObject::connect(table, &DataTable::rowInserted, context, onRow);
    QObject::connect(table, &DataTable::rowRemoved, context, onRow);
    QObject::connect(table, &DataTable::rowChanged, context, onRow);
    QObject::connect(table, &DataTable::stateChanged, context, [update](DataTable::State) { update(); });
    QObject::connect(table, &DataTable::reset, context, [update] { update(); });
}

void markDifference(QLabel *label, bool differs, const QString &why)
{
    label->setProperty("differs", differs);
    label->setStyleSheet(differs ? QStringLiteral("QLabel { color: #d46b08; font-weight: bold; }") : QString());
    label->setToolTip(differs ? why : QString());
}

} // namespace jjgz
