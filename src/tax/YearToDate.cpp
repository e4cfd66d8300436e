#include "tax/YearToDate.h"

#include "data/MainDM.h"
#include "tax/TaxRates.h"

#include <QRegularExpression>

namespace jjgz {

QString employeeKey(const QString &wkcode)
{
    QString key = wkcode;
    for (QChar &c : key)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return key;
}

YearToDate::YearToDate(int year, int month) : m_year(year), m_month(month)
{}

bool YearToDate::isItem(const QString &fname)
{
    if (!m_items) {
        QSet<QString> items;
        JetQuery &q = dmMain->qryExec;
        forEachRow(q, QStringLiteral("select distinct fname from gzxm_m where xyear=? and xmonth<=?"),
                   {m_year, m_month}, [&] { items.insert(q.value(0).toString()); });
        m_items = std::move(items);
    }
    return m_items->contains(fname);
}

YearToDate::Sum YearToDate::sum(const QString &fname, const QString &wkcode)
{
    auto it = m_sums.constFind(fname);
    if (it == m_sums.constEnd()) {
        // The code goes into the statement as a column name: only a code of the form f + digits
        // that is an item of the year, and a column of gzdata, ever gets there.
        static const QRegularExpression code(QStringLiteral("^f[0-9]+$"));
        if (!code.match(fname).hasMatch() || !isItem(fname))
            throw TaxError(QStringLiteral("“%1”不是%2年的工资项目").arg(fname).arg(m_year));
        if (!m_columns) {
            JetQuery &q = dmMain->qryExec;
            ScratchScope scope(q);
            q.setSql(QStringLiteral("select * from gzdata where 1=0"));
            q.open();
            m_columns = q.fieldNames();
        }
        QHash<QString, Sum> sums;
        // Without a column no earlier month can hold a value of it (a column is dropped only
        // while gzdata is empty).
        if (m_columns->contains(fname, Qt::CaseInsensitive)) {
            JetQuery &q = dmMain->qryExec;
            ++m_reads;
            forEachRow(q,
                       QStringLiteral("select d.wkcode,sum(d.%1),count(*) from gzdata d where d.xyear=? and d.xmonth<? "
                                      "and d.xmonth in (select m.xmonth from gzxm_m m where m.xyear=? and m.fname=?) "
                                      "group by d.wkcode")
                           .arg(fname),
                       {m_year, m_month, m_year, fname}, [&] {
                           Sum &s = sums[employeeKey(q.value(0).toString())];
                           s.value += q.value(1).toDouble();
                           s.months += q.value(2).toInt();
                       });
        }
        it = m_sums.insert(fname, std::move(sums));
    }
    return it->value(employeeKey(wkcode));
}

int YearToDate::monthsBefore(const QString &wkcode)
{
    if (!m_months) {
        QHash<QString, int> months;
        JetQuery &q = dmMain->qryExec;
        ++m_reads;
        forEachRow(q, QStringLiteral("select wkcode,count(*) from gzdata where xyear=? and xmonth<? group by wkcode"),
                   {m_year, m_month}, [&] { months[employeeKey(q.value(0).toString())] += q.value(1).toInt(); });
        m_months = std::move(months);
    }
    return m_months->value(employeeKey(wkcode));
}

} // namespace jjgz
