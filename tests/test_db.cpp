// The database helper: write scopes that nest and roll back, and statements
// on a connection that is not open reported with a message.
#include "TestEnv.h"

#include "data/Db.h"
#include "data/FunctionUnit.h"

#include <QFile>
#include <QSqlQuery>
#include <QtTest>

using namespace nqb;

namespace {
bool insertMark(const QString &mark)
{
    QSqlQuery q(sql::connection());
    return sql::exec(q, QStringLiteral("INSERT INTO StrGrid_tmp (TmpID) VALUES (?)"), {mark}).ok();
}
QStringList marks()
{
    QStringList out;
    QSqlQuery q(sql::connection());
    q.exec(QStringLiteral("SELECT TmpID FROM StrGrid_tmp ORDER BY TmpID"));
    while (q.next())
        out << q.value(0).toString();
    return out;
}
} // namespace

class TestDb : public QObject
{
    Q_OBJECT
private slots:
    void nestedScopes()
    {
        TestEnv env;
        QVERIFY(ClearTable(QStringLiteral("StrGrid_tmp")));
        {
            // Inner scope dropped without commit: only its own write goes.
            sql::WriteScope outer;
            QVERIFY(outer.isOpen());
            QVERIFY(insertMark(QStringLiteral("a")));
            {
                sql::WriteScope inner;
                QVERIFY(inner.isOpen());
                QVERIFY(insertMark(QStringLiteral("b")));
            }
            QCOMPARE(marks(), QStringList{QStringLiteral("a")});
            QVERIFY(outer.commit().ok());
        }
        QCOMPARE(marks(), QStringList{QStringLiteral("a")});

        {
            // Inner committed, outer rolled back: both writes go.
            sql::WriteScope outer;
            QVERIFY(insertMark(QStringLiteral("c")));
            {
                sql::WriteScope inner;
                QVERIFY(insertMark(QStringLiteral("d")));
                QVERIFY(inner.commit().ok());
            }
            QCOMPARE(marks().size(), 3);
            outer.rollback();
            // A scope once rolled back has nothing left to commit.
            QVERIFY(!outer.commit().ok());
        }
        QCOMPARE(marks(), QStringList{QStringLiteral("a")});

        // A helper that writes in its own scope joins the caller's scope.
        {
            sql::WriteScope outer;
            QVERIFY(ListFoodGroup(QStringLiteral("01-1-")));
            QVERIFY(!marks().isEmpty());
        }
        QCOMPARE(marks(), QStringList{QStringLiteral("a")});
    }

    void failedStatementKeepsMessage()
    {
        TestEnv env;
        QSqlQuery q(sql::connection());
        const Result r = sql::exec(q, QStringLiteral("SELECT NoSuchColumn FROM Nutri_tb"), {}, QStringLiteral("Nutri_tb"));
        QCOMPARE(r.status, Status::DbError);
        QVERIFY(r.message.startsWith(QStringLiteral("Nutri_tb: ")));
        QVERIFY(r.message.size() > 12);
    }

    void closedConnectionIsNeverSuccess()
    {
        TestEnv env;
        QSqlDatabase db = sql::connection();
        db.close();
        QSqlQuery q(db);
        const Result r = sql::exec(q, QStringLiteral("SELECT 1"));
        QVERIFY(!r.ok());
        QVERIFY(r.message.contains(QStringLiteral("数据库未打开")));

        sql::WriteScope scope;
        QVERIFY(!scope.isOpen());
        QVERIFY(!scope.status().message.isEmpty());
        QVERIFY(!scope.commit().ok());

        QString error;
        QVERIFY(!ListFoodGroup(QStringLiteral("01-"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(ElementNames(&error).isEmpty());
        QVERIFY(error.contains(QStringLiteral("数据库未打开")));
    }

    void damagedFileNamesTheReason()
    {
        TestEnv env(false);
        QDir(env.workingDir()).mkpath(QStringLiteral("Data"));
        QFile f(env.databasePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        TDM *dm = env.openDataModule();
        QVERIFY(!dm->isOpen());
        QVERIFY(!dm->openError().isEmpty());
        const Result r = sql::requireOpen();
        QVERIFY(!r.ok());
        QVERIFY(r.message.contains(dm->openError()));
    }
};

QTEST_MAIN(TestDb)
#include "test_db.moc"
