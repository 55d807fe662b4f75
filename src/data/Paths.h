#pragma once
// Where the program finds its files: settings, profiles, pictures, help and
// reports live in the program's folder; the database under the working folder.
#include <QString>

namespace nqb {

// Folder of the running program file, unless set otherwise (tests do).
QString programDir();
void setProgramDir(const QString &dir);

// Full path of a file in the program's folder ("system.dll", "FoodImage/01-1-001.bmp").
QString programFile(const QString &relative);

// "Data/nqbnorvik.dat" under the given working folder.
QString databasePathIn(const QString &workingDir);

} // namespace nqb
