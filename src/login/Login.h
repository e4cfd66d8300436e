#pragma once
#include <QDialog>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;

namespace jjgz {

// The login dialog: operator, password and business date.
class TfrmLogin : public QDialog {
    Q_OBJECT
public:
    struct Result {
        QString operName; // the text after the first "]" of the chosen entry
        QString bizDate;  // "yyyy-MM-dd"
    };
    // Shows the dialog modally; returns true with `result` filled when the login succeeded.
    static bool execute(QWidget *parent, Result *result);

    explicit TfrmLogin(QWidget *parent = nullptr);

    QComboBox *cboName;
    QLineEdit *edtPwd;
    QDateEdit *edtDt;
    QPushButton *btnYes;
    QPushButton *btnCancel;

    Result loginResult() const;

private:
    void loadOperators();
    void btnYesClick();
    static void logLogin(const QString &operName, bool ok);
};

} // namespace jjgz
