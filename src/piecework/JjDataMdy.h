#pragma once
// The piece-work record dialog: adds records one after another (mode 1) or modifies one record
// (mode 2), each with the lines that split its amount among the employees.
#include "piecework/PieceData.h"

#include <QDate>
#include <QDialog>
#include <QHash>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

namespace jjgz {

class DataTable;
class DbGrid;
class DbNavigator;
class DropDownList;
class NumberField;

// The stored header of a record as the listing hands it to the dialog in mode 2.
struct RecordHeader {
    int pid = 0;
    QDate dt;
    QString gzText; // "[gzcode]gzname"
    QString gxText; // "[gxcode]gxname"
    QVariant price;
    QVariant rs;
    QString xsText; // "[xscode]xsname", or empty
    QVariant xs;
    QVariant sl;
    QVariant je;
};

class TfrmJjDataMdy : public QDialog {
    Q_OBJECT
public:
    TfrmJjDataMdy(int mode, const QString &title, QWidget *parent = nullptr);

    // Mode 2, before the dialog is shown: fills the header with the stored values (no amount is
    // recomputed) and names the record whose lines are loaded when the dialog shows.
    void setRecord(const RecordHeader &header);
    // The position names used for the loaded lines (the listing's; read afresh when not given).
    void setPositionNames(const QHash<QString, QString> &names)
    {
        m_positionNames = names;
        m_havePositionNames = true;
    }

    QDateEdit *edtDt;
    DropDownList *cboGz;
    DropDownList *cboGx;
    QLineEdit *edtUnit;
    NumberField *edtPrice;
    NumberField *edtRs;
    DropDownList *cboXs;
    NumberField *edtXs;
    NumberField *edtSl;
    NumberField *edtJe;
    DataTable *tmp;
    DbGrid *grid;
    DbNavigator *navigator;
    QLabel *lblTotals; // the lines' sums of ratio and amount beside the record's amount
    QPushButton *btnYes;
    QPushButton *btnCancel;

    int mode() const { return m_mode; }
    int recordId() const { return m_pid; }
    // Opens the line table: the stored lines in mode 2, empty in mode 1.
    void loadLines();
    void btnYesClick();
    // The employee picker for the current line (the ellipsis button, Enter on an empty cell).
    void pickWorker();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void jobTypeChosen();
    void processChosen();
    void coefficientChosen();
    int coefficientIndex(const QString &xsText);
    void recomputeAmount();
    void recomputeLines();
    void showLineTotals();
    void lineFieldChanged(int field);
    void positionChanged();
    bool checkLine(DataTable &table);
    bool enterInCell(int column, const QString &text);
    void takeWorker(const WorkerPick &worker);
    bool finishLineEdit();
    void showBadLine(int row, PieceData::LineFault fault);
    RecordValues values() const;
    QString gzcode() const;
    QString gxcode() const;

    int m_mode;
    int m_pid = 0;
    bool m_filling = false;   // the opener fills the header: no amount, no line recompute
    bool m_lineGuard = false; // no line check, no share lookup
    bool m_linesLoaded = false;
    bool m_havePositionNames = false;
    QHash<QString, QString> m_positionNames;
};

} // namespace jjgz
