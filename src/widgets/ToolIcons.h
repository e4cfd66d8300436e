#pragma once
// The pictures of the program's toolbar buttons: one painted set, so that the main window and
// the screens' own toolbars look alike.
#include <QIcon>

namespace jjgz {

enum class Glyph {
    // The main window's functions.
    PieceEntry, // a clipboard with a pencil
    WageEntry,  // a sheet with a coin
    PaySlip,    // a slip along a perforation
    PayTable,   // a sheet
    Summary,    // a bar chart
    JobType,    // a gear
    Process,    // three steps joined by arrows
    Roster,     // two people
    Relogin,    // a key
    Exit,       // an open door
    // The actions of a list screen.
    Add,      // a page with a green plus
    Edit,     // a page with a pencil
    Delete,   // a waste bin
    Print,    // a printer
    Locate,   // a magnifying glass
    Settings, // a sheet with a gear
    Export,   // a sheet with an arrow leading out
    Close,    // a window with a red cross
    // The actions of a row being edited (the navigator bar).
    Save,   // a page with a green tick
    Cancel, // a page with a red cross
};

// The picture of `glyph`, drawn on a 48 × 48 grid for toolbars that show it at 24 × 24.
QIcon toolIcon(Glyph glyph);

} // namespace jjgz
