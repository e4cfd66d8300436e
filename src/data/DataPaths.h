#pragma once
// Where the program keeps its database, config.ini and backups.
//
// A program whose own folder holds data/zt000.mdb (a build tree, a portable copy) keeps
// everything beside itself. An installed program (its folder, /usr/bin, is not the user's)
// keeps them in the user's data folder, $XDG_DATA_HOME/jjgz (~/.local/share/jjgz by default);
// on the first start there the delivered database is copied from <prefix>/share/jjgz, found
// relative to the program, so an unpacked copy of the package works as well as an installed one.
#include <QString>
#include <QStringList>

namespace jjgz {

struct DataLocation {
    enum Kind {
        BesideProgram, // data/zt000.mdb beside the program: used as it is
        UserFolder,    // the user's data folder, which already held the database
        FirstStart,    // the user's data folder, the delivered database copied there just now
        NotFound,      // neither, and no delivered database to copy (or copying failed)
    };
    Kind kind = NotFound;
    QString dir;          // the folder that holds data/zt000.mdb and config.ini
    QStringList searched; // the files looked at, in order
    QString problem;      // NotFound: what happened and what to do, in Chinese

    QString database() const;
    // FirstStart: the one-time notice; NotFound: the problem. Empty otherwise.
    QString notice() const;
};

namespace DataPaths {

// The user's data folder for this program: $XDG_DATA_HOME/jjgz, ~/.local/share/jjgz without it.
QString userFolder();
// The delivered database of an installed program: <program folder>/../share/jjgz/zt000.mdb.
QString deliveredDatabase();
// Decides where the data lives (copying the delivered database on a first start) and makes
// databasePath() and configPath() point there. Called once by the program and the tools before
// they open the database; until then everything is beside the program, as the tests expect.
DataLocation prepare();
// For a command-line tool: prepare(), the first-start notice as one line on standard error; the
// database path, or empty after printing "error: ..." (with where it looked) on standard error.
QString databaseForTool();
// A file the program ships and the user may replace (rep/gzbar.frf): the one beside the
// program, else the user's in the data folder, else the delivered one in <prefix>/share/jjgz;
// the path beside the program when none exists.
QString findFile(const QString &relative);
// The folder a backup is offered in first: the home folder beside the program, the user's
// backup folder (created on demand) when installed.
QString defaultBackupDir();
// The folder an export is offered in first: the program's folder beside the program (as
// always), the user's documents folder (or home) when installed, since /usr/bin is not theirs.
QString defaultExportDir();

} // namespace DataPaths

// The folder that holds data/zt000.mdb and config.ini (the program's own folder until prepared).
QString dataDir();
void setDataDir(const QString &dir);

} // namespace jjgz
