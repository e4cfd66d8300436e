#pragma once
#include <QDialog>

class QPushButton;
class QTableWidget;

namespace jjgz {

// Operator management: the list of operators, create and delete.
class TfrmOperator : public QDialog {
    Q_OBJECT
public:
    static void execute(QWidget *parent);
    explicit TfrmOperator(QWidget *parent = nullptr);

    QTableWidget *grid;
    QPushButton *btnAdd;
    QPushButton *btnDel;
    QPushButton *btnExit;

    void openList();

private:
    void btnAddClick();
    void btnDelClick();
};

} // namespace jjgz
