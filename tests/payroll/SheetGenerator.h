#pragma once
// Random months for the differential test of the wage calculation and its fuzz target: items,
// employees with typed values, piece-work lines, and formulas of every kind the sheet meets —
// expressions over items (left and right of the target), JJe and JSl, conditions, scripts with
// variables and loops, the function groups of the sheet (and calls that write into their
// arguments), names the sheet does not know (F1, jje, f99), texts that do not compile, that
// fail when run or that never assign RESULT. Choices come from the fuzzer's bytes while there
// are any, then from a generator seeded by them (or by a seed).
#include "LiteralOracle.h"

#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jjgz::test {

class Chooser {
public:
    explicit Chooser(std::uint64_t seed);
    Chooser(const std::uint8_t *data, std::size_t size);
    int below(int n); // 0 … n-1
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint64_t next();
    const std::uint8_t *m_data = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_state;
};

struct GeneratedMonth {
    struct Item {
        int number = 0; // fname "f" + number
        QString name;
    };
    struct Formula {
        QString fname, gs, con;
    };
    struct Employee {
        QString wkcode, name;
        std::vector<SheetCell> values; // per item
    };
    struct Share {
        int employee = 0;
        double je = 0;
    };
    struct Record {
        int day = 1; // of the month; 0: a day of the month before
        double sl = 0;
        QList<Share> shares;
    };
    QList<Item> items;         // in sheet order
    QList<Formula> formulas;   // in xh order; an item may have two, a formula may name no item
    QList<Employee> employees; // in sheet order (their codes sort so)
    QList<Record> records;

    QString fname(int item) const { return QStringLiteral("f%1").arg(items[item].number); }
    // The month as the literal procedure and the core take it (the first formula of an item).
    LiteralMonth literal() const;
    std::vector<CellTexts> cellTexts() const;
    std::vector<PieceworkTotals> totals() const; // per employee, of the month's records
    QString describe() const;                    // for a failure message
};

GeneratedMonth generateMonth(Chooser &choose);

} // namespace jjgz::test
