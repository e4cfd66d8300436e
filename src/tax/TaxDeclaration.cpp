#include "tax/TaxDeclaration.h"

#include "data/MainDM.h"
#include "data/MyFun.h"
#include "tax/TaxRates.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <xlsxwriter.h>

#include <cstdio>

namespace jjgz {

namespace {

const QString kSection = QStringLiteral("TaxFile");
constexpr int kFixedColumns = 4; // 工号, 姓名, 证件类型, 证件号码

QString monthText(int y, int m)
{
    return QStringLiteral("%1-%2").arg(y).arg(m, 2, 10, QLatin1Char('0'));
}

} // namespace

const QStringList &TaxDeclaration::columns()
{
    static const QStringList list = {
        QStringLiteral("工号"),
        QStringLiteral("姓名"),
        QStringLiteral("证件类型"),
        QStringLiteral("证件号码"),
        QStringLiteral("本期收入"),
        QStringLiteral("本期免税收入"),
        QStringLiteral("基本养老保险费"),
        QStringLiteral("基本医疗保险费"),
        QStringLiteral("失业保险费"),
        QStringLiteral("住房公积金"),
        QStringLiteral("累计子女教育"),
        QStringLiteral("累计继续教育"),
        QStringLiteral("累计住房贷款利息"),
        QStringLiteral("累计住房租金"),
        QStringLiteral("累计赡养老人"),
        QStringLiteral("累计3岁以下婴幼儿照护"),
        QStringLiteral("累计个人养老金"),
        QStringLiteral("企业(职业)年金"),
        QStringLiteral("商业健康保险"),
        QStringLiteral("税延养老保险"),
        QStringLiteral("其他"),
        QStringLiteral("准予扣除的捐赠额"),
        QStringLiteral("减免税额"),
        QStringLiteral("备注"),
    };
    return list;
}

QStringList TaxDeclaration::mappableColumns()
{
    return columns().mid(kFixedColumns, columns().size() - kFixedColumns - 1);
}

QHash<QString, QString> TaxDeclaration::savedMapping()
{
    const QHash<QString, QString> section = ReadConfigSection(kSection);
    QHash<QString, QString> mapping;
    const QStringList &all = columns();
    for (int c = 0; c < all.size(); ++c) {
        const QString code = section.value(QStringLiteral("col%1").arg(c + 1)).trimmed();
        if (!code.isEmpty() && mappableColumns().contains(all[c]))
            mapping.insert(all[c], code);
    }
    return mapping;
}

bool TaxDeclaration::saveMapping(const QHash<QString, QString> &mapping)
{
    QList<QPair<QString, QString>> values;
    const QStringList &all = columns();
    for (int c = 0; c < all.size(); ++c)
        if (mappableColumns().contains(all[c]))
            values.append({QStringLiteral("col%1").arg(c + 1), mapping.value(all[c])});
    return WriteConfigValues(kSection, values);
}

TaxDeclaration TaxDeclaration::prepare(int year, int month, const QHash<QString, QString> &mapping)
{
    TaxDeclaration d;
    d.year = year;
    d.month = month;
    d.mapping = mapping;
    QStringList monthItems;
    JetQuery &q = dmMain->qryExec;
    forEachRow(q, QStringLiteral("select fname from gzxm_m where xyear=? and xmonth=? order by xh"), {year, month},
               [&] { monthItems << q.value(0).toString(); });
    const QStringList mappable = mappableColumns();
    QStringList selected; // item codes, per mappable column ("" for none)
    for (auto it = mapping.constBegin(); it != mapping.constEnd(); ++it)
        if (!mappable.contains(it.key()))
            throw TaxError(QStringLiteral("个税申报表没有“%1”这一列（可对应工资项目的列：%2）")
                               .arg(it.key(), mappable.join(QStringLiteral("、"))));
    static const QRegularExpression code(QStringLiteral("^f[0-9]+$"));
    for (const QString &column : mappable) {
        const QString f = mapping.value(column).trimmed();
        if (!f.isEmpty() && (!code.match(f).hasMatch() || !monthItems.contains(f, Qt::CaseSensitive)))
            throw TaxError(QStringLiteral("“%1”对应的“%2”不是 %3 的工资项目").arg(column, f, monthText(year, month)));
        selected << f;
    }
    QString list = QStringLiteral("d.wkcode,w.wkname,w.sfid");
    for (const QString &f : selected)
        if (!f.isEmpty())
            list += QStringLiteral(",d.") + f; // checked above: an item code of the month
    forEachRow(q,
               QStringLiteral("select %1 from gzdata d left join worker w on w.wkcode=d.wkcode "
                              "where d.xyear=? and d.xmonth=? order by d.wkcode")
                   .arg(list),
               {year, month}, [&] {
                   Row r;
                   r.wkcode = q.value(0).toString();
                   r.wkname = q.value(1).toString();
                   r.sfid = q.value(2).toString().trimmed();
                   int at = 3;
                   for (const QString &f : selected) {
                       if (f.isEmpty()) {
                           r.amounts << QVariant();
                           continue;
                       }
                       const QVariant v = q.value(at++);
                       r.amounts << (v.isNull() ? QVariant() : QVariant(VarToFloat(v)));
                   }
                   if (r.sfid.isEmpty())
                       d.problems << QStringLiteral("员工 %1 %2 没有身份证号码（证件号码为空），请在员工名册中填写")
                                         .arg(r.wkcode,
                                              r.wkname.isEmpty() ? QStringLiteral("（不在员工名册中）") : r.wkname);
                   d.rows << r;
               });
    return d;
}

void TaxDeclaration::write(const QString &path) const
{
    const QString temporary = path + QStringLiteral(".part");
    const QByteArray temporaryName = QFile::encodeName(temporary);
    auto failed = [&](const QString &why) {
        QFile::remove(temporary);
        return TaxError(QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), why));
    };
    lxw_workbook *book = workbook_new(temporaryName.constData());
    if (!book)
        throw failed(QStringLiteral("文件无法创建，请检查文件夹是否存在、是否有写入权限"));
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format *money = workbook_add_format(book);
    format_set_num_format(money, "0.00");
    lxw_error error = LXW_NO_ERROR;
    auto keep = [&error](lxw_error e) {
        if (error == LXW_NO_ERROR)
            error = e;
    };
    const QStringList &all = columns();
    for (int c = 0; c < all.size(); ++c) {
        keep(worksheet_write_string(sheet, 0, lxw_col_t(c), all[c].toUtf8().constData(), bold));
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), c < kFixedColumns ? 14 : 12, nullptr);
    }
    worksheet_set_column(sheet, 3, 3, 22, nullptr);
    for (int r = 0; r < rows.size(); ++r) {
        const Row &row = rows[r];
        const lxw_row_t at = lxw_row_t(r + 1);
        keep(worksheet_write_string(sheet, at, 0, row.wkcode.toUtf8().constData(), nullptr));
        keep(worksheet_write_string(sheet, at, 1, row.wkname.toUtf8().constData(), nullptr));
        keep(worksheet_write_string(sheet, at, 2, "居民身份证", nullptr));
        if (!row.sfid.isEmpty())
            keep(worksheet_write_string(sheet, at, 3, row.sfid.toUtf8().constData(), nullptr));
        for (int c = 0; c < row.amounts.size(); ++c)
            if (!row.amounts[c].isNull())
                keep(worksheet_write_number(sheet, at, lxw_col_t(kFixedColumns + c), row.amounts[c].toDouble(), money));
    }
    worksheet_freeze_panes(sheet, 1, 0);
    const lxw_error closed = workbook_close(book);
    if (error == LXW_NO_ERROR)
        error = closed;
    if (error != LXW_NO_ERROR)
        throw failed(QStringLiteral("文件写入失败（%1），请检查磁盘空间和写入权限").arg(int(error)));
    QFile::remove(path);
    if (std::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0)
        throw failed(QStringLiteral("文件无法替换（可能正被其他程序打开）"));
}

} // namespace jjgz
