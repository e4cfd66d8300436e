#pragma once
// What each permission code of the main window opens, and how. The main window looks a code up
// here when a menu item or toolbar button is chosen; a screen is wired in by giving its entry in
// Screens.cpp an opener (see the table there).
#include "app/ChildForm.h"
#include "payroll/WageSheetMode.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

namespace jjgz {

enum class OpenHow {
    ReusedNormal,    // at most one window of the screen, brought forward in normal size
    ReusedMaximised, // at most one window of the screen, brought forward maximised
    NewChild,        // another child window each time
    QueryThenList,   // the piece-work filter dialog (kept between uses), then a new list window
    Modal,           // a dialog created, shown modally and destroyed when it closes
    Help,            // the guide for clerks (openHelpDocument)
    None,            // nothing
};

// An opener gets the main window and the entry's mode: 1 (normal) or 2 (maximised) for reused
// children, the sheet mode (0, 1, 2) for the wage sheet entries, 0 otherwise.
using ScreenOpener = void (*)(QWidget *mainWindow, int mode);

struct ScreenEntry {
    int code;
    OpenHow how;
    int mode;
    ScreenOpener open; // null while the screen does not exist yet: choosing it does nothing
};

// Every entry, in menu order.
const QList<ScreenEntry> &screenEntries();
// The entry of `code`, or null when no entry carries it.
const ScreenEntry *screenEntry(int code);
// Runs the opener of `code`. Returns false when the code opens nothing (yet).
bool openScreen(int code, QWidget *mainWindow);

// Ready-made openers for the table.
// A screen that exists at most once: ShowChildForm with the entry's mode.
template <class T> void reused(QWidget *, int mode)
{
    ShowChildForm<T>(mode);
}
// A modal editor with the usual typed entry point `static ... execute(QWidget *parent)`.
template <class T> void modal(QWidget *mainWindow, int)
{
    T::execute(mainWindow);
}
// A new child window each time, built from its wage sheet mode: `T(const WageSheetMode &)`;
// it opens maximised, as every list does.
template <class T> void wageSheet(QWidget *, int mode)
{
    raiseChildForm(childHost()->addChild(new T(wageSheetMode(mode))), 2);
}

// The guide for clerks (帮助主题): the first of helpDocumentCandidates() that exists, opened with
// the desktop's default program. When none exists, or the desktop cannot open it, an error box
// says so and where it looked.
void openHelpDocument(QWidget *mainWindow, int mode);
// guide/index.html beside the program (the build tree, a portable copy), the installed guide in
// <prefix>/share/jjgz/guide, and the older document 工资管理系统说明书.doc beside the program.
QStringList helpDocumentCandidates();
// The first candidate that exists, or empty.
QString helpDocumentPath();
// How a document is handed to the desktop (QDesktopServices::openUrl unless a test set another);
// returns the previous one.
using UrlOpener = std::function<bool(const QUrl &)>;
UrlOpener setUrlOpener(UrlOpener opener);

} // namespace jjgz
