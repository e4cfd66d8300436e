#include "piecework/PieceImport.h"

#include "data/DBFun.h"
#include "data/MainDM.h"
#include "data/MonthLocks.h"
#include "data/MyFun.h"
#include "data/OpLog.h"
#include "data/SheetReader.h"
#include "piecework/PieceData.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace jjgz {
namespace {

// clang-format off
const QList<ImportColumn> &pieceColumns()
{
    static const QList<ImportColumn> columns = {
        {QStringLiteral("no"),     {QStringLiteral("单号"), QStringLiteral("记录号")}, true},
        {QStringLiteral("dt"),     {QStringLiteral("日期")}, true},
        {QStringLiteral("gz"),     {QStringLiteral("工种"), QStringLiteral("计件工种")}, true},
        {QStringLiteral("gx"),     {QStringLiteral("工序"), QStringLiteral("计件工序")}, true},
        {QStringLiteral("sl"),     {QStringLiteral("数量"), QStringLiteral("计件数量")}, true},
        {QStringLiteral("xs"),     {QStringLiteral("系数"), QStringLiteral("系数名称")}},
        {QStringLiteral("wkcode"), {QStringLiteral("员工代码"), QStringLiteral("工号")}, true},
        {QStringLiteral("wkname"), {QStringLiteral("员工姓名"), QStringLiteral("姓名")}},
    };
    return columns;
}
// clang-format on

// "[code]name" items of a drop-down list: code -> name.
struct Items : ImportCodes {
    explicit Items(const QStringList &items)
    {
        for (const QString &item : items)
            if (!item.isEmpty())
                add(BracketCode(item), BracketName(item));
    }
    QString find(const QString &text, const QString &what, QString *error) const
    {
        return ImportCodes::find(text, what, QStringLiteral("请"), error);
    }
};

// The header of a record as its first row gives it, for comparing the rows after it.
struct Header {
    int firstRow = 0;
    QDate dt;
    QString gzcode, gxcode, xscode;
    double sl = 0;
    bool valid = false; // every header cell of the first row was good
};

struct Record {
    QString number; // 单号 in the file
    Header header;
    QList<int> rows;        // indexes into the preview rows
    QList<QString> wkcodes; // one per line
    bool bad = false;
};

// A stored record with the same header and the same employees, or 0.
int storedTwin(const RecordValues &r, const QList<LineValues> &lines)
{
    QList<int> candidates;
    JetQuery &q = dmMain->qryExec;
    forEachRow(q, QStringLiteral("select pid,sl,xscode from jjdata where dt=? and gzcode=? and gxcode=?"),
               {r.dt, r.gzcode, r.gxcode}, [&] {
                   if (VarToFloat(q.value(1)) == r.sl.toDouble() && q.value(2).toString() == r.xscode)
                       candidates << q.value(0).toInt();
               });
    QStringList mine;
    for (const LineValues &l : lines)
        mine << BracketCode(l.worker).toLower();
    std::sort(mine.begin(), mine.end());
    for (const int pid : std::as_const(candidates)) {
        QStringList theirs;
        forEachRow(q, QStringLiteral("select wkcode from jjdata_d where pid=?"), {pid},
                   [&] { theirs << q.value(0).toString().toLower(); });
        std::sort(theirs.begin(), theirs.end());
        if (theirs == mine)
            return pid;
    }
    return 0;
}

} // namespace

ImportResult PieceImport::run(const SheetTable &table, bool dryRun, const QString &operName)
{
    ImportResult result;
    const SheetColumnMap map = SheetColumnMap::map(table.titles, pieceColumns());
    result.unknownColumns = map.unknown;
    for (const auto &p : map.problems)
        result.problems.append({table.titleRow, p.first, p.second});
    QStringList keys;
    for (int c = 0; c < table.titles.size(); ++c)
        for (auto it = map.index.cbegin(); it != map.index.cend(); ++it)
            if (it.value() == c) {
                keys << it.key();
                result.columns << table.titles.at(c);
            }
    if (table.rows.isEmpty() && result.problems.isEmpty())
        result.problems.append({table.titleRow, map.title.value(QStringLiteral("no")),
                                QStringLiteral("标题行下面没有计件数据；请在标题行下逐行填写")});
    if (!map.problems.isEmpty())
        return result;

    const Items jobTypes(PieceData::jobTypeItems());
    const Items coefficients(PieceData::coefficientItems());
    QHash<QString, Items> processes; // by job type
    // Whether a date's month is closed, asked once per month.
    QHash<int, std::optional<MonthLock>> locks; // by year * 100 + month
    auto lockOf = [&](const QDate &date) {
        const int key = date.year() * 100 + date.month();
        auto it = locks.find(key);
        if (it == locks.end())
            it = locks.insert(key, MonthLocks::lockOf(date.year(), date.month()));
        return *it;
    };

    QList<Record> records;
    QHash<QString, int> recordOf; // 单号 -> index in records
    QList<RecordValues> values;
    QList<QList<LineValues>> lines;

    for (const SheetTable::Row &row : table.rows) {
        ImportRow shown;
        shown.row = row.number;
        for (const QString &key : std::as_const(keys))
            shown.values << sheetText(table.cell(row, map.at(key)));
        const int rowIndex = int(result.rows.size());
        const int before = int(result.problems.size());
        auto problem = [&](const QString &key, const QString &message) {
            result.problems.append({row.number, map.title.value(key), message});
            shown.notes << map.title.value(key) + QStringLiteral("：") + message;
        };
        auto cell = [&](const QString &key) { return table.cell(row, map.at(key)); };
        QString error;

        const QString number = sheetText(cell(QStringLiteral("no")));
        if (number.isEmpty())
            problem(QStringLiteral("no"), QStringLiteral("请填写单号（同一单号的各行是同一条计件记录）"));

        // The header cells of this row.
        Header h;
        h.firstRow = row.number;
        bool headerOk = true;
        if (!sheetDate(cell(QStringLiteral("dt")), &h.dt, &error)) {
            problem(QStringLiteral("dt"), error);
            headerOk = false;
        } else if (!h.dt.isValid()) {
            problem(QStringLiteral("dt"), QStringLiteral("请填写日期"));
            headerOk = false;
        } else if (const std::optional<MonthLock> lock = lockOf(h.dt)) {
            // Records dated in a closed month are refused as the record dialog refuses them.
            problem(QStringLiteral("dt"), MonthLocks::refusalText(*lock));
            headerOk = false;
        }
        const QString gzText = sheetText(cell(QStringLiteral("gz")));
        const QString gxText = sheetText(cell(QStringLiteral("gx")));
        if (gzText.isEmpty() || gxText.isEmpty()) {
            problem(gzText.isEmpty() ? QStringLiteral("gz") : QStringLiteral("gx"), QStringLiteral("请选择工种和工序"));
            headerOk = false;
        } else {
            h.gzcode = jobTypes.find(gzText, QStringLiteral("工种"), &error);
            if (h.gzcode.isEmpty()) {
                problem(QStringLiteral("gz"), error);
                headerOk = false;
            } else {
                auto it = processes.find(h.gzcode);
                if (it == processes.end())
                    it = processes.insert(h.gzcode, Items(PieceData::processItems(h.gzcode)));
                h.gxcode = it->find(gxText, QStringLiteral("工序"), &error);
                if (h.gxcode.isEmpty()) {
                    problem(QStringLiteral("gx"),
                            error + QStringLiteral("（工种“%1”之下）").arg(jobTypes.names.value(h.gzcode)));
                    headerOk = false;
                }
            }
        }
        bool empty = false;
        if (!sheetNumber(cell(QStringLiteral("sl")), &h.sl, &empty, &error)) {
            problem(QStringLiteral("sl"), error);
            headerOk = false;
        } else if (empty) {
            problem(QStringLiteral("sl"), QStringLiteral("请填写数量"));
            headerOk = false;
        }
        if (map.has(QStringLiteral("xs"))) {
            const QString xsText = sheetText(cell(QStringLiteral("xs")));
            if (!xsText.isEmpty()) {
                h.xscode = coefficients.find(xsText, QStringLiteral("系数"), &error);
                if (h.xscode.isEmpty()) {
                    problem(QStringLiteral("xs"), error);
                    headerOk = false;
                }
            }
        }
        h.valid = headerOk;

        // The employee of this line.
        QString wkcode;
        if (!sheetString(cell(QStringLiteral("wkcode")), 20, &wkcode, &error)) {
            problem(QStringLiteral("wkcode"), error);
        } else if (wkcode.isEmpty()) {
            problem(QStringLiteral("wkcode"), PieceData::faultText(PieceData::LineFault::NoWorker));
        } else if (const auto worker = PieceData::workerByCode(wkcode)) {
            wkcode = worker->wkcode;
            const QString name = sheetText(cell(QStringLiteral("wkname")));
            if (map.has(QStringLiteral("wkname")) && !name.isEmpty() && name != worker->wkname)
                problem(QStringLiteral("wkname"),
                        QStringLiteral("“%1”与员工代码 %2 的姓名“%3”不符").arg(name, worker->wkcode, worker->wkname));
        } else {
            problem(QStringLiteral("wkcode"), QStringLiteral("员工代码不存在：“%1”").arg(wkcode));
            wkcode.clear();
        }

        // Rows of one record must agree on its header.
        if (!number.isEmpty()) {
            auto found = recordOf.constFind(number);
            if (found == recordOf.constEnd()) {
                found = recordOf.insert(number, int(records.size()));
                records.append({number, h, {}, {}, false});
            } else {
                const Header &first = records.at(*found).header;
                if (first.valid && h.valid) {
                    auto differs = [&](const QString &key, const QString &what) {
                        problem(key, QStringLiteral("同一单号“%1”的%2与第 %3 行不同；同一条记录只能有一个%2")
                                         .arg(number, what)
                                         .arg(first.firstRow));
                    };
                    if (h.dt != first.dt)
                        differs(QStringLiteral("dt"), QStringLiteral("日期"));
                    if (h.gzcode != first.gzcode)
                        differs(QStringLiteral("gz"), QStringLiteral("工种"));
                    else if (h.gxcode != first.gxcode)
                        differs(QStringLiteral("gx"), QStringLiteral("工序"));
                    if (h.sl != first.sl)
                        differs(QStringLiteral("sl"), QStringLiteral("数量"));
                    if (h.xscode != first.xscode)
                        differs(QStringLiteral("xs"), QStringLiteral("系数"));
                }
            }
            Record &r = records[*found];
            r.rows << rowIndex;
            r.wkcodes << wkcode;
            if (int(result.problems.size()) > before || !h.valid)
                r.bad = true;
        }
        shown.action = int(result.problems.size()) > before ? QStringLiteral("有错误") : QString();
        result.rows.append(shown);
    }

    // Each good record as the dialog would save it.
    for (int i = 0; i < records.size(); ++i) {
        Record &r = records[i];
        if (r.bad)
            continue;
        const Header &h = r.header;
        RecordValues record;
        record.dt = h.dt;
        record.gzcode = h.gzcode;
        record.gxcode = h.gxcode;
        const std::optional<ProcessFacts> process = PieceData::process(h.gzcode, h.gxcode);
        record.price = process ? process->price : 0.0;
        record.rs = process ? process->rs : 0.0;
        double xs = 0;
        if (!h.xscode.isEmpty())
            xs = PieceData::coefficient(h.xscode).value_or(0.0);
        record.xscode = h.xscode;
        record.xs = xs;
        record.sl = h.sl;
        const double amount = PieceData::amount(record.price.toDouble(), h.sl, xs, !h.xscode.isEmpty());
        record.je = amount;
        QList<LineValues> recordLines;
        bool linesOk = true;
        for (int k = 0; k < r.wkcodes.size(); ++k) {
            const std::optional<WorkerPick> worker = PieceData::workerByCode(r.wkcodes.at(k));
            LineValues line;
            line.worker = BracketText(worker->wkcode, worker->wkname);
            line.workertp = WorkerPositionText(worker->wkcode);
            // The share of the position in the process; a position without one leaves 0.
            if (!line.workertp.isEmpty() && PieceData::isBracketText(line.workertp))
                if (const auto bl = PieceData::share(h.gzcode, h.gxcode, BracketCode(line.workertp)))
                    line.bl = *bl;
            line.je = PieceData::lineAmount(amount, line.bl);
            const PieceData::LineFault fault = PieceData::checkLine(line.worker, line.workertp);
            ImportRow &shown = result.rows[r.rows.at(k)];
            if (fault != PieceData::LineFault::None) {
                const QString title = map.title.value(QStringLiteral("wkcode"));
                const QString message = PieceData::faultText(fault)
                                        + QStringLiteral("（员工 %1 的职位“%2”）").arg(worker->wkcode, line.workertp);
                result.problems.append({shown.row, title, message});
                shown.notes << title + QStringLiteral("：") + message;
                shown.action = QStringLiteral("有错误");
                linesOk = false;
            }
            shown.notes << QStringLiteral("单价 %1，金额 %2，分成 %3，员工金额 %4")
                               .arg(record.price.toDouble(), 0, 'f', 6)
                               .arg(amount, 0, 'f', 2)
                               .arg(line.bl, 0, 'f', 4)
                               .arg(line.je, 0, 'f', 2);
            recordLines << line;
        }
        if (!linesOk)
            continue;
        const int twin = storedTwin(record, recordLines);
        for (const int k : std::as_const(r.rows)) {
            ImportRow &shown = result.rows[k];
            shown.action = twin ? QStringLiteral("跳过") : QStringLiteral("新增");
            if (twin)
                shown.notes << QStringLiteral("与已有的第 %1 号记录相同，跳过").arg(twin);
        }
        if (twin) {
            result.skipped += int(r.rows.size());
            continue;
        }
        result.added += int(r.rows.size());
        values << record;
        lines << recordLines;
    }

    if (!result.ok() || dryRun)
        return result;
    inTransaction([&] {
        // Numbered as the dialog numbers a new record, inside the one transaction.
        for (int i = 0; i < values.size(); ++i)
            PieceData::save(1, values.at(i), lines.at(i), operName);
        if (!values.isEmpty()) // a file that changes nothing is not logged as a change
            OpLog::log(OpAction::Import, QStringLiteral("计件数据"),
                       QStringLiteral("新增 %1 条记录（%2 行），跳过 %3 行（与已有记录相同）")
                           .arg(values.size())
                           .arg(result.added)
                           .arg(result.skipped));
    });
    result.written = true;
    return result;
}

} // namespace jjgz
