#pragma once
// The fastest way this machine runs what a step asks of SQLite: the step's
// statements are recorded once on the program's own connection (as SQLite
// ran them, values filled in), prepared once on a separate connection to a
// copy of the database, and run there through the C API with every row of
// their results stepped through and every column read. The recording and the
// copy leave the program's database as it was.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

namespace rawbench {

// The statements a step ran, in order, each with the rows the program
// stepped through (a view that fetches lazily reads only some of them).
struct Recording {
    QList<QByteArray> statements;
    QList<qint64> rows;
    // Internal: the latest recorded run of each statement, for counting its rows.
    QHash<sqlite3_stmt *, qsizetype> latest;
};

// Records every statement the program's connection (nqb::db()) starts while
// fn runs. Statements run by triggers are part of their statement and are not
// recorded on their own.
Recording record(const std::function<void()> &fn);

// A copy of the program's database (VACUUM INTO) opened through the C API
// with the program's settings, on which recordings are replayed.
class Replica
{
public:
    // Copies the database to path (replacing a file there) and opens it.
    explicit Replica(const QString &path);
    ~Replica();
    Replica(const Replica &) = delete;
    Replica &operator=(const Replica &) = delete;

    bool isOpen() const { return m_db != nullptr; }
    QString error() const { return m_error; }

    // Prepares the statements of a recording once; the returned handle is
    // replayed with run(). -1 when a statement does not prepare.
    int prepare(const Recording &recording);
    // Runs a prepared recording: every statement stepped through as many rows
    // as the program read (and one step further, which ends a statement the
    // program read to its end), every column of every row read, then reset. Returns the rows read, or -1 with
    // error() set.
    qint64 run(int handle);
    // Runs a statement once (setup of the replica, not timed).
    bool exec(const char *sql);

private:
    sqlite3 *m_db = nullptr;
    QString m_path;
    QString m_error;
    QList<QList<sqlite3_stmt *>> m_prepared;
    QList<QList<qint64>> m_rows;
};

} // namespace rawbench
