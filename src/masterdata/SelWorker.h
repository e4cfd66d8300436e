#pragma once
// The employee picker: every department with its employees as a tree; the piece-work record
// dialog uses it to choose the employee of a line.
#include "masterdata/WorkerData.h"

#include <QDialog>

#include <optional>

class QPushButton;
class QTreeWidget;

namespace jjgz {

class TfrmSelWorker : public QDialog {
    Q_OBJECT
public:
    // The chosen employee, or nothing when the picker was cancelled. Choosing a department
    // without employees closes the picker with an empty pick (WorkerPick::isEmpty()).
    static std::optional<WorkerPick> execute(QWidget *parent);

    explicit TfrmSelWorker(QWidget *parent = nullptr);
    const WorkerPick &pick() const { return m_pick; }

    QTreeWidget *tv;
    QPushButton *btnLocate;
    QPushButton *btnOk;
    QPushButton *btnCancel;

    // 选中, 定位, double-click and Enter: a department with employees opens on its first
    // employee; an employee (or an empty department) is taken and the picker closes.
    void choose();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildTree();
    WorkerPick m_pick;
};

} // namespace jjgz
