#pragma once
// What a run that ended abruptly (killed, power cut) can leave behind, put
// right at start before anything is read:
// - temporary files of the program's own atomic writes: "<file>.XXXXXX"
//   beside system.dll, personal.ini, Collective.ini and NQB.bmp, ".part"
//   backups (and their journals) in BackUP/, "nqbnorvik.dat.new" and ".restoring" in Data/; only
//   these names, only in these folders;
// - a restore cut off after the database was moved aside: when the database
//   file is missing and "<database>.before-restore" exists, it is put back;
// - settings and profile files this program cannot read (data/IniFile.h):
//   moved aside to "<name>.damaged" (a free name), never overwritten.
#include <QString>
#include <QStringList>

namespace nqb {

struct Recovery {
    QStringList removed;  // temporary files removed (full paths)
    QStringList messages; // what the user is told (restored database, damaged files)
};

// The program's folder (programDir()) and the database folder under
// workingDir (empty = current directory).
Recovery recoverProgramFiles(const QString &workingDir = {});

// True for "<base>.XXXXXX" with six letters or digits: the temporary name of
// an atomic write of base.
bool isTemporaryNameOf(const QString &fileName, const QString &base);

} // namespace nqb
