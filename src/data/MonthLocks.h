#pragma once
// Closed months (封账): a month whose wages are paid is closed, and from then on nothing of it
// changes — neither its wage rows and item list nor the piece-work records dated in it — until an
// operator allowed to do so reopens it with a reason. Writers call requireOpen before they write;
// the database's triggers refuse what slips past them.
#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace jjgz {

// Permission codes of the closed-month functions and of the log.
inline constexpr int RightCloseMonth = 1007;
inline constexpr int RightReopenMonth = 1009;
inline constexpr int RightOpLog = 1907;

struct MonthLock {
    int year = 0;
    int month = 0;
    QString opername; // who closed it
    QString locktime; // "yyyy-MM-dd HH:mm:ss"
};

class MonthLocks {
public:
    static std::optional<MonthLock> lockOf(int year, int month);
    static bool isClosed(int year, int month) { return lockOf(year, month).has_value(); }
    // Every closed month, oldest first.
    static QList<MonthLock> all();

    // Throws DbError with the refusal text when the month is closed.
    static void requireOpen(int year, int month);
    // The same for the month of a date (a piece-work record's date).
    static void requireOpenDate(const QDate &date);
    // "2024年05月已封账（由 admin 于 2024-06-03 10:15:00 封账），不能修改。如需修改，请先取消封账。"
    static QString refusalText(const MonthLock &lock);

    // Closes the month for the logged-in operator: needs permission 1007 (admin always). The
    // month's item list is made sure of first, so a closed month is complete as it stands. One
    // transaction with its log row. Throws DbError when refused or failed.
    static void close(int year, int month);
    // Reopens the month: needs permission 1009 (admin always) and a reason, which the log keeps.
    static void reopen(int year, int month, const QString &reason);

    // Why the logged-in operator may not close / reopen, or an empty text when allowed.
    static QString closeRefusal();
    static QString reopenRefusal();
};

// "yyyy年MM月" of a wage month.
QString monthCaption(int year, int month);

} // namespace jjgz
