#pragma once
// The withholding declaration of regular wages (个税申报): one row per employee of a month, in
// the column order of the declaration form, written as an .xlsx workbook.
//
// 工号 and 姓名 come from the month's rows and the roster, 证件类型 is 居民身份证, 证件号码 the
// employee's sfid; every amount column takes the month's value of the wage item the clerk mapped
// to it (kept in config.ini, section "TaxFile", key "col" + the column's number); a column
// without an item stays empty. Employees without sfid are problems, listed before writing.
//
//     TaxDeclaration d = TaxDeclaration::prepare(2024, 3, TaxDeclaration::savedMapping());
//     for (const QString &p : d.problems) show(p);
//     d.write(QStringLiteral("/tmp/个税申报.xlsx"));
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace jjgz {

class TaxDeclaration {
public:
    // The columns of the form, in order.
    static const QStringList &columns();
    // The amount columns a wage item may be mapped to.
    static QStringList mappableColumns();
    // Column name → item code, as saved; and saving it (false: config.ini could not be written).
    static QHash<QString, QString> savedMapping();
    static bool saveMapping(const QHash<QString, QString> &mapping);

    struct Row {
        QString wkcode, wkname, sfid;
        QList<QVariant> amounts; // per mappable column: a number, or null for none
    };
    int year = 0, month = 0;
    QHash<QString, QString> mapping;
    QList<Row> rows;
    QStringList problems; // employees without sfid, in the clerk's words

    // Reads the month's rows (ordered by employee code). A mapping to a column that is not on the
    // form, or to a code that is not an item of the month, throws TaxError; a database failure
    // DbError. A month without rows gives no rows.
    static TaxDeclaration prepare(int year, int month, const QHash<QString, QString> &mapping);
    // Writes the workbook: the titles in the first row, then one row per employee. Written beside
    // `path` and moved into place when complete; throws TaxError with the reason.
    void write(const QString &path) const;
};

} // namespace jjgz
