#include "data/Backup.h"
#include "data/DataModule.h"

#include "data/Paths.h"
#include "data/Schema.h"
#include "data/UserFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QtEndian>

#include <filesystem>
#include <system_error>

namespace nqb::backup {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

Result fail(const QString &message)
{
    return {false, message};
}

// Replaces to by from (to may exist); true on success.
bool replaceFile(const QString &from, const QString &to)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            ec);
    return !ec;
}

// The files SQLite keeps beside a database in write-ahead-log mode.
QStringList sideFiles(const QString &path)
{
    return {path + QStringLiteral("-wal"), path + QStringLiteral("-shm")};
}

void removeDatabaseFiles(const QString &path)
{
    QFile::remove(path);
    for (const QString &f : sideFiles(path))
        QFile::remove(f);
}

// Renames a closed database and its side files; false when one that exists
// could not be moved.
bool moveDatabaseFiles(const QString &from, const QString &to)
{
    bool ok = !QFileInfo::exists(from) || replaceFile(from, to);
    const QStringList a = sideFiles(from), b = sideFiles(to);
    for (int i = 0; i < a.size(); ++i) {
        if (QFileInfo::exists(a[i]))
            ok = replaceFile(a[i], b[i]) && ok;
    }
    return ok;
}

// A connection of its own to a file, removed again when it goes out of scope.
class SideConnection
{
public:
    SideConnection(const QString &path, bool readOnly)
        : m_name(QStringLiteral("nqb-backup-%1").arg(quintptr(this)))
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        d.setDatabaseName(path);
        if (readOnly)
            d.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        m_opened = d.open();
        if (!m_opened)
            m_error = d.lastError().text();
    }
    ~SideConnection()
    {
        {
            QSqlDatabase d = QSqlDatabase::database(m_name, false);
            d.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    SideConnection(const SideConnection &) = delete;
    SideConnection &operator=(const SideConnection &) = delete;

    bool opened() const { return m_opened; }
    QString error() const { return m_error; }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
    bool m_opened = false;
    QString m_error;
};

// The result of "PRAGMA integrity_check": empty when the file is sound.
QString integrityProblem(QSqlDatabase d)
{
    QSqlQuery q(d);
    if (!q.exec(QStringLiteral("PRAGMA integrity_check")))
        return q.lastError().text();
    QStringList problems;
    while (q.next())
        problems << q.value(0).toString();
    if (problems == QStringList{QStringLiteral("ok")})
        return {};
    if (problems.isEmpty())
        return QObject::tr("检查没有结果");
    return problems.mid(0, 3).join(QStringLiteral("；"));
}

// What the file's first 100 bytes tell: not a database at all, or a database
// whose header promises more pages than the file holds (a truncated copy).
QString headerProblem(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QObject::tr("无法读取文件：%1").arg(f.errorString());
    const QByteArray h = f.read(100);
    static const QByteArray magic("SQLite format 3\0", 16);
    if (h.size() < 100 || !h.startsWith(magic))
        return QObject::tr("该文件不是数据库文件。");
    const auto *b = reinterpret_cast<const uchar *>(h.constData());
    quint32 pageSize = qFromBigEndian<quint16>(b + 16);
    if (pageSize == 1)
        pageSize = 65536;
    const quint32 changeCounter = qFromBigEndian<quint32>(b + 24);
    const quint32 pages = qFromBigEndian<quint32>(b + 28);
    const quint32 validFor = qFromBigEndian<quint32>(b + 92);
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return QObject::tr("该文件不是数据库文件（文件头已损坏）。");
    if (pages > 0 && changeCounter == validFor && quint64(f.size()) < quint64(pages) * pageSize)
        return QObject::tr("该文件不完整（只有 %1 字节，应有 %2 字节），可能在复制时被截断。")
            .arg(f.size())
            .arg(quint64(pages) * pageSize);
    return {};
}

// Whether an opened file is a database of this program that this version reads.
QString schemaProblem(QSqlDatabase d)
{
    const int version = storedSchemaVersion(d);
    if (version < 1)
        return QObject::tr("该文件不是本程序的数据库（缺少版本信息）。");
    if (version > kSchemaVersion)
        return QObject::tr("该备份由更新版本的程序创建（数据库版本 %1，本程序支持到 %2），无法恢复。")
            .arg(version)
            .arg(kSchemaVersion);
    if (version == kSchemaVersion) {
        QSqlQuery q(d);
        QStringList missing;
        for (const TableDef &t : schemaTables()) {
            q.prepare(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name=? COLLATE NOCASE"));
            q.addBindValue(t.name);
            if (!q.exec() || !q.next())
                return q.lastError().text();
            if (q.value(0).toInt() == 0)
                missing << t.name;
        }
        if (!missing.isEmpty())
            return QObject::tr("该文件不是本程序的数据库（缺少表 %1）。").arg(missing.join(QStringLiteral(", ")));
    }
    return {};
}

} // namespace

QString fileSafeDate(const QDate &date)
{
    QString s = QLocale::system().toString(date, QLocale::ShortFormat);
    static const QString forbidden = QStringLiteral("/\\:*?\"<>| ");
    for (QChar &c : s) {
        if (forbidden.contains(c) || c.unicode() < 32)
            c = QLatin1Char('-');
    }
    return s.isEmpty() ? date.toString(Qt::ISODate) : s;
}

QString defaultBackupPath(const QDate &date)
{
    return programFile(QStringLiteral("BackUP/") + fileSafeDate(date) + QStringLiteral(".bak"));
}

QString beforeRestorePath(const QString &databasePath)
{
    return databasePath + QStringLiteral(".before-restore");
}

Result writeBackup(QSqlDatabase db, const QString &path)
{
    if (!db.isOpen()) {
        const TDM *dm = TDM::instance();
        const QString why = dm ? dm->openError() : QString();
        return fail(why.isEmpty() ? QObject::tr("数据库未打开，无法备份。")
                                  : QObject::tr("数据库未打开，无法备份。%1").arg(why));
    }
    if (path.trimmed().isEmpty())
        return fail(QObject::tr("请先选择备份文件的位置。"));
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath()))
        return fail(QObject::tr("无法创建文件夹 %1").arg(native(target.absolutePath())));
    if (target.exists() && !target.isFile())
        return fail(QObject::tr("%1 不是文件，无法写入备份。").arg(native(path)));
    const int version = storedSchemaVersion(db);

    // Written under a working name, checked, then moved over the final name.
    const QString part = target.absoluteFilePath() + QStringLiteral(".part");
    QFile::remove(part);
    {
        QSqlQuery q(db);
        if (!q.prepare(QStringLiteral("VACUUM INTO ?"))) {
            return fail(QObject::tr("无法备份数据库：%1").arg(q.lastError().text()));
        }
        q.addBindValue(part);
        if (!q.exec()) {
            QFile::remove(part);
            return fail(QObject::tr("无法备份数据库到 %1：%2").arg(native(path), q.lastError().text()));
        }
    }
    QString problem;
    {
        SideConnection copy(part, true);
        if (!copy.opened())
            problem = copy.error();
        else if (const QString p = integrityProblem(copy.db()); !p.isEmpty())
            problem = p;
        else if (storedSchemaVersion(copy.db()) != version)
            problem = QObject::tr("备份的版本信息与数据库不符");
    }
    if (!problem.isEmpty()) {
        QFile::remove(part);
        return fail(QObject::tr("备份文件检查未通过，备份未完成：%1").arg(problem));
    }
    if (!replaceFile(part, target.absoluteFilePath())) {
        QFile::remove(part);
        return fail(QObject::tr("无法写入备份文件 %1").arg(native(path)));
    }
    return {true, QObject::tr("数据库已备份到 %1").arg(native(target.absoluteFilePath()))};
}

Result checkBackup(const QString &path)
{
    if (path.trimmed().isEmpty())
        return fail(QObject::tr("请先选择要恢复的备份文件。"));
    const QFileInfo fi(path);
    if (!fi.exists())
        return fail(QObject::tr("备份文件 %1 不存在。").arg(native(path)));
    // A pipe or device is refused before SQLite or the header check opens it.
    if (const QString why = userfile::check(path, userfile::Kind::Backup); !why.isEmpty())
        return fail(QObject::tr("无法用 %1 恢复：%2").arg(native(path), why));
    if (const QString p = headerProblem(path); !p.isEmpty())
        return fail(QObject::tr("无法用 %1 恢复：%2").arg(native(path), p));
    SideConnection c(path, true);
    if (!c.opened())
        return fail(QObject::tr("无法用 %1 恢复：无法打开（%2）").arg(native(path), c.error()));
    if (const QString p = integrityProblem(c.db()); !p.isEmpty())
        return fail(QObject::tr("无法用 %1 恢复：文件已损坏（%2）").arg(native(path), p));
    if (const QString p = schemaProblem(c.db()); !p.isEmpty())
        return fail(QObject::tr("无法用 %1 恢复：%2").arg(native(path), p));
    return {true, {}};
}

Result restoreBackup(const QString &backupPath, const QString &databasePath,
                     const std::function<void()> &closeDatabase, const std::function<QString()> &openDatabase)
{
    const Result checked = checkBackup(backupPath);
    if (!checked.ok)
        return checked;

    // A copy beside the database first, so that a failing copy leaves the
    // database alone; it is checked again in its new place.
    const QString incoming = databasePath + QStringLiteral(".restoring");
    QFile::remove(incoming);
    if (!QDir().mkpath(QFileInfo(databasePath).absolutePath()) || !QFile::copy(backupPath, incoming)) {
        QFile::remove(incoming);
        return fail(QObject::tr("无法复制备份文件到 %1").arg(native(incoming)));
    }
    if (const Result again = checkBackup(incoming); !again.ok) {
        QFile::remove(incoming);
        return fail(QObject::tr("复制后的备份文件检查未通过：%1").arg(again.message));
    }

    const QString before = beforeRestorePath(databasePath);
    closeDatabase();
    // The program's connection was the file's last one when its log went with
    // it. A log still beside the file belongs to a connection another program
    // (or window) holds open: replacing the file under it would let that
    // connection write into, or remove, the log of the restored one.
    if (QFileInfo(sideFiles(databasePath).first()).size() > 0) {
        QFile::remove(incoming);
        openDatabase();
        return fail(QObject::tr("数据库 %1 正被其他程序使用，恢复未进行。请关闭其他程序后再试。")
                        .arg(native(databasePath)));
    }
    removeDatabaseFiles(before);
    const bool hadDatabase = QFileInfo::exists(databasePath);
    // The current database is its file with whatever write-ahead log and
    // index are left beside it; they move together, so that the restored file
    // never meets the log of the one it replaces.
    if (hadDatabase && !moveDatabaseFiles(databasePath, before)) {
        moveDatabaseFiles(before, databasePath);
        QFile::remove(incoming);
        openDatabase();
        return fail(QObject::tr("无法保留当前数据库 %1，恢复未进行。").arg(native(databasePath)));
    }
    auto putBack = [&]() {
        removeDatabaseFiles(databasePath);
        if (hadDatabase)
            moveDatabaseFiles(before, databasePath);
        return openDatabase();
    };
    if (!QFile::rename(incoming, databasePath)) {
        QFile::remove(incoming);
        putBack();
        return fail(QObject::tr("无法把备份放到 %1，数据库未改变。").arg(native(databasePath)));
    }
    if (const QString error = openDatabase(); !error.isEmpty()) {
        putBack();
        return fail(QObject::tr("恢复的数据库无法打开（%1），已换回原来的数据库。").arg(error));
    }
    removeDatabaseFiles(before);
    return {true, QObject::tr("数据库已从 %1 恢复。").arg(native(backupPath))};
}

} // namespace nqb::backup
