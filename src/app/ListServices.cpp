#include "app/ListServices.h"

#include "app/Input.h"
#include "data/MyFun.h"
#include "app/Setup.h"
#include "widgets/DbGrid.h"
#include "widgets/MessageService.h"
#include "widgets/GridXls.h"

namespace jjgz {

void ApplyColumnSettings(const QString &screenKey, DbGrid *grid)
{
    if (!grid)
        return;
    const QHash<QString, QString> settings = ReadConfigSection(screenKey); // one reading per list
    for (int i = 0; i < grid->columnCount(); ++i) {
        if (grid->column(i).tag != 0)
            continue;
        grid->setColumnVisible(i, settings.value(QStringLiteral("col%1").arg(i), QStringLiteral("1")) == QStringLiteral("1"));
    }
}

void ShowColumnSettings(const QString &screenKey, DbGrid *grid)
{
    if (!grid)
        return;
    TfrmSetup dialog(screenKey, grid, grid->window());
    dialog.exec();
}

QString exportFileName(const QString &chosen)
{
    if (chosen.right(4) == QStringLiteral(".xls"))
        return chosen;
    return chosen + QStringLiteral(".xls");
}

bool ExportGrid(DbGrid *grid)
{
    if (!grid || !grid->table() || !grid->table()->isActive())
        return false;
    const QString chosen = messages().saveFileName(grid->window(), QStringLiteral("导出"), appDir(),
                                                   QStringLiteral("Excel Files(*.xls)"));
    if (chosen.isEmpty())
        return false;
    try {
        saveGridAsXls(*grid, exportFileName(chosen));
    } catch (const DataError &e) {
        showFailure(grid->window(), e.message());
        return false;
    }
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
