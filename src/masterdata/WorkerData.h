#pragma once
// The data work behind the employee roster, the employee dialog and the employee picker:
// reading departments, employees and positions, proposing the next employee code, checking and
// writing one employee, the in-use test and the delete. Statements run on the shared connection
// with every value bound.
#include "data/EditMode.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace jjgz {

class DataTable;

// One employee as the dialog edits it.
struct WorkerValues {
    QString wkcode;
    QString wkname;
    QString bmcode;
    QString sex;    // "", "男" or "女"
    QString tpcode; // empty: no position
    QString tpname; // name of the position as read (empty when it no longer exists)
    QString sfid;
    QString xl;
    QString addr;
    QString phone;
    QDate indate; // invalid: no date
    QString bankacc;
    QVariant gztp;  // 0 piece rate, 1 monthly; null reads as 0
    QVariant state; // 0 employed, 1 left; null reads as 0
    QString mm;
};

struct DepartNode {
    QString bmcode;
    QString bmname;
    // The roster's tree shows code-name.
    QString text() const { return bmcode + QLatin1Char('-') + bmname; }
};

// The employee chosen in the picker. A department without employees gives both empty.
struct WorkerPick {
    QString wkcode;
    QString wkname;
    bool isEmpty() const { return wkcode.isEmpty(); }
};

// A department of the picker with its employees (ordered by code; none for an empty one).
struct PickerDepart {
    QString bmcode;
    QString bmname;
    QList<WorkerPick> workers;
};

class WorkerData {
public:
    // ---- The roster
    static QList<DepartNode> departments(); // ordered by code
    // wkcode, wkname, bmcode, sex, tpcode, tpname, sfid, xl, addr, phone, indate (text),
    // bankacc, gztp and state (integers), mm.
    static void defineListFields(DataTable &list);
    // The employees of one department with their position names, ordered by code, into `list`
    // (reopened, on the first row).
    static void loadList(DataTable &list, const QString &bmcode);
    // The current row of the list.
    static WorkerValues current(const DataTable &list);
    // The texts the list shows for the wage type and the state: 0 and null give the first,
    // 1 the second, anything else empty text.
    static QString gztpText(const QVariant &value);
    static QString stateText(const QVariant &value);

    // ---- The dialog
    struct Position {
        QString tpcode;
        QString text; // "[tpcode]tpname"
    };
    static QList<Position> positions(); // ordered by code
    // Parameter 7 holds exactly "1": new employees get a proposed code.
    static bool proposesCodes();
    // The greatest employee code plus one, zero-filled to the width of parameter 6.
    static QString nextCode();

    enum class SaveFault { None, MissingCodeOrName, CodeExists };
    // Code and name must not be empty (blanks only count as
    // empty); a new code must not be used by any employee, in whatever department.
    static SaveFault checkSave(EditMode mode, const WorkerValues &worker);
    static QString faultText(SaveFault fault);
    // The stored employee with this code (nothing when there is none).
    static std::optional<WorkerValues> byCode(const QString &wkcode);
    // Inserts (Add) or updates (Modify: the row of `worker.wkcode`) the employee.
    // Throws DbError when the database refuses it, or when the employee to update is gone.
    static void save(EditMode mode, const WorkerValues &worker);

    // Piece-work lines or wage rows name the employee.
    static bool inUse(const QString &wkcode);
    // Throws DbError when the database refuses the delete.
    static void remove(const QString &wkcode);

    // ---- The picker: every department (also those without employees) with its employees.
    static QList<PickerDepart> pickerTree();
};

} // namespace jjgz
