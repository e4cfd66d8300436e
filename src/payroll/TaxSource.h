#pragma once
// The answers of the wage sheet's year-to-date and tax functions for one calculation of a month:
// the stored months of the year (YearToDate, one grouped read per item) and the tax-rate tables,
// read once per calculation, at the first call that needs them (a month without tax formulas
// reads nothing).
#include "tax/TaxRates.h"
#include "tax/YearToDate.h"
#include "wagecalc/WageEvaluator.h"

namespace jjgz {

class TaxSource final : public WageFunctionSource {
public:
    TaxSource(int year, int month);

    Sum sumBefore(const QString &fname, const QString &wkcode) override;
    int monthsToDate(const QString &wkcode) override;
    double iit(double x) override;
    double iitBonus(double x) override;

    const YearToDate &yearToDate() const { return m_ytd; }

private:
    const TaxRates &rates();
    YearToDate m_ytd;
    std::optional<TaxRates> m_rates;
};

} // namespace jjgz
