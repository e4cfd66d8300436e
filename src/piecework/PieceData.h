#pragma once
// The data work behind the piece-work record dialog: its drop-down lists, the amount rules, the
// share of a position in a process, the checks of a line, and saving a record with its lines in
// one transaction.
#include "masterdata/WorkerData.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace jjgz {

class DataTable;

// One record header as the dialog saves it. Number values are null when their fields are empty.
struct RecordValues {
    int pid = 0; // modifying: the record; adding: given by save()
    QDate dt;
    QString gzcode;
    QString gxcode;
    QVariant price;
    QVariant rs;
    QString xscode; // empty: no coefficient chosen, stored as no value
    QVariant xs;
    QVariant sl;
    QVariant je;
};

// One line as the grid holds it: "[wkcode]wkname", "[tpcode]tpname" or empty, share, amount.
// `storedTp` is the position code a loaded line was stored with (empty for a new line): a code
// that is no longer a position is shown bare and kept as it is while nobody changes it.
struct LineValues {
    QString worker;
    QString workertp;
    double bl = 0;
    double je = 0;
    QString storedTp;
};

// What a process brings to the record.
struct ProcessFacts {
    QString unit;
    double price = 0;
    double rs = 0;
};

class PieceData {
public:
    // ---- Drop-down lists: an empty first item, then "[code]name" ordered by code.
    static QStringList jobTypeItems();
    static QStringList processItems(const QString &gzcode);
    static QStringList coefficientItems();
    static QStringList departItems();
    // Every position "[tpcode]tpname" by code, without the empty item (the line grid's list).
    static QStringList positionItems();
    // Position names by code (every position), for naming the positions of loaded lines.
    static QHash<QString, QString> positionNames();

    // ---- Lookups (nothing when the row does not exist)
    static std::optional<ProcessFacts> process(const QString &gzcode, const QString &gxcode);
    static std::optional<double> coefficient(const QString &xscode);
    // The share of a position in a process (table jjgx_d).
    static std::optional<double> share(const QString &gzcode, const QString &gxcode, const QString &tpcode);
    static std::optional<WorkerPick> workerByCode(const QString &wkcode);

    // ---- Amounts
    // price × quantity, × the coefficient only when a coefficient item is chosen, to 2 decimals.
    static double amount(double price, double quantity, double coefficient, bool coefficientChosen);
    // A line's share of the record amount, to 2 decimals.
    static double lineAmount(double amount, double bl);

    // "[code]name" with a non-empty code.
    static bool isBracketText(const QString &text);

    // ---- Lines
    enum class LineFault { None, NoWorker, BadWorker, UnknownWorker, UnknownPosition, BadPosition };
    // The checks of a posted line, in order: employee chosen, in bracket form, existing; then the
    // position, which may be empty, or the stored code of a loaded line left as it was.
    static LineFault checkLine(const QString &worker, const QString &workertp, const QString &storedTp = {});
    static QString faultText(LineFault fault);
    // The first of `lines` that fails checkLine (its index, `fault` set), or -1 when all pass.
    static int firstBadLine(const QList<LineValues> &lines, LineFault *fault = nullptr);

    // worker (text, 40), workertp (text, 30), bl and je (floating point), and storedtp (text, not
    // shown): the position code of a loaded line as stored.
    static void defineLineFields(DataTable &tmp);
    // Opens `tmp` with the stored lines of record `pid` in the order they were written, their
    // stored amounts as they are; a position found in `positionNames` is shown in bracket form,
    // any other as its bare code.
    static void loadLines(DataTable &tmp, int pid, const QHash<QString, QString> &positionNames);
    // The lines, first to last (the line being edited with its edited values).
    static QList<LineValues> lines(const DataTable &tmp);

    // ---- Saving (mode 1 adds, mode 2 rewrites record.pid)
    // Writes the record and replaces its lines in one transaction; a new record takes its number
    // inside that transaction, so that no number is ever given twice. Returns the record number.
    // Every line is checked first, however it reached the table: a line that fails checkLine is
    // never written (DbError naming the line). Throws DbError; on a failure nothing has changed.
    static int save(int mode, const RecordValues &record, const QList<LineValues> &lines, const QString &operName);
};

} // namespace jjgz
