#include "payroll/SummaryData.h"

#include "data/DataTable.h"
#include "data/MainDM.h"

#include <QRegularExpression>
#include <QSet>

namespace jjgz {

SummaryData::SummaryData()
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select bmcode, bmname from depart order by bmcode"));
    q.open();
    for (; !q.eof(); q.next())
        m_departments.insert(q.text(QStringLiteral("bmcode")), q.text(QStringLiteral("bmname")));
}

QList<MonthItem> SummaryData::monthItems(int year, int month)
{
    QList<MonthItem> items;
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select xh, fname, xmname, ftype from gzxm_m where xyear=? and xmonth=? order by xh"));
    q.addBind(year).addBind(month);
    q.open();
    for (; !q.eof(); q.next())
        items.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toString(), q.value(3).toInt()});
    return items;
}

QList<MonthItem> SummaryData::query(int year, int month, DataTable &table) const
{
    const QList<MonthItem> items = monthItems(year, month);

    // The statement is read before the table changes, so a failure keeps the old contents.
    QList<QVariantList> rows;
    if (!items.isEmpty()) {
        JetQuery q(dmMain->conZt());
        q.setSql(QStringLiteral("select * from gzdata where 1=0"));
        q.open();
        QSet<QString> columns;
        for (const QString &c : q.fieldNames())
            columns.insert(c.toLower());
        q.close();

        // Item codes come from the database; only f<n> names are ever written into the statement.
        static const QRegularExpression itemCode(QStringLiteral("^f[0-9]+$"),
                                                 QRegularExpression::CaseInsensitiveOption);
        QStringList sums;
        for (const MonthItem &item : items) {
            if (!itemCode.match(item.fname).hasMatch())
                throw DbError(QStringLiteral("工资项目编码“%1”不正确").arg(item.fname));
            // A column dropped since the month's list was made has no values to add up.
            sums << (columns.contains(item.fname.toLower()) ? QStringLiteral("sum(d.%1)").arg(item.fname)
                                                            : QStringLiteral("null"));
        }
        q.setSql(QStringLiteral("select w.bmcode, %1 from gzdata d, worker w where d.wkcode=w.wkcode "
                                "and d.xyear=? and d.xmonth=? group by w.bmcode order by w.bmcode")
                     .arg(sums.join(u',')));
        q.addBind(year).addBind(month);
        q.open();
        for (; !q.eof(); q.next()) {
            QVariantList row;
            const QString bmcode = q.value(0).toString();
            row << bmcode << m_departments.value(bmcode);
            for (int i = 0; i < items.size(); ++i) {
                const QVariant v = q.value(i + 1);
                row << (v.isNull() ? QVariant() : QVariant(v.toDouble()));
            }
            rows.append(row);
        }
    }

    table.close();
    QList<FieldDef> fields{{QStringLiteral("bmcode"), FieldKind::Text, 10},
                           {QStringLiteral("bmname"), FieldKind::Text, 20}};
    for (const MonthItem &item : items)
        fields.append({item.fname, FieldKind::Float, 0});
    table.setFields(fields);
    table.open();
    for (const QVariantList &row : rows)
        table.appendRow(row);
    table.first();
    return items;
}

} // namespace jjgz
