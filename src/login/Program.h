#pragma once
// The program's run after the application object exists: connection, login, main window and
// message loop. Every failure before the message loop is shown in the default error box and
// ends the run with exit code 1; nothing escapes as an abort.

namespace jjgz {

// Returns the program's exit code.
int runProgram();

// The installed program's start: decides where the data lives (DataPaths::prepare), says once
// that a first start copied the delivered database, says where it looked when there is none, and
// then runs the program. With JJGZ_SMOKE_EXIT=1 in the environment it only opens the database and
// ends with 0 (notices on standard error instead of a box): the package test's smoke run.
int startProgram();

} // namespace jjgz
