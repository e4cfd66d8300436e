#include "tax/TaxRates.h"

#include "data/MainDM.h"
#include "data/MyFun.h"

#include <QRegularExpression>

#include <cmath>

namespace jjgz {

namespace {

QString amountText(double x)
{
    return QString::number(x, 'f', 2).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

TaxFault fault(int kind, int row, const QString &why)
{
    if (row <= 0)
        return {kind, row, QStringLiteral("%1：%2").arg(TaxRates::kindName(kind), why)};
    return {kind, row, QStringLiteral("%1第%2行：%3").arg(TaxRates::kindName(kind)).arg(row).arg(why)};
}

} // namespace

QString TaxRates::kindName(int kind)
{
    switch (kind) {
    case Wages: return QStringLiteral("综合所得预扣率表");
    case Bonus: return QStringLiteral("全年一次性奖金税率表（按月换算）");
    default: return QStringLiteral("税率表%1").arg(kind);
    }
}

TaxRates TaxRates::standard()
{
    TaxRates r;
    // clang-format off
    r.m_wages = {{36000, 0.03, 0},       {144000, 0.10, 2520},  {300000, 0.20, 16920}, {420000, 0.25, 31920},
                 {660000, 0.30, 52920},  {960000, 0.35, 85920}, {std::nullopt, 0.45, 181920}};
    r.m_bonus = {{3000, 0.03, 0},        {12000, 0.10, 210},    {25000, 0.20, 1410},   {35000, 0.25, 2660},
                 {55000, 0.30, 4410},    {80000, 0.35, 7160},   {std::nullopt, 0.45, 15160}};
    // clang-format on
    return r;
}

TaxRates TaxRates::load()
{
    TaxRates r;
    JetQuery &q = dmMain->qryExec;
    forEachRow(q, QStringLiteral("select kind,upper,rate,kcs from taxrate order by kind,xh"), {}, [&] {
        const int kind = q.value(0).toInt();
        TaxBracket b;
        if (!q.value(1).isNull())
            b.upper = q.value(1).toDouble();
        b.rate = q.value(2).toDouble();
        b.kcs = q.value(3).toDouble();
        if (kind == Wages)
            r.m_wages.append(b);
        else if (kind == Bonus)
            r.m_bonus.append(b);
    });
    return r;
}

const QList<TaxBracket> &TaxRates::brackets(int kind) const
{
    return kind == Bonus ? m_bonus : m_wages;
}

void TaxRates::setBrackets(int kind, QList<TaxBracket> brackets)
{
    (kind == Bonus ? m_bonus : m_wages) = std::move(brackets);
}

std::optional<TaxFault> TaxRates::check(int kind) const
{
    const QList<TaxBracket> &list = brackets(kind);
    if (list.isEmpty())
        return fault(kind, 0, QStringLiteral("至少要有一档税率"));
    double previous = 0;
    for (int i = 0; i < list.size(); ++i) {
        const TaxBracket &b = list[i];
        const int row = i + 1;
        const bool last = i == list.size() - 1;
        if (!last && !b.upper)
            return fault(kind, row, QStringLiteral("只有最后一档不填上限，这一档要填上限"));
        if (last && b.upper)
            return fault(kind, row, QStringLiteral("最后一档是“以上”的一档，不填上限；请清空它的上限"));
        if (b.upper) {
            if (!std::isfinite(*b.upper) || *b.upper <= 0)
                return fault(kind, row, QStringLiteral("上限必须是大于0的金额"));
            if (i > 0 && *b.upper <= previous)
                return fault(
                    kind, row,
                    QStringLiteral("上限 %1 必须大于上一档的上限 %2").arg(amountText(*b.upper), amountText(previous)));
            previous = *b.upper;
        }
        if (!std::isfinite(b.rate) || b.rate < 0 || b.rate > 1)
            return fault(kind, row,
                         QStringLiteral("税率 %1 不在0到1之间（税率按小数填写，3%填0.03）")
                             .arg(QString::number(b.rate, 'g', 10)));
        if (!std::isfinite(b.kcs) || b.kcs < 0)
            return fault(kind, row, QStringLiteral("速算扣除数不能为负数"));
    }
    return std::nullopt;
}

std::optional<TaxFault> TaxRates::checkSave() const
{
    for (int kind : Kinds)
        if (auto f = check(kind))
            return f;
    return std::nullopt;
}

void TaxRates::save() const
{
    if (auto f = checkSave())
        throw DbError(f->message);
    inTransaction([&] {
        dmMain->exec(QStringLiteral("delete from taxrate"));
        for (int kind : Kinds) {
            const QList<TaxBracket> &list = brackets(kind);
            for (int i = 0; i < list.size(); ++i) {
                const TaxBracket &b = list[i];
                dmMain->exec(QStringLiteral("insert into taxrate(kind,xh,upper,rate,kcs) values(?,?,?,?,?)"),
                             {kind, i + 1, b.upper ? QVariant(*b.upper) : QVariant(), b.rate, b.kcs});
            }
        }
    });
}

int TaxRates::bracketOf(int kind, double x) const
{
    if (!(x > 0))
        return -1;
    const double base = kind == Bonus ? x / 12 : x;
    const QList<TaxBracket> &list = brackets(kind);
    for (int i = 0; i < list.size(); ++i)
        if (!list[i].upper || *list[i].upper >= base)
            return i;
    return -1;
}

double TaxRates::tax(int kind, double x) const
{
    if (!std::isfinite(x))
        throw TaxError(QStringLiteral("计税金额不是有效的数值"));
    if (x <= 0)
        return 0;
    if (auto f = check(kind))
        throw TaxError(QStringLiteral("税率表有误，不能计算个税：%1。请在【税率表】中改正").arg(f->message));
    const TaxBracket &b = brackets(kind)[bracketOf(kind, x)];
    return RoundDec(2, x * b.rate - b.kcs);
}

double TaxRates::iit(double x) const
{
    return tax(Wages, x);
}

double TaxRates::iitBonus(double x) const
{
    return tax(Bonus, x);
}

} // namespace jjgz
