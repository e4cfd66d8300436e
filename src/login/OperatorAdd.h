#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace jjgz {

// Creates operators, one after the other, until cancelled.
class TfrmOperatorAdd : public QDialog {
    Q_OBJECT
public:
    static void execute(QWidget *parent);
    explicit TfrmOperatorAdd(QWidget *parent = nullptr);

    QLineEdit *edtNo;
    QLineEdit *edtName;
    QLineEdit *edtPwd;
    QLineEdit *edtPwd1;
    QLineEdit *edtBm;
    QPushButton *btnSave;
    QPushButton *btnCancel;

private:
    void btnSaveClick();
};

} // namespace jjgz
