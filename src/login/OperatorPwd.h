#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace jjgz {

// Changes the password of the logged-in operator.
class TfrmOperatorPwd : public QDialog {
    Q_OBJECT
public:
    static void execute(QWidget *parent);
    explicit TfrmOperatorPwd(QWidget *parent = nullptr);

    QLineEdit *edtName;
    QLineEdit *edtOldPwd;
    QLineEdit *edtPwd;
    QLineEdit *edtPwd1;
    QPushButton *btnSave;
    QPushButton *btnExit;

private:
    void btnSaveClick();
};

} // namespace jjgz
