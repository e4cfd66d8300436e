#include "Depart.h"

namespace jjgz {

const CodeTableDef &TfrmDepart::definition()
{
    static const CodeTableDef def{
        QStringLiteral("部门设置"),
        QStringLiteral("部门列表"),
        QStringLiteral("depart"),
        {QStringLiteral("bmcode"), QStringLiteral("部门编码"), 142, FieldKind::Text, 10},
        {QStringLiteral("bmname"), QStringLiteral("部门名称"), 408, FieldKind::Text, 20},
        {},
        5,
    };
    return def;
}

TfrmDepart::TfrmDepart(QWidget *parent) : TfrmCodeTable(definition(), parent)
{
    setObjectName(QStringLiteral("frmDepart"));
}

} // namespace jjgz
