#pragma once
// The one way the program talks to its database: statements with bound
// values, a nestable write scope for every write of several rows, and one
// result type carrying a status and the message to show.
//
// A statement on a connection that is not open never fails silently: its
// result carries a message saying the database is not open and why.
#include <QByteArrayView>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

class QSqlQuery;
struct sqlite3_stmt;

namespace nqb {

// What became of a command. Ok carries no message; every other status carries
// the text to show the user.
enum class Status {
    Ok,
    EmptyWeight, // the weight box is empty
    BadNumber,   // a typed number is no number (e.g. "1..2"), or out of range
    Duplicate,   // the row exists already
    NotFound,    // no such row, or nothing chosen
    Refused,     // the command is not allowed in this state (e.g. still in use)
    FileError,   // a file could not be read or written
    DbError      // a statement failed or the database is not open; nothing was written
};

struct Result {
    Status status = Status::Ok;
    QString message; // the text to show (empty for Ok)
    int rows = 0;    // rows written, deleted or imported, where the command counts them
    bool ok() const { return status == Status::Ok; }
    explicit operator bool() const { return ok(); }
};

// A result with a failing status and the message to show.
Result failure(Status status, const QString &message);
// A successful result that counts rows.
Result succeeded(int rows = 0);

namespace sql {

// The program's connection (ACon), or an invalid one before the data module exists.
QSqlDatabase connection();

// True when the connection exists and is open.
bool isOpen(const QSqlDatabase &db = connection());

// The message for a command that needs the database while it is not open:
// never empty, names the reason the file could not be opened when known.
QString notOpenMessage();

// The message for a write while the database is open read-only (it names the
// reason), and for one that met a lock another program holds.
QString readOnlyMessage();
QString inUseMessage();

// Ok when the database is open; otherwise DbError with notOpenMessage().
Result requireOpen(const QSqlDatabase &db = connection());

// The text of a failed statement: the provider's message, or the reason the
// database is not open; never empty.
QString errorText(const QSqlQuery &q);

// Prepares sql on q (unless q holds it prepared from its last run, which did
// not fail) and runs it with binds in order. On failure: DbError with
// the message (prefixed by what, if given). rows is the number of rows
// affected for a write.
Result exec(QSqlQuery &q, const QString &sql, const QVariantList &binds = {}, const QString &what = {});
// True for an Ok result; otherwise false with the result's message in *error.
bool report(const Result &r, QString *error);

// The same, reporting the message through *error (for helpers that return data).
bool exec(QSqlQuery &q, const QString &sql, const QVariantList &binds, QString *error,
          const QString &what = {});

// A statement of the program's connection prepared once and kept for
// statements run once per row of a loop (look-ups, updates): SQLite parses
// long statements more slowly than it runs them. Only the statement is kept,
// never a result: each use runs it afresh. The statements are released when
// the connection closes (releaseStatements(), called by the data module) and
// prepared again on the next connection. A caller reads the result before it
// uses the same statement again.
QSqlQuery &statement(const QString &sql);
// The same for a statement whose result an owner goes on showing (a query
// model): each owner has its own, so that running it for one model never
// changes the rows another one shows. An owner's statements are dropped when
// it is destroyed, and with the others when the connection closes.
QSqlQuery &ownStatement(const QObject *owner, const QString &sql);
void releaseStatements();

// A read on the program's connection straight through SQLite, for the reads
// a user waits for at each click (pick lists, the browser's rows, the
// evaluation of a day): the statement is prepared once and kept like
// statement(), and each row is read column by column into the caller's values
// without a variant per cell. The statement is reset when the read ends, so
// it holds no read transaction afterwards. A read of a statement that is
// being read already (nested) prepares a copy of its own. Only the statement
// is kept, never a result: a change of the data is seen by the next read.
struct Kept;

class Read
{
public:
    explicit Read(const QString &sql, const QVariantList &binds = {});
    // For a write repeated once per row with its values bound one at a time:
    // the statement with nothing bound yet; then, for each row, a bind...()
    // for every parameter (numbered from 1) and step().
    struct Unbound {};
    Read(const QString &sql, Unbound);
    ~Read();
    Read(const Read &) = delete;
    Read &operator=(const Read &) = delete;

    // Ok while the read is fine; after a failed statement or step DbError
    // with the message to show (the database not open, in use, ...).
    const Result &status() const { return m_status; }
    bool ok() const { return m_status.ok(); }
    // Steps to the next row: false at the end, or on a failure (status()).
    bool next();
    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    // SQLite's storage class of the value: SQLITE_INTEGER, SQLITE_FLOAT,
    // SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL.
    int type(int column) const;
    // A text or blob value's bytes as stored (UTF-8 for a text).
    QByteArray bytes(int column) const;
    // The same bytes without a copy, valid until the next step.
    QByteArrayView view(int column) const;
    QString text(int column) const;
    qint64 integer(int column) const;
    double number(int column) const;
    // The value as QSqlQuery gives it: qint64, double, QString, QByteArray,
    // or a null QString for NULL.
    QVariant value(int column) const;

    void bindNull(int index);
    void bindNumber(int index, double value);
    void bindText(int index, const QString &value); // a null text is NULL
    // Runs the statement with the values bound, and makes it ready for the
    // next row's values; false on a failure (status()).
    bool step();

private:
    friend Result runEach(const QString &sql, const QList<QVariantList> &rows);
    bool open(const QString &sql);
    bool bindAll(const QVariantList &binds);
    void bindFailed();
    void fail(const QString &text, int code);
    sqlite3_stmt *m_stmt = nullptr;
    bool m_own = false;   // a nested read's own copy, finalized at the end
    Kept *m_kept = nullptr; // the kept statement this read steps through
    Result m_status;
};

// Runs one statement straight through SQLite with the statement kept prepared
// and the values bound as Read binds them: for a write repeated once per row
// of a long loop (the rows of a loaded plan), where binding through QSqlQuery
// costs more than the write. Ok with the rows changed, or DbError with the
// message.
Result run(const QString &sql, const QVariantList &binds);
// The same statement once for each row of values, found or prepared once for
// all of them; stops at the first failure. Ok with the rows changed in all.
Result runEach(const QString &sql, const QList<QVariantList> &rows);

// A group of writes that is stored whole or not at all. On the program's
// connection while the database is read-only it does not open (status:
// readOnlyMessage()). Scopes nest: one
// opened while another is open on the same connection becomes a savepoint
// inside it, and rolling back the inner one leaves the outer one's writes.
// Destroying a scope that was not committed rolls its writes back.
class WriteScope
{
public:
    explicit WriteScope(QSqlDatabase db = connection());
    ~WriteScope();
    WriteScope(const WriteScope &) = delete;
    WriteScope &operator=(const WriteScope &) = delete;

    // Ok when the scope is open; otherwise why it could not be opened.
    const Result &status() const { return m_status; }
    bool isOpen() const { return m_open; }
    // Keeps the writes (for a nested scope: hands them to the outer one).
    Result commit();
    // Undoes the writes made since the scope was opened.
    void rollback();

private:
    QSqlDatabase m_db;
    QString m_name;
    Result m_status;
    bool m_open = false;
};

// text to be matched literally inside a LIKE pattern with ESCAPE '\': the
// escape character, "%" and "_" escaped, a NUL removed (SQLite would end the
// pattern there, so "a\0b" would find every name ending in "a").
QString likeLiteral(const QString &text);

// name as an identifier in a statement: in double quotes, a quote doubled.
QString identifier(const QString &name);

// The condition "one of the columns contains text", matched literally (no
// pattern characters) and, for ASCII letters, regardless of case, as LIKE
// with likeLiteral() matches: through instr() where the text has no ASCII
// letter. The values are appended to *binds.
QString containsCondition(const QStringList &columns, const QString &text, QVariantList *binds);

// The condition "column begins with prefix" as a range of the column's index:
// column >= prefix AND column < the prefix with its last character raised by
// one (text compares character by character). Where that last character
// cannot be raised, the plain comparison of the first characters. The values
// are appended to *binds.
QString prefixCondition(const QString &column, const QString &prefix, QVariantList *binds);

} // namespace sql
} // namespace nqb
