#pragma once
#include <QDateTime>
#include <QDialog>

#include <functional>

class QAction;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace jjgz {

// 数据备份: packs the database into a time-stamped archive in a folder the user chooses.
class TfrmBackup : public QDialog {
    Q_OBJECT
public:
    static void execute(QWidget *parent);
    explicit TfrmBackup(QWidget *parent = nullptr);

    QLineEdit *edtDir;
    QAction *actDir; // the browse button of edtDir
    QProgressBar *ProgressBar1;
    QPushButton *btnYes;
    QPushButton *btnCancel;

    // The time a backup is named after; the clock of the computer unless a test sets another.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

    void reject() override;

private:
    void actDirClick();
    void btnYesClick();
    void rememberDir(const QString &dir);
    bool m_busy = false;
};

} // namespace jjgz
