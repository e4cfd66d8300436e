#pragma once
// The formula dialog: the target item, the formula and its condition, composed by typing or with
// the source items and operator buttons. Under each text a status line follows the typing: the
// description that will be stored and whether the calculation can compile the text.
#include "wagestructure/FormulaCheck.h"
#include "wagestructure/GzgsData.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace jjgz {

class TfrmGzgsMdy : public QDialog {
    Q_OBJECT
public:
    // Mode 1 adds a formula, mode 2 modifies `current`. Returns true when the dialog closed with
    // the OK result (the formula was saved); it closes after every successful save.
    static bool execute(QWidget *parent, int mode, const WageFormula &current = {});

    explicit TfrmGzgsMdy(int mode, QWidget *parent = nullptr);
    ~TfrmGzgsMdy() override;
    void fill(const WageFormula &formula);

    QComboBox *cboDest;
    QLabel *lblGs;
    QLineEdit *edtGs;
    QLabel *lblGsCheck;
    QLabel *lblCon;
    QLineEdit *edtCon;
    QLabel *lblConCheck;
    QListWidget *lstSrc;
    QGroupBox *rgOption;
    QRadioButton *rbGs;                   // 公式
    QRadioButton *rbCon;                  // 条件
    QList<QPushButton *> operatorButtons; // btn1 ... btn6, btn11 ... btn16
    QPushButton *btnAdd;
    QListWidget *lstFunc;       // the sheet's own functions, with what they give
    QPushButton *btnAddFunc;    // 添加函数
    QPushButton *btnTaxFormula; // 个税公式…
    QPushButton *btnClear;
    QPushButton *btnYes;
    QPushButton *btnCancel;

    // The box the buttons write into: edtGs for 公式, edtCon for 条件.
    QLineEdit *activeBox() const;
    // What the status lines show now.
    const FormulaCheck::Result &gsCheck() const { return m_gsCheck; }
    const FormulaCheck::Result &conCheck() const { return m_conCheck; }

private:
    void applyOption();
    void append(const QString &text);
    void updateCheck(QLineEdit *box);
    void btnYesClick();
    void btnTaxFormulaClick();

    int m_mode;
    int m_xh = 0;
    QList<WageItem> m_items; // read once, when the dialog is made
    FormulaCheck m_check;
    FormulaCheck::Result m_gsCheck;
    FormulaCheck::Result m_conCheck;
};

} // namespace jjgz
