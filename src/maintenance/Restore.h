#pragma once
#include <QDialog>

class QProgressBar;
class QPushButton;

namespace jjgz {

// 数据恢复: puts the database of a backup archive in place of the current one.
class TfrmRestore : public QDialog {
    Q_OBJECT
public:
    static void execute(QWidget *parent);
    explicit TfrmRestore(QWidget *parent = nullptr);

    QProgressBar *ProgressBar1;
    QPushButton *btnYes;
    QPushButton *btnCancel;

    void reject() override;

private:
    void btnYesClick();
    bool m_busy = false;
};

// Closes every child window of the main window through its own close handling. Returns false
// when one of them stays open (it refused, for example to keep unsaved edits).
bool closeChildWindows();

} // namespace jjgz
