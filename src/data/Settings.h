#pragma once
// The settings file "system.dll" in the program's folder: an INI file with one
// section, Config. A missing file or key yields the caller's default; the file
// and the section are created by the first write.
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

namespace nqb {

// Keys of section Config.
inline constexpr char kMealPatternKey[] = "IsThreeTwo"; // meal pattern 1, 2 or 3
inline constexpr char kCompanyKey[] = "CmpInfo";        // organisation name
inline constexpr char kTelKey[] = "Tel";                // contact details

// Full path of "system.dll" in the program's folder.
QString settingsFilePath();

// Config/IsThreeTwo, 1 when the file or the key is missing or the value is not
// a whole number. Other numbers (even unknown patterns) are returned as stored.
int readMealPattern();

// Config/<key>; defaultValue when the key is missing (an integer also when the
// stored text is not a whole number).
QString readSettingsString(const QString &key, const QString &defaultValue);
int readSettingsInt(const QString &key, int defaultValue);

// Write Config/<key> = value (several keys in one go for writeSettingsValues).
// The file is replaced atomically. Returns an empty string on success, or a
// message naming the file that could not be written (the file is then as it
// was). A file that cannot be read is moved aside first (see data/IniFile.h);
// *notice then gets the message saying where it went.
QString writeSettingsValue(const QString &key, const QVariant &value, QString *notice = nullptr);
QString writeSettingsValues(const QList<QPair<QString, QVariant>> &values, QString *notice = nullptr);
QString writeMealPattern(int pattern, QString *notice = nullptr);

} // namespace nqb
