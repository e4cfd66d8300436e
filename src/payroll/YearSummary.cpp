#include "payroll/YearSummary.h"

#include "data/DataTable.h"
#include "data/MainDM.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>

namespace jjgz {

namespace {

// Item → the months of the year whose list holds it.
QHash<QString, QList<int>> itemMonths(int year, QList<MonthItem> *items)
{
    QHash<QString, QList<int>> months;
    QMap<int, MonthItem> byXh;
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select xmonth, xh, fname, xmname, ftype from gzxm_m where xyear=? order by xmonth, xh"));
    q.addBind(year);
    q.open();
    for (; !q.eof(); q.next()) {
        const QString fname = q.value(2).toString();
        months[fname].append(q.value(0).toInt());
        byXh.insert(q.value(1).toInt(), {q.value(1).toInt(), fname, q.value(3).toString(), q.value(4).toInt()});
    }
    if (items) {
        QSet<QString> seen;
        for (const MonthItem &item : std::as_const(byXh))
            if (!seen.contains(item.fname)) {
                seen.insert(item.fname);
                items->append(item);
            }
    }
    return months;
}

} // namespace

QList<MonthItem> YearSummary::yearItems(int year)
{
    QList<MonthItem> items;
    itemMonths(year, &items);
    return items;
}

QList<MonthItem> YearSummary::query(int year, DataTable &table)
{
    QList<MonthItem> items;
    const QHash<QString, QList<int>> months = itemMonths(year, &items);

    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select * from gzdata where 1=0"));
    q.open();
    QSet<QString> columns;
    for (const QString &c : q.fieldNames())
        columns.insert(c.toLower());
    q.close();

    // Only f<n> codes and month numbers from the database are written into the statement.
    static const QRegularExpression itemCode(QStringLiteral("^f[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    QStringList sums;
    for (const MonthItem &item : items) {
        if (!itemCode.match(item.fname).hasMatch())
            throw DbError(QStringLiteral("工资项目编码“%1”不正确").arg(item.fname));
        QStringList in;
        for (int m : months.value(item.fname))
            in << QString::number(m);
        sums << (columns.contains(item.fname.toLower())
                     ? QStringLiteral("sum(case when d.xmonth in (%1) then d.%2 end)").arg(in.join(u','), item.fname)
                     : QStringLiteral("null"));
    }
    q.setSql(QStringLiteral("select d.wkcode, w.wkname, p.bmname, count(*)%1 from gzdata d "
                            "left join worker w on w.wkcode=d.wkcode left join depart p on p.bmcode=w.bmcode "
                            "where d.xyear=? group by d.wkcode order by d.wkcode")
                 .arg(sums.isEmpty() ? QString() : QStringLiteral(",") + sums.join(u',')));
    q.addBind(year);
    q.open();
    QList<QVariantList> rows;
    for (; !q.eof(); q.next()) {
        QVariantList row{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toInt()};
        for (int i = 0; i < items.size(); ++i) {
            const QVariant v = q.value(i + 4);
            row << (v.isNull() ? QVariant() : QVariant(v.toDouble()));
        }
        rows.append(row);
    }
    q.close();

    table.close();
    QList<FieldDef> fields{{QStringLiteral("wkcode"), FieldKind::Text, 20},
                           {QStringLiteral("wkname"), FieldKind::Text, 20},
                           {QStringLiteral("bmname"), FieldKind::Text, 20},
                           {QStringLiteral("months"), FieldKind::Integer, 0}};
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
