#pragma once
// The log rows of changes to wage items and formulas, with the old and the new text. Called
// inside the transaction of the change; each reads the row as it stands at that moment.
#include <QString>

namespace jjgz {

class WageStructureLog {
public:
    // "f3 名称 基本工资，数值型" / "f4 名称 备注，文本型，宽度 20", or empty when there is no such item.
    static QString itemText(int xh);
    // "f3 = f1*2；条件：f2>0", or empty when there is no such formula.
    static QString formulaText(int xh);

    static void itemAdded(int xh);
    static void itemModified(int xh, const QString &before);
    static void itemDeleted(int xh); // before the row goes
    static void formulaSaved(bool added, int xh, const QString &before);
    static void formulaDeleted(int xh); // before the row goes
};

} // namespace jjgz
