#pragma once
// 个税公式…: the clerk picks the items of income, special deductions, additional special
// deductions and the tax itself, and gets the standard formula of the tax withheld the
// cumulative way (WageFormulas::taxFormula) with its description in item names.
#include "wagestructure/GzxmData.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace jjgz {

class TfrmTaxFormula : public QDialog {
    Q_OBJECT
public:
    struct Choice {
        QString tax;     // the target item
        QString formula; // code form
    };
    // Returns the chosen formula, or nothing when cancelled.
    static std::optional<Choice> execute(QWidget *parent, const QList<WageItem> &items);

    TfrmTaxFormula(const QList<WageItem> &items, QWidget *parent = nullptr);

    QComboBox *cboIncome, *cboSpecial, *cboAdditional, *cboTax;
    QLabel *lblFormula, *lblDesc;
    QPushButton *btnYes, *btnCancel;

    // The formula of the current choice (empty while income or tax is not chosen).
    QString formula() const;

private:
    void update();
    QList<WageItem> m_items;
};

} // namespace jjgz
