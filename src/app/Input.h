#pragma once
// The one-line prompt dialog: a caller's title and label, one text field, 确定 and 取消.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace jjgz {

class TfrmInput : public QDialog {
    Q_OBJECT
public:
    explicit TfrmInput(QWidget *parent = nullptr);

    void setLabel(const QString &text);
    QString text() const;

    QLabel *lblPrompt() const { return m_label; }
    QLineEdit *edtInput() const { return m_edit; }
    QPushButton *btnOk() const { return m_ok; }
    QPushButton *btnCancel() const { return m_cancel; }

private:
    QLabel *m_label;
    QLineEdit *m_edit;
    QPushButton *m_ok;
    QPushButton *m_cancel;
};

} // namespace jjgz
