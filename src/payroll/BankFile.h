#pragma once
// The bank's payroll-transfer file (代发工资): one row per employee of a month whose amount (one
// wage item) is not 0, as .xlsx or .csv. Which columns, their titles and order, and the CSV
// encoding are the clerk's settings for the bank, kept in config.ini. Reads the month's stored
// wages directly; what the wage window shows unsaved is not in it.
#include <QList>
#include <QString>
#include <QStringList>

namespace jjgz {

struct BankColumn {
    QString key;   // xh, wkcode, wkname, bmname, bankacc, amount, sfid
    QString title; // the title written in the file
};

struct BankSettings {
    QList<BankColumn> columns; // in the file's order
    bool utf8 = false;         // CSV encoding: GBK unless the bank asks for UTF-8

    // 序号, 姓名, 银行账号, 金额, 身份证号; GBK.
    static BankSettings defaults();
    // Every column the file can have, with its default title.
    static QList<BankColumn> available();
    // From config.ini (section BankFile); missing or unusable settings give the defaults.
    static BankSettings load();
    // False when config.ini cannot be written.
    bool save() const;
};

struct BankRow {
    int xh = 0;
    QString wkcode, wkname, bmname, bankacc, sfid;
    qint64 cents = 0; // the amount in fen: two decimals, exactly
};

struct BankProblem {
    QString wkcode;
    QString wkname;
    QString message;
    bool error = false; // an error stops the file; otherwise the employee is only left out
    QString line() const
    {
        return QStringLiteral("%1 %2 %3: %4")
            .arg(error ? QStringLiteral("error") : QStringLiteral("left out"), wkcode, wkname, message);
    }
};

struct BankPlan {
    int year = 0, month = 0;
    QString fname, xmname;
    QList<BankRow> rows;
    QList<BankProblem> problems;
    qint64 totalCents = 0;
    bool hasErrors() const
    {
        for (const BankProblem &p : problems)
            if (p.error)
                return true;
        return false;
    }
};

// The amount in fen as text with two decimals: 123456 -> "1234.56".
QString centsText(qint64 cents);

class BankFile {
public:
    struct Item {
        QString fname;
        QString xmname;
    };
    // The items of a month (its own item list), in order; empty when the month has no wages.
    static QList<Item> items(int year, int month);
    // The rows and problems of the file for item `fname` (its code, or its name) of the month.
    // Throws DbError for a month without wages or an item it does not have.
    static BankPlan prepare(int year, int month, const QString &item);
    // Writes the file (.xlsx when `path` ends so, otherwise CSV) complete or not at all.
    // Throws DbError when `plan` has errors or the file cannot be written.
    static void write(const BankPlan &plan, const BankSettings &settings, const QString &path);
};

} // namespace jjgz
