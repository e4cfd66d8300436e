#pragma once
// The data work behind the process window and the process dialog: the job types and their
// processes, the position shares of a process (their price rule and validation), and saving or
// deleting a process together with its shares in one transaction.
#include "data/EditMode.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace jjgz {

class DataTable;

// One process as the dialog edits it. `price` and `rs` are null when their fields are empty.
struct ProcessValues {
    QString gzcode;
    QString gxcode;
    QString gxname;
    QString unit;
    QVariant price;
    QVariant rs;
};

// One row of the share list: "[tpcode]tpname", the share ratio and the position's unit price.
struct ShareValues {
    QString workertp;
    double bl = 0;
    double price = 0;
};

struct JobTypeNode {
    QString gzcode;
    QString gzname;
    QString text() const { return gzcode + QLatin1Char('-') + gzname; }
};

class ProcessData {
public:
    // ---- The process window
    static QList<JobTypeNode> jobTypes(); // ordered by code
    // Defines the fields of the process list (gzcode, gxcode, gxname, unit, price, rs).
    static void defineProcessFields(DataTable &list);
    // The processes of one job type, ordered by code, into `list` (reopened, on the first row).
    static void loadProcesses(DataTable &list, const QString &gzcode);
    // Deletes the shares and the process in one transaction: when the database refuses the
    // process (piece-work records use it), nothing is deleted. Throws DbError.
    static void remove(const QString &gzcode, const QString &gxcode);

    // ---- The share list of the dialog
    // workertp (text, 30), bl and price (floating point).
    static void defineShareFields(DataTable &tmp);
    // Every position as "[tpcode]tpname", ordered by code: the drop-down of the position cell.
    static QStringList positionChoices();
    // Opens `tmp` empty and appends the stored shares of the process whose position still exists,
    // with their stored prices, ordered by position code.
    static void loadShares(DataTable &tmp, const QString &gzcode, const QString &gxcode);

    // The position's unit price: unit price × share, rounded to 4 decimals.
    static double sharePrice(double unitPrice, double bl);
    // Gives the current share row the price that its share and `unitPrice` make.
    static void applySharePrice(DataTable &tmp, double unitPrice);
    // Recomputes and posts every share row from the first to the last. Stops at a row whose post
    // was abandoned (it stays in edit state) and returns false; true when every row was posted.
    static bool recomputeShares(DataTable &tmp, double unitPrice);

    enum class ShareFault { None, NoPosition, UnknownPosition, BadText };
    // Checks the position text of a share row.
    static ShareFault checkShare(const QString &workertp);
    static QString faultText(ShareFault fault);
    // The position code of "[code]name": from the second character up to the first "]".
    static QString shareCode(const QString &workertp);
    // The rows of the share list, first to last (the row being edited with its edited values).
    static QList<ShareValues> shares(const DataTable &tmp);

    // ---- Saving
    enum class SaveFault { None, MissingCodeOrName, CodeExists };
    static SaveFault checkSave(EditMode mode, const ProcessValues &process);
    static QString faultText(SaveFault fault);
    // Writes the process and replaces its shares, all in one transaction. Throws DbError; on a
    // failure nothing has changed.
    static void save(EditMode mode, const ProcessValues &process, const QList<ShareValues> &shares);
};

} // namespace jjgz
