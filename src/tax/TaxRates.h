#pragma once
// The tax-rate tables of the individual income tax (table taxrate) and the tax they give.
//
//   kind 1  综合所得预扣率表: wages withheld the cumulative way; IIT(x) of a cumulative taxable
//           income x.
//   kind 2  the monthly-converted table of the annual one-off bonus taxed on its own; IITBONUS(x)
//           chooses the bracket by x / 12.
//
// A table is a list of brackets in xh order, each with its upper bound (none for the last one),
// its rate as a fraction (0.03) and its quick deduction. The tax of x > 0 is x × rate − quick
// deduction of the first bracket whose bound is at least x (the bonus: at least x / 12), rounded
// to the cent (halves away from zero, on the exact double); x ≤ 0 gives 0.
//
//     TaxRates rates = TaxRates::load();     // one statement; a calculation reads it once
//     double tax = rates.iit(55500);         // 3030
//     if (auto fault = rates.checkSave()) show(fault->message);
//     else rates.save();                     // both kinds, in one transaction
#include <QList>
#include <QString>

#include <exception>
#include <optional>

namespace jjgz {

struct TaxBracket {
    std::optional<double> upper; // none: the last bracket, without bound
    double rate = 0;             // fraction
    double kcs = 0;              // quick deduction
};

// A table that cannot give a tax (found by the calculation in a table changed outside the
// program), or an amount that is not a number; the message is the clerk's.
class TaxError : public std::exception {
public:
    explicit TaxError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const char *what() const noexcept override { return m_utf8.constData(); }
    const QString &message() const { return m_message; }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Why a table may not be saved: which kind, which row (1-based, 0 for the whole table), and why.
struct TaxFault {
    int kind = 0;
    int row = 0;
    QString message; // names the table and the row
};

class TaxRates {
public:
    static constexpr int Wages = 1; // 综合所得预扣率表
    static constexpr int Bonus = 2; // 全年一次性奖金（按月换算）税率表
    static constexpr int Kinds[] = {Wages, Bonus};

    // The table's name for the clerk.
    static QString kindName(int kind);
    // The tables as the delivered database holds them.
    static TaxRates standard();
    // Both tables from the database, in xh order, in one statement. Throws DbError.
    static TaxRates load();

    const QList<TaxBracket> &brackets(int kind) const;
    void setBrackets(int kind, QList<TaxBracket> brackets);

    // The first reason why the table of `kind` cannot give a tax, if any: a table without
    // brackets, a bound missing before the last bracket or present on it, bounds that do not
    // ascend or are not above 0, a rate outside 0…1, a negative quick deduction.
    std::optional<TaxFault> check(int kind) const;
    // Both tables.
    std::optional<TaxFault> checkSave() const;
    // Writes both tables (numbered 1, 2, … in list order) in one transaction, after checkSave;
    // a refused table throws DbError with the fault's message and nothing is written.
    void save() const;

    // The tax of a cumulative taxable income by table 1, and of a one-off bonus by table 2.
    // Throw TaxError when the table cannot give one (check) or x is not a finite number.
    double iit(double x) const;
    double iitBonus(double x) const;
    // The bracket (0-based) that gives the tax of x by the table of `kind`; -1 for x ≤ 0.
    int bracketOf(int kind, double x) const;

private:
    double tax(int kind, double x) const;
    QList<TaxBracket> m_wages, m_bonus;
};

} // namespace jjgz
