#include "masterdata/WorkerImport.h"

#include "data/MainDM.h"
#include "data/OpLog.h"
#include "data/SheetReader.h"
#include "masterdata/WorkerData.h"

#include <QHash>

namespace jjgz {
namespace {

// clang-format off
// The roster's columns: the captions of the roster and of the employee dialog, and a few
// spellings clerks use.
const QList<ImportColumn> &rosterColumns()
{
    static const QList<ImportColumn> columns = {
        {QStringLiteral("wkcode"),  {QStringLiteral("员工代码"), QStringLiteral("工号"), QStringLiteral("员工编号")}, true},
        {QStringLiteral("wkname"),  {QStringLiteral("员工姓名"), QStringLiteral("姓名")}},
        {QStringLiteral("bmcode"),  {QStringLiteral("部门"), QStringLiteral("部门代码"), QStringLiteral("部门名称"), QStringLiteral("所属部门")}},
        {QStringLiteral("sex"),     {QStringLiteral("性别")}},
        {QStringLiteral("tpcode"),  {QStringLiteral("职位"), QStringLiteral("职位名称"), QStringLiteral("职位代码")}},
        {QStringLiteral("sfid"),    {QStringLiteral("身份证号"), QStringLiteral("身份证号码")}},
        {QStringLiteral("xl"),      {QStringLiteral("学历")}},
        {QStringLiteral("addr"),    {QStringLiteral("地址")}},
        {QStringLiteral("phone"),   {QStringLiteral("电话")}},
        {QStringLiteral("indate"),  {QStringLiteral("入职日期")}},
        {QStringLiteral("bankacc"), {QStringLiteral("银行账号"), QStringLiteral("银行帐号")}},
        {QStringLiteral("gztp"),    {QStringLiteral("工资类型")}},
        {QStringLiteral("state"),   {QStringLiteral("状态")}},
        {QStringLiteral("mm"),      {QStringLiteral("备注")}},
    };
    return columns;
}

// Widths of the text columns, in characters, as the database holds them.
const QHash<QString, int> &textWidths()
{
    static const QHash<QString, int> widths = {
        {QStringLiteral("wkcode"), 20}, {QStringLiteral("wkname"), 20}, {QStringLiteral("sfid"), 30},
        {QStringLiteral("xl"), 20},     {QStringLiteral("addr"), 100},  {QStringLiteral("phone"), 30},
        {QStringLiteral("bankacc"), 40}, {QStringLiteral("mm"), 200},
    };
    return widths;
}
// clang-format on

QString WorkerValues::*textMember(const QString &key)
{
    if (key == QLatin1String("wkname"))
        return &WorkerValues::wkname;
    if (key == QLatin1String("sfid"))
        return &WorkerValues::sfid;
    if (key == QLatin1String("xl"))
        return &WorkerValues::xl;
    if (key == QLatin1String("addr"))
        return &WorkerValues::addr;
    if (key == QLatin1String("phone"))
        return &WorkerValues::phone;
    if (key == QLatin1String("bankacc"))
        return &WorkerValues::bankacc;
    if (key == QLatin1String("mm"))
        return &WorkerValues::mm;
    return nullptr;
}

// Departments and positions: codes, names or "[code]name", and the advice for a missing one.
struct CodeNames : ImportCodes {
    QString find(const QString &text, const QString &what, QString *error) const
    {
        return ImportCodes::find(text, what, QStringLiteral("请先在代码表中增加，或"), error);
    }
};

bool sameWorker(const WorkerValues &a, const WorkerValues &b)
{
    auto num = [](const QVariant &v) { return v.isNull() ? qlonglong(0) : v.toLongLong(); };
    return a.wkcode == b.wkcode && a.wkname == b.wkname && a.bmcode == b.bmcode && a.sex == b.sex
           && a.tpcode == b.tpcode && a.sfid == b.sfid && a.xl == b.xl && a.addr == b.addr && a.phone == b.phone
           && a.indate == b.indate && a.bankacc == b.bankacc && num(a.gztp) == num(b.gztp)
           && num(a.state) == num(b.state) && a.mm == b.mm && a.gztp.isNull() == b.gztp.isNull()
           && a.state.isNull() == b.state.isNull();
}

// 0 or 1 from the list's two texts, or the digit itself.
bool choice(const QString &text, const QString &zero, const QString &one, QVariant *value)
{
    if (text == zero || text == QLatin1String("0"))
        *value = 0;
    else if (text == one || text == QLatin1String("1"))
        *value = 1;
    else
        return false;
    return true;
}

struct Planned {
    EditMode mode;
    WorkerValues values;
};

} // namespace

ImportResult WorkerImport::run(const SheetTable &table, bool dryRun)
{
    ImportResult result;
    const SheetColumnMap map = SheetColumnMap::map(table.titles, rosterColumns());
    result.unknownColumns = map.unknown;
    for (const auto &p : map.problems)
        result.problems.append({table.titleRow, p.first, p.second});
    QList<QString> keys; // recognised columns in file order
    for (int c = 0; c < table.titles.size(); ++c)
        for (auto it = map.index.cbegin(); it != map.index.cend(); ++it)
            if (it.value() == c) {
                keys << it.key();
                result.columns << table.titles.at(c);
            }
    if (table.rows.isEmpty() && result.problems.isEmpty())
        result.problems.append({table.titleRow, table.titles.value(map.at(QStringLiteral("wkcode"))),
                                QStringLiteral("标题行下面没有员工；请在标题行下逐行填写员工")});
    if (!map.problems.isEmpty())
        return result;

    CodeNames departs, positions;
    for (const DepartNode &d : WorkerData::departments())
        departs.add(d.bmcode, d.bmname);
    for (const WorkerData::Position &p : WorkerData::positions())
        positions.add(p.tpcode, p.text.mid(p.tpcode.size() + 2));

    QHash<QString, int> seen; // lower-case code -> row
    QList<Planned> planned;
    for (const SheetTable::Row &row : table.rows) {
        ImportRow shown;
        shown.row = row.number;
        for (const QString &key : std::as_const(keys))
            shown.values << sheetText(table.cell(row, map.at(key)));
        const int before = int(result.problems.size());
        auto problem = [&](const QString &key, const QString &message) {
            result.problems.append({row.number, map.title.value(key), message});
            shown.notes << map.title.value(key) + QStringLiteral("：") + message;
        };
        auto cell = [&](const QString &key) { return table.cell(row, map.at(key)); };

        QString code, error;
        if (!sheetString(cell(QStringLiteral("wkcode")), 20, &code, &error)) {
            problem(QStringLiteral("wkcode"), error);
        } else if (code.isEmpty()) {
            problem(QStringLiteral("wkcode"), WorkerData::faultText(WorkerData::SaveFault::MissingCodeOrName));
        } else if (const auto dup = seen.constFind(code.toLower()); dup != seen.constEnd()) {
            problem(QStringLiteral("wkcode"), QStringLiteral("员工代码“%1”与第 %2 行重复").arg(code).arg(*dup));
        } else {
            seen.insert(code.toLower(), row.number);
        }

        const std::optional<WorkerValues> stored = code.isEmpty() ? std::nullopt : WorkerData::byCode(code);
        const EditMode mode = stored ? EditMode::Modify : EditMode::Add;
        WorkerValues w;
        if (stored) {
            w = *stored;
        } else {
            w.wkcode = code;
            w.gztp = 0;
            w.state = 0;
        }

        for (const QString &key : std::as_const(keys)) {
            const QVariant v = cell(key);
            error.clear();
            if (QString WorkerValues::*member = textMember(key)) {
                QString text;
                if (!sheetString(v, textWidths().value(key), &text, &error))
                    problem(key, error);
                else
                    w.*member = text;
            } else if (key == QLatin1String("bmcode")) {
                const QString text = sheetText(v);
                if (text.isEmpty()) {
                    problem(key, QStringLiteral("请填写部门（部门代码或名称）"));
                } else {
                    const QString bm = departs.find(text, QStringLiteral("部门"), &error);
                    if (bm.isEmpty())
                        problem(key, error);
                    else
                        w.bmcode = bm;
                }
            } else if (key == QLatin1String("tpcode")) {
                const QString text = sheetText(v);
                if (text.isEmpty()) {
                    w.tpcode.clear();
                    w.tpname.clear();
                } else {
                    const QString tp = positions.find(text, QStringLiteral("职位"), &error);
                    if (tp.isEmpty())
                        problem(key, error);
                    else {
                        w.tpcode = tp;
                        w.tpname = positions.names.value(tp);
                    }
                }
            } else if (key == QLatin1String("sex")) {
                const QString text = sheetText(v);
                if (!text.isEmpty() && text != QStringLiteral("男") && text != QStringLiteral("女"))
                    problem(key, QStringLiteral("“%1”不是性别；请填写“男”或“女”，或者留空").arg(text));
                else
                    w.sex = text;
            } else if (key == QLatin1String("indate")) {
                QDate date;
                if (!sheetDate(v, &date, &error))
                    problem(key, error);
                else
                    w.indate = date;
            } else if (key == QLatin1String("gztp") || key == QLatin1String("state")) {
                const bool wage = key == QLatin1String("gztp");
                const QString zero = wage ? QStringLiteral("计件") : QStringLiteral("在职");
                const QString one = wage ? QStringLiteral("按月") : QStringLiteral("离职");
                const QString text = sheetText(v);
                QVariant value = 0; // empty: the dialog's first item
                if (!text.isEmpty() && !choice(text, zero, one, &value))
                    problem(key, QStringLiteral("“%1”无效；请填写“%2”或“%3”").arg(text, zero, one));
                else
                    (wage ? w.gztp : w.state) = value;
            }
        }
        if (mode == EditMode::Add && !map.has(QStringLiteral("bmcode")) && !code.isEmpty())
            problem(QStringLiteral("wkcode"), QStringLiteral("新员工“%1”需要部门：请在表格中加一列“部门”").arg(code));
        if (!code.isEmpty() && int(result.problems.size()) == before) {
            const WorkerData::SaveFault fault = WorkerData::checkSave(mode, w);
            if (fault != WorkerData::SaveFault::None)
                problem(fault == WorkerData::SaveFault::MissingCodeOrName && map.has(QStringLiteral("wkname"))
                            ? QStringLiteral("wkname")
                            : QStringLiteral("wkcode"),
                        fault == WorkerData::SaveFault::MissingCodeOrName && !map.has(QStringLiteral("wkname"))
                            ? QStringLiteral("新员工需要姓名：请在表格中加一列“员工姓名”")
                            : WorkerData::faultText(fault));
        }

        if (int(result.problems.size()) > before) {
            shown.action = QStringLiteral("有错误");
        } else if (mode == EditMode::Add) {
            shown.action = QStringLiteral("新增");
            ++result.added;
            planned.append({mode, w});
        } else if (sameWorker(w, *stored)) {
            shown.action = QStringLiteral("不变");
            shown.notes << QStringLiteral("与已有的员工资料相同，跳过");
            ++result.skipped;
        } else {
            shown.action = QStringLiteral("更新");
            ++result.updated;
            planned.append({mode, w});
        }
        result.rows.append(shown);
    }

    if (!result.ok() || dryRun)
        return result;
    inTransaction([&] {
        for (const Planned &p : std::as_const(planned))
            WorkerData::save(p.mode, p.values);
        if (!planned.isEmpty()) // a file that changes nothing is not logged as a change
            OpLog::log(OpAction::Import, QStringLiteral("员工名册"),
                       QStringLiteral("新增 %1 人，更新 %2 人，跳过 %3 人（与已有资料相同）")
                           .arg(result.added)
                           .arg(result.updated)
                           .arg(result.skipped));
    });
    result.written = true;
    return result;
}

} // namespace jjgz
