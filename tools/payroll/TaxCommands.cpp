// jjgz-payroll [--db FILE] taxfile YYYY-MM OUT.xlsx [--map 列名=fN]...
//
// Writes the month's withholding declaration of regular wages: the columns of the form, one row
// per employee of the month; the wage items of the amount columns are those saved in config.ini
// beside the program (section TaxFile), and each --map overrides one column for this run (an
// empty code, --map 列名=, leaves it empty). Employees without an identity number are listed as
// "warning ..." lines on standard error before the file is written; the file is written all the
// same, their 证件号码 empty. Last line "wrote N employees to OUT".
// Exit codes: 0 done, 1 "error: MESSAGE", 2 usage.
#include "TaxCommands.h"

#include "AdminCommands.h"

#include "data/MainDM.h"
#include "data/MyFun.h"
#include "payroll/WageSheet.h"
#include "tax/TaxDeclaration.h"
#include "tax/TaxRates.h"

#include <QDir>

#include <cstdio>

namespace jjgz {

namespace {

void put(FILE *to, const QString &line)
{
    QString one = line;
    one.replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
    const QByteArray b = one.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), to);
    std::fputc('\n', to);
}

int usage()
{
    put(stderr, QStringLiteral("usage: jjgz-payroll [--db FILE] taxfile YYYY-MM OUT.xlsx [--map 列名=fN]..."));
    return 2;
}

int fail(const QString &message)
{
    put(stderr, QStringLiteral("error: ") + message);
    return 1;
}

int taxFile(const QStringList &args, const QString &db, const QString &user)
{
    if (args.size() < 2)
        return usage();
    int year = 0, month = 0;
    if (!parseWageMonth(args[0], year, month) || args[1].isEmpty())
        return usage();
    const QString out = args[1];
    QHash<QString, QString> overrides;
    for (int i = 2; i < args.size(); ++i) {
        QString pair;
        if (args[i] == QStringLiteral("--map") && i + 1 < args.size())
            pair = args[++i];
        else if (args[i].startsWith(QStringLiteral("--map=")))
            pair = args[i].mid(6);
        else
            return usage();
        const int eq = pair.indexOf(u'=');
        if (eq <= 0)
            return usage();
        overrides.insert(pair.left(eq).trimmed(), pair.mid(eq + 1).trimmed());
    }
    TdmMain dm(db);
    dmMain = &dm;
    struct Reset {
        ~Reset() { dmMain = nullptr; }
    } reset;
    if (const int refused = admin::signIn(dm, user, QStringLiteral("taxfile")))
        return refused;
    QHash<QString, QString> mapping = TaxDeclaration::savedMapping();
    for (auto it = overrides.constBegin(); it != overrides.constEnd(); ++it) {
        if (!TaxDeclaration::mappableColumns().contains(it.key()))
            return fail(QStringLiteral("个税申报表没有可对应工资项目的“%1”列（可对应的列：%2）")
                            .arg(it.key(), TaxDeclaration::mappableColumns().join(QStringLiteral("、"))));
        if (it.value().isEmpty())
            mapping.remove(it.key());
        else
            mapping.insert(it.key(), it.value());
    }
    const TaxDeclaration d = TaxDeclaration::prepare(year, month, mapping);
    if (d.rows.isEmpty())
        return fail(
            QStringLiteral("%1-%2 没有工资数据，没有可申报的员工").arg(year).arg(month, 2, 10, QLatin1Char('0')));
    for (const QString &p : d.problems)
        put(stderr, QStringLiteral("warning ") + p);
    d.write(out);
    put(stdout, QStringLiteral("wrote %1 employees to %2").arg(d.rows.size()).arg(QDir::toNativeSeparators(out)));
    return 0;
}

} // namespace

bool isTaxCommand(const QString &command)
{
    return command == QStringLiteral("taxfile");
}

int runTaxCommand(const QString &command, const QStringList &args, const QString &db, const QString &user)
{
    try {
        if (command == QStringLiteral("taxfile"))
            return taxFile(args, db, user);
        return usage();
    } catch (const TaxError &e) {
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
