#pragma once
// 税率表: the two tax-rate tables of the individual income tax (the withholding table of wages and
// the table of the one-off bonus), one tab each, edited as a list of brackets and saved together.
#include "tax/TaxRates.h"

#include <QDialog>

class QPushButton;
class QTabWidget;
class QTableWidget;

namespace jjgz {

class TfrmTaxRate : public QDialog {
    Q_OBJECT
public:
    static void execute(QWidget *parent);
    explicit TfrmTaxRate(QWidget *parent = nullptr);

    QTabWidget *tabs;
    QTableWidget *grid[2]; // kind 1, kind 2
    QPushButton *btnAppend, *btnDel, *btnStandard, *btnSave, *btnClose;

    // The tables as typed; a cell that is no number gives a fault naming its row.
    std::optional<TaxFault> collect(TaxRates &rates) const;
    void showRates(const TaxRates &rates);
    bool save(); // checks, saves and tells; false when refused or failed

private:
    QTableWidget *current() const;
    void renumber(QTableWidget *t);
};

} // namespace jjgz
