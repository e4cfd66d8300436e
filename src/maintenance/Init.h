#pragma once
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace jjgz {

// 数据初始化: empties chosen groups of tables.
class TfrmInit : public QDialog {
    Q_OBJECT
public:
    static void execute(QWidget *parent);
    explicit TfrmInit(QWidget *parent = nullptr);

    QGroupBox *gbList;
    QCheckBox *chkGz;
    QCheckBox *chkJj;
    QCheckBox *chkUser;
    QCheckBox *chkBm;
    QCheckBox *chkGzxm;
    QCheckBox *chkGzgx;
    QCheckBox *chkOper;
    QPushButton *btnOk;
    QPushButton *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void btnOkClick();
    QCheckBox *box(int group) const;
};

} // namespace jjgz
