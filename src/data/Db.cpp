#include "data/Db.h"

#include "data/DataModule.h"

#include <QObject>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <QHash>

#include <sqlite3.h>

#include <algorithm>
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

// A direct read's statement, kept prepared for the next read of its text.
struct Kept {
    sqlite3_stmt *stmt = nullptr;
    bool busy = false;   // a Read is stepping through it
    bool orphan = false; // released while busy: the Read finalizes it
};

namespace {
std::atomic<quint64> g_scopeCounter{0};

struct Statements {
    const QSqlDriver *driver = nullptr;
    // The kept QSqlQuery statements by owner (see ownStatement()); those of
    // statement() under no owner.
    QHash<const QObject *, QHash<QString, QSqlQuery *>> owned;
    // The direct reads' statements, of the connection handle they belong to.
    sqlite3 *handle = nullptr;
    QHash<QString, Kept *> reads;
};
Statements &statements()
{
    static Statements s;
    return s;
}

void releaseQueries()
{
    Statements &s = statements();
    // The owners stay known (their destruction is watched); only their
    // statements go.
    for (auto &own : s.owned) {
        qDeleteAll(own);
        own.clear();
    }
    s.driver = nullptr;
}

// A statement a Read is still stepping through is left to that Read, which
// finalizes it when it ends; the others are finalized here.
void releaseReads()
{
    Statements &s = statements();
    for (Kept *k : std::as_const(s.reads)) {
        if (k->busy) {
            k->orphan = true;
            continue;
        }
        sqlite3_finalize(k->stmt);
        delete k;
    }
    s.reads.clear();
    s.handle = nullptr;
}
} // namespace

QSqlQuery &statement(const QString &sql)
{
    return ownStatement(nullptr, sql);
}

QSqlQuery &ownStatement(const QObject *owner, const QString &sql)
{
    Statements &s = statements();
    const QSqlDatabase d = connection();
    if (s.driver != d.driver())
        releaseQueries();
    s.driver = d.driver();
    auto own = s.owned.find(owner);
    if (own == s.owned.end()) {
        own = s.owned.insert(owner, {});
        if (owner)
            QObject::connect(owner, &QObject::destroyed, [owner] {
            Statements &st = statements();
            const auto it = st.owned.find(owner);
            if (it != st.owned.end()) {
                qDeleteAll(*it);
                st.owned.erase(it);
            }
        });
    }
    QSqlQuery *&q = (*own)[sql];
    if (!q)
        q = new QSqlQuery(d);
    return *q;
}

void releaseStatements()
{
    releaseQueries();
    releaseReads();
}

namespace {

// The SQLite handle of the program's connection; null when it is not open.
sqlite3 *connectionHandle()
{
    const QSqlDatabase d = connection();
    if (!isOpen(d) || !d.driver())
        return nullptr;
    const QVariant h = d.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

bool bind(sqlite3_stmt *stmt, int index, const QVariant &v)
{
    // The kinds a plan row and most reads bind, without a conversion.
    switch (v.typeId()) {
    case QMetaType::Double:
        if (v.isNull())
            return sqlite3_bind_null(stmt, index) == SQLITE_OK;
        return sqlite3_bind_double(stmt, index, *static_cast<const double *>(v.constData())) == SQLITE_OK;
    case QMetaType::QString: {
        const QString &t = *static_cast<const QString *>(v.constData());
        if (v.isNull() || t.isNull())
            return sqlite3_bind_null(stmt, index) == SQLITE_OK;
        return sqlite3_bind_text16(stmt, index, t.utf16(), int(t.size() * sizeof(char16_t)), SQLITE_TRANSIENT)
               == SQLITE_OK;
    }
    default:
        break;
    }
    // As Qt's driver binds them: a null text or byte array is NULL.
    if (v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isNull())
        || (v.typeId() == QMetaType::QByteArray && v.toByteArray().isNull()))
        return sqlite3_bind_null(stmt, index) == SQLITE_OK;
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return sqlite3_bind_int64(stmt, index, v.toLongLong()) == SQLITE_OK;
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, index, v.toDouble()) == SQLITE_OK;
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return sqlite3_bind_blob64(stmt, index, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT)
               == SQLITE_OK;
    }
    default: {
        const QString t = v.toString();
        return sqlite3_bind_text16(stmt, index, t.utf16(), int(t.size() * sizeof(char16_t)), SQLITE_TRANSIENT)
               == SQLITE_OK;
    }
    }
}

} // namespace

Read::Read(const QString &sql, const QVariantList &binds)
{
    if (open(sql))
        bindAll(binds);
}

Read::Read(const QString &sql, Unbound)
{
    open(sql);
}

bool Read::open(const QString &sql)
{
    sqlite3 *h = connectionHandle();
    if (!h) {
        m_status = failure(Status::DbError, notOpenMessage());
        return false;
    }
    Statements &s = statements();
    if (s.handle != h) {
        releaseReads();
        s.handle = h;
    }
    Kept *&kept = s.reads[sql];
    if (!kept)
        kept = new Kept;
    if (!kept->busy && kept->stmt) {
        m_stmt = kept->stmt;
    } else {
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt *stmt = nullptr;
        const int rc = sqlite3_prepare_v3(h, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                                          nullptr);
        if (rc != SQLITE_OK || !stmt) {
            sqlite3_finalize(stmt);
            fail(QString::fromUtf8(sqlite3_errmsg(h)), rc);
            return false;
        }
        m_stmt = stmt;
        if (kept->busy) {
            m_own = true;
        } else {
            kept->stmt = stmt;
        }
    }
    if (!m_own) {
        kept->busy = true;
        m_kept = kept;
    }
    return true;
}

void Read::bindNull(int index)
{
    if (m_status.ok() && m_stmt && sqlite3_bind_null(m_stmt, index) != SQLITE_OK)
        bindFailed();
}

void Read::bindNumber(int index, double value)
{
    if (m_status.ok() && m_stmt && sqlite3_bind_double(m_stmt, index, value) != SQLITE_OK)
        bindFailed();
}

void Read::bindText(int index, const QString &value)
{
    if (value.isNull())
        return bindNull(index);
    if (m_status.ok() && m_stmt
        && sqlite3_bind_text16(m_stmt, index, value.utf16(), int(value.size() * sizeof(char16_t)), SQLITE_TRANSIENT)
               != SQLITE_OK)
        bindFailed();
}

void Read::bindFailed()
{
    sqlite3 *h = sqlite3_db_handle(m_stmt);
    fail(QString::fromUtf8(sqlite3_errmsg(h)), sqlite3_errcode(h));
}

bool Read::step()
{
    while (next()) {
    }
    if (!m_status.ok() || !m_stmt)
        return false;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    return true;
}

bool Read::bindAll(const QVariantList &binds)
{
    if (!m_status.ok() || !m_stmt)
        return false;
    const int wanted = sqlite3_bind_parameter_count(m_stmt);
    if (wanted != binds.size()) {
        fail(QObject::tr("语句需要 %1 个值，给了 %2 个。").arg(wanted).arg(binds.size()), SQLITE_MISUSE);
        return false;
    }
    for (int i = 0; i < binds.size(); ++i) {
        if (!bind(m_stmt, i + 1, binds.at(i))) {
            bindFailed();
            return false;
        }
    }
    return true;
}

Read::~Read()
{
    if (!m_stmt)
        return;
    if (m_own) {
        sqlite3_finalize(m_stmt);
        return;
    }
    if (m_kept && m_kept->orphan) {
        sqlite3_finalize(m_stmt);
        delete m_kept;
        return;
    }
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    if (m_kept)
        m_kept->busy = false;
}

void Read::fail(const QString &text, int code)
{
    const int primary = code & 0xff;
    if (primary == SQLITE_READONLY)
        m_status = failure(Status::DbError, readOnlyMessage());
    else if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        m_status = failure(Status::DbError, inUseMessage());
    else
        m_status = failure(Status::DbError, databaseErrorText(text));
}

bool Read::next()
{
    if (!m_status.ok() || !m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        fail(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_stmt))), rc);
    return false;
}

int Read::columnCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

QString Read::columnName(int column) const
{
    return m_stmt ? QString::fromUtf8(sqlite3_column_name(m_stmt, column)) : QString();
}

bool Read::isNull(int column) const
{
    return !m_stmt || sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

int Read::type(int column) const
{
    return m_stmt ? sqlite3_column_type(m_stmt, column) : SQLITE_NULL;
}

QByteArray Read::bytes(int column) const
{
    if (!m_stmt)
        return {};
    const void *b = sqlite3_column_blob(m_stmt, column);
    return b ? QByteArray(static_cast<const char *>(b), sqlite3_column_bytes(m_stmt, column)) : QByteArray();
}

QByteArrayView Read::view(int column) const
{
    if (!m_stmt)
        return {};
    const void *b = sqlite3_column_blob(m_stmt, column);
    return b ? QByteArrayView(static_cast<const char *>(b), sqlite3_column_bytes(m_stmt, column)) : QByteArrayView();
}

QString Read::text(int column) const
{
    if (!m_stmt)
        return {};
    const unsigned char *t = sqlite3_column_text(m_stmt, column);
    if (!t)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char *>(t), sqlite3_column_bytes(m_stmt, column));
}

qint64 Read::integer(int column) const
{
    return m_stmt ? sqlite3_column_int64(m_stmt, column) : 0;
}

double Read::number(int column) const
{
    return m_stmt ? sqlite3_column_double(m_stmt, column) : 0.0;
}

QVariant Read::value(int column) const
{
    if (!m_stmt)
        return {};
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(m_stmt, column)),
                                   sqlite3_column_bytes(m_stmt, column)));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    default:
        return QVariant(text(column));
    }
}

Result run(const QString &sql, const QVariantList &binds)
{
    return runEach(sql, {binds});
}

Result runEach(const QString &sql, const QList<QVariantList> &rows)
{
    if (rows.isEmpty())
        return succeeded(0);
    // The statement is found (or prepared) once for all rows.
    Read r(sql, Read::Unbound{});
    int changed = 0;
    for (const QVariantList &row : rows) {
        if (!r.bindAll(row) || !r.step())
            return r.status();
        changed += sqlite3_changes(sqlite3_db_handle(r.m_stmt));
    }
    return r.ok() ? succeeded(changed) : r.status();
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

QString identifier(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

QString containsCondition(const QStringList &columns, const QString &text, QVariantList *binds)
{
    QString literal = text;
    literal.remove(QChar(u'\0'));
    const bool letters = std::any_of(literal.cbegin(), literal.cend(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
    });
    QStringList parts;
    if (letters) {
        // LIKE, for its case-insensitive ASCII letters. The pattern is built
        // in the statement, not bound whole: SQLite looks at a pattern bound
        // as a parameter to see whether an index could serve it, and so
        // prepares a kept statement again after every new value.
        const QString escaped = likeLiteral(literal);
        for (const QString &c : columns) {
            parts << QStringLiteral("%1 LIKE '%' || ? || '%' ESCAPE '\\'").arg(c);
            *binds << (escaped.isNull() ? QStringLiteral("") : escaped);
        }
    } else {
        // Without a letter LIKE matches exactly what instr() finds, and
        // instr() is quicker: it compares no case and reads no pattern.
        for (const QString &c : columns) {
            parts << QStringLiteral("instr(%1, ?) > 0").arg(c);
            *binds << (literal.isNull() ? QStringLiteral("") : literal);
        }
    }
    return QLatin1Char('(') + parts.join(QStringLiteral(" OR ")) + QLatin1Char(')');
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
    // Every row begins with an empty prefix: no condition, so that SQLite reads
    // the smallest index rather than every row of the table (a null prefix
    // must not become a NULL that matches nothing).
    if (prefix.isEmpty())
        return QStringLiteral("1");
    *binds << int(prefix.size()) << prefix;
    return QStringLiteral("substr(%1, 1, ?) = ?").arg(column);
}

} // namespace sql
} // namespace nqb
