#include "Jjxs.h"

namespace jjgz {

const CodeTableDef &TfrmJjxs::definition()
{
    static const CodeTableDef def{
        QStringLiteral("计件系数设置"),
        QStringLiteral("系数列表"),
        QStringLiteral("jjxs"),
        {QStringLiteral("xscode"), QStringLiteral("系数编码"), 124, FieldKind::Text, 10},
        {QStringLiteral("xsname"), QStringLiteral("系数名称"), 300, FieldKind::Text, 50},
        {{QStringLiteral("xs"), QStringLiteral("系数"), 100, FieldKind::Float, 0}},
        2,
    };
    return def;
}

TfrmJjxs::TfrmJjxs(QWidget *parent) : TfrmCodeTable(definition(), parent)
{
    setObjectName(QStringLiteral("frmJjxs"));
}

} // namespace jjgz
