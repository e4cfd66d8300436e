#pragma once
// The filter dialog of the piece-work listing: a month and optional job type, process,
// department and employee, and whether the employee lines are listed. Made once and kept, so
// that it shows the previous filter each time.
#include "piecework/PieceListing.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPushButton;

namespace jjgz {

class DropDownList;

class TfrmJjDataSel : public QDialog {
    Q_OBJECT
public:
    explicit TfrmJjDataSel(QWidget *parent = nullptr);

    // The one filter dialog of the program, made on first use as a child of `mainWindow`.
    static TfrmJjDataSel *shared(QWidget *mainWindow);
    // Shows the dialog modally; true (and the query) when it was confirmed.
    bool ask(ListingQuery &query);

    QDateEdit *edtMonth;
    DropDownList *cboGz;
    DropDownList *cboGx;
    DropDownList *cboDepart;
    QLineEdit *edtCode;
    QLineEdit *edtName;
    QCheckBox *chkDetail;
    QPushButton *btnOk;
    QPushButton *btnCancel;

    // The filter as the controls hold it.
    PieceFilter filter() const;
    // The query of the last confirmation.
    const ListingQuery &query() const { return m_query; }
    void btnOkClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void jobTypeChosen();
    ListingQuery m_query;
    static QPointer<TfrmJjDataSel> s_shared;
};

} // namespace jjgz
