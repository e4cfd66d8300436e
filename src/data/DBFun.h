#pragma once
// Shared routines on the database: parameters, next codes and numbers, lookups, wage months
// and the permission check. Each runs its statements on dmMain->qryExec3 and leaves it closed.
#include <QString>

namespace jjgz {

QString GetParam(int pid);
// Stores the value of parameter `pid` (adding its row when the database has none).
void SetParam(int pid, const QString &value);
// The user's company name (parameter 8), for the status bar and the heads of printed lists.
inline constexpr int CompanyNameParam = 8;
// Next code of `table`.`column`, zero-filled to the width held in parameter `widthPid`.
QString NextCode(const QString &table, const QString &column, int widthPid);
QString NextProcessCode(const QString &gzcode);
QString NextWorkerCode();
int NextItemNo();
int NextFormulaNo();
int NextRecordId();

bool ProcessExists(const QString &gzcode, const QString &gxcode);
bool WorkerExists(const QString &wkcode);
bool PositionExists(const QString &tpcode);
bool WorkerInUse(const QString &wkcode);
QString PositionName(const QString &tpcode);
QString WorkerPositionText(const QString &wkcode);

bool MonthHasWages(int year, int month);
void DeleteWageMonth(int year, int month);
struct WageMonth {
    int year;
    int month;
};
WageMonth LatestWageMonth();

bool HasRight(int code);

// "[code]name" for lists and trees, and the code back out of such a text (between the first
// character and the first "]"; the whole text without its first character when there is none).
QString BracketText(const QString &code, const QString &name);
QString BracketCode(const QString &text);
QString BracketName(const QString &text);

} // namespace jjgz
