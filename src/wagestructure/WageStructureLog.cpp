#include "wagestructure/WageStructureLog.h"

#include "data/MainDM.h"
#include "data/OpLog.h"
#include "wagestructure/GzxmData.h"

namespace jjgz {

QString WageStructureLog::itemText(int xh)
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select fname, xmname, ftype, fsize from gzxm where xh=?"));
    q.addBind(xh).open();
    if (q.eof())
        return {};
    QString text = QStringLiteral("%1 名称 %2，%3")
                       .arg(q.value(0).toString(), q.value(1).toString(), WageItems::typeText(q.value(2)));
    if (q.value(2).toInt() == 1)
        text += QStringLiteral("，宽度 %1").arg(q.value(3).toString());
    return text;
}

QString WageStructureLog::formulaText(int xh)
{
    JetQuery q(dmMain->conZt());
    q.setSql(QStringLiteral("select fname, gs, con from gzgs where xh=?"));
    q.addBind(xh).open();
    if (q.eof())
        return {};
    QString text = QStringLiteral("%1 = %2").arg(q.value(0).toString(), q.value(1).toString());
    if (!q.value(2).toString().trimmed().isEmpty())
        text += QStringLiteral("；条件：%1").arg(q.value(2).toString());
    return text;
}

namespace {
QString itemTarget(int xh)
{
    return QStringLiteral("f%1").arg(xh);
}
QString formulaTarget(int xh)
{
    return QStringLiteral("公式 %1").arg(xh);
}
} // namespace

void WageStructureLog::itemAdded(int xh)
{
    OpLog::log(OpAction::ItemAdd, itemTarget(xh), QStringLiteral("新：") + itemText(xh));
}

void WageStructureLog::itemModified(int xh, const QString &before)
{
    OpLog::log(OpAction::ItemModify, itemTarget(xh), QStringLiteral("原：%1\n新：%2").arg(before, itemText(xh)));
}

void WageStructureLog::itemDeleted(int xh)
{
    OpLog::log(OpAction::ItemDelete, itemTarget(xh), QStringLiteral("原：") + itemText(xh));
}

void WageStructureLog::formulaSaved(bool added, int xh, const QString &before)
{
    if (added)
        OpLog::log(OpAction::FormulaAdd, formulaTarget(xh), QStringLiteral("新：") + formulaText(xh));
    else
        OpLog::log(OpAction::FormulaModify, formulaTarget(xh),
                   QStringLiteral("原：%1\n新：%2").arg(before, formulaText(xh)));
}

void WageStructureLog::formulaDeleted(int xh)
{
    OpLog::log(OpAction::FormulaDelete, formulaTarget(xh), QStringLiteral("原：") + formulaText(xh));
}

} // namespace jjgz
