#pragma once
// 职位设置: the code-table screen over `worker_tp`.
#include "masterdata/CodeTable.h"

namespace jjgz {

class TfrmWorkerType : public TfrmCodeTable {
    Q_OBJECT
public:
    explicit TfrmWorkerType(QWidget *parent = nullptr);
    static const CodeTableDef &definition();
};

} // namespace jjgz
