#include "Screens.h"

#include "data/MyFun.h"
#include "login/CompanyName.h"
#include "login/Operator.h"
#include "login/OperatorPwd.h"
#include "login/OperatorRole.h"
#include "widgets/MessageService.h"

// Screens of the other folders: add the header of a screen here when wiring it below.
#include "maintenance/Backup.h"
#include "maintenance/Init.h"
#include "maintenance/OpLogForm.h"
#include "maintenance/Restore.h"
#include "masterdata/Depart.h"
#include "masterdata/Jjgx.h"
#include "masterdata/Jjgz.h"
#include "masterdata/Jjxs.h"
#include "masterdata/Worker.h"
#include "masterdata/WorkerType.h"
#include "payroll/GzData.h"
#include "payroll/GzSum.h"
#include "payroll/GzYear.h"
#include "payroll/JzNext.h"
#include "payroll/TaxFile.h"
#include "piecework/JjData.h"
#include "wagestructure/Gzgs.h"
#include "wagestructure/Gzxm.h"
#include "wagestructure/TaxRate.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace jjgz {
namespace {

// The table of the main window: one entry per permission code carried by a menu item (a toolbar
// button with the same code opens the same thing). To wire a screen, put its opener in the last
// column, for example
//     {1503, OpenHow::ReusedNormal, 1, reused<TfrmJjgz>},
//     {1509, OpenHow::Modal, 0, modal<TfrmGzxm>},
//     {1003, OpenHow::NewChild, 0, wageSheet<TfrmGzData>},
// or any function `void (QWidget *mainWindow, int mode)` (1001 needs one: its filter dialog is
// created the first time and kept, parented to the main window, and a confirmed filter opens a
// new list window).
QList<ScreenEntry> &table()
{
    static QList<ScreenEntry> entries = {
        // 【日常处理】
        {1001, OpenHow::QueryThenList, 0, openPieceWork}, // TfrmJjDataSel, then TfrmJjData
        {1003, OpenHow::NewChild, 0, wageSheet<TfrmGzData>},
        {1005, OpenHow::Modal, 0, modal<TfrmJzNext>},
        // 【工资报表】
        {1301, OpenHow::NewChild, 1, wageSheet<TfrmGzData>},
        {1303, OpenHow::NewChild, 2, wageSheet<TfrmGzData>},
        {1305, OpenHow::ReusedMaximised, 2, reused<TfrmGzSum>},
        {1307, OpenHow::ReusedMaximised, 2, reused<TfrmGzYear>},
        {1309, OpenHow::Modal, 0, modal<TfrmTaxFile>},
        // 【初始设置】
        {1503, OpenHow::ReusedNormal, 1, reused<TfrmJjgz>},
        {1505, OpenHow::ReusedMaximised, 2, reused<TfrmJjgx>},
        {1507, OpenHow::ReusedNormal, 1, reused<TfrmJjxs>},
        {1509, OpenHow::Modal, 0, modal<TfrmGzxm>},
        {1511, OpenHow::ReusedMaximised, 2, reused<TfrmGzgs>},
        {1517, OpenHow::Modal, 0, modal<TfrmTaxRate>},
        {1512, OpenHow::ReusedNormal, 1, reused<TfrmDepart>},
        {1513, OpenHow::ReusedNormal, 1, reused<TfrmWorkerType>},
        {1515, OpenHow::ReusedMaximised, 2, reused<TfrmWorker>},
        {1519, OpenHow::Modal, 0, openCompanyName},
        // 【操作员】
        {1701, OpenHow::Modal, 0, modal<TfrmOperator>},
        {1703, OpenHow::Modal, 0, modal<TfrmOperatorRole>},
        {1705, OpenHow::Modal, 0, modal<TfrmOperatorPwd>},
        // 【系统维护】
        {1901, OpenHow::Modal, 0, modal<TfrmInit>},
        {1903, OpenHow::Modal, 0, modal<TfrmBackup>},
        {1905, OpenHow::Modal, 0, modal<TfrmRestore>},
        {1907, OpenHow::ReusedMaximised, 2, reused<TfrmOpLog>},
        // 【系统帮助】
        {2101, OpenHow::Help, 0, openHelpDocument},
        {2105, OpenHow::None, 0, nullptr},
    };
    return entries;
}

} // namespace

const QList<ScreenEntry> &screenEntries()
{
    return table();
}

const ScreenEntry *screenEntry(int code)
{
    for (const ScreenEntry &entry : table())
        if (entry.code == code)
            return &entry;
    return nullptr;
}

bool openScreen(int code, QWidget *mainWindow)
{
    const ScreenEntry *entry = screenEntry(code);
    if (!entry || !entry->open)
        return false;
    entry->open(mainWindow, entry->mode);
    return true;
}

namespace {
UrlOpener g_urlOpener;
}

UrlOpener setUrlOpener(UrlOpener opener)
{
    UrlOpener previous = std::move(g_urlOpener);
    g_urlOpener = std::move(opener);
    return previous;
}

QStringList helpDocumentCandidates()
{
    const QDir dir(appDir());
    return {QDir::cleanPath(dir.filePath(QStringLiteral("guide/index.html"))),
            QDir::cleanPath(dir.filePath(QStringLiteral("../share/jjgz/guide/index.html"))),
            dir.filePath(QStringLiteral("工资管理系统说明书.doc"))};
}

QString helpDocumentPath()
{
    for (const QString &path : helpDocumentCandidates())
        if (QFileInfo(path).isFile())
            return path;
    return {};
}

void openHelpDocument(QWidget *mainWindow, int)
{
    const QString path = helpDocumentPath();
    if (path.isEmpty()) {
        QStringList looked;
        for (const QString &candidate : helpDocumentCandidates())
            looked << QStringLiteral("  ") + QDir::toNativeSeparators(candidate);
        showError(mainWindow,
                  QStringLiteral("找不到使用说明。查找过：\n%1\n请重新安装本程序，或把使用说明放到第一个位置。")
                      .arg(looked.join(u'\n')));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(path);
    const bool opened = g_urlOpener ? g_urlOpener(url) : QDesktopServices::openUrl(url);
    if (!opened)
        showError(mainWindow, QStringLiteral("不能打开使用说明 %1：这台电脑没有设置打开这种文件的程序。"
                                             "请用浏览器打开这个文件。")
                                  .arg(QDir::toNativeSeparators(path)));
}

} // namespace jjgz
