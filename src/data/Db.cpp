#include "data/Db.h"

#include "data/DataModule.h"

#include <QObject>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <QHash>

#include <atomic>

namespace nqb {

Result failure(Status status, const QString &message)
{
    Result r;
    r.status = status;
    r.message = message;
    return r;
}

Result succeeded(int rows)
{
    Result r;
    r.rows = rows;
    return r;
}

namespace sql {

QSqlDatabase connection()
{
    return nqb::db();
}

bool isOpen(const QSqlDatabase &db)
{
    return db.isValid() && db.isOpen();
}

QString notOpenMessage()
{
    const TDM *dm = TDM::instance();
    if (dm && !dm->openError().isEmpty())
        return QObject::tr("数据库未打开，无法执行此操作。%1").arg(dm->openError());
    return QObject::tr("数据库未打开，无法执行此操作。");
}

Result requireOpen(const QSqlDatabase &db)
{
    if (isOpen(db))
        return succeeded();
    return failure(Status::DbError, notOpenMessage());
}

QString readOnlyMessage()
{
    const TDM *dm = TDM::instance();
    return QObject::tr("数据库是只读的，此改动无法保存。%1").arg(dm ? dm->readOnlyNotice() : QString());
}

QString inUseMessage()
{
    return QObject::tr("数据库正被其他程序使用（已被锁定），此操作未完成，数据未改变。请关闭使用它的程序后重试。");
}

QString errorText(const QSqlQuery &q)
{
    const QSqlError e = q.lastError();
    if (isReadOnlyError(e))
        return readOnlyMessage();
    if (isBusyError(e))
        return inUseMessage();
    return databaseErrorText(e.text());
}

Result exec(QSqlQuery &q, const QString &sql, const QVariantList &binds, const QString &what)
{
    auto failed = [&](const QString &text) {
        return failure(Status::DbError, what.isEmpty() ? text : what + QStringLiteral(": ") + text);
    };
    // QSqlQuery keeps its connection; a query on a closed or invalid one would
    // otherwise fail with an empty error text.
    if (!q.driver() || !q.driver()->isOpen())
        return failed(notOpenMessage());
    const bool prepared = q.lastQuery() == sql && !q.lastError().isValid() && !sql.isEmpty();
    if (!prepared && !q.prepare(sql))
        return failed(errorText(q));
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec())
        return failed(errorText(q));
    return succeeded(q.isSelect() ? 0 : q.numRowsAffected());
}

bool report(const Result &r, QString *error)
{
    if (!r.ok() && error)
        *error = r.message;
    return r.ok();
}

bool exec(QSqlQuery &q, const QString &sql, const QVariantList &binds, QString *error, const QString &what)
{
    const Result r = exec(q, sql, binds, what);
    if (!r.ok() && error)
        *error = r.message;
    return r.ok();
}

namespace {
std::atomic<quint64> g_scopeCounter{0};

struct Statements {
    const QSqlDriver *driver = nullptr;
    QHash<QString, QSqlQuery *> queries;
};
Statements &statements()
{
    static Statements s;
    return s;
}
} // namespace

QSqlQuery &statement(const QString &sql)
{
    Statements &s = statements();
    const QSqlDatabase d = connection();
    if (s.driver != d.driver())
        releaseStatements();
    s.driver = d.driver();
    QSqlQuery *&q = s.queries[sql];
    if (!q)
        q = new QSqlQuery(d);
    return *q;
}

void releaseStatements()
{
    Statements &s = statements();
    qDeleteAll(s.queries);
    s.queries.clear();
    s.driver = nullptr;
}

WriteScope::WriteScope(QSqlDatabase db)
    : m_db(std::move(db))
{
    m_status = requireOpen(m_db);
    if (!m_status.ok())
        return;
    if (const TDM *dm = TDM::instance(); dm && dm->isReadOnly() && m_db.connectionName() == TDM::connectionName()) {
        m_status = failure(Status::DbError, readOnlyMessage());
        return;
    }
    // Every scope has a savepoint of its own name, so scopes nest freely; the
    // outermost one opens the transaction.
    m_name = QStringLiteral("nqb_scope_%1").arg(++g_scopeCounter);
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SAVEPOINT ") + m_name)) {
        m_status = failure(Status::DbError, errorText(q));
        return;
    }
    m_open = true;
}

WriteScope::~WriteScope()
{
    rollback();
}

Result WriteScope::commit()
{
    if (!m_open)
        return m_status.ok() ? failure(Status::DbError, QObject::tr("写入已撤销。")) : m_status;
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("RELEASE ") + m_name)) {
        const Result r = failure(Status::DbError, errorText(q));
        rollback();
        return r;
    }
    m_open = false;
    return succeeded();
}

void WriteScope::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    QSqlQuery q(m_db);
    q.exec(QStringLiteral("ROLLBACK TO ") + m_name);
    q.exec(QStringLiteral("RELEASE ") + m_name);
}

QString likeLiteral(const QString &text)
{
    QString s = text;
    s.remove(QChar(u'\0'));
    s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    s.replace(QLatin1Char('%'), QLatin1String("\\%"));
    s.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return s;
}

QString prefixCondition(const QString &column, const QString &prefix, QVariantList *binds)
{
    const QChar last = prefix.isEmpty() ? QChar() : prefix.back();
    if (!prefix.isEmpty() && !last.isSurrogate() && last.unicode() < 0xD7FF) {
        QString upper = prefix;
        upper.back() = QChar(char16_t(last.unicode() + 1));
        *binds << prefix << upper;
        return QStringLiteral("%1 >= ? AND %1 < ?").arg(column);
    }
    *binds << int(prefix.size()) << prefix;
    return QStringLiteral("substr(%1, 1, ?) = ?").arg(column);
}

} // namespace sql
} // namespace nqb
