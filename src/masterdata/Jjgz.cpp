#include "Jjgz.h"

namespace jjgz {

const CodeTableDef &TfrmJjgz::definition()
{
    static const CodeTableDef def{
        QStringLiteral("计件工种设置"),
        QStringLiteral("工种列表"),
        QStringLiteral("jjgz"),
        {QStringLiteral("gzcode"), QStringLiteral("工种编码"), 142, FieldKind::Text, 10},
        {QStringLiteral("gzname"), QStringLiteral("工种名称"), 408, FieldKind::Text, 200},
        {},
        1,
    };
    return def;
}

TfrmJjgz::TfrmJjgz(QWidget *parent) : TfrmCodeTable(definition(), parent)
{
    setObjectName(QStringLiteral("frmJjgz"));
}

} // namespace jjgz
