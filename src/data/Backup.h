#pragma once
// Backup and restore of the database file.
//
// A backup is a consistent copy of the open database written by SQLite itself
// (VACUUM INTO), checked (integrity check, schema version) before it counts as
// written, and put in place under its final name only then. A restore checks
// the chosen file first: it must be an undamaged, complete database of this
// program with a schema version this program reads; anything else is refused
// with the reason and the current database is not touched. The current file is
// kept as "<database>.before-restore" until the restored one has opened, and
// put back when it does not.
#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <functional>

namespace nqb::backup {

// The date as a file name part: the system's short date format with every
// character a file name cannot hold ("/", "\", ":" ...) replaced by "-".
QString fileSafeDate(const QDate &date);
// "BackUP/<fileSafeDate>.bak" in the program's folder.
QString defaultBackupPath(const QDate &date = QDate::currentDate());

struct Result {
    bool ok = false;
    QString message; // what to tell the user (done or the reason of the failure)
};

// Writes a copy of the open database db to path (folders created as needed;
// an existing file at path is replaced only by a verified copy).
Result writeBackup(QSqlDatabase db, const QString &path);

// Whether path holds a database this program can restore; the reason when not.
Result checkBackup(const QString &path);

// Puts the backup at backupPath in place of the database file databasePath.
// closeDatabase releases the file (the program's connection is closed);
// openDatabase opens it again and returns an empty string or why it could not.
// The backup is checked first (checkBackup); on any failure the database file
// is what it was before and the connection is open again.
Result restoreBackup(const QString &backupPath, const QString &databasePath,
                     const std::function<void()> &closeDatabase, const std::function<QString()> &openDatabase);

// The name the current database keeps during a restore.
QString beforeRestorePath(const QString &databasePath);

} // namespace nqb::backup
