#pragma once
// 计件工种设置: the code-table screen over `jjgz`.
#include "masterdata/CodeTable.h"

namespace jjgz {

class TfrmJjgz : public TfrmCodeTable {
    Q_OBJECT
public:
    explicit TfrmJjgz(QWidget *parent = nullptr);
    static const CodeTableDef &definition();
};

} // namespace jjgz
