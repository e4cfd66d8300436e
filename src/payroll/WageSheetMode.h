#pragma once
// The three ways the wage sheet window is opened (entry, pay slips, payment table).
#include <QString>
#include <QStringList>

namespace jjgz {

struct WageSheetMode {
    int mode;                   // 0 entry, 1 pay slips, 2 payment table
    QString title;              // the window title
    QStringList removedButtons; // captions of the buttons taken off the sheet's toolbar
    bool readOnly;              // the grid accepts no typing
};
// The entry for `mode` (0, 1 or 2; anything else gives the entry mode).
const WageSheetMode &wageSheetMode(int mode);

} // namespace jjgz
