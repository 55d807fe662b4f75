#include "data/Paths.h"

#include <QCoreApplication>
#include <QDir>

namespace nqb {

namespace {
QString &overrideDir()
{
    static QString dir;
    return dir;
}
} // namespace

QString programDir()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

void setProgramDir(const QString &dir)
{
    overrideDir() = dir.isEmpty() ? QString() : QDir(dir).absolutePath();
}

QString programFile(const QString &relative)
{
    return QDir(programDir()).filePath(relative);
}

QString databasePathIn(const QString &workingDir)
{
    return QDir(workingDir).filePath(QStringLiteral("Data/nqbnorvik.dat"));
}

} // namespace nqb
