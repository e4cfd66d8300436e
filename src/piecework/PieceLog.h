#pragma once
// What saving and deleting a piece-work record owe the closed months and the operation log:
// a record dated in a closed month (before or after the change) is refused with the month's
// text, and every change leaves its log row in the change's own transaction.
#include <QString>

namespace jjgz {

struct RecordValues;

class PieceLog {
public:
    // Refuses (DbError) when the record's new date, or on a modify (mode 2) its stored date, lies
    // in a closed month.
    static void requireOpen(int mode, const RecordValues &record);
    // Refuses when the stored record's date lies in a closed month.
    static void requireOpenRecord(int pid);
    // The log row of a saved record: mode 1 added, 2 modified.
    static void saved(int mode, int pid, const RecordValues &record, int lines);
    // The log row of a record about to be deleted (call in the deleting transaction).
    static void deleting(int pid);
};

} // namespace jjgz
