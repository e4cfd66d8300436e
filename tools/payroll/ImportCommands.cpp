// import-workers FILE [--sheet NAME] [--dry-run]
//   the roster from a spreadsheet; one line "row N: 列名: MESSAGE" per problem, last
//   "imported A added, U updated" or "nothing imported, P problems".
// import-piecework FILE [--sheet NAME] [--dry-run]
//   piece-work records, one line of a record per row, the same output.
// import-sheet YYYY-MM FILE [--sheet NAME] [--dry-run]
//   typed values of a month (员工代码 and one column per item without a formula), the same output.
// bankfile YYYY-MM --item fN OUT.xlsx|OUT.csv
//   the bank's payroll-transfer file; one line per employee left out or in error, last
//   "wrote N rows, total X" or "nothing written, P problems".
// A dry run checks everything, writes nothing and ends "dry run: would import A added, U updated".
#include "ImportCommands.h"

#include "AdminCommands.h"

#include "data/MainDM.h"
#include "data/MyFun.h"
#include "data/SheetReader.h"
#include "masterdata/WorkerImport.h"
#include "payroll/BankFile.h"
#include "payroll/MonthImport.h"
#include "piecework/PieceImport.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

namespace jjgz {
namespace {

void out(FILE *to, const QString &line)
{
    const QByteArray b = line.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), to);
    std::fputc('\n', to);
}

int usage()
{
    out(stderr, QStringLiteral("usage: ") + importUsage());
    return 2;
}

int fail(const QString &message)
{
    out(stderr, QStringLiteral("error: ") + message);
    return 1;
}

bool parseMonth(const QString &text, int &year, int &month)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{1,2})$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    year = m.captured(1).toInt();
    month = m.captured(2).toInt();
    return year >= 1900 && month >= 1 && month <= 12;
}

int importFile(const QString &command, int year, int month, const QString &file, const QString &sheet, bool dryRun)
{
    const SheetTable table = SheetTable::fromRows(SheetReader::read(file, sheet));
    ImportResult r;
    if (command == QLatin1String("import-workers"))
        r = WorkerImport::run(table, dryRun);
    else if (command == QLatin1String("import-sheet"))
        r = MonthImport::run(year, month, table, dryRun);
    else
        r = PieceImport::run(table, dryRun, CurOperName);
    if (!r.unknownColumns.isEmpty())
        out(stdout, QStringLiteral("ignored columns: ") + r.unknownColumns.join(QStringLiteral(", ")));
    for (const ImportProblem &p : r.problems)
        out(stdout, p.line());
    if (!r.ok()) {
        out(stdout, QStringLiteral("nothing imported, %1 problems").arg(r.problems.size()));
        return 1;
    }
    if (r.skipped > 0)
        out(stdout, QStringLiteral("skipped %1 rows unchanged").arg(r.skipped));
    if (dryRun)
        out(stdout, QStringLiteral("dry run: would import %1 added, %2 updated").arg(r.added).arg(r.updated));
    else
        out(stdout, QStringLiteral("imported %1 added, %2 updated").arg(r.added).arg(r.updated));
    return 0;
}

int bankFile(int year, int month, const QString &item, const QString &path)
{
    const BankPlan plan = BankFile::prepare(year, month, item);
    for (const BankProblem &p : plan.problems)
        out(stdout, p.line());
    if (plan.hasErrors()) {
        out(stdout, QStringLiteral("nothing written, %1 problems").arg(plan.problems.size()));
        return 1;
    }
    BankFile::write(plan, BankSettings::load(), path);
    out(stdout, QStringLiteral("wrote %1 rows, total %2").arg(plan.rows.size()).arg(centsText(plan.totalCents)));
    return 0;
}

} // namespace

QString importUsage()
{
    return QStringLiteral("jjgz-payroll [--db FILE] import-workers FILE [--sheet NAME] [--dry-run]\n"
                          "       jjgz-payroll [--db FILE] import-piecework FILE [--sheet NAME] [--dry-run]\n"
                          "       jjgz-payroll [--db FILE] import-sheet YYYY-MM FILE [--sheet NAME] [--dry-run]\n"
                          "       jjgz-payroll [--db FILE] bankfile YYYY-MM --item fN OUT.xlsx|OUT.csv");
}

bool isImportCommand(const QString &command)
{
    return command == QLatin1String("import-workers") || command == QLatin1String("import-piecework")
           || command == QLatin1String("import-sheet") || command == QLatin1String("bankfile");
}

int runImportCommand(const QString &command, const QStringList &arguments, const QString &db, const QString &user)
{
    QStringList args = arguments;
    bool dryRun = false;
    QString sheet, item;
    for (int i = 0; i < args.size();) {
        if (args[i] == QLatin1String("--dry-run") && command != QLatin1String("bankfile")) {
            dryRun = true;
            args.removeAt(i);
        } else if (args[i] == QLatin1String("--sheet") && command != QLatin1String("bankfile")) {
            if (i + 1 >= args.size())
                return usage();
            sheet = args[i + 1];
            args.remove(i, 2);
        } else if (args[i] == QLatin1String("--item") && command == QLatin1String("bankfile")) {
            if (i + 1 >= args.size() || !item.isEmpty())
                return usage();
            item = args[i + 1];
            args.remove(i, 2);
        } else if (args[i].startsWith(QLatin1String("--"))) {
            return usage();
        } else {
            ++i;
        }
    }
    int year = 0, month = 0;
    if (command == QLatin1String("bankfile")) {
        if (args.size() != 2 || item.isEmpty() || !parseMonth(args[0], year, month))
            return usage();
        const QString suffix = QFileInfo(args[1]).suffix().toLower();
        if (suffix != QLatin1String("xlsx") && suffix != QLatin1String("csv"))
            return usage();
    } else if (command == QLatin1String("import-sheet")) {
        if (args.size() != 2 || !parseMonth(args[0], year, month))
            return usage();
        args.removeFirst();
    } else if (args.size() != 1) {
        return usage();
    }

    try {
        TdmMain dm(db.isEmpty() ? databasePath() : db);
        dmMain = &dm;
        struct Reset {
            ~Reset() { dmMain = nullptr; }
        } reset;
        if (const int refused = admin::signIn(dm, user, command))
            return refused;
        if (command == QLatin1String("bankfile"))
            return bankFile(year, month, item, args[1]);
        return importFile(command, year, month, args[0], sheet, dryRun);
    } catch (const SheetError &e) {
        return fail(e.message());
    } catch (const DbError &e) {
        return fail(e.message());
    } catch (const ConversionError &e) {
        return fail(e.message());
    } catch (const std::exception &e) {
        return fail(QString::fromUtf8(e.what()));
    }
}

} // namespace jjgz
