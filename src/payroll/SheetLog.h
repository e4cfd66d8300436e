#pragma once
// The log rows of the wage sheet: a calculation saved (with its counts and failed cells), typed
// values saved without a calculation, and a month re-created. Called by WageSheet inside the
// transaction of the write.
namespace jjgz {

class WageSheet;
struct CalcResult;

class SheetLog {
public:
    // Forgets a calculation not saved: the sheet was loaded again.
    static void loaded(const WageSheet &sheet);
    // Remembers the counts of a calculation of `sheet`, for the save that follows.
    static void calculated(const WageSheet &sheet, const CalcResult &result);
    // The row of a save: "计算" with the remembered counts when the sheet was calculated since it
    // was loaded, "保存工资" otherwise.
    static void saved(const WageSheet &sheet);
    // The row of a re-created month: how many rows the month had before.
    static void recreating(int year, int month);
};

} // namespace jjgz
