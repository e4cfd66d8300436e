#include "masterdata/WorkerData.h"

#include "data/DBFun.h"
#include "data/MainDM.h"
#include "data/DataTable.h"

namespace jjgz {
namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

// Wage type and state are small integers; a stored value that is not a whole number is kept
// as -1, which the list shows as empty text.
QVariant smallInt(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QVariant();
    bool ok = false;
    const qlonglong n = value.toString().trimmed().toLongLong(&ok);
    return ok ? QVariant(n) : QVariant(qlonglong(-1));
}

QString choiceText(const QVariant &value, const QString &zero, const QString &one)
{
    if (value.isNull() || !value.isValid())
        return zero;
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (ok && n == 0)
        return zero;
    if (ok && n == 1)
        return one;
    return QString();
}

QDate readDate(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate();
    return QDate::fromString(value.toString().trimmed().left(10), kDateFormat);
}

QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

QList<DepartNode> WorkerData::departments()
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from depart order by bmcode"));
    q.open();
    QList<DepartNode> out;
    for (; !q.eof(); q.next())
        out.append({q.text(QStringLiteral("bmcode")), q.text(QStringLiteral("bmname"))});
    q.close();
    return out;
}

void WorkerData::defineListFields(DataTable &list)
{
    list.setFields({
        {QStringLiteral("wkcode"), FieldKind::Text},  {QStringLiteral("wkname"), FieldKind::Text},
        {QStringLiteral("bmcode"), FieldKind::Text},  {QStringLiteral("sex"), FieldKind::Text},
        {QStringLiteral("tpcode"), FieldKind::Text},  {QStringLiteral("tpname"), FieldKind::Text},
        {QStringLiteral("sfid"), FieldKind::Text},    {QStringLiteral("xl"), FieldKind::Text},
        {QStringLiteral("addr"), FieldKind::Text},    {QStringLiteral("phone"), FieldKind::Text},
        {QStringLiteral("indate"), FieldKind::Text},  {QStringLiteral("bankacc"), FieldKind::Text},
        {QStringLiteral("gztp"), FieldKind::Integer}, {QStringLiteral("state"), FieldKind::Integer},
        {QStringLiteral("mm"), FieldKind::Text},
    });
}

void WorkerData::loadList(DataTable &list, const QString &bmcode)
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select a.wkcode, a.wkname, a.bmcode, a.sex, a.tpcode, b.tpname, a.sfid, a.xl, "
                            "a.addr, a.phone, a.indate, a.bankacc, a.gztp, a.state, a.mm "
                            "from worker a left join worker_tp b on a.tpcode=b.tpcode "
                            "where a.bmcode=? order by a.wkcode"));
    q.addBind(bmcode);
    q.open();
    QList<QVariantList> rows;
    for (; !q.eof(); q.next()) {
        QVariantList row;
        for (int i = 0; i < 15; ++i)
            row.append(q.value(i));
        const QDate indate = readDate(row[10]);
        if (indate.isValid())
            row[10] = indate.toString(kDateFormat);
        row[12] = smallInt(row[12]);
        row[13] = smallInt(row[13]);
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

WorkerValues WorkerData::current(const DataTable &list)
{
    WorkerValues w;
    w.wkcode = list.text(QStringLiteral("wkcode"));
    w.wkname = list.text(QStringLiteral("wkname"));
    w.bmcode = list.text(QStringLiteral("bmcode"));
    w.sex = list.text(QStringLiteral("sex"));
    w.tpcode = list.text(QStringLiteral("tpcode"));
    w.tpname = list.text(QStringLiteral("tpname"));
    w.sfid = list.text(QStringLiteral("sfid"));
    w.xl = list.text(QStringLiteral("xl"));
    w.addr = list.text(QStringLiteral("addr"));
    w.phone = list.text(QStringLiteral("phone"));
    w.indate = readDate(list.value(QStringLiteral("indate")));
    w.bankacc = list.text(QStringLiteral("bankacc"));
    w.gztp = list.value(QStringLiteral("gztp"));
    w.state = list.value(QStringLiteral("state"));
    w.mm = list.text(QStringLiteral("mm"));
    return w;
}

QString WorkerData::gztpText(const QVariant &value)
{
    return choiceText(value, QStringLiteral("计件"), QStringLiteral("按月"));
}

QString WorkerData::stateText(const QVariant &value)
{
    return choiceText(value, QStringLiteral("在职"), QStringLiteral("离职"));
}

QList<WorkerData::Position> WorkerData::positions()
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from worker_tp order by tpcode"));
    q.open();
    QList<Position> out;
    for (; !q.eof(); q.next()) {
        const QString code = q.text(QStringLiteral("tpcode"));
        out.append({code, BracketText(code, q.text(QStringLiteral("tpname")))});
    }
    q.close();
    return out;
}

bool WorkerData::proposesCodes()
{
    return GetParam(7) == QStringLiteral("1");
}

QString WorkerData::nextCode()
{
    return NextWorkerCode();
}

WorkerData::SaveFault WorkerData::checkSave(int mode, const WorkerValues &worker)
{
    if (worker.wkcode.trimmed().isEmpty() || worker.wkname.trimmed().isEmpty())
        return SaveFault::MissingCodeOrName;
    if (mode == 1 && WorkerExists(worker.wkcode))
        return SaveFault::CodeExists;
    return SaveFault::None;
}

QString WorkerData::faultText(SaveFault fault)
{
    switch (fault) {
    case SaveFault::MissingCodeOrName:
        return QStringLiteral("请填写员工代码和姓名");
    case SaveFault::CodeExists:
        return QStringLiteral("员工代码已存在");
    case SaveFault::None:
        break;
    }
    return QString();
}

void WorkerData::save(int mode, const WorkerValues &worker)
{
    JetQuery &q = dmMain->qryExec;
    if (mode == 1)
        q.setSql(QStringLiteral("insert into worker(wkcode,wkname,bmcode,sex,tpcode,sfid,xl,addr,phone,indate,bankacc,gztp,state,mm) "
                                "values(:wkcode,:wkname,:bmcode,:sex,:tpcode,:sfid,:xl,:addr,:phone,:indate,:bankacc,:gztp,:state,:mm)"));
    else
        q.setSql(QStringLiteral("update worker set wkcode=:wkcode,wkname=:wkname,bmcode=:bmcode,sex=:sex,tpcode=:tpcode,"
                                "sfid=:sfid,xl=:xl,addr=:addr,phone=:phone,indate=:indate,bankacc=:bankacc,gztp=:gztp,"
                                "state=:state,mm=:mm where wkcode=:oldcode"));
    q.bind(QStringLiteral("wkcode"), worker.wkcode)
        .bind(QStringLiteral("wkname"), worker.wkname)
        .bind(QStringLiteral("bmcode"), worker.bmcode)
        .bind(QStringLiteral("sex"), worker.sex)
        .bind(QStringLiteral("tpcode"), textOrNull(worker.tpcode))
        .bind(QStringLiteral("sfid"), worker.sfid)
        .bind(QStringLiteral("xl"), worker.xl)
        .bind(QStringLiteral("addr"), worker.addr)
        .bind(QStringLiteral("phone"), worker.phone)
        .bind(QStringLiteral("indate"), worker.indate.isValid() ? QVariant(worker.indate.toString(kDateFormat)) : QVariant())
        .bind(QStringLiteral("bankacc"), worker.bankacc)
        .bind(QStringLiteral("gztp"), worker.gztp)
        .bind(QStringLiteral("state"), worker.state)
        .bind(QStringLiteral("mm"), worker.mm);
    if (mode != 1)
        q.bind(QStringLiteral("oldcode"), worker.wkcode);
    const int written = q.exec();
    q.close();
    // An update that finds no row would otherwise pass for a save.
    if (mode != 1 && written == 0)
        throw DbError(QStringLiteral("员工 %1 已不存在").arg(worker.wkcode));
}

bool WorkerData::inUse(const QString &wkcode)
{
    return WorkerInUse(wkcode);
}

void WorkerData::remove(const QString &wkcode)
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("delete from worker where wkcode=?"));
    q.addBind(wkcode);
    q.exec();
    q.close();
}

QList<PickerDepart> WorkerData::pickerTree()
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select a.bmcode, a.bmname, b.wkcode, b.wkname from depart a "
                            "left join worker b on a.bmcode=b.bmcode order by a.bmcode, b.wkcode"));
    q.open();
    QList<PickerDepart> out;
    for (; !q.eof(); q.next()) {
        const QString bmcode = q.value(0).toString();
        if (out.isEmpty() || out.last().bmcode != bmcode)
            out.append({bmcode, q.value(1).toString(), {}});
        const QString wkcode = q.value(2).toString();
        if (!wkcode.isEmpty())
            out.last().workers.append({wkcode, q.value(3).toString()});
    }
    q.close();
    return out;
}

} // namespace jjgz
