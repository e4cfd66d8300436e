#pragma once
// The operation log (操作日志): one row per change that matters, who made it and when. A row is
// written inside the transaction of the change it records, so the log never claims what was
// rolled back and never misses what was committed. The program never changes or deletes a row
// (the database refuses it too).
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace jjgz {

// The actions the log knows, as stored in oplog.action and chosen in the log's filter.
namespace OpAction {
inline const QString Calc = QStringLiteral("计算");
inline const QString SaveSheet = QStringLiteral("保存工资");
inline const QString Recreate = QStringLiteral("重新生成");
inline const QString Carry = QStringLiteral("结转");
inline const QString Close = QStringLiteral("封账");
inline const QString Reopen = QStringLiteral("取消封账");
inline const QString Import = QStringLiteral("导入");
inline const QString PieceAdd = QStringLiteral("增加计件");
inline const QString PieceModify = QStringLiteral("修改计件");
inline const QString PieceDelete = QStringLiteral("删除计件");
inline const QString ItemAdd = QStringLiteral("增加工资项目");
inline const QString ItemModify = QStringLiteral("修改工资项目");
inline const QString ItemDelete = QStringLiteral("删除工资项目");
inline const QString FormulaAdd = QStringLiteral("增加公式");
inline const QString FormulaModify = QStringLiteral("修改公式");
inline const QString FormulaDelete = QStringLiteral("删除公式");
inline const QString TaxRates = QStringLiteral("保存税率表");
inline const QString OperatorAdd = QStringLiteral("创建操作员");
inline const QString OperatorDelete = QStringLiteral("删除操作员");
inline const QString Grant = QStringLiteral("设定权限");
inline const QString Password = QStringLiteral("修改密码");
inline const QString Backup = QStringLiteral("数据备份");
inline const QString Restore = QStringLiteral("数据恢复");
inline const QString Init = QStringLiteral("数据初始化");
inline const QString Login = QStringLiteral("登录");
inline const QString LoginFailed = QStringLiteral("登录失败");
// Every action above, in the order the filter lists them.
QList<QString> all();
} // namespace OpAction

struct OpLogEntry {
    qint64 id = 0;
    QString t; // "yyyy-MM-dd HH:mm:ss", local time
    QString opername;
    QString action;
    QString target;
    QString detail;
};

// What the log screen and `jjgz-payroll log` ask for; empty parts do not filter.
struct OpLogFilter {
    QDate from, to;   // days, both included
    QString opername; // exact, without regard to letter case
    QString action;   // exact
    QString text;     // contained in target or detail
};

class OpLog {
public:
    // One row under the logged-in operator (CurOperName), now. Runs on a query of its own and
    // joins the caller's transaction; throws DbError when the row cannot be written.
    static void log(const QString &action, const QString &target, const QString &detail = {});
    // The same under `opername` (a login, before the globals are set).
    static void logAs(const QString &opername, const QString &action, const QString &target,
                      const QString &detail = {});
    // Rows matching `filter`, newest first.
    static QList<OpLogEntry> read(const OpLogFilter &filter = {});
    // The operator names found in the log, for the filter's list.
    static QStringList operators();
    // "yyyy-MM" of a wage month, the target of month actions.
    static QString monthText(int year, int month);
};

} // namespace jjgz
