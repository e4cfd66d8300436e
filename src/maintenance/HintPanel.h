#pragma once
// The notice at the top of the maintenance dialogs: an icon and lines of text on white, inside
// a group box captioned "提示".
#include <QStringList>

class QGroupBox;
class QProgressBar;
class QWidget;

namespace jjgz {

QGroupBox *makeHintPanel(const QStringList &lines, QWidget *parent);

// Keeps a dialog painted while a long step runs on the user-interface thread: shows `percent`
// and lets pending paint events through (clicks and keys wait until the step is over). A
// negative `percent` (kBusy) turns the bar into a moving busy indicator until the next percentage.
void showProgress(QProgressBar *bar, int percent);

} // namespace jjgz
