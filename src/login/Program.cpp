#include "Program.h"

#include "app/Application.h"
#include "app/Startup.h"
#include "data/DataPaths.h"
#include "data/MainDM.h"
#include "data/SchemaUpgrade.h"
#include "login/Login.h"
#include "login/MainFrm.h"
#include "widgets/MessageService.h"

#include <QDir>

#include <cstdio>
#include <memory>

namespace jjgz {

int runProgram()
{
    std::unique_ptr<TdmMain> dm(connectDatabase());
    if (!dm)
        return 1;
    dmMain = dm.get();
    struct Forget {
        ~Forget()
        {
            dmMain = nullptr;
            CurOperName.clear();
            CurBizDate.clear();
        }
    } forget;

    std::unique_ptr<TfrmMain> main;
    try {
        TfrmLogin::Result login;
        if (!TfrmLogin::execute(nullptr, &login))
            return 0;
        CurOperName = login.operName;
        CurBizDate = login.bizDate;
        main = std::make_unique<TfrmMain>();
        main->showMaximized();
        // A database of an earlier version was brought up to date while connecting: said once.
        if (!dm->upgradeNotes().isEmpty())
            showInfo(main.get(), SchemaUpgrade::notice(dm->upgradeNotes()));
    } catch (...) {
        // The login list, the globals or the main window could not be read.
        main.reset();
        showFailureOf(nullptr, std::current_exception());
        return 1;
    }
    const int code = QApplication::exec();
    main.reset();
    return code;
}

int startProgram()
{
    const bool smoke = qEnvironmentVariable("JJGZ_SMOKE_EXIT") == u"1";
    const DataLocation where = DataPaths::prepare();
    const QString notice = where.notice();
    if (!notice.isEmpty()) {
        if (smoke)
            std::fprintf(stderr, "%s\n", notice.toUtf8().constData());
        else if (where.kind == DataLocation::NotFound)
            showError(nullptr, QStringLiteral("连接数据库库失败(") + notice + u')');
        else
            showInfo(nullptr, notice);
    }
    if (where.kind == DataLocation::NotFound)
        return 1;
    if (!smoke)
        return runProgram();
    const QByteArray file = QDir::toNativeSeparators(databasePath()).toUtf8();
    try {
        TdmMain dm(databasePath());
    } catch (const DbError &e) {
        std::fprintf(stderr, "error: %s: %s\n", file.constData(), e.message().toUtf8().constData());
        return 1;
    }
    std::fprintf(stderr, "opened %s\n", file.constData());
    return 0;
}

} // namespace jjgz
