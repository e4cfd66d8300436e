#pragma once
// 计件系数设置: the code-table screen over `jjxs`.
#include "masterdata/CodeTable.h"

namespace jjgz {

class TfrmJjxs : public TfrmCodeTable {
    Q_OBJECT
public:
    explicit TfrmJjxs(QWidget *parent = nullptr);
    static const CodeTableDef &definition();
};

} // namespace jjgz
