#pragma once
// The list services shared by the list screens: which columns of a list are shown (stored per
// screen in config.ini), the dialog to choose them, export of a list to an .xls file, and the
// one-line text prompt.
#include <QString>

class QWidget;

namespace jjgz {

class DbGrid;

// Each column of `grid` with tag 0, by index i from 0, is shown exactly when
// ReadConfig(screenKey, "col" + i, "1") is "1". Tag-1 columns are left as they are.
void ApplyColumnSettings(const QString &screenKey, DbGrid *grid);

// The column settings dialog TfrmSetup for `grid`, modal; changes are applied and stored at once.
void ShowColumnSettings(const QString &screenKey, DbGrid *grid);

// Asks for a file name (in the program's directory, filters "Excel Files(*.xls)" and then
// "Excel 2007 Files(*.xlsx)") and writes the grid there in the chosen filter's format. Does nothing when the grid's
// table is not open or the dialog is cancelled. A file that cannot be written is reported with its reason (error box);
// returns true when written.
bool ExportGrid(DbGrid *grid);
// The name the export writes to for the name chosen in the dialog: ".xls" (".xlsx") is appended
// unless the name already ends in exactly that.
QString exportFileName(const QString &chosen, bool xlsx = false);

// The prompt dialog TfrmInput: the typed text (not trimmed), or empty text when cancelled.
QString InputPrompt(const QString &title, const QString &label);

} // namespace jjgz
