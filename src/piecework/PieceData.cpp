#include "piecework/PieceData.h"

#include "data/DBFun.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/MyFun.h"
#include "piecework/PieceLog.h"

namespace jjgz {
namespace {

// Runs `sql` with `values` bound on the shared scratch query and returns every row.
QList<QSqlRecord> rowsOf(const QString &sql, const QVariantList &values = {})
{
    JetQuery &q = dmMain->qryExec;
    q.setSql(sql);
    for (const QVariant &v : values)
        q.addBind(v);
    q.open();
    QList<QSqlRecord> rows = q.readAll();
    q.close();
    return rows;
}

QStringList bracketItems(const QList<QSqlRecord> &rows, const QString &code, const QString &name, bool emptyFirst)
{
    QStringList items;
    if (emptyFirst)
        items << QString();
    for (const QSqlRecord &row : rows)
        items << BracketText(row.value(code).toString(), row.value(name).toString());
    return items;
}

// A number column: null stays null.
QVariant numberOrNull(const QVariant &v)
{
    return v.isNull() ? QVariant(QMetaType(QMetaType::Double)) : QVariant(VarToFloat(v));
}

// The position code of a line: empty stays empty (not null); a code shown bare, as a loaded line
// shows a position that was not in the list, is kept as it is.
QString positionCode(const QString &workertp)
{
    if (workertp.isEmpty())
        return QString(QLatin1String(""));
    return PieceData::isBracketText(workertp) ? BracketCode(workertp) : workertp;
}

} // namespace

QStringList PieceData::jobTypeItems()
{
    return bracketItems(rowsOf(QStringLiteral("select gzcode,gzname from jjgz order by gzcode")),
                        QStringLiteral("gzcode"), QStringLiteral("gzname"), true);
}

QStringList PieceData::processItems(const QString &gzcode)
{
    return bracketItems(
        rowsOf(QStringLiteral("select gxcode,gxname from jjgx where gzcode=? order by gxcode"), {gzcode}),
        QStringLiteral("gxcode"), QStringLiteral("gxname"), true);
}

QStringList PieceData::coefficientItems()
{
    return bracketItems(rowsOf(QStringLiteral("select xscode,xsname from jjxs order by xscode")),
                        QStringLiteral("xscode"), QStringLiteral("xsname"), true);
}

QStringList PieceData::departItems()
{
    return bracketItems(rowsOf(QStringLiteral("select bmcode,bmname from depart order by bmcode")),
                        QStringLiteral("bmcode"), QStringLiteral("bmname"), true);
}

QStringList PieceData::positionItems()
{
    return bracketItems(rowsOf(QStringLiteral("select tpcode,tpname from worker_tp order by tpcode")),
                        QStringLiteral("tpcode"), QStringLiteral("tpname"), false);
}

QHash<QString, QString> PieceData::positionNames()
{
    QHash<QString, QString> names;
    for (const QSqlRecord &row : rowsOf(QStringLiteral("select tpcode,tpname from worker_tp")))
        names.insert(row.value(0).toString(), row.value(1).toString());
    return names;
}

std::optional<ProcessFacts> PieceData::process(const QString &gzcode, const QString &gxcode)
{
    const QList<QSqlRecord> rows =
        rowsOf(QStringLiteral("select unit,price,rs from jjgx where gzcode=? and gxcode=?"), {gzcode, gxcode});
    if (rows.isEmpty())
        return std::nullopt;
    return ProcessFacts{rows[0].value(0).toString(), VarToFloat(rows[0].value(1)), VarToFloat(rows[0].value(2))};
}

std::optional<double> PieceData::coefficient(const QString &xscode)
{
    const QList<QSqlRecord> rows = rowsOf(QStringLiteral("select xs from jjxs where xscode=?"), {xscode});
    if (rows.isEmpty())
        return std::nullopt;
    return VarToFloat(rows[0].value(0));
}

std::optional<double> PieceData::share(const QString &gzcode, const QString &gxcode, const QString &tpcode)
{
    const QList<QSqlRecord> rows = rowsOf(
        QStringLiteral("select bl from jjgx_d where gzcode=? and gxcode=? and tpcode=?"), {gzcode, gxcode, tpcode});
    if (rows.isEmpty())
        return std::nullopt;
    return VarToFloat(rows[0].value(0));
}

std::optional<WorkerPick> PieceData::workerByCode(const QString &wkcode)
{
    const QList<QSqlRecord> rows = rowsOf(QStringLiteral("select wkcode,wkname from worker where wkcode=?"), {wkcode});
    if (rows.isEmpty())
        return std::nullopt;
    return WorkerPick{rows[0].value(0).toString(), rows[0].value(1).toString()};
}

double PieceData::amount(double price, double quantity, double coefficient, bool coefficientChosen)
{
    double t = price * quantity;
    if (coefficientChosen)
        t = coefficient * t;
    return RoundDec(2, t);
}

double PieceData::lineAmount(double amount, double bl)
{
    return RoundDec(2, amount * bl);
}

bool PieceData::isBracketText(const QString &text)
{
    return text.startsWith(QLatin1Char('[')) && text.indexOf(QLatin1Char(']')) > 1;
}

PieceData::LineFault PieceData::checkLine(const QString &worker, const QString &workertp, const QString &storedTp)
{
    if (worker.isEmpty())
        return LineFault::NoWorker;
    if (!isBracketText(worker))
        return LineFault::BadWorker;
    if (!WorkerExists(BracketCode(worker)))
        return LineFault::UnknownWorker;
    if (workertp.isEmpty() || workertp == storedTp)
        return LineFault::None;
    if (!isBracketText(workertp))
        return LineFault::BadPosition;
    return PositionExists(BracketCode(workertp)) ? LineFault::None : LineFault::UnknownPosition;
}

QString PieceData::faultText(LineFault fault)
{
    switch (fault) {
    case LineFault::None: break;
    case LineFault::NoWorker: return QStringLiteral("请选择员工");
    case LineFault::BadWorker: return QStringLiteral("员工输入错误");
    case LineFault::UnknownWorker: return QStringLiteral("员工不存在");
    case LineFault::UnknownPosition: return QStringLiteral("职位不存在");
    case LineFault::BadPosition: return QStringLiteral("职位输入错误");
    }
    return {};
}

int PieceData::firstBadLine(const QList<LineValues> &lines, LineFault *fault)
{
    for (int i = 0; i < lines.size(); ++i) {
        const LineFault f = checkLine(lines[i].worker, lines[i].workertp, lines[i].storedTp);
        if (f != LineFault::None) {
            if (fault)
                *fault = f;
            return i;
        }
    }
    return -1;
}

void PieceData::defineLineFields(DataTable &tmp)
{
    tmp.setFields({
        {QStringLiteral("worker"), FieldKind::Text, 40},
        {QStringLiteral("workertp"), FieldKind::Text, 30},
        {QStringLiteral("bl"), FieldKind::Float, 0},
        {QStringLiteral("je"), FieldKind::Float, 0},
        {QStringLiteral("storedtp"), FieldKind::Text, 0},
    });
}

void PieceData::loadLines(DataTable &tmp, int pid, const QHash<QString, QString> &positionNames)
{
    // The join names the employees; an employee with lines cannot be deleted.
    const QList<QSqlRecord> rows =
        rowsOf(QStringLiteral("select d.wkcode,w.wkname,d.tpcode,d.bl,d.je from jjdata_d d,worker w "
                              "where d.wkcode=w.wkcode and d.pid=? order by d.rowid"),
               {pid});
    tmp.close();
    tmp.open();
    for (const QSqlRecord &row : rows) {
        const QString tpcode = row.value(2).toString();
        const auto name = positionNames.constFind(tpcode);
        tmp.appendRow({BracketText(row.value(0).toString(), row.value(1).toString()),
                       name == positionNames.constEnd() ? tpcode : BracketText(tpcode, *name),
                       row.value(3).isNull() ? QVariant() : QVariant(VarToFloat(row.value(3))),
                       row.value(4).isNull() ? QVariant() : QVariant(VarToFloat(row.value(4))), tpcode});
    }
    tmp.first();
}

QList<LineValues> PieceData::lines(const DataTable &tmp)
{
    QList<LineValues> out;
    if (!tmp.isActive())
        return out;
    const int worker = tmp.fieldIndex(QStringLiteral("worker"));
    const int workertp = tmp.fieldIndex(QStringLiteral("workertp"));
    const int bl = tmp.fieldIndex(QStringLiteral("bl"));
    const int je = tmp.fieldIndex(QStringLiteral("je"));
    const int storedTp = tmp.fieldIndex(QStringLiteral("storedtp"));
    for (int r = 0; r < tmp.rowCount(); ++r)
        out.append({tmp.rowValue(r, worker).toString(), tmp.rowValue(r, workertp).toString(),
                    VarToFloat(tmp.rowValue(r, bl)), VarToFloat(tmp.rowValue(r, je)),
                    storedTp < 0 ? QString() : tmp.rowValue(r, storedTp).toString()});
    return out;
}

int PieceData::save(int mode, const RecordValues &record, const QList<LineValues> &lines, const QString &operName)
{
    LineFault fault = LineFault::None;
    if (const int bad = firstBadLine(lines, &fault); bad >= 0)
        throw DbError(QStringLiteral("第%1行：%2").arg(bad + 1).arg(faultText(fault)));
    int pid = record.pid;
    PieceLog::requireOpen(mode, record);
    inTransaction([&] {
        JetQuery &q = dmMain->qryExec;
        if (mode == 1) {
            // Numbered inside the transaction that writes the record.
            pid = NextRecordId();
            q.setSql(QStringLiteral("insert into jjdata(pid,dt,gzcode,gxcode,price,rs,xscode,xs,sl,je,opername) "
                                    "values(:pid,:dt,:gzcode,:gxcode,:price,:rs,:xscode,:xs,:sl,:je,:opername)"));
            q.bind(QStringLiteral("opername"), operName);
        } else {
            q.setSql(QStringLiteral("update jjdata set dt=:dt,gzcode=:gzcode,gxcode=:gxcode,price=:price,rs=:rs,"
                                    "xscode=:xscode,xs=:xs,sl=:sl,je=:je where pid=:pid"));
        }
        q.bind(QStringLiteral("pid"), pid)
            .bind(QStringLiteral("dt"), record.dt)
            .bind(QStringLiteral("gzcode"), record.gzcode)
            .bind(QStringLiteral("gxcode"), record.gxcode)
            .bind(QStringLiteral("price"), numberOrNull(record.price))
            .bind(QStringLiteral("rs"), numberOrNull(record.rs))
            .bind(QStringLiteral("xscode"),
                  record.xscode.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(record.xscode))
            .bind(QStringLiteral("xs"), numberOrNull(record.xs))
            .bind(QStringLiteral("sl"), numberOrNull(record.sl))
            .bind(QStringLiteral("je"), numberOrNull(record.je));
        if (q.exec() != 1)
            throw DbError(QStringLiteral("记录不存在，可能已被删除"));

        q.setSql(QStringLiteral("delete from jjdata_d where pid=?"));
        q.addBind(pid);
        q.exec();
        for (const LineValues &line : lines) {
            q.setSql(
                QStringLiteral("insert into jjdata_d(pid,wkcode,tpcode,bl,je) values(:pid,:wkcode,:tpcode,:bl,:je)"));
            q.bind(QStringLiteral("pid"), pid)
                .bind(QStringLiteral("wkcode"), BracketCode(line.worker))
                .bind(QStringLiteral("tpcode"), positionCode(line.workertp))
                .bind(QStringLiteral("bl"), line.bl)
                .bind(QStringLiteral("je"), line.je);
            q.exec();
        }
        q.close();
        PieceLog::saved(mode, pid, record, int(lines.size()));
    });
    return pid;
}

} // namespace jjgz
