#pragma once
// The parts every list screen is built from, made one way for all of them: the screen's own
// toolbar (which the main window takes into its tool area), its buttons, the caption strip over
// the list, and the body of a group tree beside the list of the chosen group.
#include <QSize>
#include <QString>

class QAction;
class QIcon;
class QLabel;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QWidget;

namespace jjgz {

// A toolbar named "ToolBar1" owned by `parent`: fixed in place, captions under 24 × 24 pictures.
QToolBar *makeScreenToolBar(QWidget *parent);

// The width of a toolbar button; a height below 1 leaves the height to the toolbar.
inline constexpr QSize ScreenButtonSize(60, 0);

// Adds a flat button to `bar` and returns its action, named `objectName`. The button takes
// `buttonSize`, so that buttons with longer and shorter captions line up.
QAction *addToolButton(QToolBar *bar, const QIcon &icon, const QString &caption, const QString &objectName,
                       QSize buttonSize = ScreenButtonSize);

// The caption strip over a screen's list: `text` bold and a fifth larger than the screen font,
// centred on a light blue band. Named "lblCaption".
QLabel *makeCaptionStrip(const QString &text, QWidget *parent);

// The group tree of a list screen, named "tv": flat, read only, one node selected at a time.
QTreeWidget *makeGroupTree(QWidget *parent);

// A splitter of two titled frames: `tree` on the left keeps its width, `list` on the right takes
// the rest. Both widgets are moved into their frames.
QSplitter *makeTreeListSplitter(QWidget *parent, const QString &treeTitle, QWidget *tree, const QString &listTitle,
                                QWidget *list);

} // namespace jjgz
