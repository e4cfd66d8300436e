#include "AdminCommands.h"

#include "data/DBFun.h"
#include "data/MainDM.h"
#include "data/MonthLocks.h"
#include "data/OpLog.h"
#include "data/SchemaUpgrade.h"
#include "login/OperatorData.h"
#include "payroll/CarryForward.h"
#include "payroll/WageSheet.h"

#include <QDate>
#include <QHash>

#include <cstdio>

namespace jjgz::admin {
namespace {

void put(FILE *to, const QString &line)
{
    const QByteArray b = line.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), to);
    std::fputc('\n', to);
}

int fail(const QString &message)
{
    put(stderr, QStringLiteral("error: ") + message);
    return 1;
}

QString optionValue(const QStringList &args, const QString &name, bool *present = nullptr)
{
    const int i = int(args.indexOf(name));
    if (present)
        *present = i >= 0;
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

// What each command is, as the screen that does the same names it.
const QHash<QString, QPair<int, QString>> &rights()
{
    static const QHash<QString, QPair<int, QString>> map = {
        {QStringLiteral("calc"), {1003, QStringLiteral("工资数据录入")}},
        {QStringLiteral("explain"), {1003, QStringLiteral("工资数据录入")}},
        {QStringLiteral("import-sheet"), {1003, QStringLiteral("工资数据录入")}},
        {QStringLiteral("import-workers"), {1515, QStringLiteral("员工名册管理")}},
        {QStringLiteral("import-piecework"), {1001, QStringLiteral("计件数据录入")}},
        {QStringLiteral("bankfile"), {1303, QStringLiteral("工资发放表")}},
        {QStringLiteral("taxfile"), {1309, QStringLiteral("个税申报导出")}},
        {QStringLiteral("close"), {RightCloseMonth, QStringLiteral("封账")}},
        {QStringLiteral("reopen"), {RightReopenMonth, QStringLiteral("取消封账")}},
        {QStringLiteral("carry"), {1005, QStringLiteral("结转下月")}},
        {QStringLiteral("log"), {RightOpLog, QStringLiteral("操作日志")}},
    };
    return map;
}

int closeMonth(const QStringList &args)
{
    int year = 0, month = 0;
    parseWageMonth(args[0], year, month);
    MonthLocks::close(year, month);
    put(stdout, QStringLiteral("closed %1").arg(OpLog::monthText(year, month)));
    return 0;
}

int reopenMonth(const QStringList &args)
{
    int year = 0, month = 0;
    parseWageMonth(args[0], year, month);
    MonthLocks::reopen(year, month, optionValue(args, QStringLiteral("--reason")));
    put(stdout, QStringLiteral("reopened %1").arg(OpLog::monthText(year, month)));
    return 0;
}

int carry(const QStringList &args)
{
    WageMonth source{}, target{};
    parseWageMonth(args[0], source.year, source.month);
    parseWageMonth(args[1], target.year, target.month);
    switch (CarryForward::check(source, target)) {
    case CarryForward::Check::SourceEmpty: return fail(QStringLiteral("转出月份没有工资数据"));
    case CarryForward::Check::SameMonth: return fail(QStringLiteral("转出转入月份不能是同一个月"));
    case CarryForward::Check::Ok: break;
    }
    MonthLocks::requireOpen(target.year, target.month);
    if (CarryForward::targetHasRows(target) && !args.contains(QStringLiteral("--overwrite")))
        return fail(QStringLiteral("转入月份 %1 工资数据已存在，没有结转。要覆盖请加 --overwrite")
                        .arg(OpLog::monthText(target.year, target.month)));
    const int copied = CarryForward::run(source, target, args.contains(QStringLiteral("--overwrite")));
    put(stdout, QStringLiteral("carried %1 employees from %2 to %3")
                    .arg(copied)
                    .arg(OpLog::monthText(source.year, source.month), OpLog::monthText(target.year, target.month)));
    return 0;
}

int showLog(const QStringList &args)
{
    OpLogFilter filter;
    filter.from = QDate::fromString(optionValue(args, QStringLiteral("--from")), QStringLiteral("yyyy-MM-dd"));
    filter.to = QDate::fromString(optionValue(args, QStringLiteral("--to")), QStringLiteral("yyyy-MM-dd"));
    filter.opername = optionValue(args, QStringLiteral("--user"));
    filter.action = optionValue(args, QStringLiteral("--action"));
    for (const OpLogEntry &e : OpLog::read(filter))
        put(stdout,
            QStringList{e.t, e.opername, e.action, e.target, QString(e.detail).replace(u'\n', u'；')}.join(u'\t'));
    return 0;
}

bool isMonth(const QString &text)
{
    int y = 0, m = 0;
    return parseWageMonth(text, y, m);
}

} // namespace

QString takeUser(QStringList &args, bool &ok)
{
    ok = true;
    QString user = QStringLiteral("admin");
    // Only before the command: `log --user NAME` is the log's own filter.
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!a.startsWith(QLatin1String("--")))
            break;
        if (a == QStringLiteral("--user")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                ok = false;
                return user;
            }
            user = args[i + 1];
            args.remove(i, 2);
            return user;
        }
        if (a.startsWith(QStringLiteral("--user="))) {
            user = a.mid(7);
            args.removeAt(i);
            ok = !user.isEmpty();
            return user;
        }
        if (a == QStringLiteral("--db"))
            ++i; // its value
    }
    return user;
}

int requiredRight(const QString &command)
{
    return rights().value(command).first;
}

int signIn(const TdmMain &dm, const QString &user, const QString &command)
{
    if (!dm.upgradeNotes().isEmpty())
        put(stderr,
            QStringLiteral("note: 数据库已升级到本版本，新增了：") + dm.upgradeNotes().join(QStringLiteral("；")));
    const QString password = qEnvironmentVariable("JJGZ_PASSWORD");
    // A database without any operator (made by hand, not by the program) has nobody to check
    // admin against: admin runs as on a new database.
    const bool noOperators = user.compare(QLatin1String("admin"), Qt::CaseInsensitive) == 0
                             && dmMain->scalar(QStringLiteral("select count(*) from operator")).toInt() == 0;
    if (!noOperators && !OperatorData::nameAndPasswordMatch(user, password)) {
        try {
            OpLog::logAs(user, OpAction::LoginFailed, user, QStringLiteral("jjgz-payroll"));
        } catch (const DbError &) {
        }
        return fail(QStringLiteral("操作员 %1 不存在或密码不正确（密码取自环境变量 JJGZ_PASSWORD）").arg(user));
    }
    CurOperName = user;
    CurBizDate = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const auto right = rights().value(command);
    if (right.first != 0 && !HasRight(right.first))
        return fail(QStringLiteral("操作员 %1 没有“%2”的权限（权限代码 %3），请向管理员申请")
                        .arg(user, right.second)
                        .arg(right.first));
    return 0;
}

bool isAdminCommand(const QString &command)
{
    return command == u"close" || command == u"reopen" || command == u"carry" || command == u"log";
}

bool argumentsValid(const QString &command, const QStringList &args)
{
    if (command == u"close")
        return args.size() == 1 && isMonth(args[0]);
    if (command == u"reopen")
        return args.size() == 3 && isMonth(args[0]) && args[1] == QStringLiteral("--reason");
    if (command == u"carry")
        return (args.size() == 2 || (args.size() == 3 && args[2] == QStringLiteral("--overwrite"))) && isMonth(args[0])
               && isMonth(args[1]);
    if (command == u"log") {
        for (int i = 0; i < args.size(); i += 2) {
            const QString &name = args[i];
            if (i + 1 >= args.size())
                return false;
            const QString &value = args[i + 1];
            if (name == u"--from" || name == u"--to") {
                if (!QDate::fromString(value, QStringLiteral("yyyy-MM-dd")).isValid())
                    return false;
            } else if (name != u"--user" && name != u"--action") {
                return false;
            }
        }
        return true;
    }
    return false;
}

int run(const QString &command, const QStringList &args)
{
    if (command == u"close")
        return closeMonth(args);
    if (command == u"reopen")
        return reopenMonth(args);
    if (command == u"carry")
        return carry(args);
    return showLog(args);
}

QString usage()
{
    return QStringLiteral("       jjgz-payroll [--db FILE] [--user NAME] close YYYY-MM\n"
                          "       jjgz-payroll [--db FILE] [--user NAME] reopen YYYY-MM --reason TEXT\n"
                          "       jjgz-payroll [--db FILE] [--user NAME] carry FROM TO [--overwrite]\n"
                          "       jjgz-payroll [--db FILE] [--user NAME] log [--from yyyy-MM-dd] [--to yyyy-MM-dd] "
                          "[--user NAME] [--action A]\n"
                          "       (the password of NAME, default admin, is taken from JJGZ_PASSWORD)");
}

} // namespace jjgz::admin
