#pragma once
// 银行代发: the bank's payroll-transfer file of a month, with every row it will hold, the
// employees left out and the errors that stop it, and the clerk's settings for the bank.
#include "payroll/BankFile.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace jjgz {

// 工资数据录入 → 导入: the preview and import of a month's typed values (MonthImport).
void importMonthValues(QWidget *parent, int year, int month);

class TfrmBankFile : public QDialog {
    Q_OBJECT
public:
    TfrmBankFile(int year, int month, QWidget *parent = nullptr);
    static void execute(QWidget *parent, int year, int month);

    const BankPlan &plan() const { return m_plan; }
    // The settings as the controls show them.
    BankSettings settings() const;

    QDateEdit *edtDt;
    QComboBox *cboItem;
    QComboBox *cboFormat;     // .xlsx, .csv
    QComboBox *cboEncoding;   // GBK, UTF-8 (CSV only)
    QTableWidget *tblColumns; // 使用 (check), 列, 标题 (editable)
    QPushButton *btnUp;
    QPushButton *btnDown;
    QTableWidget *grid; // the rows of the file
    QListWidget *lstProblems;
    QLabel *lblSummary;
    QPushButton *btnWrite;
    QPushButton *btnClose;

private:
    void fillItems();
    void fillColumns(const BankSettings &settings);
    void refresh();
    void moveColumn(int by);
    void btnWriteClick();
    BankPlan m_plan;
    bool m_filling = false;
};

} // namespace jjgz
