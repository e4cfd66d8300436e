#pragma once
// The process dialog: adds or modifies one process with its position shares.
#include "masterdata/ProcessData.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace jjgz {

class DataTable;
class DbGrid;
class DbNavigator;

// What the process window hands the dialog.
struct JjgxMdyRequest {
    EditMode mode = EditMode::Add;
    QString gzText;        // the job-type node's text, shown after "所属工种："
    ProcessValues process; // gzcode always; Add: the proposed code; Modify: the stored process
};

class TfrmJjgxMdy : public QDialog {
    Q_OBJECT
public:
    // Shows the dialog modally; true when it closed after a successful save of a modification.
    // `saved` runs with the code after each save that leaves the dialog open (adding), so that
    // the list behind shows the new process at once.
    static bool execute(QWidget *parent, const JjgxMdyRequest &request,
                        const std::function<void(const QString &gxcode)> &saved = {});

    // A dialog set up as its opener sets it up (title, label, fields); the shares are loaded when
    // it is first shown.
    explicit TfrmJjgxMdy(const JjgxMdyRequest &request, QWidget *parent = nullptr);

    QLabel *lblGz;
    QLineEdit *edtCode;
    QLineEdit *edtName;
    QLineEdit *edtUnit;
    QLineEdit *edtPrice;
    QLineEdit *edtRs;
    DataTable *tmp;
    DbGrid *grid;
    DbNavigator *navigator;
    QLabel *lblTotals; // the sum of the position shares
    QPushButton *btnYes;
    QPushButton *btnCancel;

    EditMode mode() const { return m_mode; }
    const QString &gzcode() const { return m_gzcode; }
    // The unit price as the recompute reads it (empty or unfinished text gives 0).
    double unitPrice() const;
    // The process as the fields hold it.
    ProcessValues values() const;
    // Fills the fields with the unit-price recompute suspended (the opener's step).
    void setProcess(const ProcessValues &process);
    // Opens the share list: the stored shares of the process when modifying, empty when adding.
    void loadShares();

    void btnYesClick();
    void setOnSaved(std::function<void(const QString &gxcode)> saved) { m_onSaved = std::move(saved); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void priceChanged();
    bool checkShareRow(DataTable &table);
    bool finishShareEdit();
    void showShareTotal();

    EditMode m_mode;
    QString m_gzcode;
    bool m_suspendRecompute = false;
    bool m_sharesLoaded = false;
    double m_lastPrice = 0;
    std::function<void(const QString &gxcode)> m_onSaved;
};

} // namespace jjgz
