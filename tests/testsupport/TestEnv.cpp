#include "TestEnv.h"

#include "app/MainUnit.h"
#include "data/RunState.h"

#include "data/Paths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTimer>
#include <QWidget>

namespace {
// The seed database is built once per test program and copied for each test.
QString templateDatabase()
{
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("template.dat"));
        const QString err = nqb::createDatabaseFile(path);
        if (!err.isEmpty())
            qFatal("cannot build the seed database: %s", qPrintable(err));
    }
    return path;
}
} // namespace

TestEnv::TestEnv(bool withDatabase)
{
    nqb::setProgramDir(m_program.path());
    if (withDatabase) {
        QDir(m_work.path()).mkpath(QStringLiteral("Data"));
        QFile::copy(templateDatabase(), databasePath());
        QFile(databasePath()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        openDataModule();
    }
}

TestEnv::~TestEnv()
{
    closeDataModule();
    nqb::setProgramDir(QString());
}

QString TestEnv::databasePath() const
{
    return nqb::databasePathIn(m_work.path());
}

TDM *TestEnv::openDataModule()
{
    m_dm.reset();
    m_dm = std::make_unique<TDM>(m_work.path());
    return m_dm.get();
}

void TestEnv::closeDataModule()
{
    m_dm.reset();
}

void onNextModal(std::function<void(QWidget *)> fn, int timeoutMs)
{
    auto *timer = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fn, elapsed, timeoutMs]() {
        *elapsed += 10;
        QWidget *w = QApplication::activeModalWidget();
        if (w) {
            timer->stop();
            timer->deleteLater();
            fn(w);
        } else if (*elapsed > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            qWarning("onNextModal: no modal dialog appeared");
        }
    });
    timer->start();
}

int rowCount(const QString &table)
{
    QSqlQuery q(nqb::db());
    const QString sql = table.startsWith(QLatin1String("select"), Qt::CaseInsensitive)
                            ? table
                            : QStringLiteral("SELECT COUNT(*) FROM ") + table;
    if (!q.exec(sql) || !q.next())
        return -1;
    return q.value(0).toInt();
}

nqb::RunState &testRunState()
{
    static nqb::RunState fallback;
    if (TMain *main = TMain::instance())
        return main->runState();
    return fallback;
}
