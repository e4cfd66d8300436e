#include "payroll/BankFile.h"

#include "data/Gbk.h"
#include "data/IniFile.h"
#include "data/MainDM.h"
#include "data/MyFun.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <xlsxwriter.h>

#include <cmath>
#include <cstdio>

namespace jjgz {
namespace {

const QString kSection = QStringLiteral("BankFile");

QString monthText(int year, int month)
{
    return QStringLiteral("%1-%2").arg(year).arg(month, 2, 10, QLatin1Char('0'));
}

QString cellOf(const BankRow &row, const QString &key)
{
    if (key == QLatin1String("xh"))
        return QString::number(row.xh);
    if (key == QLatin1String("wkcode"))
        return row.wkcode;
    if (key == QLatin1String("wkname"))
        return row.wkname;
    if (key == QLatin1String("bmname"))
        return row.bmname;
    if (key == QLatin1String("bankacc"))
        return row.bankacc;
    if (key == QLatin1String("amount"))
        return centsText(row.cents);
    if (key == QLatin1String("sfid"))
        return row.sfid;
    return QString();
}

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString t = text;
    t.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + t + u'"';
}

[[noreturn]] void writeFailed(const QString &path, const QString &why)
{
    throw DbError(QStringLiteral("无法写入文件 %1：%2").arg(path, why));
}

void writeCsv(const BankPlan &plan, const BankSettings &settings, const QString &path)
{
    QString text;
    QStringList titles;
    for (const BankColumn &c : settings.columns)
        titles << csvField(c.title);
    text += titles.join(u',') + QStringLiteral("\r\n");
    for (const BankRow &row : plan.rows) {
        QStringList cells;
        for (const BankColumn &c : settings.columns)
            cells << csvField(cellOf(row, c.key));
        text += cells.join(u',') + QStringLiteral("\r\n");
    }
    const QByteArray bytes = settings.utf8 ? text.toUtf8() : toGbk(text);
    // A name GBK cannot hold would reach the bank as question marks.
    const bool gbkOk = settings.utf8 || fromGbk(bytes) == text;
    if (!gbkOk)
        throw DbError(QStringLiteral("有姓名或其他文字无法用 GBK 编码写出；请在代发设置中把编码改为 UTF-8"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        writeFailed(path, file.errorString());
    file.write(bytes);
    if (!file.commit())
        writeFailed(path, file.errorString());
}

void writeXlsx(const BankPlan &plan, const BankSettings &settings, const QString &path)
{
    // Written under another name and moved into place when complete.
    const QString temporary = path + QStringLiteral(".part");
    const QByteArray temporaryName = QFile::encodeName(temporary);
    lxw_workbook *book = workbook_new(temporaryName.constData());
    if (!book)
        writeFailed(path, QStringLiteral("无法创建文件"));
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *money = workbook_add_format(book);
    format_set_num_format(money, "0.00");
    lxw_format *text = workbook_add_format(book);
    format_set_num_format(text, "@");
    lxw_error error = LXW_NO_ERROR;
    auto keep = [&error](lxw_error e) {
        if (error == LXW_NO_ERROR)
            error = e;
    };
    for (int c = 0; c < settings.columns.size(); ++c)
        keep(
            worksheet_write_string(sheet, 0, lxw_col_t(c), settings.columns.at(c).title.toUtf8().constData(), nullptr));
    for (int r = 0; r < plan.rows.size(); ++r) {
        const BankRow &row = plan.rows.at(r);
        for (int c = 0; c < settings.columns.size(); ++c) {
            const QString &key = settings.columns.at(c).key;
            const lxw_row_t xr = lxw_row_t(r + 1);
            if (key == QLatin1String("amount"))
                keep(worksheet_write_number(sheet, xr, lxw_col_t(c), double(row.cents) / 100.0, money));
            else if (key == QLatin1String("xh"))
                keep(worksheet_write_number(sheet, xr, lxw_col_t(c), row.xh, nullptr));
            else // accounts and identity numbers stay text: as numbers they would lose digits
                keep(worksheet_write_string(sheet, xr, lxw_col_t(c), cellOf(row, key).toUtf8().constData(), text));
        }
    }
    for (int c = 0; c < settings.columns.size(); ++c) {
        const QString &key = settings.columns.at(c).key;
        const double width = key == QLatin1String("bankacc") || key == QLatin1String("sfid") ? 24 : 12;
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), width, nullptr);
    }
    const lxw_error closed = workbook_close(book);
    if (error == LXW_NO_ERROR)
        error = closed;
    if (error != LXW_NO_ERROR) {
        QFile::remove(temporary);
        writeFailed(path, QString::fromUtf8(lxw_strerror(error)));
    }
    if (std::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temporary);
        writeFailed(path, QStringLiteral("文件无法替换（可能正被其他程序打开）"));
    }
}

} // namespace

QString centsText(qint64 cents)
{
    const qint64 a = cents < 0 ? -cents : cents;
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(a / 100)
        .arg(a % 100, 2, 10, QLatin1Char('0'));
}

BankSettings BankSettings::defaults()
{
    BankSettings s;
    for (const BankColumn &c : available())
        if (c.key != QLatin1String("wkcode") && c.key != QLatin1String("bmname"))
            s.columns << c;
    return s;
}

QList<BankColumn> BankSettings::available()
{
    return {
        {QStringLiteral("xh"), QStringLiteral("序号")},          {QStringLiteral("wkcode"), QStringLiteral("员工代码")},
        {QStringLiteral("wkname"), QStringLiteral("姓名")},      {QStringLiteral("bmname"), QStringLiteral("部门")},
        {QStringLiteral("bankacc"), QStringLiteral("银行账号")}, {QStringLiteral("amount"), QStringLiteral("金额")},
        {QStringLiteral("sfid"), QStringLiteral("身份证号")},
    };
}

BankSettings BankSettings::load()
{
    const QHash<QString, QString> values = ReadConfigSection(kSection);
    BankSettings s;
    s.utf8 = values.value(QStringLiteral("encoding")).compare(QStringLiteral("UTF-8"), Qt::CaseInsensitive) == 0;
    QStringList keys;
    for (const BankColumn &c : available())
        keys << c.key;
    for (const QString &raw : values.value(QStringLiteral("columns")).split(u',', Qt::SkipEmptyParts)) {
        const QString key = raw.trimmed().toLower();
        const qsizetype i = keys.indexOf(key);
        bool twice = false;
        for (const BankColumn &c : std::as_const(s.columns))
            twice = twice || c.key == key;
        if (i < 0 || twice)
            continue;
        const QString title = values.value(QStringLiteral("title.") + key).trimmed();
        s.columns << BankColumn{key, title.isEmpty() ? available().at(i).title : title};
    }
    if (s.columns.isEmpty())
        s.columns = defaults().columns;
    return s;
}

bool BankSettings::save() const
{
    QList<QPair<QString, QString>> values;
    QStringList keys;
    for (const BankColumn &c : columns) {
        keys << c.key;
        values.append({QStringLiteral("Title.") + c.key, c.title});
    }
    values.prepend({QStringLiteral("Columns"), keys.join(u',')});
    values.append({QStringLiteral("Encoding"), utf8 ? QStringLiteral("UTF-8") : QStringLiteral("GBK")});
    return WriteConfigValues(kSection, values);
}

QList<BankFile::Item> BankFile::items(int year, int month)
{
    QList<Item> out;
    JetQuery &q = dmMain->qryExec;
    forEachRow(q, QStringLiteral("select fname,xmname from gzxm_m where xyear=? and xmonth=? order by xh"),
               {year, month}, [&] {
                   out.append({q.value(0).toString(), q.value(1).toString()});
               });
    return out;
}

BankPlan BankFile::prepare(int year, int month, const QString &item)
{
    BankPlan plan;
    plan.year = year;
    plan.month = month;
    const QList<Item> list = items(year, month);
    if (list.isEmpty())
        throw DbError(
            QStringLiteral("%1 还没有工资数据；请先在工资数据录入中调出并计算该月").arg(monthText(year, month)));
    for (const Item &i : list)
        if (i.fname.compare(item, Qt::CaseInsensitive) == 0 || i.xmname == item) {
            plan.fname = i.fname;
            plan.xmname = i.xmname;
            break;
        }
    // The item's code becomes part of the statement: only a code of the month's own list,
    // and only one made of letters and digits, ever gets there.
    static const QRegularExpression codeForm(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    if (plan.fname.isEmpty() || !codeForm.match(plan.fname).hasMatch())
        throw DbError(QStringLiteral("%1 不是 %2 的工资项目（请填写项目编码如 f10，或项目名称）")
                          .arg(item, monthText(year, month)));

    JetQuery &q = dmMain->qryExec;
    int xh = 0;
    forEachRow(
        q,
        QStringLiteral("select d.wkcode,w.wkname,b.bmname,w.bankacc,w.sfid,d.%1 from gzdata d "
                       "inner join worker w on d.wkcode=w.wkcode left join depart b on w.bmcode=b.bmcode "
                       "where d.xyear=? and d.xmonth=? order by w.bmcode,w.wkcode")
            .arg(plan.fname),
        {year, month}, [&] {
            BankRow row;
            row.wkcode = q.value(0).toString();
            row.wkname = q.value(1).toString();
            row.bmname = q.value(2).toString();
            row.bankacc = q.value(3).toString().trimmed();
            row.sfid = q.value(4).toString().trimmed();
            double amount = 0;
            try {
                amount = RoundDec(2, VarToFloat(q.value(5)));
            } catch (const ConversionError &) {
                plan.problems.append(
                    {row.wkcode, row.wkname, QStringLiteral("金额“%1”不是数字").arg(q.value(5).toString()), true});
                return;
            }
            row.cents = std::llround(amount * 100);
            if (row.cents == 0)
                return;
            if (row.cents < 0) {
                plan.problems.append(
                    {row.wkcode, row.wkname,
                     QStringLiteral("金额为负数（%1），银行不能代发；请先核对工资").arg(centsText(row.cents)), true});
                return;
            }
            if (row.bankacc.isEmpty()) {
                plan.problems.append(
                    {row.wkcode, row.wkname,
                     QStringLiteral("没有银行账号，金额 %1 未列入代发文件，请另行发放").arg(centsText(row.cents)),
                     false});
                return;
            }
            static const QRegularExpression accountForm(QStringLiteral("^[0-9 ]+$"));
            if (!accountForm.match(row.bankacc).hasMatch()) {
                plan.problems.append(
                    {row.wkcode, row.wkname,
                     QStringLiteral("银行账号“%1”含有数字和空格以外的字符；请在员工名册中改正").arg(row.bankacc),
                     true});
                return;
            }
            row.bankacc.remove(u' ');
            row.xh = ++xh;
            plan.totalCents += row.cents;
            plan.rows.append(row);
        });
    return plan;
}

void BankFile::write(const BankPlan &plan, const BankSettings &settings, const QString &path)
{
    if (plan.hasErrors())
        throw DbError(QStringLiteral("代发数据有错误，没有生成文件；请先改正列出的问题"));
    if (settings.columns.isEmpty())
        throw DbError(QStringLiteral("代发设置中没有选择任何列"));
    if (QFileInfo(path).suffix().compare(QStringLiteral("xlsx"), Qt::CaseInsensitive) == 0)
        writeXlsx(plan, settings, path);
    else
        writeCsv(plan, settings, path);
}

} // namespace jjgz
