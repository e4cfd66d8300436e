#include "wagestructure/GzxmData.h"
#include "wagestructure/WageStructureLog.h"

#include "data/DBFun.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/MyFun.h"

#include <QRegularExpression>

namespace jjgz {
namespace {

// An item code as this program makes it: "f" and a number. Only such a name is ever written
// into a statement as a column name (a column name cannot be bound).
bool isItemCode(const QString &fname)
{
    static const QRegularExpression code(QStringLiteral("^f[0-9]{1,9}$"));
    return code.match(fname).hasMatch();
}

// Texts are stored as typed; no text is stored as empty text, never as null.
QString stored(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QVariant smallInt(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QVariant();
    bool ok = false;
    const qlonglong n = value.toString().trimmed().toLongLong(&ok);
    return ok ? QVariant(n) : QVariant(qlonglong(-1));
}

} // namespace

QList<WageItem> WageItems::items()
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select xh, fname, xmname, ftype, fsize from gzxm order by xh"));
    q.open();
    QList<WageItem> out;
    for (; !q.eof(); q.next())
        out.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toString(), smallInt(q.value(3)),
                    q.value(4).toString()});
    q.close();
    return out;
}

void WageItems::defineListFields(DataTable &list)
{
    list.setFields({
        {QStringLiteral("xh"), FieldKind::Integer},
        {QStringLiteral("fname"), FieldKind::Text},
        {QStringLiteral("xmname"), FieldKind::Text},
        {QStringLiteral("ftype"), FieldKind::Integer},
        {QStringLiteral("fsize"), FieldKind::Text},
    });
}

void WageItems::loadList(DataTable &list)
{
    const QList<WageItem> rows = items();
    list.close();
    list.open();
    list.disableViews();
    try {
        for (const WageItem &item : rows)
            list.appendRow({item.xh, item.fname, item.xmname, item.ftype, item.fsize});
    } catch (...) {
        list.enableViews();
        throw;
    }
    list.first();
    list.enableViews();
}

WageItem WageItems::current(const DataTable &list)
{
    return {int(list.asInteger(QStringLiteral("xh"))), list.text(QStringLiteral("fname")),
            list.text(QStringLiteral("xmname")), list.value(QStringLiteral("ftype")),
            list.text(QStringLiteral("fsize"))};
}

QString WageItems::typeText(const QVariant &ftype)
{
    if (ftype.isNull() || !ftype.isValid())
        return QString();
    bool ok = false;
    const qlonglong n = ftype.toLongLong(&ok);
    if (ok && n == Numeric)
        return QStringLiteral("数值型");
    if (ok && n == Text)
        return QStringLiteral("文本型");
    return QString();
}

int WageItems::textWidth(const QString &fsize)
{
    int width = 0;
    try {
        width = TextToInt(fsize);
    } catch (const ConversionError &) {
        width = -1;
    }
    if (width <= 0)
        throw DbError(QStringLiteral("文本型项目的数据宽度必须是大于0的整数，请填写数据宽度"));
    return width;
}

WageItem WageItems::addItem(const QString &xmname, int ftype, const QString &fsize)
{
    // A text column without room would hold nothing: refused before anything is written.
    const int width = ftype == Text ? textWidth(fsize) : 0;
    const int n = NextItemNo();
    WageItem item{n, QStringLiteral("f%1").arg(n), xmname, ftype, fsize};
    {
        // A row left with this number (its column was dropped by hand) would refuse the insert.
        JetQuery &q = dmMain->qryExec;
        q.setSql(QStringLiteral("select count(*) from gzxm where xh=? or fname=?"));
        q.addBind(item.xh).addBind(item.fname);
        q.open();
        const bool taken = q.value(0).toLongLong() > 0;
        q.close();
        if (taken)
            throw DbError(QStringLiteral("项目编码 %1 已被另一个工资项目占用，请先删除那个项目").arg(item.fname));
    }
    inTransaction([&] {
        JetQuery &q = dmMain->qryExec;
        q.setSql(
            QStringLiteral("insert into gzxm(xh,fname,xmname,ftype,fsize) values(:xh,:fname,:xmname,:ftype,:fsize)"));
        q.bind(QStringLiteral("xh"), item.xh)
            .bind(QStringLiteral("fname"), item.fname)
            .bind(QStringLiteral("xmname"), stored(item.xmname))
            .bind(QStringLiteral("ftype"), ftype)
            .bind(QStringLiteral("fsize"), stored(item.fsize));
        q.exec();
        q.close();
        AddItemColumn(item.fname, ftype, width);
        WageStructureLog::itemAdded(item.xh);
    });
    return item;
}

void WageItems::modifyItem(int xh, const QString &xmname, const QString &fsize)
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select ftype from gzxm where xh=?"));
    q.addBind(xh);
    q.open();
    const bool found = !q.eof();
    const QVariant ftype = found ? smallInt(q.value(0)) : QVariant();
    q.close();
    if (!found)
        throw DbError(QStringLiteral("工资项目 %1 已不存在").arg(xh));
    if (!ftype.isNull() && ftype.toInt() == Text)
        textWidth(fsize);
    const QString before = WageStructureLog::itemText(xh);
    inTransaction([&] {
        q.setSql(QStringLiteral("update gzxm set xmname=:xmname,fsize=:fsize where xh=:xh"));
        q.bind(QStringLiteral("xmname"), stored(xmname))
            .bind(QStringLiteral("fsize"), stored(fsize))
            .bind(QStringLiteral("xh"), xh);
        q.exec();
        q.close();
        WageStructureLog::itemModified(xh, before);
    });
}

void WageItems::AddItemColumn(const QString &fname, int ftype, int width)
{
    if (!isItemCode(fname))
        throw DbError(QStringLiteral("无效的项目编码：%1").arg(fname));
    JetQuery &q = dmMain->qryExec;
    if (ftype == Text)
        q.setSql(QStringLiteral("alter table gzdata add %1 varchar(%2)").arg(fname).arg(width));
    else
        q.setSql(QStringLiteral("alter table gzdata add %1 real default 0").arg(fname));
    q.exec();
    q.close();
}

bool WageItems::hasColumn(const QString &name)
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from gzdata where 1=0"));
    q.open();
    const QStringList names = q.fieldNames();
    q.close();
    return names.contains(name, Qt::CaseInsensitive);
}

bool WageItems::DropItemColumn(const QString &fname)
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select count(*) from gzdata"));
    q.open();
    const qlonglong rows = q.value(0).toLongLong();
    q.close();
    // The months' values stay with their column; a row without a column of its own has nothing
    // to drop.
    if (rows > 0 || !isItemCode(fname) || !hasColumn(fname))
        return false;
    q.setSql(QStringLiteral("alter table gzdata drop %1").arg(fname));
    q.exec();
    q.close();
    return true;
}

QList<WageItems::ItemFormula> WageItems::formulasOf(const QString &fname)
{
    QList<ItemFormula> out;
    JetQuery &q = dmMain->qryExec;
    forEachRow(q, QStringLiteral("select xh, gs, con from gzgs where fname=? order by xh"), {fname}, [&] {
        out.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toString()});
    });
    return out;
}

void WageItems::deleteItem(int xh, const QString &fname)
{
    inTransaction([&] {
        WageStructureLog::itemDeleted(xh);
        DropItemColumn(fname);
        JetQuery &q = dmMain->qryExec;
        q.setSql(QStringLiteral("delete from gzgs where fname=?"));
        q.addBind(fname);
        q.exec();
        q.setSql(QStringLiteral("delete from gzxm where xh=?"));
        q.addBind(xh);
        q.exec();
        q.close();
    });
}

} // namespace jjgz
