#include "payroll/WageSheet.h"

#include "data/DBFun.h"
#include "data/DbErrors.h"
#include "data/MainDM.h"
#include "data/MonthLocks.h"
#include "data/MyFun.h"
#include "payroll/SheetLog.h"
#include "payroll/TaxSource.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace jjgz {

using namespace eval;

namespace {

// An item code must be "f" and digits before it may name a column in a statement.
bool isItemCode(const QString &fname)
{
    static const QRegularExpression re(QStringLiteral("^f[0-9]{1,9}$"));
    return re.match(fname).hasMatch();
}

QString amountText(double v)
{
    return QString::number(v, 'f', 2);
}

QString numberText(double v)
{
    return QString::number(v, 'g', 15);
}

QString cellText(const SheetCell &c)
{
    return c.null ? QStringLiteral("空") : numberText(c.value);
}

DbError sqlFailure(const QString &what, const QSqlError &e)
{
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.text().trimmed();
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return DbError(QStringLiteral("%1(%2)").arg(what, text), ok ? (code & 0xff) : 0);
}

} // namespace

bool parseWageMonth(const QString &text, int &year, int &month)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{1,2})$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    year = m.captured(1).toInt();
    month = m.captured(2).toInt();
    return year >= 1900 && month >= 1 && month <= 12;
}

WageSheet::WageSheet()
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select * from depart order by bmcode"));
    for (q.open(); !q.eof(); q.next())
        m_departments.insert(q.text(QStringLiteral("bmcode")), q.text(QStringLiteral("bmname")));
    q.setSql(QStringLiteral("select * from worker_tp order by tpcode"));
    for (q.open(); !q.eof(); q.next())
        m_positions.insert(q.text(QStringLiteral("tpcode")), q.text(QStringLiteral("tpname")));
    q.setSql(QStringLiteral("select * from gzgs order by xh"));
    for (q.open(); !q.eof(); q.next()) {
        SheetFormula f;
        f.xh = q.value(QStringLiteral("xh")).toInt();
        f.fname = q.text(QStringLiteral("fname"));
        f.gs = q.text(QStringLiteral("gs"));
        f.gsdesc = q.text(QStringLiteral("gsdesc"));
        f.con = q.text(QStringLiteral("con"));
        f.condesc = q.text(QStringLiteral("condesc"));
        m_formulas.append(f);
    }
    q.close();
}

WageSheet::~WageSheet() = default;

QString WageSheet::notInRosterName()
{
    return QStringLiteral("（已不在员工名册）");
}

void WageSheet::requireLoaded() const
{
    if (!isLoaded())
        throw DbError(QStringLiteral("还没有调出工资月份"));
}

void WageSheet::load(int year, int month)
{
    SheetLog::loaded(*this);
    m_year = year;
    m_month = month;
    m_problems.clear();
    m_failureIndex.clear();
    m_createdMonth = false;
    m_notInRoster.clear();
    EnsureMonthSheet();
    try {
        OpenMonthItems();
        BuildSheetFields();
        LoadSheetRows();
    } catch (const DbError &e) {
        throw keptMonth(e, true);
    }
}

// `e` as the clerk should read it when this load created the month: that part was saved.
DbError WageSheet::keptMonth(const DbError &e, bool loading) const
{
    if (!m_createdMonth)
        return e;
    const QString kept = QStringLiteral("%1年%2月的工资表在调出时已经生成并保存").arg(m_year).arg(m_month);
    const QString unchanged = QStringLiteral("数据没有改变");
    QString text = plainDbText(e.message());
    const QString instead = loading ? QStringLiteral("没能调出") : QStringLiteral("计算结果没有保存");
    if (text.contains(unchanged))
        text.replace(unchanged, instead + QStringLiteral("，") + kept);
    else
        text += QStringLiteral("。") + instead + QStringLiteral("；") + kept;
    return DbError(text, e.nativeCode());
}

void WageSheet::recreate(int year, int month)
{
    MonthLocks::requireOpen(year, month);
    m_year = year;
    m_month = month;
    // One transaction: a month that cannot be created again keeps what it had.
    inTransaction([&] {
        SheetLog::recreating(year, month);
        DeleteWageMonth(year, month);
        load(year, month);
    });
}

void WageSheet::EnsureMonthSheet()
{
    requireLoaded();
    if (MonthLocks::isClosed(m_year, m_month))
        return; // a closed month is read as it stands, never created
    bool created = false;
    inTransaction([&] {
        JetQuery &q = dmMain->qryExec;
        q.setSql(QStringLiteral("select count(*) from gzxm_m where xyear=? and xmonth=?"));
        q.addBind(m_year).addBind(m_month).open();
        const bool haveItems = q.value(0).toInt() > 0;
        if (!haveItems) {
            q.setSql(QStringLiteral("insert into gzxm_m(xyear,xmonth,xh,fname,xmname,ftype,fsize) "
                                    "select ?,?,xh,fname,xmname,ftype,fsize from gzxm order by xh"));
            q.addBind(m_year).addBind(m_month).exec();
        }
        q.setSql(QStringLiteral("select count(*) from gzdata where xyear=? and xmonth=?"));
        q.addBind(m_year).addBind(m_month).open();
        const bool haveRows = q.value(0).toInt() > 0;
        if (!haveRows) {
            q.setSql(
                QStringLiteral("insert into gzdata(xyear,xmonth,wkcode) select ?,?,wkcode from worker where state=0"));
            q.addBind(m_year).addBind(m_month).exec();
        }
        q.close();
        created = !haveItems || !haveRows;
    });
    m_createdMonth = created;
}

void WageSheet::OpenMonthItems()
{
    requireLoaded();
    QList<SheetItem> items;
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select * from gzxm_m where xyear=? and xmonth=? order by xh"));
    q.addBind(m_year).addBind(m_month);
    for (q.open(); !q.eof(); q.next()) {
        SheetItem it;
        it.xh = q.value(QStringLiteral("xh")).toInt();
        it.fname = q.text(QStringLiteral("fname"));
        it.xmname = q.text(QStringLiteral("xmname"));
        it.ftype = q.value(QStringLiteral("ftype")).toInt();
        if (!isItemCode(it.fname)) {
            m_sheet.setItems({});
            m_eval.setItems({});
            throw DbError(QStringLiteral("%1年%2月的工资项目“%3”的编码“%4”不是有效的项目编码，请重新生成当月工资数据")
                              .arg(m_year)
                              .arg(m_month)
                              .arg(it.xmname, it.fname));
        }
        items.append(it);
    }
    // The names of the formulas are bound to this month's columns from now on.
    m_sheet.setItems(items);
    m_eval.setItems(m_sheet.itemCodes());
}

void WageSheet::BuildSheetFields()
{
    m_sheet.setItems(m_sheet.items());
}

void WageSheet::LoadSheetRows()
{
    requireLoaded();
    const QList<SheetItem> &items = m_sheet.items();
    QString sql = QStringLiteral("select w.bmcode,w.tpcode,d.wkcode,w.wkname,w.sex,w.wkcode is null");
    for (const SheetItem &it : items)
        sql += QStringLiteral(",d.\"%1\"").arg(it.fname);
    // Rows of employees no longer in the roster come last, by code.
    sql += QStringLiteral(" from gzdata d left join worker w on d.wkcode=w.wkcode where d.xyear=? and d.xmonth=?"
                          " order by w.wkcode is null,w.bmcode,d.wkcode");
    QSqlQuery q(dmMain->conZt());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw sqlFailure(QStringLiteral("调出工资数据失败"), q.lastError());
    q.addBindValue(m_year);
    q.addBindValue(m_month);
    if (!q.exec())
        throw sqlFailure(QStringLiteral("调出工资数据失败"), q.lastError());

    DataTable &t = m_sheet.table();
    DataTable::NotificationBlocker quiet(t);
    t.disableViews();
    struct Enable {
        DataTable &t;
        ~Enable() { t.enableViews(); }
    } enable{t};
    t.close();
    t.open();
    m_notInRoster.clear();
    const int n = static_cast<int>(items.size());
    constexpr int firstValue = 6;
    QVariantList row;
    while (q.next()) {
        row.clear();
        const QString bm = q.value(0).toString();
        const QString tp = q.value(1).toString();
        const QString wk = q.value(2).toString();
        const bool gone = q.value(5).toInt() != 0;
        if (gone)
            m_notInRoster << wk;
        row << bm << tp << m_departments.value(bm) << m_positions.value(tp) << wk
            << (gone ? notInRosterName() : q.value(3).toString()) << q.value(4).toString();
        for (int i = 0; i < n; ++i) {
            const QVariant v = q.value(firstValue + i);
            if (v.isNull()) {
                row << QVariant();
                continue;
            }
            try {
                row << VarToFloat(v);
            } catch (const ConversionError &) {
                t.emptyTable();
                m_notInRoster.clear();
                throw DataError(DataError::Conversion,
                                QStringLiteral("员工%1的“%2”(%3)的值“%4”不是数值，不能调出到工资表")
                                    .arg(wk, items[i].xmname, items[i].fname, v.toString()));
            }
        }
        t.appendRow(row);
    }
    if (q.lastError().isValid())
        throw sqlFailure(QStringLiteral("调出工资数据失败"), q.lastError());
    t.first();
}

const SheetFormula *WageSheet::formulaFor(const QString &fname) const
{
    for (const SheetFormula &f : m_formulas) {
        if (f.fname == fname)
            return &f;
    }
    return nullptr;
}

std::vector<CellTexts> WageSheet::cellTexts() const
{
    std::vector<CellTexts> texts;
    for (const SheetItem &it : m_sheet.items()) {
        CellTexts t;
        if (const SheetFormula *f = formulaFor(it.fname)) {
            t.gs = toEvaluatorText(f->gs);
            t.con = toEvaluatorText(f->con);
        }
        texts.push_back(std::move(t));
    }
    return texts;
}

QHash<QString, PieceworkTotals> WageSheet::readPieceworkTotals(const QString &wkcode) const
{
    QHash<QString, PieceworkTotals> totals;
    JetQuery q(dmMain->conZt());
    // The month's records first, then their lines (the cross join keeps that order): reading the
    // lines through the employee index would visit every line of every month.
    QString sql = QStringLiteral("select d.wkcode,sum(d.je),sum(m.sl),count(*) from jjdata m cross join jjdata_d d "
                                 "on d.pid=m.pid where year(m.dt)=? and month(m.dt)=?");
    if (!wkcode.isNull())
        sql += QStringLiteral(" and d.wkcode=?");
    q.setSql(sql + QStringLiteral(" group by d.wkcode"));
    q.addBind(m_year).addBind(m_month);
    if (!wkcode.isNull())
        q.addBind(wkcode);
    for (q.open(); !q.eof(); q.next()) {
        PieceworkTotals &t = totals[codeKey(q.value(0).toString())];
        t.je += q.value(1).toDouble();
        t.sl += q.value(2).toDouble();
        t.lines += q.value(3).toInt();
    }
    return totals;
}

CalcResult WageSheet::CalculateSheet()
{
    requireLoaded();
    m_problems.clear();
    m_failureIndex.clear();
    DataTable &t = m_sheet.table();
    if (t.isEditing())
        t.post();
    const int rows = m_sheet.rowCount();
    QStringList fnames, wkcodes;
    for (const SheetItem &it : m_sheet.items())
        fnames << it.fname;
    const QHash<QString, PieceworkTotals> byCode = readPieceworkTotals();
    std::vector<PieceworkTotals> totals;
    totals.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        wkcodes << m_sheet.wkcode(r);
        totals.push_back(byCode.value(codeKey(wkcodes.last())));
    }
    std::vector<SheetCell> cells = m_sheet.cells();
    // The earlier months of the year and the tax-rate tables, for this calculation only.
    TaxSource source(m_year, m_month);
    m_eval.setSource(&source);
    struct Detach {
        SheetEvaluator &e;
        ~Detach() { e.setSource(nullptr); }
    } detach{m_eval};
    const CalcResult result = calculateMonth(m_eval, cellTexts(), fnames, wkcodes, totals, cells);
    // The sheet shows the calculated values.
    m_sheet.setCells(cells);
    m_problems = result.problems;
    for (int k = 0; k < m_problems.size(); ++k) {
        const CellProblem &p = m_problems[k];
        if (p.kind == CellProblem::Failed)
            m_failureIndex.insert((qint64(p.row) << 16) | MonthSheet::itemField(p.item), k);
    }
    SheetLog::calculated(*this, result);
    return result;
}

void WageSheet::SaveSheet()
{
    requireLoaded();
    MonthLocks::requireOpen(m_year, m_month);
    DataTable &t = m_sheet.table();
    if (t.isEditing())
        t.post();
    const QList<SheetItem> &items = m_sheet.items();
    QString cols = QStringLiteral("xyear,xmonth,wkcode");
    QString marks = QStringLiteral("?,?,?");
    for (const SheetItem &it : items) {
        cols += QStringLiteral(",\"%1\"").arg(it.fname);
        marks += QStringLiteral(",?");
    }
    try {
        inTransaction([&] {
            // Every row of the month was loaded (also those of employees no longer in the roster), so
            // the month's rows are exactly the sheet's rows again.
            JetQuery &del = dmMain->qryExec;
            del.setSql(QStringLiteral("delete from gzdata where xyear=? and xmonth=?"));
            del.addBind(m_year).addBind(m_month).exec();
            del.close();
            QSqlQuery q(dmMain->conZt());
            if (!q.prepare(QStringLiteral("insert into gzdata(%1) values(%2)").arg(cols, marks)))
                throw sqlFailure(QStringLiteral("保存工资数据失败"), q.lastError());
            const int n = static_cast<int>(items.size());
            for (int r = 0; r < m_sheet.rowCount(); ++r) {
                q.bindValue(0, m_year);
                q.bindValue(1, m_month);
                q.bindValue(2, m_sheet.wkcode(r));
                for (int i = 0; i < n; ++i) {
                    const SheetCell c = m_sheet.cell(r, i);
                    if (c.null)
                        q.bindValue(3 + i, items[i].ftype == 1 ? QVariant(QMetaType(QMetaType::QString))
                                                               : QVariant(QMetaType(QMetaType::Double)));
                    else if (items[i].ftype == 1)
                        q.bindValue(3 + i, numberText(c.value));
                    else
                        q.bindValue(3 + i, c.value);
                }
                if (!q.exec())
                    throw sqlFailure(QStringLiteral("保存工资数据失败"), q.lastError());
            }
            SheetLog::saved(*this);
        });
    } catch (const DbError &e) {
        throw keptMonth(e, false);
    }
    m_createdMonth = false;
}

const CellProblem *WageSheet::failureAt(int row, int field) const
{
    auto it = m_failureIndex.constFind((qint64(row) << 16) | field);
    return it == m_failureIndex.constEnd() ? nullptr : &m_problems.at(*it);
}

QList<ProblemGroup> WageSheet::groupedProblems() const
{
    QList<ProblemGroup> groups;
    QHash<QString, int> at;
    for (const CellProblem &p : m_problems) {
        const QString key = QString::number(int(p.kind)) + u'/' + QString::number(p.item);
        auto it = at.find(key);
        if (it == at.end()) {
            ProblemGroup g;
            g.fname = p.fname;
            g.xmname = p.item < m_sheet.itemCount() ? m_sheet.items()[p.item].xmname : QString();
            g.kind = p.kind;
            g.firstMessage = p.error.text();
            it = at.insert(key, int(groups.size()));
            groups.append(g);
        }
        ProblemGroup &g = groups[*it];
        ++g.employees;
        if (g.firstCodes.size() < 5)
            g.firstCodes.append(p.wkcode);
    }
    // Items in sheet order, failures before the other kinds of the same item.
    std::stable_sort(groups.begin(), groups.end(), [this](const ProblemGroup &a, const ProblemGroup &b) {
        const int ia = itemIndex(a.fname), ib = itemIndex(b.fname);
        if (ia != ib)
            return ia < ib;
        return int(a.kind) < int(b.kind);
    });
    return groups;
}

QString WageSheet::problemDetails() const
{
    QStringList lines;
    for (const ProblemGroup &g : groupedProblems()) {
        QString what;
        switch (g.kind) {
        case CellProblem::Failed: what = QStringLiteral("%1名员工计算出错，该项已置为空").arg(g.employees); break;
        case CellProblem::ConditionError:
            what = QStringLiteral("%1名员工的采用条件出错，按条件不成立处理（保留原值）").arg(g.employees);
            break;
        case CellProblem::NoValue: what = QStringLiteral("%1名员工的公式没有结果值，按0保存").arg(g.employees); break;
        }
        QString codes = g.firstCodes.join(QStringLiteral("、"));
        if (g.employees > g.firstCodes.size())
            codes += QStringLiteral(" 等");
        lines << QStringLiteral("[%1]%2：%3。%4。员工：%5").arg(g.fname, g.xmname, what, g.firstMessage, codes);
    }
    return lines.join(u'\n');
}

QStringList WageSheet::explain(int rowIndex, int item)
{
    requireLoaded();
    QStringList out;
    DataTable &t = m_sheet.table();
    const int n = m_sheet.itemCount();
    if (rowIndex < 0 || rowIndex >= m_sheet.rowCount() || item < 0 || item >= n)
        return out;
    if (t.isEditing())
        t.post();
    const QString wkcode = m_sheet.wkcode(rowIndex);
    std::vector<SheetCell> cells(n);
    for (int i = 0; i < n; ++i)
        cells[i] = m_sheet.cell(rowIndex, i);
    SheetEvaluator::Row row;
    row.cells = cells.data();
    row.count = n;
    row.totals = readPieceworkTotals(wkcode).value(codeKey(wkcode));
    row.wkcode = wkcode;
    TaxSource source(m_year, m_month);
    m_eval.setSource(&source);
    struct Detach {
        SheetEvaluator &e;
        ~Detach() { e.setSource(nullptr); }
    } detach{m_eval};
    const std::vector<CellTexts> texts = cellTexts();
    const QList<SheetItem> &items = m_sheet.items();
    const SheetItem &target = items[item];

    out << QStringLiteral("员工：%1 %2").arg(wkcode, m_sheet.text(rowIndex, SheetColumn::wkname));
    out << QStringLiteral("项目：%1 %2").arg(target.fname, target.xmname);
    out << QStringLiteral("工资月份：%1-%2").arg(m_year).arg(m_month, 2, 10, QLatin1Char('0'));

    // The items to the left, as the calculation would leave them.
    QStringList left;
    for (int i = 0; i < item; ++i) {
        if (texts[i].gs.empty() && texts[i].con.empty())
            continue;
        const SheetCell before = cells[i];
        calculateCell(m_eval, texts[i], row, cells[i]);
        if (before.null != cells[i].null || before.value != cells[i].value)
            left << QStringLiteral("%1=%2").arg(items[i].fname, cellText(cells[i]));
    }
    if (!left.isEmpty())
        out << QStringLiteral("左边的项目先按计算重算：%1").arg(left.join(QStringLiteral("，")));

    const SheetFormula *f = formulaFor(target.fname);
    const SheetCell old = cells[item];
    if (!f) {
        out << QStringLiteral("公式：无（该项目不由公式计算）");
        out << QStringLiteral("现有的值：%1").arg(cellText(old));
        out << QStringLiteral("保存的值：%1").arg(old.null ? QStringLiteral("空") : amountText(old.value));
        return out;
    }
    out << QStringLiteral("公式：%1").arg(f->gs);
    out << QStringLiteral("公式描述：%1").arg(f->gsdesc);
    if (f->con.isEmpty()) {
        out << QStringLiteral("条件：无");
    } else {
        out << QStringLiteral("条件：%1").arg(f->con);
        out << QStringLiteral("条件描述：%1").arg(f->condesc);
    }
    auto listNames = [&out](const QString &label, const std::vector<SheetNameUse> &uses) {
        for (const SheetNameUse &u : uses) {
            QString line = QStringLiteral("%1取值：%2 = %3")
                               .arg(label, fromEvaluatorText(u.name), numberText(u.value.RawDouble()));
            if (u.what.kind == SheetName::Function) {
                line = QStringLiteral("%1函数：%2 = %3")
                           .arg(label, fromEvaluatorText(u.name), numberText(u.value.RawDouble()));
                if (u.name.rfind("SUMYTD", 0) == 0)
                    line += QStringLiteral("（本年以前 %1 个月的合计）").arg(u.lines);
            }
            if (u.what.kind == SheetName::Amount || u.what.kind == SheetName::Quantity)
                line += QStringLiteral("（合计 %1 条计件明细）").arg(u.lines);
            out << line;
        }
    };
    SheetCell cell = old;
    const CellOutcome o = calculateCell(m_eval, texts[item], row, cell, true);
    if (!f->con.isEmpty()) {
        listNames(QStringLiteral("条件"), o.conditionNames);
        if (o.conditionError)
            out << QStringLiteral("条件出错：%1，按条件不成立处理").arg(o.conditionError->text());
        else
            out << QStringLiteral("条件的值：%1，%2")
                       .arg(SheetEvaluator::describe(o.conditionValue),
                            o.conditionHolds ? QStringLiteral("条件成立") : QStringLiteral("条件不成立"));
    }
    if (!o.evaluated) {
        out << QStringLiteral("公式为空，该项保持不变");
        out << QStringLiteral("保存的值：%1").arg(old.null ? QStringLiteral("空") : amountText(old.value));
        return out;
    }
    listNames(QStringLiteral("公式"), o.formulaNames);
    if (o.error) {
        out << QStringLiteral("出错：%1").arg(o.error->text());
        out << QStringLiteral("保存的值：空（出错的项目置为空）");
        return out;
    }
    out << QStringLiteral("计算结果：%1").arg(SheetEvaluator::describe(o.value));
    if (o.stored) {
        if (o.noValue)
            out << QStringLiteral("注意：") + noValueMessage();
        out << QStringLiteral("保存的值：%1").arg(amountText(cell.value));
    } else {
        out << QStringLiteral("条件不成立，结果不用，保留原值");
        out << QStringLiteral("保存的值：%1").arg(old.null ? QStringLiteral("空") : amountText(old.value));
    }
    return out;
}

} // namespace jjgz
