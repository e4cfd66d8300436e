#include "Startup.h"

#include "data/MainDM.h"
#include "widgets/MessageService.h"

namespace jjgz {

TdmMain *connectDatabase()
{
    try {
        return new TdmMain(databasePath());
    } catch (const DbError &e) {
        showError(nullptr, QStringLiteral("连接数据库库失败(") + e.message() + u')');
        return nullptr;
    }
}

} // namespace jjgz
