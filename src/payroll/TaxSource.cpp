#include "payroll/TaxSource.h"

#include "data/MainDM.h"

namespace jjgz {

namespace {

template <class F> auto answered(F &&f)
{
    try {
        return f();
    } catch (const TaxError &e) {
        throw SheetEvalError{e.message(), 0, 0};
    } catch (const DbError &e) {
        throw SheetEvalError{QStringLiteral("读取以前月份的工资数据或税率表失败（%1）").arg(e.message()), 0, 0};
    }
}

} // namespace

TaxSource::TaxSource(int year, int month) : m_ytd(year, month)
{}

const TaxRates &TaxSource::rates()
{
    if (!m_rates)
        m_rates = TaxRates::load();
    return *m_rates;
}

WageFunctionSource::Sum TaxSource::sumBefore(const QString &fname, const QString &wkcode)
{
    return answered([&] {
        const YearToDate::Sum s = m_ytd.sum(fname, wkcode);
        return Sum{s.value, s.months};
    });
}

int TaxSource::monthsToDate(const QString &wkcode)
{
    // The row being calculated is this month's.
    return answered([&] { return m_ytd.monthsBefore(wkcode) + 1; });
}

double TaxSource::iit(double x)
{
    return answered([&] { return rates().iit(x); });
}

double TaxSource::iitBonus(double x)
{
    return answered([&] { return rates().iitBonus(x); });
}

} // namespace jjgz
