#include "wagestructure/GzgsData.h"
#include "wagestructure/WageStructureLog.h"

#include "data/DBFun.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/MyFun.h"

namespace jjgz {
namespace {

// Texts are stored as typed; no text is stored as empty text, never as null.
QString stored(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

void WageFormulas::defineListFields(DataTable &list)
{
    list.setFields({
        {QStringLiteral("xh"), FieldKind::Integer},
        {QStringLiteral("fname"), FieldKind::Text},
        {QStringLiteral("xmname"), FieldKind::Text},
        {QStringLiteral("gs"), FieldKind::Text},
        {QStringLiteral("gsdesc"), FieldKind::Text},
        {QStringLiteral("con"), FieldKind::Text},
        {QStringLiteral("condesc"), FieldKind::Text},
    });
}

void WageFormulas::loadList(DataTable &list)
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select s.xh, s.fname, x.xmname, s.gs, s.gsdesc, s.con, s.condesc "
                            "from gzgs s,gzxm x where s.fname=x.fname order by s.xh"));
    q.open();
    QList<QVariantList> rows;
    for (; !q.eof(); q.next()) {
        QVariantList row;
        for (int i = 0; i < 7; ++i)
            row.append(q.value(i));
        rows.append(row);
    }
    q.close();

    list.close();
    list.open();
    list.disableViews();
    try {
        for (const QVariantList &row : std::as_const(rows))
            list.appendRow(row);
    } catch (...) {
        list.enableViews();
        throw;
    }
    list.first();
    list.enableViews();
}

WageFormula WageFormulas::current(const DataTable &list)
{
    return {int(list.asInteger(QStringLiteral("xh"))), list.text(QStringLiteral("fname")),
            list.text(QStringLiteral("gs")), list.text(QStringLiteral("con"))};
}

const QStringList &WageFormulas::pieceworkNames()
{
    static const QStringList names = {QStringLiteral("JJe"), QStringLiteral("JSl")};
    return names;
}

QStringList WageFormulas::sourceEntries(const QList<WageItem> &items)
{
    QStringList out;
    for (const WageItem &item : items)
        out << BracketText(item.fname, item.xmname);
    out << QStringLiteral("[JJe]计件金额") << QStringLiteral("[JSl]计件数量");
    return out;
}

QString WageFormulas::Describe(const QString &text, const QList<WageItem> &items)
{
    QString out = text;
    for (auto it = items.crbegin(); it != items.crend(); ++it)
        out = ReplaceAll(out, it->fname, it->xmname);
    out = ReplaceAll(out, QStringLiteral("JJe"), QStringLiteral("计件金额"));
    return ReplaceAll(out, QStringLiteral("JSl"), QStringLiteral("计件数量"));
}

QString WageFormulas::Describe(const QString &text)
{
    return Describe(text, WageItems::items());
}

int WageFormulas::save(const WageFormula &formula, bool add)
{
    const QList<WageItem> items = WageItems::items();
    const int xh = add ? NextFormulaNo() : formula.xh;
    const QString before = add ? QString() : WageStructureLog::formulaText(xh);
    JetQuery &q = dmMain->qryExec;
    if (add)
        q.setSql(QStringLiteral(
            "insert into gzgs(xh,fname,gs,gsdesc,con,condesc) values(:xh,:fname,:gs,:gsdesc,:con,:condesc)"));
    else
        q.setSql(QStringLiteral(
            "update gzgs set fname=:fname,gs=:gs,gsdesc=:gsdesc,con=:con,condesc=:condesc where xh=:xh"));
    q.bind(QStringLiteral("xh"), xh)
        .bind(QStringLiteral("fname"), stored(formula.fname))
        .bind(QStringLiteral("gs"), stored(formula.gs))
        .bind(QStringLiteral("gsdesc"), stored(Describe(formula.gs, items)))
        .bind(QStringLiteral("con"), stored(formula.con))
        .bind(QStringLiteral("condesc"), stored(Describe(formula.con, items)));
    inTransaction([&] {
        const int written = q.exec();
        q.close();
        // An update that finds no row would otherwise pass for a save.
        if (written == 0)
            throw DbError(QStringLiteral("公式 %1 已不存在").arg(xh));
        WageStructureLog::formulaSaved(add, xh, before);
    });
    return xh;
}

void WageFormulas::remove(int xh)
{
    inTransaction([&] {
        WageStructureLog::formulaDeleted(xh);
        JetQuery &q = dmMain->qryExec;
        q.setSql(QStringLiteral("delete from gzgs where xh=?"));
        q.addBind(xh);
        q.exec();
        q.close();
    });
}

QString WageFormulas::taxFormula(const QString &income, const QString &special, const QString &additional,
                                 const QString &tax)
{
    const auto cumulative = [](const QString &f) { return QStringLiteral("SUMYTD(\"%1\")+%1").arg(f); };
    QString taxable = cumulative(income) + QStringLiteral(" - 5000*MONTHSYTD()");
    for (const QString &f : {special, additional})
        if (!f.isEmpty())
            taxable += QStringLiteral(" - (%1)").arg(cumulative(f));
    return QStringLiteral("Max(0, IIT(%1) - SUMYTD(\"%2\"))").arg(taxable, tax);
}

} // namespace jjgz
