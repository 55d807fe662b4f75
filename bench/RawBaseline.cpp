#include "RawBaseline.h"

#include "data/DataModule.h"

#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <cstdio>

namespace rawbench {

namespace {

sqlite3 *programHandle()
{
    const QSqlDatabase d = nqb::db();
    if (!d.isOpen() || !d.driver())
        return nullptr;
    const QVariant v = d.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(v.constData());
}

int onStatement(unsigned type, void *context, void *p, void *x)
{
    auto *r = static_cast<Recording *>(context);
    if (type == SQLITE_TRACE_ROW) {
        // Rows of a trigger's statements belong to no recorded statement.
        const auto it = r->latest.constFind(static_cast<sqlite3_stmt *>(p));
        if (it != r->latest.constEnd())
            ++r->rows[*it];
        return 0;
    }
    if (type != SQLITE_TRACE_STMT)
        return 0;
    // A statement run by a trigger reports itself as a comment "-- ...".
    const char *text = static_cast<const char *>(x);
    if (text && text[0] == '-' && text[1] == '-')
        return 0;
    char *expanded = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(p));
    if (expanded) {
        r->statements << QByteArray(expanded);
        r->rows << 0;
        r->latest.insert(static_cast<sqlite3_stmt *>(p), r->rows.size() - 1);
        sqlite3_free(expanded);
    }
    return 0;
}

// Keeps the value where the compiler cannot drop the reads.
volatile qint64 g_sink = 0;

} // namespace

Recording record(const std::function<void()> &fn)
{
    Recording r;
    sqlite3 *h = programHandle();
    if (h)
        sqlite3_trace_v2(h, SQLITE_TRACE_STMT | SQLITE_TRACE_ROW, onStatement, &r);
    fn();
    if (h)
        sqlite3_trace_v2(h, 0, nullptr, nullptr);
    return r;
}

Replica::Replica(const QString &path)
    : m_path(path)
{
    for (const QString &f : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")})
        QFile::remove(f);
    QSqlQuery q(nqb::db());
    q.prepare(QStringLiteral("VACUUM INTO ?"));
    q.addBindValue(path);
    if (!q.exec()) {
        m_error = QStringLiteral("VACUUM INTO: ") + q.lastError().text();
        return;
    }
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    // The settings the program's connection runs with.
    QSqlQuery mode(nqb::db());
    QByteArray journal = "delete";
    QByteArray sync = "2";
    if (mode.exec(QStringLiteral("PRAGMA journal_mode")) && mode.next())
        journal = mode.value(0).toString().toLatin1();
    if (mode.exec(QStringLiteral("PRAGMA synchronous")) && mode.next())
        sync = mode.value(0).toString().toLatin1();
    exec(("PRAGMA journal_mode=" + journal).constData());
    exec(("PRAGMA synchronous=" + sync).constData());
    exec("PRAGMA foreign_keys=ON");
    if (mode.exec(QStringLiteral("PRAGMA cache_size")) && mode.next())
        exec(("PRAGMA cache_size=" + mode.value(0).toString().toLatin1()).constData());
}

Replica::~Replica()
{
    for (const QList<sqlite3_stmt *> &list : std::as_const(m_prepared)) {
        for (sqlite3_stmt *s : list)
            sqlite3_finalize(s);
    }
    if (m_db)
        sqlite3_close(m_db);
    for (const QString &f : {m_path, m_path + QStringLiteral("-wal"), m_path + QStringLiteral("-shm")})
        QFile::remove(f);
}

bool Replica::exec(const char *sql)
{
    char *msg = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        m_error = QString::fromUtf8(msg ? msg : "?");
        sqlite3_free(msg);
        return false;
    }
    return true;
}

int Replica::prepare(const Recording &recording)
{
    if (!m_db)
        return -1;
    QList<sqlite3_stmt *> list;
    QList<qint64> rows;
    for (qsizetype i = 0; i < recording.statements.size(); ++i) {
        const QByteArray &sql = recording.statements.at(i);
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v3(m_db, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &s, nullptr)
            != SQLITE_OK) {
            m_error = QString::fromUtf8(sqlite3_errmsg(m_db)) + QStringLiteral(": ") + QString::fromUtf8(sql);
            for (sqlite3_stmt *p : list)
                sqlite3_finalize(p);
            return -1;
        }
        if (s) {
            list << s;
            rows << recording.rows.value(i);
        }
    }
    m_prepared << list;
    m_rows << rows;
    return int(m_prepared.size() - 1);
}

qint64 Replica::run(int handle)
{
    if (handle < 0 || handle >= m_prepared.size())
        return -1;
    qint64 rows = 0;
    qint64 sink = 0;
    const QList<sqlite3_stmt *> &list = m_prepared.at(handle);
    for (qsizetype i = 0; i < list.size(); ++i) {
        sqlite3_stmt *s = list.at(i);
        const qint64 wanted = m_rows.at(handle).value(i);
        qint64 read = 0;
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            if (read++ >= wanted)
                break;
            ++rows;
            const int n = sqlite3_column_count(s);
            for (int c = 0; c < n; ++c) {
                switch (sqlite3_column_type(s, c)) {
                case SQLITE_INTEGER:
                    sink += sqlite3_column_int64(s, c);
                    break;
                case SQLITE_FLOAT:
                    sink += qint64(sqlite3_column_double(s, c));
                    break;
                case SQLITE_TEXT: {
                    const unsigned char *t = sqlite3_column_text(s, c);
                    sink += sqlite3_column_bytes(s, c) + (t ? t[0] : 0);
                    break;
                }
                case SQLITE_BLOB:
                    sqlite3_column_blob(s, c);
                    sink += sqlite3_column_bytes(s, c);
                    break;
                default:
                    break;
                }
            }
        }
        // A replayed write may meet the row it wrote on an earlier run (a
        // unique key): the statement's work is done all the same.
        if (rc != SQLITE_DONE && rc != SQLITE_ROW && rc != SQLITE_CONSTRAINT)
            m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_reset(s);
    }
    if (!sqlite3_get_autocommit(m_db)) {
        // A recording never leaves a transaction open; a failed release would.
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    g_sink = g_sink + sink;
    return rows;
}

} // namespace rawbench
