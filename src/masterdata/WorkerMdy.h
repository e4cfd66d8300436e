#pragma once
// The employee dialog: adds employees to a department (staying open for the next one) or
// modifies one employee.
#include "masterdata/WorkerData.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

namespace jjgz {

class TfrmWorkerMdy : public QDialog {
    Q_OBJECT
public:
    // Add puts employees into department `bmcode`, Modify changes `current` (its department
    // stays `bmcode`). `bmText` is the department's text shown after "所属部门：".
    // Returns true when the dialog closed with the OK result (a modification was saved).
    static bool execute(QWidget *parent, EditMode mode, const QString &bmcode, const QString &title,
                        const QString &bmText, const WorkerValues &current = {});

    TfrmWorkerMdy(EditMode mode, const QString &bmcode, const QString &title, const QString &bmText,
                  QWidget *parent = nullptr);
    // Fills every control from an employee's row (Modify).
    void fill(const WorkerValues &worker);
    // The employee as the controls hold it.
    WorkerValues values() const;

    QLabel *lblBm;
    QLineEdit *edtCode;
    QLineEdit *edtName;
    QComboBox *cboSex;
    QComboBox *cboTp;
    QLineEdit *edtSfid;
    QLineEdit *edtXl;
    QLineEdit *edtAddr;
    QLineEdit *edtPhone;
    QDateEdit *edtIndate;
    QLineEdit *edtBankAcc;
    QComboBox *cboGztp;
    QComboBox *cboState;
    QLineEdit *edtMm;
    QPushButton *btnYes;
    QPushButton *btnCancel;

private:
    void btnYesClick();

    EditMode m_mode;
    QString m_bmcode;
    // Stored wage type and state that match no item: written back unchanged.
    QVariant m_gztp;
    QVariant m_state;
};

} // namespace jjgz
