#include "data/Settings.h"

#include "data/IniFile.h"
#include "data/IniText.h"
#include "data/Paths.h"
#include "data/UserFile.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QSettings>

namespace nqb {

namespace {

const QString kSection = QStringLiteral("Config");

QString fullKey(const QString &key)
{
    return kSection + QLatin1Char('/') + key;
}

// The stored value, or an invalid variant when the file or the key is missing.
QVariant readValue(const QString &key)
{
    const QString path = settingsFilePath();
    if (!QFileInfo::exists(path))
        return {};
    // A file that is no regular file, too large or not readable whole counts
    // as missing: every key takes its default.
    QByteArray bytes;
    ini::Document doc;
    if (!userfile::read(path, userfile::Kind::Settings, &bytes).isEmpty() || !ini::parse(bytes, &doc).isEmpty())
        return {};
    return doc.value(fullKey(key));
}

} // namespace

QString settingsFilePath()
{
    return programFile(QStringLiteral("system.dll"));
}

int readMealPattern()
{
    return readSettingsInt(QString::fromLatin1(kMealPatternKey), 1);
}

QString readSettingsString(const QString &key, const QString &defaultValue)
{
    const QVariant v = readValue(key);
    if (!v.isValid())
        return defaultValue;
    // A value written with commas comes back as a list; join it as it was written.
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

int readSettingsInt(const QString &key, int defaultValue)
{
    const QVariant v = readValue(key);
    if (!v.isValid())
        return defaultValue;
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    return ok ? n : defaultValue;
}

QString writeSettingsValues(const QList<QPair<QString, QVariant>> &values, QString *notice)
{
    const QString path = settingsFilePath();
    const ini::WriteResult r = ini::write(
        path,
        [&](QSettings &s) {
            for (const auto &kv : values)
                s.setValue(fullKey(kv.first), kv.second);
        },
        QObject::tr("无法写入设置文件 %1").arg(QDir::toNativeSeparators(path)));
    if (notice)
        *notice = r.notice;
    return r.error;
}

QString writeSettingsValue(const QString &key, const QVariant &value, QString *notice)
{
    return writeSettingsValues({{key, value}}, notice);
}

QString writeMealPattern(int pattern, QString *notice)
{
    return writeSettingsValue(QString::fromLatin1(kMealPatternKey), pattern, notice);
}

} // namespace nqb
