#include "payroll/WageSheetMode.h"

namespace jjgz {

const WageSheetMode &wageSheetMode(int mode)
{
    static const WageSheetMode modes[] = {
        {0, QStringLiteral("工资数据录入"), {}, false},
        {1,
         QStringLiteral("打印工资条"),
         {QStringLiteral("计算"), QStringLiteral("重新生成"), QStringLiteral("工资表")},
         true},
        {2,
         QStringLiteral("工资发放表"),
         {QStringLiteral("计算"), QStringLiteral("重新生成"), QStringLiteral("工资条")},
         true},
    };
    return (mode >= 0 && mode <= 2) ? modes[mode] : modes[0];
}

} // namespace jjgz
