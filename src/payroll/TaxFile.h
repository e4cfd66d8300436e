#pragma once
// 个税申报导出: the month's withholding declaration as an .xlsx file. The clerk maps the wage items
// of the month to the amount columns of the form once (kept in config.ini); employees without an
// identity number are listed before the file is written.
#include <QDialog>

class QDateEdit;
class QPushButton;
class QTableWidget;

namespace jjgz {

class TfrmTaxFile : public QDialog {
    Q_OBJECT
public:
    static void execute(QWidget *parent);
    explicit TfrmTaxFile(QWidget *parent = nullptr);

    QDateEdit *edtDt;
    QTableWidget *grid; // column of the form → item of the month (a combo box per row)
    QPushButton *btnExport, *btnClose;

    // Refills the item choices from the month's item list, keeping the saved mapping.
    void loadMonth();
    // Saves the mapping, lists the problems (asking whether to go on) and writes the file chosen
    // by the clerk. Returns true when a file was written.
    bool exportFile();
};

} // namespace jjgz
