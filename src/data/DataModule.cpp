#include "data/DataModule.h"

#include "data/Db.h"
#include "data/Paths.h"
#include "data/Schema.h"
#include "data/Seed.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

namespace {
TDM *g_instance = nullptr;
const char *const kConnection = "ACon";
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
    d.close();
    d.setDatabaseName(m_path);
    if (!m_openError.isEmpty()) {
        // Leave the connection closed: every statement then reports that it is not open.
    } else if (!d.open()) {
        m_openError = tr("无法打开数据库文件 %1：%2").arg(QDir::toNativeSeparators(m_path), d.lastError().text());
    } else {
        QSqlQuery q(d);
        // A file that is not a database of this program (or is damaged) fails here.
        if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next()
            || q.value(0).toString() != QLatin1String("ok")) {
            m_openError = tr("数据库文件 %1 已损坏或不是本程序的数据库：%2")
                              .arg(QDir::toNativeSeparators(m_path),
                                   q.lastError().isValid() ? q.lastError().text() : q.value(0).toString());
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
        }
        if (!m_openError.isEmpty())
            d.close();
    }
    m_searchFood = std::make_unique<QSqlQuery>(d);
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
