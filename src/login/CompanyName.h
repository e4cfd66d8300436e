#pragma once
// The user's company name (使用单位), shown in the status bar of the main window and at the
// head of every printed list.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace jjgz {

class TfrmCompany : public QDialog {
    Q_OBJECT
public:
    // Shows the dialog modally; true when a name was saved.
    static bool execute(QWidget *parent);
    explicit TfrmCompany(QWidget *parent = nullptr);

    QLineEdit *edtName;
    QPushButton *btnYes;
    QPushButton *btnCancel;

    void btnYesClick();
};

// The opener of the main window's menu entry: the dialog, then the status bar shows the name.
void openCompanyName(QWidget *mainWindow, int mode);

} // namespace jjgz
