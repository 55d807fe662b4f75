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
    void containsConditionMatchesAsLikeDoes()
    {
        // With or without an ASCII letter in the text the condition takes the
        // rows a literal, case-insensitive LIKE takes, and no other.
        TestEnv env;
        QSqlQuery q(db());
        QVERIFY(q.exec(QStringLiteral("CREATE TEMP TABLE names (a TEXT, b TEXT)")));
        const QStringList values{QStringLiteral("鸡蛋"), QStringLiteral("JDm"), QStringLiteral("jd"),
                                 QStringLiteral("50%_a\\b"), QStringLiteral("Äpfel"), QStringLiteral("äpfel"),
                                 QStringLiteral(" "), QString(), QStringLiteral("")};
        QVERIFY(q.prepare(QStringLiteral("INSERT INTO names VALUES (?, ?)")));
        for (int i = 0; i < values.size(); ++i) {
            q.addBindValue(values[i].isNull() ? QVariant() : QVariant(values[i]));
            q.addBindValue(values[(i * 5 + 3) % values.size()]);
            QVERIFY(q.exec());
        }
        const auto rows = [](const QString &where, const QVariantList &binds) {
            QList<qint64> out;
            sql::Read r(QStringLiteral("SELECT rowid FROM names WHERE %1 ORDER BY rowid").arg(where), binds);
            while (r.next())
                out << r.integer(0);
            return out;
        };
        for (const QString &text : {QStringLiteral("鸡"), QStringLiteral("%"), QStringLiteral("_"),
                                    QStringLiteral("\\"), QStringLiteral("%_"), QStringLiteral("Ä"),
                                    QStringLiteral(" "), QString(), QString::fromUtf16(u"蛋\0", 2), QStringLiteral("jd"),
                                    QStringLiteral("JD"), QStringLiteral("a\\b"), QStringLiteral("pF")}) {
            QVariantList binds;
            const QString where = sql::containsCondition({QStringLiteral("a"), QStringLiteral("b")}, text, &binds);
            const QString pattern = QLatin1Char('%') + sql::likeLiteral(text) + QLatin1Char('%');
            QCOMPARE(rows(where, binds),
                     rows(QStringLiteral("a LIKE ? ESCAPE '\\' OR b LIKE ? ESCAPE '\\'"), {pattern, pattern}));
        }
        QVariantList binds;
        QCOMPARE(rows(sql::containsCondition({QStringLiteral("a")}, QStringLiteral("%"), &binds), binds).size(), 1);
    }

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

    // The direct reads: values as the database holds them, a statement read
    // again inside its own read, changes seen at once, failures with their
    // message, and no read left open once a read ends.
    void directReads()
    {
        TestEnv env;
        {
            const QString odd = QStringLiteral("O'Brien %_\\ 😀 营养");
            sql::Read r(QStringLiteral("SELECT NULL, 42, 2.5, ?, ?, ?, ? IS NULL, typeof(?)"),
                        {odd, qint64(1) << 40, 0.1, QVariant(), QByteArray("a\0b", 3)});
            QVERIFY2(r.ok(), qPrintable(r.status().message));
            QVERIFY(r.next());
            QVERIFY(r.isNull(0));
            QVERIFY(r.value(0).isNull());
            QCOMPARE(r.value(0).toString(), QString());
            QCOMPARE(r.integer(1), 42);
            QCOMPARE(r.value(1).typeId(), QMetaType::LongLong);
            QCOMPARE(r.number(2), 2.5);
            QCOMPARE(r.text(3), odd);
            QCOMPARE(r.integer(4), qint64(1) << 40);
            QCOMPARE(r.number(5), 0.1);
            QCOMPARE(r.integer(6), 1);
            QCOMPARE(r.text(7), QStringLiteral("blob"));
            QVERIFY(!r.next());
            QVERIFY(r.ok());
        }

        {
            // A null text is NULL, as QSqlQuery binds it; an empty one is text.
            sql::Read r(QStringLiteral("SELECT ? IS NULL, ? IS NULL"), {QString(), QStringLiteral("")});
            QVERIFY(r.next());
            QCOMPARE(r.integer(0), 1);
            QCOMPARE(r.integer(1), 0);
        }
        // "Begins with" an empty or null prefix takes every row.
        {
            sql::Read all(QStringLiteral("SELECT COUNT(*) FROM Nutri_tb"));
            QVERIFY(all.next());
            QVERIFY(all.integer(0) > 1000);
            QCOMPARE(FoodGroupCodes(QString()).size(), all.integer(0));
            QCOMPARE(FoodGroupCodes(QStringLiteral("")).size(), all.integer(0));
        }

        // The same statement inside its own read gets a copy of its own.
        const QString sql = QStringLiteral("SELECT Code FROM Nutri_tb WHERE Code LIKE ? ORDER BY Code");
        int outerRows = 0;
        int innerRows = 0;
        {
            sql::Read outer(sql, {QStringLiteral("01-1-%")});
            while (outer.next()) {
                QVERIFY(outer.text(0).startsWith(QStringLiteral("01-1-")));
                if (outerRows++ == 1) {
                    sql::Read inner(sql, {QStringLiteral("0%")});
                    while (inner.next())
                        ++innerRows;
                    QVERIFY(inner.ok());
                }
            }
            QVERIFY(outer.ok());
        }
        QVERIFY(outerRows > 2);
        QVERIFY(innerRows > outerRows);
        {
            sql::Read again(sql, {QStringLiteral("01-1-%")});
            int n = 0;
            while (again.next())
                ++n;
            QCOMPARE(n, outerRows);
        }

        // A kept statement gives what is there now, not what it gave before.
        QVERIFY(ClearTable(QStringLiteral("StrGrid_tmp")));
        const QString count = QStringLiteral("SELECT COUNT(*) FROM StrGrid_tmp");
        auto counted = [&] {
            sql::Read r(count);
            return r.next() ? r.integer(0) : -1;
        };
        QCOMPARE(counted(), 0);
        QVERIFY(insertMark(QStringLiteral("x")));
        QCOMPARE(counted(), 1);
        // Writes through the same path count their rows, and fail with a message.
        const QString insert = QStringLiteral("INSERT INTO StrGrid_tmp (TmpID) VALUES (?)");
        QCOMPARE(sql::run(insert, {QStringLiteral("w1")}).rows, 1);
        QCOMPARE(sql::run(insert, {QStringLiteral("w2")}).rows, 1);
        QCOMPARE(counted(), 3);
        QCOMPARE(sql::run(QStringLiteral("DELETE FROM StrGrid_tmp WHERE TmpID LIKE 'w%'"), {}).rows, 2);
        const Result refused = sql::run(QStringLiteral("INSERT INTO NoSuchTable VALUES (?)"), {1});
        QCOMPARE(refused.status, Status::DbError);
        QVERIFY(refused.message.contains(QStringLiteral("NoSuchTable")));
        QCOMPARE(counted(), 1);

        // Failures carry their message and give no rows.
        {
            sql::Read bad(QStringLiteral("SELECT NoSuchColumn FROM Nutri_tb"));
            QCOMPARE(bad.status().status, Status::DbError);
            QVERIFY(bad.status().message.contains(QStringLiteral("NoSuchColumn")));
            QVERIFY(!bad.next());
            sql::Read binds(QStringLiteral("SELECT ?"), {1, 2});
            QVERIFY(!binds.ok());
            QVERIFY(!binds.status().message.isEmpty());
        }

        // A read that ends half-way keeps no snapshot: a checkpoint of another
        // connection can empty the log, which it cannot while the read is on a row.
        QVERIFY(insertMark(QStringLiteral("y")));
        auto checkpointBusy = [&] {
            QSqlDatabase side = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("side"));
            side.setDatabaseName(env.databasePath());
            int busy = -1;
            if (side.open()) {
                QSqlQuery q(side);
                if (q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) && q.next())
                    busy = q.value(0).toInt();
            }
            side.close();
            side = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("side"));
            return busy;
        };
        {
            sql::Read r(sql, {QStringLiteral("0%")});
            QVERIFY(r.next());
            QVERIFY(insertMark(QStringLiteral("z")));
            QCOMPARE(checkpointBusy(), 1);
        }
        QCOMPARE(checkpointBusy(), 0);

        // Statements released while a read steps through one of them (the
        // connection opened again, the other cache renewed): the read goes on
        // to its end and lets go of its statement itself.
        {
            sql::Read r(sql, {QStringLiteral("01-1-%")});
            QVERIFY(r.next());
            sql::releaseStatements();
            QVERIFY(sql::exec(sql::statement(count), count).ok());
            int n = 1;
            while (r.next())
                ++n;
            QVERIFY(r.ok());
            QCOMPARE(n, outerRows);
        }
        env.closeDataModule();
        QVERIFY(env.openDataModule()->isOpen());
        QVERIFY(ListFoodGroup(QStringLiteral("01-1-")));
        QCOMPARE(counted(), outerRows);

        // Closed under the program: the reason, never rows.
        sql::connection().close();
        sql::Read closed(sql, {QStringLiteral("0%")});
        QVERIFY(closed.status().message.contains(QStringLiteral("数据库未打开")));
        QVERIFY(!closed.next());
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
