#include "data/DataModule.h"

#include "data/Db.h"
#include "data/Paths.h"
#include "data/Schema.h"
#include "data/Seed.h"

#include <QDir>
#include <QUrl>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

namespace {
TDM *g_instance = nullptr;
const char *const kConnection = "ACon";
// How long the checks at opening wait for a lock held by another program,
// and how long a statement waits afterwards (milliseconds).
const int kOpenBusyTimeoutMs = 200;
const int kBusyTimeoutMs = 5000;
} // namespace

namespace nqb {

QSqlDatabase db()
{
    if (!QSqlDatabase::contains(QString::fromLatin1(kConnection)))
        return QSqlDatabase();
    return QSqlDatabase::database(QString::fromLatin1(kConnection), false);
}

QString databaseErrorText(const QString &providerText)
{
    const TDM *dm = TDM::instance();
    if (dm && !dm->isOpen() && !dm->openError().isEmpty())
        return QObject::tr("数据库未打开，无法执行此操作。%1").arg(dm->openError());
    const QString t = providerText.trimmed();
    return t.isEmpty() ? QObject::tr("数据库语句执行失败。") : t;
}

bool isBusyError(const QSqlError &e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6"); // SQLITE_BUSY, SQLITE_LOCKED
}

bool isReadOnlyError(const QSqlError &e)
{
    return e.nativeErrorCode() == QLatin1String("8"); // SQLITE_READONLY
}

QString databaseReadOnlyReason(const QString &path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return {};
    if (!file.isWritable())
        return QObject::tr("文件不可写");
    // The journal beside the file is created in its folder.
    if (!QFileInfo(file.absolutePath()).isWritable())
        return QObject::tr("所在文件夹 %1 不可写").arg(QDir::toNativeSeparators(file.absolutePath()));
    return {};
}

QString createDatabaseFile(const QString &path)
{
    const QFileInfo fi(path);
    if (!QDir().mkpath(fi.absolutePath()))
        return QObject::tr("无法创建文件夹 %1").arg(fi.absolutePath());
    const QString building = path + QStringLiteral(".new");
    QFile::remove(building);
    QString error;
    {
        const QString name = QStringLiteral("nqb-create-%1").arg(quintptr(&error));
        {
            QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            d.setDatabaseName(building);
            if (!d.open()) {
                error = d.lastError().text();
            } else {
                QSqlQuery q(d);
                q.exec(QStringLiteral("PRAGMA journal_mode=OFF"));
                q.exec(QStringLiteral("PRAGMA synchronous=OFF"));
                q.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
                error = createSchema(d);
                if (error.isEmpty())
                    error = populateSeed(d);
                d.close();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (!error.isEmpty()) {
        QFile::remove(building);
        return error;
    }
    QFile::remove(path);
    if (!QFile::rename(building, path)) {
        QFile::remove(building);
        return QObject::tr("无法写入 %1").arg(path);
    }
    return {};
}

} // namespace nqb

TDM::TDM(const QString &workingDir, QObject *parent)
    : QObject(parent)
    , m_workingDir(workingDir.isEmpty() ? QDir::currentPath() : workingDir)
{
    g_instance = this;
    m_path = nqb::databasePathIn(m_workingDir);
    open();
}

TDM::~TDM()
{
    m_searchFood.reset();
    nqb::sql::releaseStatements();
    if (QSqlDatabase::contains(connectionName())) {
        {
            QSqlDatabase d = QSqlDatabase::database(connectionName(), false);
            d.close();
        }
        QSqlDatabase::removeDatabase(connectionName());
    }
    if (g_instance == this)
        g_instance = nullptr;
}

QString TDM::connectionName()
{
    return QString::fromLatin1(kConnection);
}

TDM *TDM::instance()
{
    return g_instance;
}

void TDM::open()
{
    if (!QFileInfo::exists(m_path)) {
        const QString err = nqb::createDatabaseFile(m_path);
        if (!err.isEmpty()) {
            m_openError = tr("无法创建数据库文件 %1：%2").arg(QDir::toNativeSeparators(m_path), err);
        } else {
            m_creationNotice =
                tr("未找到数据库文件，已用程序自带的数据新建：%1").arg(QDir::toNativeSeparators(m_path));
        }
    }

    // A connection of an earlier opening keeps its name and is opened again on
    // this file, so that nothing holds a connection that no longer exists.
    QSqlDatabase d = QSqlDatabase::contains(connectionName())
                         ? QSqlDatabase::database(connectionName(), false)
                         : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName());
    // Statements kept for the earlier opening would keep its file open.
    nqb::sql::releaseStatements();
    d.close();
    d.setDatabaseName(m_path);
    // A file or folder that cannot be written is opened read-only, and said so;
    // the checks wait only briefly for a lock another program holds.
    const QString readOnlyReason = m_openError.isEmpty() ? nqb::databaseReadOnlyReason(m_path) : QString();
    m_readOnly = !readOnlyReason.isEmpty();
    // A read-only write-ahead-log database cannot create its shared-memory
    // file in a folder that cannot be written: open it as an unchanging file.
    if (m_readOnly)
        d.setDatabaseName(QUrl::fromLocalFile(m_path).toString() + QStringLiteral("?immutable=1"));
    d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1%2")
                            .arg(kOpenBusyTimeoutMs)
                            .arg(m_readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI") : QString()));
    if (!m_openError.isEmpty()) {
        // Leave the connection closed: every statement then reports that it is not open.
    } else if (!d.open()) {
        m_openError = tr("无法打开数据库文件 %1：%2").arg(QDir::toNativeSeparators(m_path), d.lastError().text());
    } else {
        QSqlQuery q(d);
        // A file that is not a database of this program (or is damaged) fails here.
        if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next()
            || q.value(0).toString() != QLatin1String("ok")) {
            if (nqb::isBusyError(q.lastError()))
                m_openError = inUseMessage();
            else if (m_readOnly && q.lastError().isValid())
                m_openError = tr("数据库文件 %1 是只读的（%2），无法打开：%3")
                                  .arg(QDir::toNativeSeparators(m_path), readOnlyReason, q.lastError().text());
            else
                m_openError = tr("数据库文件 %1 已损坏或不是本程序的数据库：%2")
                                  .arg(QDir::toNativeSeparators(m_path),
                                       q.lastError().isValid() ? q.lastError().text() : q.value(0).toString());
        } else if (const QString lock = probeWriteAccess(d); !lock.isEmpty()) {
            m_openError = lock;
        } else if (nqb::storedSchemaVersion(d) < 1) {
            m_openError = tr("数据库文件 %1 不是本程序的数据库（缺少版本信息）。").arg(QDir::toNativeSeparators(m_path));
        } else if (nqb::storedSchemaVersion(d) > nqb::kSchemaVersion) {
            m_openError = tr("数据库文件 %1 由更新版本的程序创建，本程序无法使用。").arg(QDir::toNativeSeparators(m_path));
        } else {
            q.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
            // Commits are appended to a write-ahead log and only the log's
            // checkpoints wait for the disk: see "Durability" in README.md.
            q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
            // Up to 32 MiB of pages kept between statements (SQLite's default
            // is 2 MiB): a group listing or a search at many thousand foods
            // reads its pages from here the next time, not from the file.
            // SQLite drops what another connection changed, so nothing read
            // here is ever stale.
            q.exec(QStringLiteral("PRAGMA cache_size=-32768"));
            // A database of an earlier version gets the search indexes once;
            // without them a search only takes longer, so a failure here
            // (a lock, a full disk) stops nothing.
            if (!m_readOnly)
                nqb::ensureSearchIndexes(d);
        }
        if (!m_openError.isEmpty()) {
            d.close();
        } else {
            q.exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(kBusyTimeoutMs));
            if (m_readOnly)
                m_readOnlyNotice = tr("数据库文件 %1 是只读的（%2）。程序以只读方式运行：可以查看和计算，"
                                      "但配餐、菜肴、食物、档案、导入和恢复等对数据库的改动都无法保存。")
                                       .arg(QDir::toNativeSeparators(m_path), readOnlyReason);
        }
    }
    m_searchFood = std::make_unique<QSqlQuery>(d);
}

QString TDM::inUseMessage() const
{
    return tr("数据库文件 %1 正被其他程序使用（已被锁定），现在无法打开。请关闭使用它的程序（例如另一个正在运行的本程序）后重新启动。")
        .arg(QDir::toNativeSeparators(m_path));
}

// Takes the write lock for a moment: another program holding the database
// shows here rather than at the first save, and so does a file the system
// does not let this process write after all (a read-only mount).
QString TDM::probeWriteAccess(QSqlDatabase &d)
{
    if (m_readOnly)
        return {};
    QSqlQuery q(d);
    if (q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        q.exec(QStringLiteral("ROLLBACK"));
        return {};
    }
    if (nqb::isBusyError(q.lastError()))
        return inUseMessage();
    if (nqb::isReadOnlyError(q.lastError())) {
        // Open again read-only, so that nothing tries to write.
        m_readOnly = true;
        d.close();
        d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_READONLY").arg(kOpenBusyTimeoutMs));
        if (!d.open())
            return tr("无法打开数据库文件 %1：%2").arg(QDir::toNativeSeparators(m_path), d.lastError().text());
        return {};
    }
    return {};
}

void TDM::closeConnection()
{
    m_searchFood.reset();
    nqb::sql::releaseStatements();
    if (QSqlDatabase::contains(connectionName())) {
        QSqlDatabase d = QSqlDatabase::database(connectionName(), false);
        if (d.isOpen()) {
            // Everything of the log into the file itself (without waiting for
            // other readers), so that the file alone is the whole database
            // once the last connection has closed.
            QSqlQuery q(d);
            q.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
        }
        d.close();
    }
}

QString TDM::reopen()
{
    closeConnection();
    m_openError.clear();
    m_creationNotice.clear();
    m_readOnlyNotice.clear();
    m_readOnly = false;
    open();
    return m_openError;
}

QSqlDatabase TDM::ACon() const
{
    return QSqlDatabase::database(connectionName(), false);
}

QSqlQuery &TDM::AQSearchFood()
{
    return *m_searchFood;
}

bool TDM::isOpen() const
{
    return ACon().isOpen();
}
