#include "app/ListServices.h"

#include "app/Input.h"
#include "app/Setup.h"
#include "data/DataPaths.h"
#include "data/MyFun.h"
#include "widgets/DbGrid.h"
#include "widgets/GridXls.h"
#include "widgets/MessageService.h"

#include <QDir>
#include <QFileInfo>

namespace jjgz {

void ApplyColumnSettings(const QString &screenKey, DbGrid *grid)
{
    if (!grid)
        return;
    const QHash<QString, QString> settings = ReadConfigSection(screenKey); // one reading per list
    for (int i = 0; i < grid->columnCount(); ++i) {
        if (grid->column(i).tag != 0)
            continue;
        grid->setColumnVisible(i, settings.value(QStringLiteral("col%1").arg(i), QStringLiteral("1"))
                                      == QStringLiteral("1"));
    }
}

void ShowColumnSettings(const QString &screenKey, DbGrid *grid)
{
    if (!grid)
        return;
    TfrmSetup dialog(screenKey, grid, grid->window());
    dialog.exec();
}

namespace {
const QString kXlsFilter = QStringLiteral("Excel Files(*.xls)");
const QString kXlsxFilter = QStringLiteral("Excel 2007 Files(*.xlsx)");
} // namespace

QString exportFileName(const QString &chosen, bool xlsx)
{
    const QString extension = xlsx ? QStringLiteral(".xlsx") : QStringLiteral(".xls");
    if (chosen.endsWith(extension))
        return chosen;
    return chosen + extension;
}

bool ExportGrid(DbGrid *grid)
{
    if (!grid || !grid->table() || !grid->table()->isActive())
        return false;
    QString filter;
    const QString chosen =
        messages().saveFileName(grid->window(), QStringLiteral("导出"), DataPaths::defaultExportDir(),
                                kXlsFilter + QStringLiteral(";;") + kXlsxFilter, &filter);
    if (chosen.isEmpty())
        return false;
    const bool xlsx = filter == kXlsxFilter;
    const QString path = exportFileName(chosen, xlsx);
    try {
        if (xlsx)
            saveGridAsXlsx(*grid, path);
        else
            saveGridAsXls(*grid, path);
    } catch (const DataError &e) {
        showFailure(grid->window(), e.message());
        return false;
    }
    showInfo(grid->window(),
             QStringLiteral("导出成功，文件保存在：\n") + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    return true;
}

QString InputPrompt(const QString &title, const QString &label)
{
    TfrmInput dialog;
    dialog.setWindowTitle(title);
    dialog.setLabel(label);
    if (dialog.exec() == QDialog::Accepted)
        return dialog.text();
    return QString();
}

} // namespace jjgz
