#pragma once
// The program's INI files (system.dll, personal.ini, Collective.ini): what
// counts as a file this program can read, and the one way they are written.
//
// A readable INI file is one the INI reader (data/IniText.h) reads whole: at
// most kMaxIniBytes of UTF-8 text (an optional UTF-8 byte-order mark) without
// NUL or other control characters than tab, CR and LF, whose every line is
// blank, a comment, a section header or "key=value" as the program writes
// them. Anything else (random bytes, UTF-16, a GBK text, a binary file under
// that name) is damaged: the reader would refuse it, and a write through
// QSettings would drop the lines it skipped.
//
// A write edits a copy of the file in a scratch folder, checks that the
// result is readable and then replaces the file in one step. When the write
// fails, the file is as it was. A damaged file is never written over: it is
// moved aside to a free "<name>.damaged" name first, and the message saying
// so is handed back. A folder, pipe or device under the name is left alone
// and the write fails.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class QSettings;

namespace nqb::ini {

inline constexpr qint64 kMaxIniBytes = 1 << 20;

// Why bytes are not a readable INI file (line number and what is wrong), or
// an empty string when they are.
QString problem(const QByteArray &bytes);

// The same for a file. A missing file has no problem; one that cannot be
// opened or is no regular file has.
QString fileProblem(const QString &path);

// "<path>.damaged", or "<path>.damaged.1", ".2" … when that name is taken.
QString freeDamagedName(const QString &path);

// Moves a damaged file aside to freeDamagedName. Returns the message naming
// both files and the reason; *asidePath gets the new name (empty when the
// move failed, and the message says so).
QString setAside(const QString &path, const QString &reason, QString *asidePath = nullptr);

struct WriteResult {
    QString error;  // empty when the file was written; otherwise nothing changed
    QString notice; // set when a damaged file was moved aside before the write
    bool ok() const { return error.isEmpty(); }
};

// Applies change to the file's settings (a missing file starts empty) and
// replaces the file atomically. failedText is the message of a failed write
// (it names the file).
WriteResult write(const QString &path, const std::function<void(QSettings &)> &change,
                  const QString &failedText);

} // namespace nqb::ini
