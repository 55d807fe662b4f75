#pragma once
// Reading INI files (system.dll, personal.ini, Collective.ini and the profile
// copies beside plan files) from their bytes, the way QSettings' IniFormat
// reads what it writes: "[section]" lines, "key=value" lines, comments after
// ";" or "#" at the start of a line and after an unquoted ";", keys with "%XX"
// and "%UXXXX" escapes, values with double quotes, backslash escapes
// ("\n", "\x4e2d", "\101" ...) and unquoted commas that make a list. Keys are
// "section/key" as QSettings names them; section General is the top level.
//
// Unlike QSettings, which skips what it cannot read and carries on, a file is
// read whole or refused with the line and the fault: bytes that are no UTF-8
// text, a NUL, a byte-order mark after the start, a line that is neither
// section, key nor comment, an unclosed quote or section, an empty key, a
// backslash escape QSettings does not know (it would split the character
// after it), or a value holding a lone surrogate.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace nqb::ini {

class Document
{
public:
    // The value of "section/key": a QString, or a QStringList for a value with
    // unquoted commas; invalid when missing.
    QVariant value(const QString &key) const { return m_values.value(key); }
    bool contains(const QString &key) const { return m_values.contains(key); }
    // The value as text (a list joined by separator); fallback when missing.
    QString text(const QString &key, const QString &fallback = {}, const QString &separator = QStringLiteral(",")) const;
    // The sections in the order they first appear ("" for the top level).
    QStringList sections() const { return m_sections; }
    qsizetype size() const { return m_values.size(); }

private:
    friend QString parse(const QByteArray &bytes, Document *out);
    QHash<QString, QVariant> m_values;
    QStringList m_sections;
};

// Parses bytes into *out. Empty on success; else the fault with its line
// ("第 3 行：…"), and *out is empty.
QString parse(const QByteArray &bytes, Document *out);

} // namespace nqb::ini
