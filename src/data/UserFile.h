#pragma once
// Files a user hands the program to read: plan files, profile files and their
// copies, the settings file, dish library and special-diet files, composition
// CSV files and database backups.
//
// Every such file is checked before a byte of it is read: it must exist, be a
// regular file (a named pipe would block the program, a device like /dev/zero
// never ends) and be no larger than the limit of its kind. The whole file is
// then read into memory at once, never more than the limit even when it grows
// meanwhile, so each reader parses bytes it holds completely.
#include <QByteArray>
#include <QString>

namespace nqb::userfile {

enum class Kind {
    Plan,        // ".pan"                           8 MiB (about 19,000 entries)
    Profile,     // personal.ini, Collective.ini, ".pans"/".panm" copies   1 MiB
    Settings,    // system.dll                       1 MiB
    DishLibrary, // dish library export              32 MiB
    Dris,        // special-diet DRIs export         16 MiB
    Csv,         // composition import               32 MiB
    Backup       // database backup (opened by SQLite, not read here)   2 GiB
};

// The largest file of a kind the program reads, in bytes.
qint64 sizeLimit(Kind kind);
// The limit as it is told: "8 MiB", "2 GiB".
QString sizeLimitText(Kind kind);
// What the messages call a file of the kind: "配餐记录文件", "档案文件" ...
QString kindName(Kind kind);

// Checks path without reading it: it exists, is a regular file (symbolic links
// followed) and is within the size limit. Empty when it may be read, else the
// message naming the file and the reason (and the limit when it is too large).
QString check(const QString &path, Kind kind);

// check(), then the whole file into *bytes. Empty on success, else the message.
QString read(const QString &path, Kind kind, QByteArray *bytes);

// The position of the first \u escape in JSON text that is half of a surrogate
// pair without its other half ("\ud800b"), or -1 when there is none. JSON
// parsers replace or drop such a half, so the text would not come back as it
// was written; readers refuse it instead.
qsizetype loneSurrogateEscape(const QByteArray &json);

// What keeps bytes from being the JSON text of a program-written file before it
// is parsed: not UTF-8 text, or a lone surrogate escape. Empty when neither.
QString jsonTextProblem(const QByteArray &json);

} // namespace nqb::userfile
