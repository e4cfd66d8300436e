#pragma once
// 部门设置: the code-table screen over `depart`.
#include "masterdata/CodeTable.h"

namespace jjgz {

class TfrmDepart : public TfrmCodeTable {
    Q_OBJECT
public:
    explicit TfrmDepart(QWidget *parent = nullptr);
    static const CodeTableDef &definition();
};

} // namespace jjgz
