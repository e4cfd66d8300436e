#include "SheetGenerator.h"

#include <algorithm>

namespace jjgz::test {

// ---- Chooser

Chooser::Chooser(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1)
{}

Chooser::Chooser(const std::uint8_t *data, std::size_t size)
    : m_data(data), m_size(size), m_state(0x243F6A8885A308D3ull)
{
    for (std::size_t i = 0; i < size; ++i)
        m_state = (m_state ^ data[i]) * 0x100000001B3ull;
    m_state |= 1;
}

std::uint64_t Chooser::next()
{
    // xorshift64*
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return m_state * 0x2545F4914F6CDD1Dull;
}

int Chooser::below(int n)
{
    if (n <= 1)
        return 0;
    if (m_size > 0) {
        --m_size;
        return *m_data++ % n;
    }
    return int(next() % std::uint64_t(n));
}

namespace {

class FormulaMaker {
public:
    FormulaMaker(Chooser &c, const GeneratedMonth &m, int t) : choose(c), month(m), target(t) {}

    QString pick(std::initializer_list<const char *> list)
    {
        const int k = choose.below(int(list.size()));
        return QString::fromUtf8(*(list.begin() + k));
    }

    QString number()
    {
        switch (choose.below(8)) {
        case 0: return QString::number(choose.below(4));
        case 1: return QString::number(choose.below(3000));
        case 2: return QStringLiteral("%1.%2").arg(choose.below(100)).arg(choose.below(100), 2, 10, QLatin1Char('0'));
        case 3: return pick({"2.675", "0.005", "1.005", "-1.235", "0.125", "999999999.995"});
        case 4: return pick({"1e3", "2147483647", "0.1", "1000000"});
        case 5: return QStringLiteral("%1.5").arg(choose.below(20));
        default: return QString::number(choose.below(100));
        }
    }

    QString name()
    {
        const int n = int(month.items.size());
        const int k = choose.below(20);
        if (k < 11 && n > 0) // an item, often one to the left of the target
            return month.fname(k < 8 && target > 0 ? choose.below(target) : choose.below(n));
        if (k < 14)
            return QStringLiteral("JJe");
        if (k < 16)
            return QStringLiteral("JSl");
        return pick({"F1", "jje", "f99", "JSL", "x1"}); // names the sheet does not answer
    }

    QString text() { return pick({"\"12.5\"", "\"abc\"", "\"\"", "\"1\"", "\"工资\""}); }

    QString expr(int depth)
    {
        if (depth <= 0)
            return choose.chance(60) ? name() : number();
        switch (choose.below(14)) {
        case 0:
        case 1: return name();
        case 2: return number();
        case 3:
        case 4:
        case 5:
            return QStringLiteral("(%1%2%3)")
                .arg(expr(depth - 1), pick({"+", "-", "*", "/", "+", "*"}), expr(depth - 1));
        case 6: return QStringLiteral("%1 %2 %3").arg(expr(depth - 1), pick({"mod", "div", "+"}), expr(depth - 1));
        case 7: return cond(depth - 1);
        case 8:
            return QStringLiteral("%1(%2)").arg(pick({"ABS", "ROUND", "TRUNC", "INT", "FRAC", "SQR", "CEIL", "FLOOR",
                                                      "SIGN", "ZERO", "EXP", "LN", "SIN", "Extended", "Integer"}),
                                                expr(depth - 1));
        case 9:
            return QStringLiteral("%1(%2,%3)")
                .arg(pick({"MAX", "MIN", "SUM", "AVG", "POWER", "RADIUS"}), expr(depth - 1), expr(depth - 1));
        case 10: return QStringLiteral("IIF(%1,%2,%3)").arg(cond(depth - 1), expr(depth - 1), expr(depth - 1));
        case 11:
            switch (choose.below(6)) {
            case 0: return QStringLiteral("Length(%1)").arg(text());
            case 1: return QStringLiteral("StrToFloat(FloatToStr(%1))").arg(expr(depth - 1));
            case 2: return text();
            case 3: return QStringLiteral("INC(%1)").arg(choose.chance(50) ? number() : name());
            case 4: return QStringLiteral("Length(Copy(%1,1,2))").arg(text());
            default: return QStringLiteral("ABSS(%1)").arg(expr(depth - 1)); // no such function
            }
        case 12: return QStringLiteral("-(%1)").arg(expr(depth - 1));
        default: return choose.chance(20) ? pick({"f1+*2", "(f1", "ABS(f1,f2)", "'a'"}) : number(); // compile errors
        }
    }

    QString cond(int depth)
    {
        if (choose.chance(15))
            return pick({"1", "2", "0.999", "NULL", "TRUE", "1/0"});
        QString c =
            QStringLiteral("(%1%2%3)").arg(expr(depth - 1), pick({">", ">=", "<", "<=", "=", "<>"}), expr(depth - 1));
        if (choose.chance(25))
            c = QStringLiteral("%1 %2 %3").arg(c, pick({"AND", "OR"}), cond(depth - 1));
        return c;
    }

    QString variable() { return pick({"x", "b", "s", "i", "n"}); }

    QString statement(int depth)
    {
        switch (choose.below(9)) {
        case 0:
        case 1: return QStringLiteral("%1 := %2;").arg(variable(), expr(depth));
        case 2: return QStringLiteral("IF %1 THEN %2 := %3;").arg(cond(depth), variable(), expr(depth));
        case 3:
            return QStringLiteral("IF %1 THEN RESULT := %2 ELSE %3 := %4;")
                .arg(cond(depth), expr(depth), variable(), expr(depth));
        case 4: return QStringLiteral("FOR i := 1 TO %1 DO s := s + %2;").arg(choose.below(5)).arg(expr(depth - 1));
        case 5: return QStringLiteral("WHILE n < %1 DO n := n + 1;").arg(choose.below(6));
        case 6: return QStringLiteral("%1 := %1 + 1;").arg(variable());
        case 7: return QStringLiteral("RESULT := %1;").arg(expr(depth));
        default:
            return choose.chance(50) ? QStringLiteral("t := \"abcd\"; Delete(t, 1, 1); x := Length(t);")
                                     : QStringLiteral("REPEAT n := n + 2; UNTIL n > %1;").arg(choose.below(5));
        }
    }

    QString formula()
    {
        const int depth = 1 + choose.below(3);
        switch (choose.below(6)) {
        case 0:
        case 1:
        case 2: return expr(depth);
        case 3: return expr(depth) + QStringLiteral(";"); // no value
        default: {
            QString s;
            const int n = 1 + choose.below(4);
            for (int k = 0; k < n; ++k)
                s += statement(depth) + u' ';
            switch (choose.below(4)) {
            case 0: return s + QStringLiteral("RESULT := ") + expr(depth) + QStringLiteral(" + ") + variable();
            case 1: return s + QStringLiteral("RESULT := ") + expr(depth) + QStringLiteral(";");
            case 2: return s.trimmed();
            default: return s + QStringLiteral("result := ") + variable();
            }
        }
        }
    }

    Chooser &choose;
    const GeneratedMonth &month;
    int target;
};

double value(Chooser &choose)
{
    switch (choose.below(6)) {
    case 0: return 0;
    case 1: return choose.below(5000);
    case 2: return choose.below(500000) / 100.0;
    case 3: return (choose.below(2000) * 10 + 5) / 1000.0; // half cents
    case 4: return -choose.below(10000) / 100.0;
    default: return 1500 + choose.below(1000);
    }
}

} // namespace

GeneratedMonth generateMonth(Chooser &choose)
{
    GeneratedMonth m;
    const int items = 1 + choose.below(8);
    int number = 0;
    for (int i = 0; i < items; ++i) {
        number += 1 + (choose.chance(20) ? choose.below(10) : 0);
        m.items.append({number, QStringLiteral("项目%1").arg(number)});
    }
    const int employees = 1 + choose.below(6);
    for (int e = 0; e < employees; ++e) {
        GeneratedMonth::Employee emp;
        emp.wkcode = QStringLiteral("W%1").arg(e + 1, 2, 10, QLatin1Char('0'));
        emp.name = QStringLiteral("员工%1").arg(e + 1);
        for (int i = 0; i < items; ++i)
            emp.values.push_back(choose.chance(10) ? SheetCell{0, true} : SheetCell{value(choose), false});
        m.employees.append(emp);
    }
    const int records = choose.below(6);
    for (int k = 0; k < records; ++k) {
        GeneratedMonth::Record r;
        r.day = choose.chance(15) ? 0 : 1 + choose.below(28);
        r.sl = choose.below(400) / 4.0; // quarters: sums are exact in any order
        const int crew = 1 + choose.below(3);
        for (int c = 0; c < crew; ++c)
            r.shares.append({choose.below(employees), choose.below(40000) / 8.0});
        m.records.append(r);
    }
    const int formulas = choose.below(items + 2);
    for (int k = 0; k < formulas; ++k) {
        const int target = choose.below(items);
        FormulaMaker make(choose, m, target);
        GeneratedMonth::Formula f;
        f.fname = choose.chance(5) ? QStringLiteral("f999") : m.fname(target);
        f.gs = choose.chance(8) ? QString() : make.formula();
        if (choose.chance(35))
            f.con = make.cond(1 + choose.below(2));
        m.formulas.append(f);
    }
    return m;
}

LiteralMonth GeneratedMonth::literal() const
{
    LiteralMonth l;
    for (int i = 0; i < items.size(); ++i) {
        l.fnames << fname(i);
        std::optional<LiteralFormula> f;
        for (const Formula &g : formulas) {
            if (g.fname == fname(i)) {
                f = LiteralFormula{g.gs, g.con};
                break;
            }
        }
        l.formulas.push_back(f);
    }
    for (const Employee &e : employees) {
        l.wkcodes << e.wkcode;
        l.cells.insert(l.cells.end(), e.values.begin(), e.values.end());
    }
    // Summed anew at every use, as the statement would.
    l.totals = [this](int row) {
        PieceworkTotals t;
        for (const Record &r : records) {
            if (r.day == 0)
                continue;
            for (const Share &s : r.shares) {
                if (s.employee != row)
                    continue;
                t.je += s.je;
                t.sl += r.sl;
                ++t.lines;
            }
        }
        return t;
    };
    return l;
}

std::vector<CellTexts> GeneratedMonth::cellTexts() const
{
    std::vector<CellTexts> texts;
    const LiteralMonth l = literal();
    for (const auto &f : l.formulas)
        texts.push_back(f ? CellTexts{toEvaluatorText(f->gs), toEvaluatorText(f->con)} : CellTexts{});
    return texts;
}

std::vector<PieceworkTotals> GeneratedMonth::totals() const
{
    const LiteralMonth l = literal();
    std::vector<PieceworkTotals> t;
    for (int e = 0; e < employees.size(); ++e)
        t.push_back(l.totals(e));
    return t;
}

QString GeneratedMonth::describe() const
{
    QStringList out;
    QStringList codes;
    for (int i = 0; i < items.size(); ++i)
        codes << fname(i);
    out << QStringLiteral("items: ") + codes.join(u' ');
    for (const Formula &f : formulas)
        out << QStringLiteral("%1 = %2   [if %3]").arg(f.fname, f.gs, f.con);
    return out.join(u'\n');
}

} // namespace jjgz::test
