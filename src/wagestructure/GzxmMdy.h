#pragma once
// The wage item dialog: adds items one after another (staying open) or modifies one item's name
// and width (its type stays).
#include "wagestructure/GzxmData.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace jjgz {

class TfrmGzxmMdy : public QDialog {
    Q_OBJECT
public:
    // Mode 1 adds items, mode 2 modifies `current`. Returns true when the dialog closed with the
    // OK result (a modification was saved). `saved` runs after each save that leaves the dialog
    // open (adding), so that the list behind shows the new item at once.
    static bool execute(QWidget *parent, int mode, const WageItem &current = {},
                        const std::function<void()> &saved = {});

    explicit TfrmGzxmMdy(int mode, QWidget *parent = nullptr);
    void fill(const WageItem &item);

    QLineEdit *edtName;
    QComboBox *cboTp;
    QLineEdit *edtSize;
    QPushButton *btnYes;
    QPushButton *btnCancel;

private:
    void btnYesClick();

    std::function<void()> m_onSaved;
    int m_mode;
    int m_xh = 0;
};

} // namespace jjgz
