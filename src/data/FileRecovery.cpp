#include "data/FileRecovery.h"

#include "data/IniFile.h"
#include "data/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QObject>

namespace nqb {

namespace {

void removeFile(const QString &path, Recovery &out)
{
    if (QFile::remove(path))
        out.removed << path;
}

// The temporaries of an atomic write of the file dir/base, and its settings
// lock when no running program holds it.
void removeTemporariesOf(const QDir &dir, const QString &base, Recovery &out)
{
    const QStringList names = dir.entryList({base + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (isTemporaryNameOf(name, base))
            removeFile(dir.filePath(name), out);
    }
    const QString lock = dir.filePath(base + QStringLiteral(".lock"));
    if (QFileInfo::exists(lock)) {
        QLockFile lf(lock);
        if (lf.tryLock(0)) { // only a stale lock (its process is gone) can be taken
            lf.unlock();
            out.removed << lock;
        }
    }
}

} // namespace

bool isTemporaryNameOf(const QString &fileName, const QString &base)
{
    if (fileName.size() != base.size() + 7 || !fileName.startsWith(base) || fileName.at(base.size()) != QLatin1Char('.'))
        return false;
    for (qsizetype i = base.size() + 1; i < fileName.size(); ++i) {
        const QChar c = fileName.at(i);
        if (!(c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
              || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))))
            return false;
    }
    return true;
}

Recovery recoverProgramFiles(const QString &workingDir)
{
    Recovery out;
    const QDir program(programDir());
    const QStringList iniFiles{QStringLiteral("system.dll"), QStringLiteral("personal.ini"),
                               QStringLiteral("Collective.ini")};
    for (const QString &base : iniFiles + QStringList{QStringLiteral("NQB.bmp")})
        removeTemporariesOf(program, base, out);

    const QDir backups(programFile(QStringLiteral("BackUP")));
    if (backups.exists()) {
        // A backup cut off while SQLite wrote it leaves its journal too.
        for (const QString &name : backups.entryList({QStringLiteral("*.part"), QStringLiteral("*.part-journal")},
                                                     QDir::Files | QDir::Hidden))
            removeFile(backups.filePath(name), out);
    }

    const QString database = databasePathIn(workingDir.isEmpty() ? QDir::currentPath() : workingDir);
    const QFileInfo dbInfo(database);
    const QDir data = dbInfo.absoluteDir();
    if (data.exists()) {
        for (const QString &suffix : {QStringLiteral(".new"), QStringLiteral(".restoring")}) {
            if (QFileInfo(database + suffix).isFile())
                removeFile(database + suffix, out);
        }
        removeTemporariesOf(data, dbInfo.fileName(), out);
        const QString before = database + QStringLiteral(".before-restore");
        if (!dbInfo.exists() && QFileInfo(before).isFile()) {
            if (QFile::rename(before, database))
                out.messages << QObject::tr("上次恢复数据库时程序中断，已放回恢复前的数据库 %1。")
                                    .arg(QDir::toNativeSeparators(database));
            else
                out.messages << QObject::tr("上次恢复数据库时程序中断，恢复前的数据库在 %1，未能放回原处。")
                                    .arg(QDir::toNativeSeparators(before));
        }
    }

    for (const QString &base : iniFiles) {
        const QString path = program.filePath(base);
        const QString why = ini::fileProblem(path);
        if (why.isEmpty())
            continue;
        if (!QFileInfo(path).isFile())
            out.messages << QObject::tr("%1 不是普通文件（%2），程序将使用默认设置，也无法保存设置到这里。")
                                .arg(QDir::toNativeSeparators(path), why);
        else
            out.messages << ini::setAside(path, why) + QObject::tr("程序将使用默认设置，下次保存时新建该文件。");
    }
    return out;
}

} // namespace nqb
