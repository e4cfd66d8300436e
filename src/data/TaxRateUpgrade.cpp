#include "data/TaxRateUpgrade.h"

namespace jjgz {

QString taxRateUpgradeName()
{
    return QStringLiteral("taxrate");
}

QString taxRateUpgradeDescription()
{
    return QStringLiteral(
        "个人所得税：税率表（【初始设置】→税率表，权限 1517）、年度汇总（权限 1307）、个税申报导出（权限 1309），"
        "工资公式可用 SUMYTD、MONTHSYTD、IIT、IITBONUS 按累计预扣法计算个税");
}

QStringList taxRateUpgradeStatements()
{
    return {
        QStringLiteral("create table if not exists taxrate (kind integer not null, xh integer not null, upper float, "
                       "rate float, kcs float, primary key (kind, xh))"),
        // clang-format off
        QStringLiteral("insert or ignore into taxrate (kind, xh, upper, rate, kcs) values "
                       "(1, 1, 36000, 0.03, 0), (1, 2, 144000, 0.10, 2520), (1, 3, 300000, 0.20, 16920), "
                       "(1, 4, 420000, 0.25, 31920), (1, 5, 660000, 0.30, 52920), (1, 6, 960000, 0.35, 85920), "
                       "(1, 7, null, 0.45, 181920), "
                       "(2, 1, 3000, 0.03, 0), (2, 2, 12000, 0.10, 210), (2, 3, 25000, 0.20, 1410), "
                       "(2, 4, 35000, 0.25, 2660), (2, 5, 55000, 0.30, 4410), (2, 6, 80000, 0.35, 7160), "
                       "(2, 7, null, 0.45, 15160)"),
        // clang-format on
        QStringLiteral("insert or ignore into roles (roleid, rolename, flag) values (1517, '税率表', 0), "
                       "(1307, '年度汇总', 0), (1309, '个税申报导出', 0)"),
    };
}

} // namespace jjgz
