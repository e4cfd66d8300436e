// jjgz-payroll: a month's wage calculation, or the explanation of one cell, without a window.
//
//   jjgz-payroll [--db FILE] calc YYYY-MM
//   jjgz-payroll [--db FILE] explain YYYY-MM WKCODE FNAME
//   jjgz-payroll [--db FILE] taxfile YYYY-MM OUT.xlsx [--map 列名=fN]...   (TaxCommands.cpp)
//   close / reopen / carry / log: see AdminCommands.h
// Every command runs as the operator --user NAME (default admin), password from JJGZ_PASSWORD.
//
// calc does what 调出 and then 计算 answered Yes do in the wage sheet window: prints one line
// "failed WKCODE FNAME: MESSAGE" per cell that failed and last "calculated N employees, M items,
// K failed cells"; conditions that raised an error and formulas without a value are reported as
// "warning ..." lines on standard error, and so are the month's employees who are no longer in
// the roster (their rows are calculated and saved like the others): "notice N employees ...".
// explain is a dry run of one cell and changes nothing. Every line is one line: line breaks and
// other control characters inside a message are written as \n, \r, \t or \xHH.
// FILE defaults to the database the program uses (see data/DataPaths.h).
// Exit codes: 0 done, 1 "error: MESSAGE" (database cannot be opened or written, unknown employee
// or item), 2 usage.
#include "AdminCommands.h"
#include "ImportCommands.h" // import-workers, import-piecework, import-sheet, bankfile
#include "TaxCommands.h"
#include "data/DataPaths.h"
#include "data/DataTable.h"
#include "data/MainDM.h"
#include "data/MonthLocks.h"
#include "data/MyFun.h"
#include "payroll/WageSheet.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>

using namespace jjgz;

namespace {

// `text` with its control characters (and the Unicode line separators) escaped, so that it
// stays on its line.
QString oneLine(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\n')
            out += QStringLiteral("\\n");
        else if (u == '\r')
            out += QStringLiteral("\\r");
        else if (u == '\t')
            out += QStringLiteral("\\t");
        else if (u < 0x20 || u == 0x7f)
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else if (u == 0x85 || u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// Writes `line` as one line.
void put(FILE *to, const QString &line)
{
    const QByteArray b = oneLine(line).toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), to);
    std::fputc('\n', to);
}

int usage()
{
    put(stderr, QStringLiteral("usage: jjgz-payroll [--db FILE] calc YYYY-MM"));
    put(stderr, QStringLiteral("       jjgz-payroll [--db FILE] explain YYYY-MM WKCODE FNAME"));
    put(stderr, QStringLiteral("       jjgz-payroll [--db FILE] taxfile YYYY-MM OUT.xlsx [--map 列名=fN]..."));
    for (const QString &line : importUsage().split(u'\n', Qt::SkipEmptyParts))
        put(stderr, QStringLiteral("       ") + line.trimmed());
    for (const QString &line : admin::usage().split(u'\n', Qt::SkipEmptyParts))
        put(stderr, line);
    return 2;
}

int fail(const QString &message)
{
    put(stderr, QStringLiteral("error: ") + message);
    return 1;
}

int calc(int year, int month)
{
    MonthLocks::requireOpen(year, month); // a closed month is not even calculated
    WageSheet sheet;
    sheet.load(year, month);
    if (!sheet.notInRoster().isEmpty())
        put(stderr, QStringLiteral("notice %1 employees of the month are no longer in the roster, calculated and saved "
                                   "as the others: %2")
                        .arg(sheet.notInRoster().size())
                        .arg(sheet.notInRoster().join(QStringLiteral(", "))));
    if (sheet.tmp().rowCount() == 0) {
        // The window does nothing for an empty sheet; neither is anything saved here.
        put(stdout, QStringLiteral("calculated 0 employees, %1 items, 0 failed cells").arg(sheet.items().size()));
        return 0;
    }
    const CalcResult r = sheet.CalculateSheet();
    sheet.SaveSheet();
    for (const CellProblem &p : r.problems) {
        switch (p.kind) {
        case CellProblem::Failed:
            put(stdout, QStringLiteral("failed %1 %2: %3").arg(p.wkcode, p.fname, p.error.text()));
            break;
        case CellProblem::ConditionError:
            put(stderr,
                QStringLiteral("warning %1 %2: 采用条件出错，按不成立处理：%3").arg(p.wkcode, p.fname, p.error.text()));
            break;
        case CellProblem::NoValue:
            put(stderr, QStringLiteral("warning %1 %2: %3").arg(p.wkcode, p.fname, p.error.text()));
            break;
        }
    }
    put(stdout, QStringLiteral("calculated %1 employees, %2 items, %3 failed cells")
                    .arg(r.employees)
                    .arg(r.items)
                    .arg(r.failedCells));
    return 0;
}

int explain(int year, int month, const QString &wkcode, const QString &fname)
{
    // Loading may create the month: do it inside a transaction that is always rolled back.
    dmMain->beginTrans();
    QStringList lines;
    QString problem;
    try {
        WageSheet sheet;
        sheet.load(year, month);
        const int row = sheet.rowOf(wkcode);
        const int item = sheet.itemIndex(fname);
        const QString ym = QStringLiteral("%1-%2").arg(year).arg(month, 2, 10, QLatin1Char('0'));
        if (row < 0)
            problem = QStringLiteral("员工 %1 不在 %2 的工资表中").arg(wkcode, ym);
        else if (item < 0)
            problem = QStringLiteral("%1 不是 %2 的工资项目（项目编码区分大小写）").arg(fname, ym);
        else
            lines = sheet.explain(row, item);
    } catch (...) {
        dmMain->rollbackTrans();
        throw;
    }
    dmMain->rollbackTrans();
    if (!problem.isEmpty())
        return fail(problem);
    for (const QString &l : std::as_const(lines))
        put(stdout, l);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // A write past the file-size limit fails with an error that is reported, instead of ending
    // the process by signal.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    bool userOk = true;
    const QString user = admin::takeUser(args, userOk);
    if (!userOk)
        return usage();
    QString db;
    if (!args.isEmpty() && args.first().startsWith(QStringLiteral("--db="))) {
        db = args.takeFirst().mid(5);
        if (db.isEmpty())
            return usage();
    } else if (!args.isEmpty() && args.first() == QStringLiteral("--db")) {
        if (args.size() < 2)
            return usage();
        args.removeFirst();
        db = args.takeFirst();
    }
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    if ((isImportCommand(command) || isTaxCommand(command)) && db.isEmpty()
        && (db = DataPaths::databaseForTool()).isEmpty())
        return 1;
    if (isImportCommand(command))
        return runImportCommand(command, args, db, user);
    if (isTaxCommand(command))
        return runTaxCommand(command, args, db, user);
    int year = 0, month = 0;
    if (command == QStringLiteral("calc")) {
        if (args.size() != 1 || !parseWageMonth(args[0], year, month))
            return usage();
    } else if (command == QStringLiteral("explain")) {
        if (args.size() != 3 || !parseWageMonth(args[0], year, month) || args[1].isEmpty() || args[2].isEmpty())
            return usage();
    } else if (!admin::isAdminCommand(command) || !admin::argumentsValid(command, args)) {
        return usage();
    }
    if (db.isEmpty() && (db = DataPaths::databaseForTool()).isEmpty())
        return 1;

    try {
        TdmMain dm(db);
        dmMain = &dm;
        struct Reset {
            ~Reset() { dmMain = nullptr; }
        } reset;
        if (const int refused = admin::signIn(dm, user, command))
            return refused;
        if (admin::isAdminCommand(command))
            return admin::run(command, args);
        if (command == QStringLiteral("calc"))
            return calc(year, month);
        return explain(year, month, args[1], args[2]);
    } catch (const DbError &e) {
        return fail(e.message());
    } catch (const DataError &e) {
        return fail(e.message());
    } catch (const ConversionError &e) {
        return fail(e.message());
    } catch (const std::exception &e) {
        return fail(QString::fromUtf8(e.what()));
    }
}
