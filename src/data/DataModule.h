#pragma once
// The data module: owns the program's one database connection.
#include <QObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <memory>

class TDM : public QObject
{
    Q_OBJECT
public:
    // Opens (or creates from the bundled seed) "Data/nqbnorvik.dat" under
    // workingDir; an empty workingDir means the process's current directory.
    explicit TDM(const QString &workingDir = {}, QObject *parent = nullptr);
    ~TDM() override;

    // The one connection, named "ACon".
    QSqlDatabase ACon() const;
    static QString connectionName();

    // Shared query holding the result of the last food search.
    QSqlQuery &AQSearchFood();

    bool isOpen() const;
    QString databasePath() const { return m_path; }
    // Why the database could not be opened (empty when it is open).
    QString openError() const { return m_openError; }
    // Set when the file was missing and was created from the seed: a one-line notice.
    QString creationNotice() const { return m_creationNotice; }
    // The database file or its folder cannot be written: it is open read-only,
    // and readOnlyNotice says so and what is not saved.
    bool isReadOnly() const { return m_readOnly; }
    QString readOnlyNotice() const { return m_readOnlyNotice; }

    // The data module of this run (nullptr before it is created).
    static TDM *instance();

    // Closes the connection (the file is then free to be replaced) and opens
    // the same file again with the checks of the start-up. The connection keeps
    // its name, so queries made afterwards from nqb::db() use the new file;
    // queries held from before must be executed again. reopen returns an empty
    // string or why the file could not be opened.
    void closeConnection();
    QString reopen();

private:
    void open();
    QString probeWriteAccess(QSqlDatabase &d);
    QString inUseMessage() const;

    QString m_workingDir;
    QString m_path;
    QString m_openError;
    QString m_creationNotice;
    QString m_readOnlyNotice;
    bool m_readOnly = false;
    std::unique_ptr<QSqlQuery> m_searchFood;
};

// Short access as the windows use it: DM()->ACon().
inline TDM *DM() { return TDM::instance(); }

namespace nqb {
// The connection of the running data module; an invalid database when none exists.
QSqlDatabase db();
// The text to show for a failed statement: the provider's message, or, when
// the connection never opened, why it could not be opened.
QString databaseErrorText(const QString &providerText);
// Whether a statement failed on a lock another program holds (busy, locked),
// or because the database is read-only.
bool isBusyError(const QSqlError &e);
bool isReadOnlyError(const QSqlError &e);
// Why the existing database file at path cannot be written (the file, or its
// folder, where the journal goes); empty when it can, or when it is missing.
QString databaseReadOnlyReason(const QString &path);
// Creates a complete database file from the bundled seed at path (atomically:
// built beside it and renamed into place). Returns an empty string or the error.
QString createDatabaseFile(const QString &path);
} // namespace nqb
