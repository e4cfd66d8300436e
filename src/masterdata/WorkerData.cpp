#include "masterdata/WorkerData.h"

#include "data/DBFun.h"
#include "data/DataTable.h"
#include "data/MainDM.h"

#include <cstring>

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

// One employee column: its place in the roster's list and the select list (`from`: the alias
// of the table it is read from; the position's name is not a column of worker), how the list
// stores it, and how a WorkerValues member reads from the list and binds for a save.
struct WorkerColumn {
    const char *name;
    const char *from;
    FieldKind kind;
    QVariant (*listValue)(const QVariant &stored); // the value the list keeps of a read value
    void (*read)(WorkerValues &worker, const QVariant &listValue);
    QVariant (*bindValue)(const WorkerValues &worker);
    bool stored() const { return std::strcmp(from, "a") == 0; }
};

QVariant asRead(const QVariant &value)
{
    return value;
}

QVariant dateText(const QVariant &value)
{
    const QDate date = readDate(value);
    return date.isValid() ? QVariant(date.toString(kDateFormat)) : value;
}

// The three kinds of member: text (bound as typed, or null when empty), a date, a raw value.
template <QString WorkerValues::*Member, bool EmptyIsNull = false>
WorkerColumn textColumn(const char *name, const char *from = "a")
{
    return {name,
            from,
            FieldKind::Text,
            &asRead,
            [](WorkerValues &w, const QVariant &v) { w.*Member = v.toString(); },
            [](const WorkerValues &w) { return EmptyIsNull ? textOrNull(w.*Member) : QVariant(w.*Member); }};
}

template <QVariant WorkerValues::*Member> WorkerColumn choiceColumn(const char *name)
{
    return {name,
            "a",
            FieldKind::Integer,
            &smallInt,
            [](WorkerValues &w, const QVariant &v) { w.*Member = v; },
            [](const WorkerValues &w) { return w.*Member; }};
}

const QList<WorkerColumn> &workerColumns()
{
    using W = WorkerValues;
    static const QList<WorkerColumn> columns = {
        textColumn<&W::wkcode>("wkcode"),
        textColumn<&W::wkname>("wkname"),
        textColumn<&W::bmcode>("bmcode"),
        textColumn<&W::sex>("sex"),
        textColumn<&W::tpcode, true>("tpcode"),
        textColumn<&W::tpname>("tpname", "b"),
        textColumn<&W::sfid>("sfid"),
        textColumn<&W::xl>("xl"),
        textColumn<&W::addr>("addr"),
        textColumn<&W::phone>("phone"),
        {"indate", "a", FieldKind::Text, &dateText, [](W &w, const QVariant &v) { w.indate = readDate(v); },
         [](const W &w) { return w.indate.isValid() ? QVariant(w.indate.toString(kDateFormat)) : QVariant(); }},
        textColumn<&W::bankacc>("bankacc"),
        choiceColumn<&W::gztp>("gztp"),
        choiceColumn<&W::state>("state"),
        textColumn<&W::mm>("mm"),
    };
    return columns;
}

QString columnName(const WorkerColumn &c)
{
    return QString::fromLatin1(c.name);
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
    QList<FieldDef> fields;
    for (const WorkerColumn &c : workerColumns())
        fields.append({columnName(c), c.kind});
    list.setFields(fields);
}

void WorkerData::loadList(DataTable &list, const QString &bmcode)
{
    QStringList select;
    for (const WorkerColumn &c : workerColumns())
        select << QString::fromLatin1(c.from) + u'.' + columnName(c);
    JetQuery &q = dmMain->qryExec;
    QList<QVariantList> rows;
    forEachRow(q,
               QStringLiteral("select %1 from worker a left join worker_tp b on a.tpcode=b.tpcode "
                              "where a.bmcode=? order by a.wkcode")
                   .arg(select.join(QStringLiteral(", "))),
               {bmcode}, [&] {
                   QVariantList row;
                   for (int i = 0; i < workerColumns().size(); ++i)
                       row.append(workerColumns().at(i).listValue(q.value(i)));
                   rows.append(row);
               });

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
    for (const WorkerColumn &c : workerColumns())
        c.read(w, list.value(columnName(c)));
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

WorkerData::SaveFault WorkerData::checkSave(EditMode mode, const WorkerValues &worker)
{
    if (worker.wkcode.trimmed().isEmpty() || worker.wkname.trimmed().isEmpty())
        return SaveFault::MissingCodeOrName;
    if (mode == EditMode::Add && WorkerExists(worker.wkcode))
        return SaveFault::CodeExists;
    return SaveFault::None;
}

QString WorkerData::faultText(SaveFault fault)
{
    switch (fault) {
    case SaveFault::MissingCodeOrName: return QStringLiteral("请填写员工代码和姓名");
    case SaveFault::CodeExists: return QStringLiteral("员工代码已存在");
    case SaveFault::None: break;
    }
    return QString();
}

std::optional<WorkerValues> WorkerData::byCode(const QString &wkcode)
{
    QStringList select;
    for (const WorkerColumn &c : workerColumns())
        select << QString::fromLatin1(c.from) + u'.' + columnName(c);
    std::optional<WorkerValues> out;
    JetQuery &q = dmMain->qryExec;
    forEachRow(q,
               QStringLiteral("select %1 from worker a left join worker_tp b on a.tpcode=b.tpcode where a.wkcode=?")
                   .arg(select.join(QStringLiteral(", "))),
               {wkcode}, [&] {
                   WorkerValues w;
                   for (int i = 0; i < workerColumns().size(); ++i)
                       workerColumns().at(i).read(w, workerColumns().at(i).listValue(q.value(i)));
                   out = w;
               });
    return out;
}

void WorkerData::save(EditMode mode, const WorkerValues &worker)
{
    QStringList columns, marks, sets;
    for (const WorkerColumn &c : workerColumns()) {
        if (!c.stored())
            continue;
        columns << columnName(c);
        marks << u':' + columnName(c);
        sets << columnName(c) + QStringLiteral("=:") + columnName(c);
    }
    JetQuery &q = dmMain->qryExec;
    if (mode == EditMode::Add)
        q.setSql(QStringLiteral("insert into worker(%1) values(%2)").arg(columns.join(u','), marks.join(u',')));
    else
        q.setSql(QStringLiteral("update worker set %1 where wkcode=:oldcode").arg(sets.join(u',')));
    for (const WorkerColumn &c : workerColumns())
        if (c.stored())
            q.bind(columnName(c), c.bindValue(worker));
    if (mode != EditMode::Add)
        q.bind(QStringLiteral("oldcode"), worker.wkcode);
    ScratchScope scope(q);
    const int written = q.exec();
    // An update that finds no row would otherwise pass for a save.
    if (mode != EditMode::Add && written == 0)
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
