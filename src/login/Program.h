#pragma once
// The program's run after the application object exists: connection, login, main window and
// message loop. Every failure before the message loop is shown in the default error box and
// ends the run with exit code 1; nothing escapes as an abort.

namespace jjgz {

// Returns the program's exit code.
int runProgram();

} // namespace jjgz
