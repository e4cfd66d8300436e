#pragma once
// The carry-forward dialog 结转下月: a source and a target month, and 结转 copying the one into
// the other.
#include <QDialog>

class QDateEdit;
class QPushButton;

namespace jjgz {

class TfrmJzNext : public QDialog {
    Q_OBJECT
public:
    explicit TfrmJzNext(QWidget *parent = nullptr);
    // The dialog, modal; it stays open after each carry-forward until the user closes it.
    static void execute(QWidget *parent);

    QDateEdit *edtMonth;  // 转出月份
    QDateEdit *edtMonth2; // 转入月份
    QPushButton *btnOk;
    QPushButton *btnCancel;

    void btnOkClick();
};

} // namespace jjgz
