#pragma once
// The data work behind the piece-work listing: the query that the filter dialog builds, the name
// lookups that the listing window reads once, a month read into the list, and deleting a record.
#include <QDate>
#include <QHash>
#include <QString>
#include <QVariant>

namespace jjgz {

class DataTable;

// What the filter dialog asks for. Codes are empty when nothing is chosen.
struct PieceFilter {
    QDate month;
    QString gzcode;
    QString gxcode;
    QString bmcode;
    QString wkcode;
    QString wkname;
    bool detail = false; // one row per employee line
};

// What the filter dialog hands the listing window: the statement with its values, the mode and
// the month label.
struct ListingQuery {
    QString sql;
    QVariantList values;
    bool detail = false;
    QString monthLabel; // "yyyy年MM月"
    bool isValid() const { return !sql.isEmpty(); }
};

// The names of the six master lists, read once: codes added later get no names.
class PieceLookups {
public:
    void load();
    QString jobTypeName(const QString &gzcode) const;
    QString processName(const QString &gzcode, const QString &gxcode) const;
    QString coefficientName(const QString &xscode) const;
    QString workerName(const QString &wkcode) const;
    QString workerSex(const QString &wkcode) const;
    QString workerDepart(const QString &wkcode) const;
    QString departName(const QString &bmcode) const;
    QString positionName(const QString &tpcode) const;
    // Position names by code, as the record dialog names the positions of the lines it loads.
    const QHash<QString, QString> &positions() const { return m_positions; }

private:
    struct WorkerFacts {
        QString name;
        QString sex;
        QString bmcode;
    };
    QHash<QString, QString> m_jobTypes;
    QHash<QString, QString> m_processes; // by gzcode + '\x1f' + gxcode
    QHash<QString, QString> m_coefficients;
    QHash<QString, WorkerFacts> m_workers;
    QHash<QString, QString> m_departs;
    QHash<QString, QString> m_positions;      // by the code as stored
    QHash<QString, QString> m_positionsByKey; // by the case-folded code
};

class PieceListing {
public:
    // The statement of a filter: the month always; job type and process when chosen; in
    // header-and-lines mode also department, employee code and employee name. Every value bound.
    static ListingQuery buildQuery(const PieceFilter &filter);
    static QString monthLabel(const QDate &month);

    // pid, dt, gzcode, gzname, gxcode, gxname, price, rs, xscode, xsname, xs, sl, je, wkcode,
    // tpcode, bl, je2, wkname, sex, bmcode, bmname, tpname.
    static void defineListFields(DataTable &list);
    // Runs `query` and fills `list` (reopened, on the first row) with its rows and their names.
    // Returns the number of rows. Throws DbError.
    static int load(DataTable &list, const ListingQuery &query, const PieceLookups &lookups);
    // Deletes the record and all its lines in one transaction. Throws DbError; on a failure
    // nothing has changed.
    static void removeRecord(int pid);
};

} // namespace jjgz
