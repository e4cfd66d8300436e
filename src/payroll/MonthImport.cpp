#include "payroll/MonthImport.h"

#include "data/MainDM.h"
#include "data/MonthLocks.h"
#include "data/MyFun.h"
#include "data/OpLog.h"
#include "data/SheetReader.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace jjgz {
namespace {

struct Item {
    QString fname;
    QString xmname;
};

QString monthText(int year, int month)
{
    return QStringLiteral("%1-%2").arg(year).arg(month, 2, 10, QLatin1Char('0'));
}

} // namespace

ImportResult MonthImport::run(int year, int month, const SheetTable &table, bool dryRun)
{
    MonthLocks::requireOpen(year, month); // a closed month takes no values, not even to check them
    JetQuery &q = dmMain->qryExec;
    QList<Item> items;
    forEachRow(q, QStringLiteral("select fname,xmname from gzxm_m where xyear=? and xmonth=? order by xh"),
               {year, month}, [&] {
                   items.append({q.value(0).toString(), q.value(1).toString()});
               });
    if (items.isEmpty())
        throw DbError(QStringLiteral("%1 还没有工资数据；请先在工资数据录入中调出该月").arg(monthText(year, month)));
    QSet<QString> formulas;
    forEachRow(q, QStringLiteral("select fname from gzgs"), {},
               [&] { formulas.insert(q.value(0).toString().toLower()); });

    // An item's code reaches the statement, so only codes of the month's own list, and only
    // those made of letters and digits, are ever used.
    static const QRegularExpression codeForm(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    auto itemOf = [&](const QString &title) -> int {
        for (int i = 0; i < items.size(); ++i)
            if (items.at(i).xmname == title || items.at(i).fname.compare(title, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    const QList<ImportColumn> columns = {
        {QStringLiteral("wkcode"), {QStringLiteral("员工代码"), QStringLiteral("工号")}, true},
        {QStringLiteral("wkname"), {QStringLiteral("员工姓名"), QStringLiteral("姓名")}},
    };
    const SheetColumnMap map = SheetColumnMap::map(table.titles, columns, [&](const QString &title) {
        const int i = itemOf(title);
        return i < 0 ? QString() : QStringLiteral("item:") + items.at(i).fname;
    });
    ImportResult result;
    result.unknownColumns = map.unknown;
    for (const auto &p : map.problems)
        result.problems.append({table.titleRow, p.first, p.second});
    QStringList keys;
    QList<int> itemColumns; // indexes into items, per key (-1 for code and name)
    for (int c = 0; c < table.titles.size(); ++c)
        for (auto it = map.index.cbegin(); it != map.index.cend(); ++it)
            if (it.value() == c) {
                keys << it.key();
                result.columns << table.titles.at(c);
                itemColumns << (it.key().startsWith(QLatin1String("item:")) ? itemOf(it.key().mid(5)) : -1);
            }
    // Formula items are refused by name; the rows are still checked for the other columns.
    int itemCount = 0;
    for (int k = 0; k < keys.size(); ++k) {
        const int i = itemColumns.at(k);
        if (i < 0)
            continue;
        const Item &item = items.at(i);
        if (formulas.contains(item.fname.toLower())) {
            result.problems.append(
                {table.titleRow, result.columns.at(k),
                 QStringLiteral("“%1”（%2）由公式计算，不能导入；请删去这一列").arg(item.xmname, item.fname)});
            itemColumns[k] = -1;
        } else if (!codeForm.match(item.fname).hasMatch()) {
            result.problems.append(
                {table.titleRow, result.columns.at(k), QStringLiteral("项目编码“%1”无效，不能导入").arg(item.fname)});
            itemColumns[k] = -1;
        } else {
            ++itemCount;
        }
    }
    if (!map.problems.isEmpty())
        return result;
    if (itemCount == 0) {
        if (result.problems.isEmpty())
            result.problems.append({table.titleRow, table.titles.value(map.at(QStringLiteral("wkcode"))),
                                    QStringLiteral("表格中没有 %1 的工资项目列；标题请写项目名称或编码（如 f3）")
                                        .arg(monthText(year, month))});
        return result;
    }
    if (table.rows.isEmpty()) {
        result.problems.append({table.titleRow, table.titles.value(map.at(QStringLiteral("wkcode"))),
                                QStringLiteral("标题行下面没有数据")});
        return result;
    }

    // The month's rows with their names and the imported items' stored values.
    QStringList select = {QStringLiteral("d.wkcode"), QStringLiteral("w.wkname")};
    for (int k = 0; k < keys.size(); ++k)
        if (itemColumns.at(k) >= 0)
            select << QStringLiteral("d.") + items.at(itemColumns.at(k)).fname;
    struct Stored {
        QString wkcode, wkname;
        QVariantList values;
    };
    QHash<QString, Stored> stored; // by lower-case code
    forEachRow(q,
               QStringLiteral("select %1 from gzdata d left join worker w on d.wkcode=w.wkcode "
                              "where d.xyear=? and d.xmonth=?")
                   .arg(select.join(u',')),
               {year, month}, [&] {
                   Stored s{q.value(0).toString(), q.value(1).toString(), {}};
                   for (int i = 2; i < select.size(); ++i)
                       s.values << q.value(i);
                   stored.insert(s.wkcode.toLower(), s);
               });

    struct Planned {
        QString wkcode;
        QStringList fnames;
        QVariantList values;
    };
    QList<Planned> planned;
    QHash<QString, int> seen;
    for (const SheetTable::Row &row : table.rows) {
        ImportRow shown;
        shown.row = row.number;
        for (const QString &key : std::as_const(keys))
            shown.values << sheetText(table.cell(row, map.at(key)));
        const int before = int(result.problems.size());
        auto problem = [&](const QString &title, const QString &message) {
            result.problems.append({row.number, title, message});
            shown.notes << title + QStringLiteral("：") + message;
        };
        const QString codeTitle = map.title.value(QStringLiteral("wkcode"));
        const QString code = sheetText(table.cell(row, map.at(QStringLiteral("wkcode"))));
        const auto found = stored.constFind(code.toLower());
        if (code.isEmpty()) {
            problem(codeTitle, QStringLiteral("请填写员工代码"));
        } else if (const auto dup = seen.constFind(code.toLower()); dup != seen.constEnd()) {
            problem(codeTitle, QStringLiteral("员工代码“%1”与第 %2 行重复").arg(code).arg(*dup));
        } else if (found == stored.constEnd()) {
            problem(codeTitle, QStringLiteral("员工“%1”不在 %2 的工资表中").arg(code, monthText(year, month)));
        } else {
            seen.insert(code.toLower(), row.number);
            const QString name = sheetText(table.cell(row, map.at(QStringLiteral("wkname"))));
            if (map.has(QStringLiteral("wkname")) && !name.isEmpty() && name != found->wkname)
                problem(map.title.value(QStringLiteral("wkname")),
                        QStringLiteral("“%1”与员工代码 %2 的姓名“%3”不符").arg(name, found->wkcode, found->wkname));
        }
        Planned p;
        bool changed = false;
        int stored_i = 0;
        for (int k = 0; k < keys.size(); ++k) {
            const int i = itemColumns.at(k);
            if (i < 0)
                continue;
            const int storedIndex = stored_i++;
            double v = 0;
            bool empty = false;
            QString error;
            if (!sheetNumber(table.cell(row, map.at(keys.at(k))), &v, &empty, &error)) {
                problem(result.columns.at(k), error);
                continue;
            }
            if (empty || found == stored.constEnd())
                continue;
            p.fnames << items.at(i).fname;
            p.values << v;
            const QVariant old = found->values.value(storedIndex);
            double oldValue = 0;
            try {
                oldValue = VarToFloat(old);
            } catch (const ConversionError &) {
                oldValue = std::nan("");
            }
            if (old.isNull() || oldValue != v)
                changed = true;
        }
        if (int(result.problems.size()) > before) {
            shown.action = QStringLiteral("有错误");
        } else if (!changed) {
            shown.action = QStringLiteral("不变");
            shown.notes << QStringLiteral("与已保存的数值相同，跳过");
            ++result.skipped;
        } else {
            shown.action = QStringLiteral("更新");
            ++result.updated;
            p.wkcode = found->wkcode;
            planned << p;
        }
        result.rows.append(shown);
    }
    if (!result.ok() || dryRun)
        return result;
    inTransaction([&] {
        for (const Planned &p : std::as_const(planned)) {
            QStringList sets;
            for (const QString &f : p.fnames)
                sets << f + QStringLiteral("=?");
            q.setSql(
                QStringLiteral("update gzdata set %1 where xyear=? and xmonth=? and wkcode=?").arg(sets.join(u',')));
            for (const QVariant &v : p.values)
                q.addBind(v);
            q.addBind(year).addBind(month).addBind(p.wkcode);
            ScratchScope scope(q);
            q.exec();
        }
        if (!planned.isEmpty()) // a file that changes nothing is not logged as a change
            OpLog::log(OpAction::Import, QStringLiteral("工资数据 ") + OpLog::monthText(year, month),
                       QStringLiteral("更新 %1 人，跳过 %2 人（数值未变）").arg(result.updated).arg(result.skipped));
    });
    result.written = true;
    return result;
}

} // namespace jjgz
