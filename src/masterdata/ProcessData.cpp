#include "masterdata/ProcessData.h"

#include "data/DBFun.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/MyFun.h"

namespace jjgz {

// ---------------------------------------------------------------- the process window

QList<JobTypeNode> ProcessData::jobTypes()
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from jjgz order by gzcode"));
    q.open();
    QList<JobTypeNode> nodes;
    while (!q.eof()) {
        nodes.append({q.text(QStringLiteral("gzcode")), q.text(QStringLiteral("gzname"))});
        q.next();
    }
    q.close();
    return nodes;
}

void ProcessData::defineProcessFields(DataTable &list)
{
    list.setFields({
        {QStringLiteral("gzcode"), FieldKind::Text, 10},
        {QStringLiteral("gxcode"), FieldKind::Text, 50},
        {QStringLiteral("gxname"), FieldKind::Text, 200},
        {QStringLiteral("unit"), FieldKind::Text, 20},
        {QStringLiteral("price"), FieldKind::Float, 0},
        {QStringLiteral("rs"), FieldKind::Float, 0},
    });
}

void ProcessData::loadProcesses(DataTable &list, const QString &gzcode)
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select * from jjgx where gzcode=? order by gxcode"));
    q.addBind(gzcode);
    q.open();
    const QList<QSqlRecord> rows = q.readAll();
    q.close();
    list.close();
    list.open();
    list.loadRecords(rows);
}

void ProcessData::remove(const QString &gzcode, const QString &gxcode)
{
    // The shares go only together with their process: a refused process keeps them.
    inTransaction([&] {
        JetQuery &q = dmMain->qryExec;
        q.setSql(QStringLiteral("delete from jjgx_d where gzcode=? and gxcode=?"));
        q.addBind(gzcode).addBind(gxcode);
        q.exec();
        q.setSql(QStringLiteral("delete from jjgx where gzcode=? and gxcode=?"));
        q.addBind(gzcode).addBind(gxcode);
        q.exec();
        q.close();
    });
}

// ---------------------------------------------------------------- the share list

void ProcessData::defineShareFields(DataTable &tmp)
{
    tmp.setFields({
        {QStringLiteral("workertp"), FieldKind::Text, 30},
        {QStringLiteral("bl"), FieldKind::Float, 0},
        {QStringLiteral("price"), FieldKind::Float, 0},
    });
}

QStringList ProcessData::positionChoices()
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(QStringLiteral("select tpcode,tpname from worker_tp order by tpcode"));
    q.open();
    QStringList items;
    while (!q.eof()) {
        items << BracketText(q.text(QStringLiteral("tpcode")), q.text(QStringLiteral("tpname")));
        q.next();
    }
    q.close();
    return items;
}

void ProcessData::loadShares(DataTable &tmp, const QString &gzcode, const QString &gxcode)
{
    tmp.close();
    tmp.open();
    JetQuery &q = dmMain->qryExec;
    // The join leaves out shares whose position no longer exists.
    q.setSql(QStringLiteral("select '['+a.tpcode+']'+tpname as workertp,bl,price from jjgx_d a,worker_tp b "
                            "where a.tpcode=b.tpcode and gzcode=? and gxcode=?  order by a.tpcode"));
    q.addBind(gzcode).addBind(gxcode);
    q.open();
    const QList<QSqlRecord> rows = q.readAll();
    q.close();
    // Stored prices are kept as they are, even where they no longer equal unit price × share.
    tmp.loadRecords(rows);
}

double ProcessData::sharePrice(double unitPrice, double bl)
{
    return RoundDec(4, unitPrice * bl);
}

void ProcessData::applySharePrice(DataTable &tmp, double unitPrice)
{
    tmp.setValue(QStringLiteral("price"), sharePrice(unitPrice, tmp.asFloat(QStringLiteral("bl"))));
}

bool ProcessData::recomputeShares(DataTable &tmp, double unitPrice)
{
    if (tmp.isEditing() && !tmp.isModified())
        tmp.cancel(); // a new row nobody typed into is dropped, not checked
    if (!tmp.isActive() || tmp.isEmpty())
        return true;
    if (!tmp.first())
        return false;
    for (;;) {
        tmp.edit();
        applySharePrice(tmp, unitPrice);
        if (!tmp.post())
            return false;
        if (!tmp.next())
            break; // the cursor ends after the last row
    }
    return true;
}

ProcessData::ShareFault ProcessData::checkShare(const QString &workertp)
{
    if (workertp.isEmpty())
        return ShareFault::NoPosition;
    const qsizetype open = workertp.indexOf(QLatin1Char('['));
    const qsizetype close = workertp.indexOf(QLatin1Char(']'));
    if (open < 0 || close < 0 || close == open + 1)
        return ShareFault::BadText;
    return PositionExists(shareCode(workertp)) ? ShareFault::None : ShareFault::UnknownPosition;
}

QString ProcessData::faultText(ShareFault fault)
{
    switch (fault) {
    case ShareFault::None: break;
    case ShareFault::NoPosition: return QStringLiteral("请选择职位");
    case ShareFault::UnknownPosition: return QStringLiteral("职位不存在");
    case ShareFault::BadText: return QStringLiteral("职位输入错误");
    }
    return {};
}

QString ProcessData::shareCode(const QString &workertp)
{
    const qsizetype close = workertp.indexOf(QLatin1Char(']'));
    if (close < 1)
        return {};
    return workertp.mid(1, close - 1);
}

QList<ShareValues> ProcessData::shares(const DataTable &tmp)
{
    QList<ShareValues> out;
    if (!tmp.isActive())
        return out;
    const int tp = tmp.fieldIndex(QStringLiteral("workertp"));
    const int bl = tmp.fieldIndex(QStringLiteral("bl"));
    const int price = tmp.fieldIndex(QStringLiteral("price"));
    for (int r = 0; r < tmp.rowCount(); ++r)
        out.append(
            {tmp.rowValue(r, tp).toString(), VarToFloat(tmp.rowValue(r, bl)), VarToFloat(tmp.rowValue(r, price))});
    return out;
}

// ---------------------------------------------------------------- saving

ProcessData::SaveFault ProcessData::checkSave(EditMode mode, const ProcessValues &process)
{
    if (process.gxcode.isEmpty() || process.gxname.isEmpty())
        return SaveFault::MissingCodeOrName;
    if (mode == EditMode::Add && ProcessExists(process.gzcode, process.gxcode))
        return SaveFault::CodeExists;
    return SaveFault::None;
}

QString ProcessData::faultText(SaveFault fault)
{
    switch (fault) {
    case SaveFault::None: break;
    case SaveFault::MissingCodeOrName: return QStringLiteral("请填写工序代码和名称");
    case SaveFault::CodeExists: return QStringLiteral("工序代码已存在");
    }
    return {};
}

void ProcessData::save(EditMode mode, const ProcessValues &process, const QList<ShareValues> &shares)
{
    inTransaction([&] {
        JetQuery &q = dmMain->qryExec;
        if (mode == EditMode::Add) {
            q.setSql(QStringLiteral("insert into jjgx(gzcode,gxcode,gxname,unit,price,rs) "
                                    "values(:gzcode,:gxcode,:gxname,:unit,:price,:rs)"));
        } else {
            q.setSql(QStringLiteral("update jjgx set gzcode=:gzcode,gxcode=:gxcode,gxname=:gxname,unit=:unit,"
                                    "price=:price,rs=:rs where gzcode=:oldgz and gxcode=:oldgx"));
            q.bind(QStringLiteral("oldgz"), process.gzcode).bind(QStringLiteral("oldgx"), process.gxcode);
        }
        q.bind(QStringLiteral("gzcode"), process.gzcode)
            .bind(QStringLiteral("gxcode"), process.gxcode)
            .bind(QStringLiteral("gxname"), process.gxname)
            .bind(QStringLiteral("unit"), process.unit)
            .bind(QStringLiteral("price"),
                  process.price.isNull() ? QVariant(QMetaType(QMetaType::Double)) : process.price)
            .bind(QStringLiteral("rs"), process.rs.isNull() ? QVariant(QMetaType(QMetaType::Double)) : process.rs);
        q.exec();

        q.setSql(QStringLiteral("delete from jjgx_d where gzcode=? and gxcode=?"));
        q.addBind(process.gzcode).addBind(process.gxcode);
        q.exec();
        for (const ShareValues &share : shares) {
            q.setSql(QStringLiteral("insert into jjgx_d(gzcode,gxcode,tpcode,bl,price) "
                                    "values(:gzcode,:gxcode,:tpcode,:bl,:price)"));
            q.bind(QStringLiteral("gzcode"), process.gzcode)
                .bind(QStringLiteral("gxcode"), process.gxcode)
                .bind(QStringLiteral("tpcode"), shareCode(share.workertp))
                .bind(QStringLiteral("bl"), share.bl)
                .bind(QStringLiteral("price"), share.price);
            q.exec();
        }
        q.close();
    });
}

} // namespace jjgz
