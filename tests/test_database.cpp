#include "TestEnv.h"
#include "data/NutrientBlocks.h"
#include "data/Schema.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

class DatabaseTest : public QObject
{
    Q_OBJECT
private slots:
    void createsFileWithBlocksInOrder();
};

void DatabaseTest::createsFileWithBlocksInOrder()
{
    TestEnv env(false);
    TDM *dm = env.openDataModule();
    QVERIFY2(dm->isOpen(), qPrintable(dm->openError()));
    QVERIFY(!dm->creationNotice().isEmpty());
    QSqlQuery q(nqb::db());
    QVERIFY(q.exec("SELECT * FROM NQBNutri_tmp"));
    const QSqlRecord r = q.record();
    QCOMPARE(r.count(), 7 + nqb::kCompositionCount);
    for (int i = 0; i < nqb::kCompositionCount; ++i)
        QCOMPARE(r.fieldName(7 + i), nqb::compositionColumns()[i]);
}

QTEST_MAIN(DatabaseTest)
#include "test_database.moc"
