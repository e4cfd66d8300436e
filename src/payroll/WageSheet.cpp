#include "payroll/WageSheet.h"

#include "data/DBFun.h"
#include "data/DbErrors.h"
#include "data/MainDM.h"
#include "data/MonthLocks.h"
#include "data/MyFun.h"
#include "payroll/SheetLog.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace jjgz {

using namespace eval;

namespace {

const char *const kFixedFields[] = {"bmcode", "tpcode", "bmname", "tpname", "wkcode", "wkname", "sex"};
const int kFixedSizes[] = {10, 10, 20, 20, 20, 20, 2};

// Employee codes compare without regard to case (ASCII letters), as the database does.
QString codeKey(const QString &code)
{
    QString k = code;
    for (QChar &c : k) {
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() + 32);
    }
    return k;
}

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

bool endsWithSemicolon(const QString &text)
{
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (text.at(i).isSpace())
            continue;
        return text.at(i) == u';';
    }
    return false;
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

// What one calculation keeps while it runs.
struct WageSheet::Calc {
    int rows = 0;
    int n = 0;                    // items
    QList<QVariantList> values;   // every sheet row as it stood
    std::vector<SheetCell> cells; // rows × items
    std::vector<const SheetFormula *> formula;
    std::vector<std::string> gs, con;
    QHash<QString, PieceworkTotals> totals;
    bool literal = false;
};

WageSheet::WageSheet()
    : m_tmp(std::make_unique<DataTable>()),
      m_eval(std::make_unique<SheetEvaluator>([this](const std::string &name) { return resolve(name); }))
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
    m_items.clear();
    m_itemByName.clear();
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select * from gzxm_m where xyear=? and xmonth=? order by xh"));
    q.addBind(m_year).addBind(m_month);
    for (q.open(); !q.eof(); q.next()) {
        SheetItem it;
        it.xh = q.value(QStringLiteral("xh")).toInt();
        it.fname = q.text(QStringLiteral("fname"));
        it.xmname = q.text(QStringLiteral("xmname"));
        it.ftype = q.value(QStringLiteral("ftype")).toInt();
        if (!isItemCode(it.fname))
            throw DbError(QStringLiteral("%1年%2月的工资项目“%3”的编码“%4”不是有效的项目编码，请重新生成当月工资数据")
                              .arg(m_year)
                              .arg(m_month)
                              .arg(it.xmname, it.fname));
        it.field = FirstItemField + static_cast<int>(m_items.size());
        m_itemByName.emplace(SheetEvaluator::toEvalText(it.fname), static_cast<int>(m_items.size()));
        m_items.append(it);
    }
}

void WageSheet::BuildSheetFields()
{
    m_tmp->close();
    QList<FieldDef> fields;
    for (int i = 0; i < FirstItemField; ++i)
        fields.append({QString::fromLatin1(kFixedFields[i]), FieldKind::Text, kFixedSizes[i]});
    for (const SheetItem &it : std::as_const(m_items))
        fields.append({it.fname, FieldKind::Float, 0});
    m_tmp->setFields(fields);
}

void WageSheet::LoadSheetRows()
{
    requireLoaded();
    QString sql = QStringLiteral("select w.bmcode,w.tpcode,d.wkcode,w.wkname,w.sex");
    for (const SheetItem &it : std::as_const(m_items))
        sql += QStringLiteral(",d.\"%1\"").arg(it.fname);
    sql += QStringLiteral(" from gzdata d,worker w where d.wkcode=w.wkcode and d.xyear=? and d.xmonth=?"
                          " order by w.bmcode,w.wkcode");
    QSqlQuery q(dmMain->conZt());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw sqlFailure(QStringLiteral("调出工资数据失败"), q.lastError());
    q.addBindValue(m_year);
    q.addBindValue(m_month);
    if (!q.exec())
        throw sqlFailure(QStringLiteral("调出工资数据失败"), q.lastError());

    DataTable::NotificationBlocker quiet(*m_tmp);
    m_tmp->disableViews();
    struct Enable {
        DataTable &t;
        ~Enable() { t.enableViews(); }
    } enable{*m_tmp};
    m_tmp->close();
    m_tmp->open();
    const int n = static_cast<int>(m_items.size());
    QVariantList row;
    while (q.next()) {
        row.clear();
        const QString bm = q.value(0).toString();
        const QString tp = q.value(1).toString();
        const QString wk = q.value(2).toString();
        row << bm << tp << m_departments.value(bm) << m_positions.value(tp) << wk << q.value(3).toString()
            << q.value(4).toString();
        for (int i = 0; i < n; ++i) {
            const QVariant v = q.value(5 + i);
            if (v.isNull()) {
                row << QVariant();
                continue;
            }
            try {
                row << VarToFloat(v);
            } catch (const ConversionError &) {
                m_tmp->emptyTable();
                throw DataError(DataError::Conversion,
                                QStringLiteral("员工%1的“%2”(%3)的值“%4”不是数值，不能调出到工资表")
                                    .arg(wk, m_items[i].xmname, m_items[i].fname, v.toString()));
            }
        }
        m_tmp->appendRow(row);
    }
    if (q.lastError().isValid())
        throw sqlFailure(QStringLiteral("调出工资数据失败"), q.lastError());
    m_tmp->first();
}

int WageSheet::itemIndex(const QString &fname) const
{
    auto it = m_itemByName.find(SheetEvaluator::toEvalText(fname));
    return it == m_itemByName.end() ? -1 : it->second;
}

const SheetFormula *WageSheet::formulaFor(const QString &fname) const
{
    for (const SheetFormula &f : m_formulas) {
        if (f.fname == fname)
            return &f;
    }
    return nullptr;
}

int WageSheet::rowOf(const QString &wkcode) const
{
    const QString key = codeKey(wkcode);
    const int field = 4;
    for (int r = 0; r < m_tmp->rowCount(); ++r) {
        if (codeKey(m_tmp->rowValue(r, field).toString()) == key)
            return r;
    }
    return -1;
}

SheetName WageSheet::resolve(const std::string &name) const
{
    SheetName s;
    if (!name.empty() && name[0] == 'f') {
        auto it = m_itemByName.find(name);
        if (it != m_itemByName.end()) {
            s.kind = SheetName::Item;
            s.item = it->second;
        }
    } else if (name == "JJe") {
        s.kind = SheetName::Amount;
    } else if (name == "JSl") {
        s.kind = SheetName::Quantity;
    }
    return s;
}

QHash<QString, PieceworkTotals> WageSheet::readPieceworkTotals() const
{
    QHash<QString, PieceworkTotals> totals;
    JetQuery q(dmMain->conZt());
    // The month's records first, then their lines (the cross join keeps that order): reading the
    // lines through the employee index would visit every line of every month.
    q.setSql(QStringLiteral("select d.wkcode,sum(d.je),sum(m.sl),count(*) from jjdata m cross join jjdata_d d "
                            "on d.pid=m.pid where year(m.dt)=? and month(m.dt)=? group by d.wkcode"));
    q.addBind(m_year).addBind(m_month);
    for (q.open(); !q.eof(); q.next()) {
        PieceworkTotals &t = totals[codeKey(q.value(0).toString())];
        t.je += q.value(1).toDouble();
        t.sl += q.value(2).toDouble();
        t.lines += q.value(3).toInt();
    }
    return totals;
}

PieceworkTotals WageSheet::pieceworkTotal(const QString &wkcode) const
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select sum(d.je),sum(sl),count(*) from jjdata m,jjdata_d d "
                            "where m.pid=d.pid and year(dt)=? and month(dt)=? and wkcode=?"));
    q.addBind(m_year).addBind(m_month).addBind(wkcode).open();
    PieceworkTotals t;
    if (!q.eof()) {
        t.je = q.value(0).toDouble();
        t.sl = q.value(1).toDouble();
        t.lines = q.value(2).toInt();
    }
    q.close();
    return t;
}

CalcResult WageSheet::CalculateSheet(Mode mode)
{
    requireLoaded();
    CalcResult result;
    result.items = static_cast<int>(m_items.size());
    m_problems.clear();
    m_failureIndex.clear();
    DataTable &t = *m_tmp;
    if (t.isEditing())
        t.post();
    const int current = t.currentRow();

    Calc c;
    c.literal = mode == Mode::Literal;
    c.rows = t.rowCount();
    c.n = static_cast<int>(m_items.size());
    result.employees = c.rows;
    c.formula.resize(c.n, nullptr);
    c.gs.resize(c.n);
    c.con.resize(c.n);
    for (int i = 0; i < c.n; ++i) {
        c.formula[i] = formulaFor(m_items[i].fname);
        if (c.formula[i]) {
            c.gs[i] = SheetEvaluator::toEvalText(c.formula[i]->gs);
            c.con[i] = SheetEvaluator::toEvalText(c.formula[i]->con);
        }
    }
    const int fieldCount = t.fieldCount();
    c.values.reserve(c.rows);
    c.cells.resize(size_t(c.rows) * size_t(c.n));
    for (int r = 0; r < c.rows; ++r) {
        QVariantList row;
        row.reserve(fieldCount);
        for (int f = 0; f < fieldCount; ++f)
            row << t.rowValue(r, f);
        for (int i = 0; i < c.n; ++i) {
            const QVariant &v = row[FirstItemField + i];
            SheetCell &cell = c.cells[size_t(r) * c.n + i];
            cell.null = v.isNull();
            cell.value = cell.null ? 0.0 : v.toDouble();
        }
        c.values.append(std::move(row));
    }
    if (!c.literal)
        c.totals = readPieceworkTotals();

    for (int r = 0; r < c.rows; ++r) {
        const QString wkcode = c.values[r][4].toString();
        SheetEvaluator::Row row;
        row.cells = &c.cells[size_t(r) * c.n];
        const PieceworkTotals rowTotals = c.literal ? PieceworkTotals{} : c.totals.value(codeKey(wkcode));
        if (c.literal)
            row.totals = [this, &wkcode] { return pieceworkTotal(wkcode); };
        else
            row.totals = [&rowTotals] { return rowTotals; };
        SheetCell *cells = &c.cells[size_t(r) * c.n];
        for (int i = 0; i < c.n; ++i) {
            const SheetFormula *f = c.formula[i];
            if (!f)
                continue;
            bool ok = true;
            if (!c.con[i].empty()) {
                try {
                    ok = SheetEvaluator::holds(m_eval->evaluate(c.con[i], row, c.literal));
                } catch (const SheetEvalError &e) {
                    ok = false;
                    m_problems.append({CellProblem::ConditionError, r, i, wkcode, m_items[i].fname, e});
                }
            }
            if (c.gs[i].empty())
                continue;
            try {
                const TValue v = m_eval->evaluate(c.gs[i], row, c.literal);
                if (ok) {
                    const double x = SheetEvaluator::toFloat(v);
                    cells[i].value = c.literal ? RoundDec(2, x) : SheetEvaluator::roundCents(x);
                    cells[i].null = false;
                    if (endsWithSemicolon(f->gs))
                        m_problems.append({CellProblem::NoValue,
                                           r,
                                           i,
                                           wkcode,
                                           m_items[i].fname,
                                           {QStringLiteral("公式以“;”结尾，没有结果值，按0保存"), 0, 0}});
                }
            } catch (const SheetEvalError &e) {
                cells[i].null = true;
                cells[i].value = 0;
                m_problems.append({CellProblem::Failed, r, i, wkcode, m_items[i].fname, e});
                m_failureIndex.insert((qint64(r) << 16) | (FirstItemField + i), int(m_problems.size()) - 1);
                ++result.failedCells;
            }
        }
    }

    // The sheet shows the calculated values.
    {
        DataTable::NotificationBlocker quiet(t);
        t.disableViews();
        t.emptyTable();
        for (int r = 0; r < c.rows; ++r) {
            QVariantList &row = c.values[r];
            for (int i = 0; i < c.n; ++i) {
                const SheetCell &cell = c.cells[size_t(r) * c.n + i];
                row[FirstItemField + i] = cell.null ? QVariant() : QVariant(cell.value);
            }
            t.appendRow(row);
        }
        t.enableViews();
    }
    if (current >= 0 && current < t.rowCount())
        t.setCurrentRow(current);
    else
        t.first();
    result.problems = m_problems;
    SheetLog::calculated(*this, result);
    return result;
}

void WageSheet::SaveSheet()
{
    requireLoaded();
    MonthLocks::requireOpen(m_year, m_month);
    DataTable &t = *m_tmp;
    if (t.isEditing())
        t.post();
    QString cols = QStringLiteral("xyear,xmonth,wkcode");
    QString marks = QStringLiteral("?,?,?");
    for (const SheetItem &it : std::as_const(m_items)) {
        cols += QStringLiteral(",\"%1\"").arg(it.fname);
        marks += QStringLiteral(",?");
    }
    try {
        inTransaction([&] {
            JetQuery &del = dmMain->qryExec;
            del.setSql(QStringLiteral("delete from gzdata where xyear=? and xmonth=?"));
            del.addBind(m_year).addBind(m_month).exec();
            del.close();
            QSqlQuery q(dmMain->conZt());
            if (!q.prepare(QStringLiteral("insert into gzdata(%1) values(%2)").arg(cols, marks)))
                throw sqlFailure(QStringLiteral("保存工资数据失败"), q.lastError());
            const int n = static_cast<int>(m_items.size());
            for (int r = 0; r < t.rowCount(); ++r) {
                q.bindValue(0, m_year);
                q.bindValue(1, m_month);
                q.bindValue(2, t.rowValue(r, 4).toString());
                for (int i = 0; i < n; ++i) {
                    const QVariant v = t.rowValue(r, FirstItemField + i);
                    if (v.isNull())
                        q.bindValue(3 + i, m_items[i].ftype == 1 ? QVariant(QMetaType(QMetaType::QString))
                                                                 : QVariant(QMetaType(QMetaType::Double)));
                    else if (m_items[i].ftype == 1)
                        q.bindValue(3 + i, numberText(v.toDouble()));
                    else
                        q.bindValue(3 + i, v.toDouble());
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
            g.xmname = p.item < m_items.size() ? m_items[p.item].xmname : QString();
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
    DataTable &t = *m_tmp;
    if (rowIndex < 0 || rowIndex >= t.rowCount() || item < 0 || item >= m_items.size())
        return out;
    if (t.isEditing())
        t.post();
    const int n = static_cast<int>(m_items.size());
    const QString wkcode = t.rowValue(rowIndex, 4).toString();
    std::vector<SheetCell> cells(n);
    for (int i = 0; i < n; ++i) {
        const QVariant v = t.rowValue(rowIndex, FirstItemField + i);
        cells[i].null = v.isNull();
        cells[i].value = cells[i].null ? 0.0 : v.toDouble();
    }
    const PieceworkTotals totals = pieceworkTotal(wkcode);
    SheetEvaluator::Row row;
    row.cells = cells.data();
    row.totals = [totals] { return totals; };
    const SheetItem &target = m_items[item];

    out << QStringLiteral("员工：%1 %2").arg(wkcode, t.rowValue(rowIndex, 5).toString());
    out << QStringLiteral("项目：%1 %2").arg(target.fname, target.xmname);
    out << QStringLiteral("工资月份：%1-%2").arg(m_year).arg(m_month, 2, 10, QLatin1Char('0'));

    // The items to the left, as the calculation would leave them.
    QStringList left;
    for (int i = 0; i < item; ++i) {
        const SheetFormula *f = formulaFor(m_items[i].fname);
        if (!f)
            continue;
        const std::string con = SheetEvaluator::toEvalText(f->con), gs = SheetEvaluator::toEvalText(f->gs);
        bool ok = true;
        if (!con.empty()) {
            try {
                ok = SheetEvaluator::holds(m_eval->evaluate(con, row));
            } catch (const SheetEvalError &) {
                ok = false;
            }
        }
        if (gs.empty())
            continue;
        const SheetCell before = cells[i];
        try {
            const TValue v = m_eval->evaluate(gs, row);
            if (ok)
                cells[i] = {RoundDec(2, SheetEvaluator::toFloat(v)), false};
        } catch (const SheetEvalError &) {
            cells[i] = {0, true};
        }
        if (before.null != cells[i].null || before.value != cells[i].value)
            left << QStringLiteral("%1=%2").arg(m_items[i].fname, cellText(cells[i]));
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
                               .arg(label, SheetEvaluator::fromEvalText(u.name), numberText(u.value.RawDouble()));
            if (u.what.kind == SheetName::Amount || u.what.kind == SheetName::Quantity)
                line += QStringLiteral("（合计 %1 条计件明细）").arg(u.lines);
            out << line;
        }
    };
    bool ok = true;
    if (!f->con.isEmpty()) {
        std::vector<SheetNameUse> uses;
        try {
            const TValue v = m_eval->evaluate(SheetEvaluator::toEvalText(f->con), row, false, &uses);
            listNames(QStringLiteral("条件"), uses);
            ok = SheetEvaluator::holds(v);
            out << QStringLiteral("条件的值：%1，%2")
                       .arg(SheetEvaluator::describe(v),
                            ok ? QStringLiteral("条件成立") : QStringLiteral("条件不成立"));
        } catch (const SheetEvalError &e) {
            listNames(QStringLiteral("条件"), uses);
            ok = false;
            out << QStringLiteral("条件出错：%1，按条件不成立处理").arg(e.text());
        }
    }
    if (f->gs.isEmpty()) {
        out << QStringLiteral("公式为空，该项保持不变");
        out << QStringLiteral("保存的值：%1").arg(old.null ? QStringLiteral("空") : amountText(old.value));
        return out;
    }
    std::vector<SheetNameUse> uses;
    try {
        const TValue v = m_eval->evaluate(SheetEvaluator::toEvalText(f->gs), row, false, &uses);
        listNames(QStringLiteral("公式"), uses);
        out << QStringLiteral("计算结果：%1").arg(SheetEvaluator::describe(v));
        if (ok) {
            const double stored = RoundDec(2, SheetEvaluator::toFloat(v));
            if (endsWithSemicolon(f->gs))
                out << QStringLiteral("注意：公式以“;”结尾，没有结果值，按0保存");
            out << QStringLiteral("保存的值：%1").arg(amountText(stored));
        } else {
            out << QStringLiteral("条件不成立，结果不用，保留原值");
            out << QStringLiteral("保存的值：%1").arg(old.null ? QStringLiteral("空") : amountText(old.value));
        }
    } catch (const SheetEvalError &e) {
        listNames(QStringLiteral("公式"), uses);
        out << QStringLiteral("出错：%1").arg(e.text());
        out << QStringLiteral("保存的值：空（出错的项目置为空）");
    }
    return out;
}

} // namespace jjgz
