#include "WorkerType.h"

namespace jjgz {

const CodeTableDef &TfrmWorkerType::definition()
{
    static const CodeTableDef def{
        QStringLiteral("职位设置"),
        QStringLiteral("职位列表"),
        QStringLiteral("worker_tp"),
        {QStringLiteral("tpcode"), QStringLiteral("职位编码"), 142, FieldKind::Text, 10},
        {QStringLiteral("tpname"), QStringLiteral("职位名称"), 408, FieldKind::Text, 20},
        {},
        3,
    };
    return def;
}

TfrmWorkerType::TfrmWorkerType(QWidget *parent) : TfrmCodeTable(definition(), parent)
{
    setObjectName(QStringLiteral("frmWorkerType"));
}

} // namespace jjgz
