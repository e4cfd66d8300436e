#pragma once
#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class QComboBox;
class QListWidget;
class QPushButton;

namespace jjgz {

// A code that can be granted: its code and the name the grant editor shows.
struct GrantableRole {
    int code;
    QString name;
};

// Grants of functions to operators, by operator name.
class OperatorGrants {
public:
    // Operators that can be given grants (everyone but admin), in code order.
    static QStringList operatorNames();
    // Codes that are not switched off, in code order, names without surrounding blanks.
    static QList<GrantableRole> grantableRoles();
    // Codes granted to `operName`, in code order.
    static QList<int> grantsOf(const QString &operName);
    // Codes switched off for everyone (flag 1).
    static QList<int> switchedOffCodes();
    // Grants `added` to and withdraws `withdrawn` from `operName`, in one transaction.
    static void change(const QString &operName, const QList<int> &added, const QList<int> &withdrawn);
};

// The grant editor: which functions an operator may use.
class TfrmOperatorRole : public QDialog {
    Q_OBJECT
public:
    static void execute(QWidget *parent);
    explicit TfrmOperatorRole(QWidget *parent = nullptr);

    QComboBox *cboName;
    QListWidget *lstRole;
    QPushButton *btnAll;
    QPushButton *btnClear;
    QPushButton *btnSave;
    QPushButton *btnExit;

    // The entry of `code` in the check list, or -1.
    int rowOf(int code) const;

private:
    void loadGrants();
    void setAllChecked(bool checked);
    void btnSaveClick();
};

} // namespace jjgz
